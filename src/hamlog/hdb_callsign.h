// How Turbo HAMLOG keeps a callsign in a database record: the main call in CALLS (what does
// not fit there at the left of IGN), the portable part at the right end of IGN without its
// slash, and FLAG telling a foreign station and the side the portable part stands on.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace trelvo::hamlog {

// FLAG bits (a little-endian 16-bit value in the record).
inline constexpr unsigned kFlagPortableAfter = 0x01;   // JE3HHT/KH6
inline constexpr unsigned kFlagPortableBefore = 0x02;  // KH6/JE3HHT
inline constexpr unsigned kFlagDx = 0x08;              // not a JA station

// The callsign of a record from its CALLS and IGN bytes and its FLAG value. Callsigns are
// ASCII, so this works on the stored bytes; NUL bytes count as spaces.
//   CALLS "JA1ABC  ", IGN "           1", FLAG 0      -> JA1ABC/1
//   CALLS "JE3HHT  ", IGN "         KH6", FLAG 8|2    -> KH6/JE3HHT
//   CALLS "JA1ABCDE", IGN "FG     QRP/3", FLAG 0      -> JA1ABCDEFG/QRP/3
std::string RebuildHdbCall(std::string_view calls, std::string_view ign, unsigned flag);
// The same into `out`, reusing its memory (the exports rebuild one per record).
void RebuildHdbCallInto(std::string& out, std::string_view calls, std::string_view ign, unsigned flag);

// A callsign laid out for CALLS and IGN of the given widths.
struct HdbCallFields {
    std::string calls;  // exactly callsWidth bytes, space-padded
    std::string ign;    // exactly ignWidth bytes
    unsigned flag = 0;
    bool cut = false;  // a part did not fit and was shortened
};

// The inverse of RebuildHdbCall. Without "/" the whole callsign is the main call; with one
// "/" the longer part is (the part before on a tie); with two or more, a JA station keeps the
// first part as its main call and any other station the middle one, the rest forming the
// portable part. `dx` is false for a JA station.
HdbCallFields SplitHdbCall(std::string_view call, bool dx, std::size_t callsWidth, std::size_t ignWidth);

// The part of a callsign that names the station: split at the last "/", the longer part (the
// part before on a tie), spaces trimmed; the whole callsign when it has no "/". JA1ABC,
// JA1ABC/1 and 7J1/JA1ABC all give JA1ABC. The callsign index is keyed on it.
std::string BaseCallOf(std::string_view call);

}  // namespace trelvo::hamlog
