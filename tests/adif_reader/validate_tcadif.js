// Validates every record of an ADI file with the strict validator of the npm package tcadif:
// each field is checked against its ADIF data type and enumeration when the record is built.
// Prints one line per rejected record and a summary "N of M records accepted"; exits 1 when
// any record (or the header) is rejected.
// usage: node validate_tcadif.js FILE
const fs = require('fs');
const Field = require('tcadif/lib/Field');
const QSO = require('tcadif/lib/QSO');
const Header = require('tcadif/lib/Header');
const file = process.argv[2];
let text = fs.readFileSync(file, 'latin1');  // ADIF lengths count bytes
let fields = [];
let records = 0;
let accepted = 0;
let failed = false;
for (;;) {
    const field = Field.parse(text);
    if (field === null) break;
    text = text.slice(field.bytesConsumed);
    if (field.fieldName !== 'EOR' && field.fieldName !== 'EOH') {
        fields.push(field.toEntry());
        continue;
    }
    const block = Object.fromEntries(fields);
    fields = [];
    try {
        if (field.fieldName === 'EOH') {
            new Header(block);
        } else {
            ++records;
            new QSO(block);
            ++accepted;
        }
    } catch (e) {
        failed = true;
        console.log(`rejected ${field.fieldName === 'EOH' ? 'header' : 'record ' + records}: ${e.message}`);
    }
}
console.log(`${accepted} of ${records} records accepted`);
process.exit(failed || records === 0 ? 1 : 0);
