#!/usr/bin/env node
// Bibliography entries per CPU second of citeproc-js with the CSL styles of the five
// citation styles, over the CSL-JSON form of the efetch fixture records.
//
//   node bench/citeproc_bench.js CSL_DIR [--seconds S]
//
// CSL_DIR holds the styles, the locales and pubmed_fixtures.json. One engine per style,
// built once (not timed); each round asks it for the whole bibliography again, as an
// application re-renders its entries. Prints one JSON object: records and, per style,
// entries per second. The citeproc package comes from tools/node (scripts/node-tools).
'use strict';
const fs = require('fs');
const path = require('path');

const toolsDir = path.join(__dirname, '..', 'tools', 'node');
const CSL = require(require.resolve('citeproc', { paths: [toolsDir] }));

const styles = {
  MLA: 'modern-language-association.csl',
  APA: 'apa.csl',
  Chicago: 'chicago-notes-bibliography-17th-edition.csl',
  Harvard: 'harvard-cite-them-right.csl',
  Vancouver: 'nlm-citation-sequence.csl',
};

function cpuSeconds() {
  const usage = process.cpuUsage();
  return (usage.user + usage.system) / 1e6;
}

function main() {
  const args = process.argv.slice(2);
  const cslDir = args[0];
  const secondsAt = args.indexOf('--seconds');
  const minSeconds = secondsAt >= 0 ? Number(args[secondsAt + 1]) : 2;
  if (!cslDir) {
    console.error('usage: citeproc_bench.js CSL_DIR [--seconds S]');
    process.exit(2);
  }
  const items = JSON.parse(fs.readFileSync(path.join(cslDir, 'pubmed_fixtures.json'), 'utf8'));
  const byId = new Map(items.map((item) => [item.id, item]));
  const ids = items.map((item) => item.id);
  const sys = {
    retrieveLocale(lang) {
      const file = path.join(cslDir, `locales-${lang}.xml`);
      return fs.existsSync(file) ? fs.readFileSync(file, 'utf8') : undefined;
    },
    retrieveItem(id) {
      return byId.get(id);
    },
  };

  const result = { records: ids.length, entriesPerSecond: {} };
  for (const [name, file] of Object.entries(styles)) {
    const engine = new CSL.Engine(sys, fs.readFileSync(path.join(cslDir, file), 'utf8'));
    engine.setOutputFormat('html');
    engine.updateItems(ids);
    const [, first] = engine.makeBibliography();
    if (first.length !== ids.length) throw new Error(`${name}: ${first.length} of ${ids.length} entries`);

    let rounds = 0;
    const start = cpuSeconds();
    let elapsed = 0;
    while (elapsed < minSeconds) {
      engine.updateItems(ids);
      const [, entries] = engine.makeBibliography();
      if (entries.length !== ids.length) throw new Error(`${name}: entries lost`);
      rounds += 1;
      elapsed = cpuSeconds() - start;
    }
    result.entriesPerSecond[name] = (rounds * ids.length) / elapsed;
  }
  process.stdout.write(JSON.stringify(result) + '\n');
}

main();
