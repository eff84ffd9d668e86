#include "importers/jap1/remarks_table.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_support.h"

using namespace trelvo::jap1;
using trelvo::testing::ScratchDir;
using trelvo::testing::WriteBytes;
using Recorder = trelvo::testing::RecordingCallbacks;

TEST(Jap1RemarksTable, PairsNotOnOneLineAndUtf8TablesAreReported) {
    ScratchDir dir;
    WriteBytes(dir.File("remconv.txt"), "a,b,c\r\nd\r\ne\r\n\"\",empty\r\nlast\r\n");
    Recorder cb;
    RemarksConversionTable t = ReadRemarksConversionTable(dir.File("remconv.txt"), cb);
    ASSERT_EQ(t.pairs.size(), 3u);
    EXPECT_EQ(*t.Find("a"), "b");
    EXPECT_EQ(*t.Find("d"), "e");
    EXPECT_EQ(*t.Find(""), "empty");  // the pair after them is read from its own line again
    EXPECT_EQ(t.Find("c"), nullptr);
    EXPECT_EQ(t.Find("last"), nullptr);
    ASSERT_EQ(cb.warnings.size(), 3u);
    EXPECT_NE(cb.warnings[0].find("pair 1 (line 1): more than two values; \"c\""), std::string::npos);
    EXPECT_NE(cb.warnings[1].find("pair 2 (line 2): the from-text \"d\" is alone"), std::string::npos);
    EXPECT_NE(cb.warnings[2].find("pair 4 (line 5): the file ends after the from-text \"last\""),
              std::string::npos);

    // A table saved as UTF-8 is still read, with a warning.
    WriteBytes(dir.File("utf8.txt"), "\"QSL OK\",\"交換済\"\r\n");
    Recorder utf8;
    EXPECT_EQ(ReadRemarksConversionTable(dir.File("utf8.txt"), utf8).pairs.size(), 1u);
    ASSERT_FALSE(utf8.warnings.empty());
    EXPECT_NE(utf8.warnings[0].find("looks like UTF-8"), std::string::npos) << utf8.warnings[0];
}
