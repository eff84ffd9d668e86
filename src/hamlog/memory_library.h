// A HAMLOG library over records held in memory: the test double for the exports, the mode
// table and the name lookup. It logs every call so that tests can check the order of use.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "hamlog/hamlog_library.h"

namespace trelvo::hamlog {

// One record as the library delivers it: fields by number (kFieldCall ...), unpadded.
struct MemoryHamlogRecord {
    std::array<std::string, kHamlogFieldCount> fields;
    bool deleted = false;  // THW_read fails on it and the index leaves it out
};

class MemoryHamlogLibrary : public HamlogLibrary {
public:
    std::vector<MemoryHamlogRecord> records;
    int version = 0x50300;         // what GetThdllVersion reports
    int openResult = 0;            // what HamlogOpen returns (non-zero: the open fails)
    std::vector<std::string> log;  // "HamlogOpen(base)", "THW_read(3)", "ThwString(7)", ...

    int GetThdllVersion() override;
    int HamlogOpen(const std::string& dbBase) override;
    int HamlogClose() override;
    int SetQsoOrMaster(int table) override;
    int Vdbf_rcount() override;
    int THW_read(int recordNumber) override;
    int ThwString(std::string& buffer, int field) override;
    int Vidx_search(const std::string& call) override;
    int Vidx_next() override;

    bool IsOpen() const { return open_; }
    // The calls made, joined with ", " (for compact expectations), and cleared.
    std::string TakeLog();

private:
    bool open_ = false;
    int loaded_ = 0;
    std::vector<int> hits_;
    std::size_t hit_ = 0;
};

}  // namespace trelvo::hamlog
