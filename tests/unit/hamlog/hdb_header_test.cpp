#include "hamlog/hdb_header.h"

#include <gtest/gtest.h>

#include "test_support.h"

using namespace trelvo::hamlog;

TEST(HdbHeader, ReadsWidthsAndStopsAtTheEndOfAShortFile) {
    trelvo::testing::ScratchDir dir;
    std::string header(32 + 32 * 16 + 1, '\0');
    const int widths[16] = {8, 12, 4, 2, 6, 6, 3, 2, 3, 3, 7, 4, 12, 28, 54, 54};
    for (int i = 0; i < 16; ++i) header[static_cast<std::size_t>(48 + 32 * i)] = static_cast<char>(widths[i]);
    trelvo::testing::WriteBytes(dir.File("Hamlog.HDB"), header);
    HdbFieldLengths len{};
    ASSERT_TRUE(ReadHdbFieldLengths(dir.File("Hamlog.HDB"), len));
    EXPECT_EQ(len, DefaultHdbFieldLengths());

    // Only three descriptors before the end: entries 1-3 and 0 are filled, the rest kept.
    trelvo::testing::WriteBytes(dir.File("short.HDB"), header.substr(0, 48 + 32 * 2 + 1));
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
