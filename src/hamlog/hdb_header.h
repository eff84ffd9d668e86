// The header of a Turbo HAMLOG database (*.HDB): the field widths it declares.
#pragma once

#include <array>
#include <string>

namespace trelvo::hamlog {

// Entries 1..16: the widths of the first sixteen fields; entry 0: fields 1 + 2, the width
// available for a callsign.
using HdbFieldLengths = std::array<int, 17>;

// The widths Turbo HAMLOG 5 uses by default (CALLS 8, IGN 12, DATE 4, TIME 2, CODE 6, GL 6,
// QSL 3, FLAG 2, HIS 3, MY 3, FREQ 7, MODE 4, NAME 12, QTH 28, RMK1 54, RMK2 54).
HdbFieldLengths DefaultHdbFieldLengths();

// Reads the byte at offset 48 + 32 * i for i = 0..15 into entry i + 1, stopping at the end of
// the file, and sets entry 0 once the second width is known. Entries not reached keep their
// value. Returns false when the file cannot be opened or read (a database held open by Turbo
// HAMLOG); the caller shows the message. Never creates or changes the file.
bool ReadHdbFieldLengths(const std::string& path, HdbFieldLengths& HdbFieldLen);

}  // namespace trelvo::hamlog
