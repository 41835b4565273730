#!/usr/bin/env node
// Reads BibTeX or RIS with citation-js and prints the records as a JSON array of
// CSL-JSON items, in file order. The tests compare them with what was exported.
//
//   node read-citations.js bibtex|ris FILE
'use strict';
const fs = require('fs');
const { plugins } = require('@citation-js/core');
require('@citation-js/plugin-bibtex');
require('@citation-js/plugin-ris');

const [format, file] = process.argv.slice(2);
const types = { bibtex: '@biblatex/text', ris: '@ris/file' };
if (!types[format] || !file) {
  console.error('usage: read-citations.js bibtex|ris FILE');
  process.exit(2);
}
const items = plugins.input.chain(fs.readFileSync(file, 'utf8'), {
  forceType: types[format],
  generateGraph: false,
});
process.stdout.write(JSON.stringify(items));
