// The operator name of a station from the user's Turbo HAMLOG database, through its callsign
// index.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// The names of a Turbo HAMLOG database read once, for a run that looks up many calls: Lookup
// gives what LookupQraName gives, from memory, without allocating. Built from an HdbLibrary
// (whose callsign index it follows: the records of one base call in record order); for
// another library, or a database whose calls hold NUL bytes, every look-up goes to
// LookupQraName. The library stays open and in use for the calls the index cannot answer.
class QraIndex {
public:
    explicit QraIndex(hamlog::HamlogLibrary& library);
    // Valid until the next call.
    std::string_view Lookup(std::string_view call) const;
    bool Built() const { return built_; }

private:
    struct Entry {
        std::uint32_t keyAt = 0;  // in arena_
        std::uint32_t nameAt = 0;
        std::uint16_t keyLength = 0;
        std::uint16_t nameLength = 0;  // the name trimmed
        bool walkEnded = false;        // a record of another base call ended the walk
    };
    const Entry* Find(std::string_view key) const;
    Entry& Insert(std::string_view key);
    void Grow();

    hamlog::HamlogLibrary& library_;
    bool built_ = false;
    std::string arena_;
    std::vector<Entry> entries_;
    std::vector<std::uint32_t> slots_;  // entry number + 1, or 0; a power of two long
    mutable std::string fallback_;
};

}  // namespace trelvo::zlog
