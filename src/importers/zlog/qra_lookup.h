// The operator name of a station from the user's Turbo HAMLOG database, through its callsign
// index.
#pragma once

#include <cstdint>
#include <memory>
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
    // Bytes appended in blocks that never move: growing copies nothing and leaves no freed
    // copies behind in the heap. A position is block * kBlock + offset.
    class Arena {
    public:
        static constexpr std::size_t kBlock = 1 << 16;
        std::uint32_t Append(std::string_view s);
        std::string_view At(std::uint32_t at, std::size_t n) const {
            return n == 0 ? std::string_view()
                          : std::string_view(blocks_[at / kBlock].get() + at % kBlock, n);
        }
        std::size_t Size() const { return blocks_.size() * kBlock; }
        char* Data(std::uint32_t at) { return blocks_[at / kBlock].get() + at % kBlock; }
        const char* Data(std::uint32_t at) const { return blocks_[at / kBlock].get() + at % kBlock; }

    private:
        std::vector<std::unique_ptr<char[]>> blocks_;
        std::size_t used_ = kBlock;  // in the last block
    };

    // A station in stations_: this head, then its key. Calls and names are at most 255 bytes
    // long (the field widths), so a station takes 7 bytes and its key.
    struct Head {
        std::uint8_t keyLength = 0;
        std::uint8_t nameLength = 0;  // the name trimmed
        bool walkEnded = false;       // a record of another base call ended the walk
        // While the database is read, the record of the last non-empty name (0: none); then
        // where that name is in names_.
        std::uint32_t name = 0;
    };
    static constexpr std::size_t kHeadBytes = 7;
    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    Head HeadAt(std::uint32_t at) const;
    void SetHead(std::uint32_t at, const Head& head);
    std::string_view KeyAt(std::uint32_t at) const;
    std::uint32_t Find(std::string_view key) const;  // the station's place, or kNone
    std::uint32_t Insert(std::string_view key);
    void Grow();
    bool Build();

    hamlog::HamlogLibrary& library_;
    bool built_ = false;
    Arena stations_;
    Arena names_;                       // each name after its length byte, every name once
    std::size_t count_ = 0;             // stations
    std::vector<std::uint32_t> slots_;  // a station's place + 1, or 0; a power of two long
    mutable std::string fallback_;
};

}  // namespace trelvo::zlog
