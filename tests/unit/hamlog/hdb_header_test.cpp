#include "hamlog/hdb_header.h"

#include <gtest/gtest.h>

#include "hand_made_hdb.h"
#include "test_support.h"

using namespace trelvo::hamlog;
using namespace trelvo::testing;

// (A whole header is read in the database-location and library tests.)
TEST(HdbHeader, AShortFileFillsOnlyTheWidthsItHolds) {
    ScratchDir dir;
    // Only three descriptors before the end: entries 1-3 and 0 are filled, the rest kept.
    WriteBytes(dir.File("short.HDB"), EmptyHdb().substr(0, 48 + 32 * 2 + 1));
    HdbFieldLengths part{};
    part[4] = 99;
    ASSERT_TRUE(ReadHdbFieldLengths(dir.File("short.HDB"), part));
    EXPECT_EQ(part[0], 20);
    EXPECT_EQ(part[3], 4);
    EXPECT_EQ(part[4], 99);

    HdbFieldLengths none{};
    EXPECT_FALSE(ReadHdbFieldLengths(dir.File("absent.HDB"), none));
    EXPECT_FALSE(std::filesystem::exists(dir.File("absent.HDB")));
}
