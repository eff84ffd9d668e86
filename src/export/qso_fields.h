// The record the export writers work on: one QSO of the database, fetched through the HAMLOG
// library and prepared the same way for every kind of output.
#pragma once

#include <string>

#include "hamlog/hamlog_library.h"

namespace trelvo::exports {

struct QsoFields {
    std::string Call;        // NULs removed, trimmed
    std::string DateISO;     // "YYYY-MM-DD"; empty when the stored date is not a date
    std::string StoredDate;  // the date as the library delivered it, trimmed (for messages)
    std::string Time;        // as fetched, six characters (padded with spaces), not trimmed
    std::string HisRST, MyRST, Freq, Mode, Code, GridLoc, Name, QTH, Remarks1, Remarks2;  // trimmed
    std::string QslIssueMark, QslSentMark, QslRcvdMark;  // the three QSL characters, each may be " "
};

// A fetched field: NUL characters removed, spaces trimmed.
std::string CleanField(const std::string& buffer);
// The same into `out`, reusing its storage.
void CleanFieldInto(const std::string& buffer, std::string& out);

// The stored date "YYYYMMDD" as "YYYY-MM-DD", or empty when it is not a calendar date.
std::string DateIsoOf(const std::string& stored);

// The three marks of a fetched QSL field: NULs dropped, each missing one a space.
void SplitQsl(const std::string& buffer, QsoFields& fields);

// Fetches QSL and Date of the loaded record (the first step of the pass).
void FetchQslAndDate(hamlog::HamlogLibrary& library, QsoFields& fields, std::string& buffer);
// Fetches the remaining fields, in the library's order.
void FetchOtherFields(hamlog::HamlogLibrary& library, QsoFields& fields, std::string& buffer);

}  // namespace trelvo::exports
