// Parses an ADIF file with the npm package adif-parser-ts, as a Node.js program would: the
// file is read as text (UTF-8) and handed to the parser whole. Prints the record count.
const fs = require('fs');
const { AdifParser } = require('adif-parser-ts');
const text = fs.readFileSync(process.argv[2], 'utf8');
const parsed = AdifParser.parseAdi(text);
console.log((parsed.records || []).length);
