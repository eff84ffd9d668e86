// The usual contact's line written straight from the bytes of its values into the output
// buffer: ASCII and the CP932 bytes that only travel are copied (or recoded as the round trip
// through text would write them), the call, the stamp and the frequency are read as bytes.
// A contact it cannot write exactly as the general way (HamlogCsvRecord, ClassifyStation and
// WriteHamlogCsvLine) would is left to that way.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "importers/digipan/digipan_import.h"
#include "text/cp932.h"

namespace trelvo::digipan {

// The values of a contact the line is made of, as they stand in the work file.
struct QuickContact {
    std::string_view call, stamp, freq, hisRst, myRst, name, qth, remark;
    bool high = false;  // some byte of them may be 0x80 or more (else all are ASCII)
};

// What is the same for every line of a run.
struct QuickSettings {
    bool jstForJa = false;
    FreqFormat freqFormat = FreqFormat::MhzThreeDecimals;
    std::string qsl;                // the QSL field's bytes, as the general way writes them
    std::size_t qslUnmappable = 0;  // characters of it written as '?'
};

// The most bytes WriteQuickLine writes for the contact.
std::size_t QuickLineRoom(const QuickContact& contact);

// Writes the contact's line with its CR LF at `out` and returns its end; nullptr, with nothing
// written or counted, when the contact is left to the general way (a value that must be text
// and is not ASCII, a stamp that is not one, a frequency that is not whole kHz digits, a JST
// move that fails). The bytes that travel are recoded through `recoder`; `unmappable` and
// `notCp932` count as the general way counts.
char* WriteQuickLine(const QuickContact& contact, const QuickSettings& settings, char* out,
                     text::Cp932Recoder& recoder, text::ConversionStats& unmappable,
                     text::ConversionStats& notCp932);

// The pieces, each giving what the general way's rule gives:
// the call of an ASCII callsign as ClassifyStation writes it (upper case, "/QRP" moved to
// the end) at `out` (room for the callsign's bytes), its end, and `ja` for a JA station;
char* QuickStation(std::string_view callsign, char* out, bool& ja);
// the "yyyy/mm/dd" and "HH:MM" ToJst makes of a stamp's "YY/MM/DD" "HH:MMU" (stamp: 12
// digits, IsDigipanStamp), false when ToJst would fail;
bool QuickJst(std::string_view stamp, char* date, char* time);
// FrequencyText of an ASCII value of whole kHz digits (a point, then three characters), at
// `out` (room for 13 bytes); nullptr for any other value.
char* QuickFrequency(std::string_view value, FreqFormat format, char* out);

}  // namespace trelvo::digipan
