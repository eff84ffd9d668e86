// The operator name of a station from the user's Turbo HAMLOG database, through its callsign
// index.
#pragma once

#include <string>
#include <string_view>

#include "hamlog/hamlog_library.h"

namespace trelvo::zlog {

struct SplitCall {
    std::string BaseCall;
    std::string PortableCall;
};

// Split at the last "/": the longer part is the base call (the part before on a tie).
SplitCall SplitPortableCall(std::string_view call);

// The name the database holds for the station (an open database is expected): the last
// non-empty name over the records the index returns while their base call matches; a name of
// spaces only counts as a name and trims to nothing. Empty when nothing is found; never
// throws.
std::string LookupQraName(hamlog::HamlogLibrary& library, std::string_view call);

}  // namespace trelvo::zlog
