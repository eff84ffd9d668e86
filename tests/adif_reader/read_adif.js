// Reads ADIF files with the npm package adif-parser-ts and prints one line per record:
// CALL, QSO_DATE, TIME_ON, BAND, MODE, FREQ, NAME, QSL_SENT, QSL_RCVD, tab-separated.
// ADIF lengths count bytes, so the file is handed to the parser one byte per character
// (latin1) and each value is decoded afterwards in the file's encoding.
// usage: node read_adif.js utf-8|shift_jis FILE
const fs = require('fs');
const { AdifParser } = require('adif-parser-ts');
const [encoding, file] = process.argv.slice(2);
const parsed = AdifParser.parseAdi(fs.readFileSync(file, 'latin1'));
const decoder = new TextDecoder(encoding);
const text = (v) => (v === undefined ? '-' : decoder.decode(Buffer.from(v, 'latin1')));
for (const r of parsed.records || []) {
    const fields = ['call', 'qso_date', 'time_on', 'band', 'mode', 'freq', 'name', 'qsl_sent', 'qsl_rcvd'];
    console.log(fields.map((f) => text(r[f])).join('\t'));
}
