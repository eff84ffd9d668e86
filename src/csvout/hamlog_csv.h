// The record every importer fills and the CSV line Turbo HAMLOG's import reads.
#pragma once

#include <string>

#include "text/io.h"

namespace trelvo::csvout {

// One contact as the HAMLOG import CSV holds it. Fields are UTF-8 text; the writer turns
// them into CP932.
struct HamlogCsvRecord {
    std::string Call;          // 1: callsign, upper case, portable part and "/QRP" included
    std::string PortablePart;  // not written: the part after the first "/"
    std::string Date;          // 2: "YY/MM/DD" or "yyyy/mm/dd"
    std::string Time;          // 3: "HH:MM" + "U" or "J"
    std::string Freq;          // 6: MHz
    std::string HisRST;        // 4: report sent
    std::string MyRST;         // 5: report received
    std::string Mode;          // 7
    std::string Code;          // 8: JCC/JCG or other area code
    std::string GridLoc;       // 9
    std::string QSL = "   ";   // 10: always three characters (issue, sent, received)
    std::string QTH;           // 12
    std::string Name;          // 11
    std::string Remarks1;      // 13
    std::string Remarks2;      // 14
    std::string StationClass;  // 15: "0" JA, "8" DX
    std::string QslIssueMark;  // not written: work field for QSL character 1
    std::string QslSentMark;   // not written: work field for QSL character 2
    // The fields (kBytesName ...) that already hold the CP932 bytes to write: importers that
    // keep the bytes of a CP932 input set them; every other field is UTF-8 text.
    unsigned cp932Fields = 0;
    std::size_t cp932Unmappable = 0;  // characters those bytes already hold as '?'
};

inline constexpr unsigned kBytesName = 1u << 0;
inline constexpr unsigned kBytesQth = 1u << 1;
inline constexpr unsigned kBytesRemarks1 = 1u << 2;
inline constexpr unsigned kBytesRemarks2 = 1u << 3;

// Every text field empty, QSL three spaces.
void ClearHamlogCsvRecord(HamlogCsvRecord& record);

// The line without its CR LF: fifteen fields in double quotes, comma-separated, unescaped
// (UTF-8; fields held as CP932 bytes are decoded).
std::string FormatHamlogCsvLine(const HamlogCsvRecord& record);

// Appends the line with CR LF, in CP932: formatted straight into the writer's buffer, the
// fields held as CP932 bytes copied as they are.
void WriteHamlogCsvLine(text::Cp932LineWriter& file, const HamlogCsvRecord& record);

// The three QSL characters from the marks the user ticked: each present mark contributes its
// first character, an absent (unticked or empty) one a space.
std::string MakeQslField(const std::string* issueMark, const std::string* sentMark,
                         const std::string* rcvdMark);

// The first character of a mark text box, or one space when it is empty.
std::string FirstCharOrSpace(const std::string& mark);

}  // namespace trelvo::csvout
