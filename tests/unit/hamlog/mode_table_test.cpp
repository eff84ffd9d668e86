#include "hamlog/mode_table.h"

#include <gtest/gtest.h>

#include "hamlog/memory_library.h"
#include "test_support.h"

using namespace trelvo::hamlog;
using namespace trelvo::testing;

namespace {

MemoryHamlogLibrary WithModes(const std::vector<std::string>& modes) {
    MemoryHamlogLibrary lib;
    for (const std::string& m : modes) {
        MemoryHamlogRecord r;
        r.fields[kFieldCall] = "JA1ABC";
        r.fields[kFieldMode] = m;
        lib.records.push_back(r);
    }
    return lib;
}

}  // namespace

TEST(ModeTable, CollectsDistinctModesInOrder) {
    MemoryHamlogLibrary lib = WithModes({"CW", "SSB", "CW", "FM", "SSB"});
    lib.records[2].deleted = true;
    ModeTable table;
    table.ModeNames = {"old1", "old2", "old3", "old4", "old5"};
    RecordingCallbacks cb;
    ModeScanResult r = CollectHamlogModes(lib, "/db/Hamlog", table, cb);
    EXPECT_EQ(r.status, ModeScanStatus::kDone);
    EXPECT_EQ(r.recordCount, 5);
    EXPECT_FALSE(r.overflow);
    EXPECT_EQ(table.ModeCount, 3);
    EXPECT_EQ(table.ModeNames[0], "CW");
    EXPECT_EQ(table.ModeNames[2], "FM");
    EXPECT_EQ(table.ModeNames[3], "old4");  // beyond the count: kept
    // The unreadable record is skipped before the counter.
    EXPECT_EQ(cb.progress, (std::vector<long long>{1, 2, 4, 5}));
    EXPECT_EQ(lib.TakeLog(),
              "HamlogOpen(/db/Hamlog), Vdbf_rcount, THW_read(1), ThwString(7), THW_read(2), ThwString(7), "
              "THW_read(3), THW_read(4), ThwString(7), THW_read(5), ThwString(7), HamlogClose");
    EXPECT_EQ(ModeFilterEntries(table), (std::vector<std::string>{"MIX", "CW", "SSB", "FM"}));
}

TEST(ModeTable, AModeInsideACollectedNameIsNotAdded) {
    const struct {
        std::vector<std::string> modes, entries;
        int count;
    } cases[] = {
        {{"RTTY", "TTY", "cw", "CW", "RTTY "},
         {"MIX", "RTTY", "cw", "CW"},
         3},                                           // the search is case-sensitive
        {{"TTY", "RTTY"}, {"MIX", "TTY", "RTTY"}, 2},  // RTTY is not inside TTY
        {{"", "CW"}, {"MIX", "CW"}, 2},  // an empty mode is a name too, though the filter skips it
    };
    for (const auto& c : cases) {
        MemoryHamlogLibrary lib = WithModes(c.modes);
        ModeTable table;
        trelvo::NullCallbacks cb;
        CollectHamlogModes(lib, "b", table, cb);
        EXPECT_EQ(table.ModeCount, c.count) << c.modes[1];
        EXPECT_EQ(ModeFilterEntries(table), c.entries) << c.modes[1];
    }
}

TEST(ModeTable, StopsAtTheThirteenthModeKeepingTwelve) {
    std::vector<std::string> modes;
    for (int i = 0; i < 14; ++i) modes.push_back("M" + std::string(1, static_cast<char>('A' + i)));
    MemoryHamlogLibrary lib = WithModes(modes);
    ModeTable table;
    trelvo::NullCallbacks cb;
    ModeScanResult r = CollectHamlogModes(lib, "b", table, cb);
    EXPECT_TRUE(r.overflow);
    EXPECT_EQ(table.ModeCount, 12);
    EXPECT_EQ(table.ModeNames[11], "ML");
    const std::string log = lib.TakeLog();
    EXPECT_NE(log.find("THW_read(13), ThwString(7), HamlogClose"), std::string::npos);
    EXPECT_EQ(log.find("THW_read(14)"), std::string::npos);  // the rest is not read
}

TEST(ModeTable, AFailedOpenClosesAndChangesNothing) {
    MemoryHamlogLibrary lib = WithModes({"CW"});
    lib.openResult = 2;
    ModeTable table;
    table.ModeNames[0] = "SSB";
    table.ModeCount = 1;
    trelvo::NullCallbacks cb;
    EXPECT_EQ(CollectHamlogModes(lib, "b", table, cb).status, ModeScanStatus::kOpenFailed);
    EXPECT_EQ(lib.TakeLog(), "HamlogOpen(b), HamlogClose");
    EXPECT_EQ(table.ModeNames[0], "SSB");
    EXPECT_EQ(table.ModeCount, 1);
}
