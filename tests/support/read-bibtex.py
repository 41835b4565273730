#!/usr/bin/python3
"""Reads a BibTeX file with bibtexparser (Debian's python3-bibtexparser) and prints
its entries as a JSON array: key, entry type, the fields as written (month macros
expanded) and the names of the author and editor fields as BibTeX splits them."""
import json
import sys

import bibtexparser
from bibtexparser.bparser import BibTexParser
from bibtexparser.customization import splitname


def names(field):
    """Splits a name list at the word "and" outside braces, as BibTeX does, and each
    name into its parts with bibtexparser."""
    parts, depth, words = [], 0, field.split(' ')
    current = []
    for word in words:
        if depth == 0 and word.lower() == 'and' and current:
            parts.append(' '.join(current))
            current = []
            continue
        current.append(word)
        depth += word.count('{') - word.count('}')
    if current:
        parts.append(' '.join(current))
    return [splitname(p, strict_mode=True) for p in parts]


def main(path):
    parser = BibTexParser(common_strings=True)
    with open(path, encoding='utf-8') as f:
        database = bibtexparser.load(f, parser=parser)
    out = []
    for entry in database.entries:
        item = {'key': entry['ID'], 'type': entry['ENTRYTYPE'], 'fields': {}}
        for name, value in entry.items():
            if name not in ('ID', 'ENTRYTYPE'):
                item['fields'][name] = value
        for name in ('author', 'editor'):
            if name in entry:
                item[name + 's'] = names(entry[name])
        out.append(item)
    json.dump(out, sys.stdout, ensure_ascii=False)


if __name__ == '__main__':
    main(sys.argv[1])
