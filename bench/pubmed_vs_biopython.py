#!/usr/bin/python3
"""Efetch XML throughput: our reader and Biopython's Bio.Entrez on the same document.

    bench/pubmed_vs_biopython.py [--runs 3]

Writes the 40 MB document of bench/make_large_pubmed.py (once, under
build/bench-data/), builds the release configuration, runs bench_pubmed_parser and
then Bio.Entrez.read on the same file in this process, and prints both throughputs
(MB = 10^6 bytes, per CPU second, best of the runs) and their ratio. CPU time rather
than wall time, because the machine may be shared with other work.
"""
import argparse
import json
import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


ENTREZ_DTDS = os.path.join(ROOT, "tests", "fixtures", "entrez-dtd")


def ours(document, runs):
    subprocess.run([os.path.join(ROOT, "scripts", "build"), "release"], check=True, stdout=subprocess.DEVNULL)
    out = subprocess.run([os.path.join(ROOT, "build", "release", "bench", "bench_pubmed_parser"), document,
                          "--benchmark_format=json", f"--benchmark_repetitions={runs}"],
                         check=True, capture_output=True, text=True).stdout
    best = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("run_type") != "iteration":
            continue
        name = b["run_name"].split("/")[0]
        best[name] = max(best.get(name, 0.0), b["MB/s"])
        if "records" in b:
            best["records"] = int(b["records"])
            best["peak_rss_MB"] = b["peak_rss_MB"]
    return best


def biopython(document, entrez_dtds, runs):
    from Bio import Entrez
    from Bio.Entrez import Parser
    # Debian's Biopython lacks the 2023-2025 PubMed DTDs; never let it download them.
    Parser.DataHandler.directory = entrez_dtds
    size = os.path.getsize(document)
    best, records = 0.0, 0
    for _ in range(runs):
        start = time.process_time()
        with open(document, "rb") as handle:
            result = Entrez.read(handle, validate=False)
        seconds = time.process_time() - start
        records = len(result["PubmedArticle"]) + len(result["PubmedBookArticle"])
        best = max(best, size / seconds / 1e6)
    return best, records


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--runs", type=int, default=3)
    a = ap.parse_args()
    document = os.path.join(ROOT, "build", "bench-data", "large_pubmed.xml")
    if not os.path.isfile(document):
        subprocess.run([sys.executable, os.path.join(ROOT, "bench", "make_large_pubmed.py"), "--out", document],
                       check=True)
    size = os.path.getsize(document)
    mine = ours(document, a.runs)
    theirs, their_records = biopython(document, ENTREZ_DTDS, a.runs)
    print(f"document: {document} ({size / 1e6:.1f} MB)")
    print(f"PubMedArticleParser::parse  {mine['PubMedArticleParserParse']:8.1f} MB/s  "
          f"{mine['records']} records, peak RSS {mine['peak_rss_MB']:.0f} MB")
    print(f"expat alone, no handlers    {mine['ExpatBarePass']:8.1f} MB/s")
    print(f"Bio.Entrez.read             {theirs:8.1f} MB/s  {their_records} records")
    print(f"ratio (ours / Biopython)    {mine['PubMedArticleParserParse'] / theirs:8.1f}x")
    if mine["records"] != their_records:
        sys.exit("the two readers found different record counts")


if __name__ == "__main__":
    main()
