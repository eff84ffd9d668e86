#include "importers/jap1/csv_values.h"

#include <gtest/gtest.h>

#include <vector>

#include "test_support.h"

using trelvo::jap1::CsvValueReader;
using trelvo::testing::ScratchDir;
using trelvo::testing::WriteBytes;

TEST(Jap1CsvValues, ValuesRunAcrossLineEndsOfEveryKind) {
    ScratchDir dir;
    // A quote left open ends at its line end; a comma at a line end is followed by an empty
    // value; the last line needs no line end.
    WriteBytes(dir.File("v.txt"), "a, \"b,c\" x\r\n\"open,\rd,\ne");
    trelvo::text::ByteReader in(dir.File("v.txt"));
    CsvValueReader r(in);
    struct Want {
        const char* text;
        bool open;
        long long line;
    } want[] = {{"a", true, 1}, {"b,cx", false, 1}, {"open,", false, 2},
                {"d", true, 3}, {"", false, 3},     {"e", false, 4}};
    std::string v;
    for (const Want& w : want) {
        ASSERT_TRUE(r.Next(v)) << w.text;
        EXPECT_EQ(v, w.text);
        EXPECT_EQ(r.LineOpen(), w.open) << w.text;
        EXPECT_EQ(r.LineNumber(), w.line) << w.text;
    }
    EXPECT_FALSE(r.Next(v));
}

TEST(Jap1CsvValues, HeadersBlankLinesAndTheEndOfTheFile) {
    ScratchDir dir;
    WriteBytes(dir.File("v.txt"), "h1,\"a\r\nh2\r\n\r\n  \r\nx,y\r\n\r\n");
    trelvo::text::ByteReader in(dir.File("v.txt"));
    CsvValueReader r(in);
    ASSERT_TRUE(r.SkipLine());  // an open quote in a header line does not reach into the next
    ASSERT_TRUE(r.SkipLine());
    ASSERT_TRUE(r.StartRecord());
    EXPECT_EQ(r.LineNumber(), 5);
    std::string v;
    ASSERT_TRUE(r.Next(v));
    EXPECT_EQ(v, "x");
    EXPECT_EQ(r.DropRestOfLine(), "y");
    EXPECT_FALSE(r.StartRecord());
    EXPECT_FALSE(r.Next(v));
    EXPECT_FALSE(r.SkipLine());
}
