#include "tools/contest_code_table.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "test_support.h"

using namespace trelvo::tools;
using trelvo::testing::ScratchDir;
using trelvo::testing::WriteBytes;

TEST(ContestCodeTable, DataCommentAndErrorLines) {
    ScratchDir dir;
    // CP932: 沼津市 and 静岡市.
    const std::string numazu = "\x8f\xc0\x92\xc3\x8e\x73", shizuoka = "\x90\xc3\x89\xaa\x8e\x73";
    WriteBytes(dir.File("t.TBL"), "# comment\r\nNU,1803," + numazu +
                                      "\r\nNU,,x\r\n,1803,x\r\nNU,1803\r\n\r\n" + " SZ , 1803 ," + shizuoka +
                                      ",a,b\r\n   # indented\r\nNU,9999,later\r\nAB,1,\n");
    const CodeTableLoad load = LoadContestCodeTable(dir.File("t.TBL"));
    ASSERT_TRUE(load.table.Loaded());
    ASSERT_EQ(load.table.Entries().size(), 4u);
    EXPECT_EQ(load.table.Entries()[1].key, "SZ");
    EXPECT_EQ(load.table.Entries()[1].value, "1803");
    EXPECT_EQ(*load.table.Find("NU"), "1803");  // the first of two keys
    EXPECT_EQ(*load.table.Find("AB"), "1");     // an empty description is allowed
    EXPECT_EQ(load.table.Find(" SZ "), nullptr);
    EXPECT_EQ(load.table.Find("nu"), nullptr);
    EXPECT_EQ(load.caption,
              "t.TBL\r\nNU  1803  沼津市\r\n SZ    1803   静岡市,a,b\r\nNU  9999  later\r\nAB  1  ");
    EXPECT_EQ(load.errorLines, (std::vector<std::string>{"NU,,x", ",1803,x", "NU,1803", ""}));
    EXPECT_EQ(load.ErrorMessage(), "データ部にエラーがあります\r\nNU,,x\r\n,1803,x\r\nNU,1803\r\n\r\n");
}

TEST(ContestCodeTable, NothingValidAndUnreadableFiles) {
    ScratchDir dir;
    WriteBytes(dir.File("c.TBL"), "# only\r\n#comments\r\n");
    CodeTableLoad load = LoadContestCodeTable(dir.File("c.TBL"));
    EXPECT_FALSE(load.table.Loaded());
    EXPECT_TRUE(load.errorLines.empty());
    EXPECT_EQ(load.caption, kCodeTableIdleCaption);
    WriteBytes(dir.File("e.TBL"), "");
    EXPECT_FALSE(LoadContestCodeTable(dir.File("e.TBL")).table.Loaded());
    EXPECT_THROW(LoadContestCodeTable(dir.File("missing.TBL")), trelvo::FileError);
}
