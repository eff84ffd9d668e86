// JA or DX, the "/QRP" suffix, and the move between UTC and JST.
#pragma once

#include <string>
#include <string_view>

#include "csvout/hamlog_csv.h"

namespace trelvo::csvout {

inline constexpr std::string_view JaPrefixList =
    "JA,JE,JF,JG,JH,JI,JJ,JK,JL,JM,JN,JO,JP,JQ,JR,JS,7K,7L,7M,7N,8J,8K,8L,8M,8N";
inline constexpr std::string_view SpecialStationList = "8J1RL,8J1RM,8J1RF,8J1ANT";

inline constexpr const char* kStationJa = "0";
inline constexpr const char* kStationDx = "8";

// Fills Call, PortablePart and StationClass from the callsign and, for a JA station with
// `jstForJa`, moves the record's Date and Time to JST. `callWidth` >= 0 cuts Call to that many
// characters before a removed "/QRP" is put back (the ADIF import cuts to the database's
// callsign width); without "/" the cut comes before the tests. Throws DateTimeError when a
// time conversion meets a date that is not one.
void ClassifyStation(std::string_view callsign, bool jstForJa, HamlogCsvRecord& record, int callWidth = -1);

// Date and Time plus 9 hours, time marked "J"; the date comes out "yyyy/mm/dd".
void ToJst(HamlogCsvRecord& record);
// Date and Time minus 9 hours, time marked "U".
void ToUtc(HamlogCsvRecord& record);

// The stamp "date hh:mm" moved by `hours`, written into `out` as "yyyy/mm/dd hh:mm" the way
// ToJst and ToUtc write Date and Time; false when the stamp is no date and time (they throw)
// or the result is one they write another way.
bool ShiftStamp(std::string_view stamp, int hours, char (&out)[16]);

// True when a plain substring search of the list text finds `what` (commas included).
bool OccursInList(std::string_view list, std::string_view what);

}  // namespace trelvo::csvout
