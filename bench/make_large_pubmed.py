#!/usr/bin/python3
"""Writes a large efetch document for throughput runs of the PubMed readers.

    bench/make_large_pubmed.py --out FILE [--megabytes 40] [--seed 1]

The records are the real ones of tests/fixtures/pubmed (every PubmedArticle and
PubmedBookArticle of its well-formed efetch documents, byte for byte), written over
and over in an order shuffled by a seeded generator until the document reaches the
size asked for. Each copy gets a new PMID (50000001, 50000002, ...) in its own PMID
element and in its own ArticleId of type pubmed; PMIDs the record cites are left
alone. Same arguments, same bytes.
"""
import argparse
import os
import random
import re
import sys
import xml.etree.ElementTree as ElementTree

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FIXTURES = os.path.join(ROOT, "tests", "fixtures", "pubmed")
FIRST_PMID = 50000001

HEADER = ('<?xml version="1.0" ?>\n'
          '<!DOCTYPE PubmedArticleSet PUBLIC "-//NLM//DTD PubMedArticle, 1st January 2025//EN" '
          '"https://dtd.nlm.nih.gov/ncbi/pubmed/out/pubmed_250101.dtd">\n'
          '<PubmedArticleSet>\n')
FOOTER = '</PubmedArticleSet>\n'

RECORD = re.compile(r"<(PubmedArticle|PubmedBookArticle)\b[^>]*>.*?</\1>", re.DOTALL)
OWN_PMID = re.compile(r"(<PMID\b[^>]*>)\s*(\d+)\s*(</PMID>)")
# This document was edited by the project it comes from to show rare elements; it is
# not what PubMed serves, so it stays out of a document meant to be realistic.
EDITED = {"eutilsjson_efetch.pubmedexample.xml"}


def real_records():
    """(text, pmid) of every record of the positive fixture documents, in file order."""
    records = []
    for name in sorted(os.listdir(FIXTURES)):
        if not name.endswith(".xml") or name in EDITED:
            continue
        path = os.path.join(FIXTURES, name)
        try:
            root = ElementTree.parse(path).getroot()
        except ElementTree.ParseError:
            continue
        if root.tag != "PubmedArticleSet":
            continue  # for example an esearch answer
        with open(path, encoding="utf-8") as handle:
            text = handle.read()
        for match in RECORD.finditer(text):
            record = match.group(0)
            own = OWN_PMID.search(record)
            if own:
                records.append((record, own.group(2)))
    return records


def renumbered(record, old, new):
    """The record with its own PMID (the first PMID element and the ArticleId of type
    pubmed that repeats it) replaced; cited PMIDs keep theirs."""
    record = OWN_PMID.sub(lambda m: m.group(1) + str(new) + m.group(3), record, count=1)
    own_id = re.compile(r'(<ArticleId\s+IdType=["\']pubmed["\']\s*>)\s*' + old + r'\s*(</ArticleId>)')
    return own_id.sub(lambda m: m.group(1) + str(new) + m.group(2), record, count=1)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--out", required=True, help="the document to write")
    parser.add_argument("--megabytes", type=float, default=40.0, help="size to reach (10^6 bytes)")
    parser.add_argument("--seed", type=int, default=1, help="seed of the record order")
    args = parser.parse_args()

    records = real_records()
    if not records:
        sys.exit(f"no efetch records found in {FIXTURES}")
    target = int(args.megabytes * 1e6)
    generator = random.Random(args.seed)
    pmid = FIRST_PMID
    written = 0
    os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
    partial = args.out + ".partial"
    with open(partial, "w", encoding="utf-8", newline="\n") as out:
        out.write(HEADER)
        size = len(HEADER.encode("utf-8")) + len(FOOTER)
        while size < target:
            order = list(range(len(records)))
            generator.shuffle(order)
            for index in order:
                text, old = records[index]
                chunk = renumbered(text, old, pmid) + "\n"
                out.write(chunk)
                size += len(chunk.encode("utf-8"))
                pmid += 1
                written += 1
                if size >= target:
                    break
        out.write(FOOTER)
    os.replace(partial, args.out)
    print(f"{args.out}: {written} records ({len(records)} distinct), {size / 1e6:.1f} MB")


if __name__ == "__main__":
    main()
