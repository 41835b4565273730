#!/usr/bin/python3
"""Citations per second: our five styles, BibTeX and RIS, beside citeproc-js.

    bench/citations_vs_citeproc.py [--seconds 2]

Builds the release configuration, installs the npm packages of tools/node, runs
bench_citations over the efetch fixture records (tests/fixtures/pubmed) and then
citeproc-js (bench/citeproc_bench.js) with the CSL styles over the same records in
their CSL-JSON form (tests/fixtures/csl), one after the other, and prints both rates
(per CPU second, since the machine may be shared) and their ratio per style.
"""
import argparse
import json
import os
import subprocess

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


FIXTURES = os.path.join(ROOT, "tests", "fixtures")


def ours(fixtures, seconds):
    subprocess.run([os.path.join(ROOT, "scripts", "build"), "release"], check=True, stdout=subprocess.DEVNULL)
    out = subprocess.run([os.path.join(ROOT, "build", "release", "bench", "bench_citations"),
                          os.path.join(fixtures, "pubmed"), "--benchmark_format=json",
                          f"--benchmark_min_time={seconds}"],
                         check=True, capture_output=True, text=True).stdout
    rates, records = {}, 0
    for b in json.loads(out)["benchmarks"]:
        rates[b["name"]] = b["items_per_second"]
        records = int(b["records"])
    return rates, records


def citeproc(fixtures, seconds):
    subprocess.run([os.path.join(ROOT, "scripts", "node-tools")], check=True)
    out = subprocess.run(["node", os.path.join(ROOT, "bench", "citeproc_bench.js"), os.path.join(fixtures, "csl"),
                          "--seconds", str(seconds)], check=True, capture_output=True, text=True).stdout
    result = json.loads(out)
    return result["entriesPerSecond"], result["records"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seconds", type=float, default=2.0, help="minimum CPU time per measurement")
    args = parser.parse_args()
    fixtures = FIXTURES
    rates, records = ours(fixtures, args.seconds)
    peer, peer_records = citeproc(fixtures, args.seconds)

    print(f"records: ours {records} (efetch XML), citeproc-js {peer_records} (CSL-JSON)")
    print(f"{'':<12}{'ours /s':>14}{'citeproc-js /s':>16}{'ratio':>9}")
    for style in ("MLA", "APA", "Chicago", "Harvard", "Vancouver"):
        mine = rates[f"Style/{style}"]
        print(f"{style:<12}{mine:>14,.0f}{peer[style]:>16,.0f}{mine / peer[style]:>8,.0f}x")
    for name in ("BibTeX", "RIS"):
        print(f"{name:<12}{rates[f'Export/{name}']:>14,.0f}")
    print(f"{'(record)':<12}{rates['CitationRecord']:>14,.0f}")


if __name__ == "__main__":
    main()
