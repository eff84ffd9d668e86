#include "text/chars.h"

#include <gtest/gtest.h>

using namespace trelvo::text;

TEST(Chars, CountsAndCutsInCharacters) {
    const std::string s = "JA1ABC山田";
    EXPECT_EQ(CharCount(s), 8u);
    EXPECT_EQ(CharLeft(s, 7), "JA1ABC山");
    EXPECT_EQ(CharLeft(s, 99), s);
    EXPECT_EQ(CharRight(s, 2), "山田");
    EXPECT_EQ(CharMid(s, 3, 4), "1ABC");
    EXPECT_EQ(CharMid(s, 7), "山田");
    EXPECT_EQ(CharMid(s, 20), "");
    EXPECT_EQ(CharMid(s, 0, 2), "JA");  // a start before the first character is the first
    EXPECT_EQ(CharFit("山", 3), "山  ");
    EXPECT_EQ(CharFit("山田", 3), "山田 ");
    EXPECT_EQ(CharFit("ABCD", 3), "ABC");
}

TEST(Chars, UpperCaseLeavesJapaneseAlone) {
    EXPECT_EQ(ToUpper("ja1abc/qrp"), "JA1ABC/QRP");
    EXPECT_EQ(ToUpper("ｊａ１"), "ＪＡ１");
    // ソ is 83 5C in CP932 and E3 82 BD in UTF-8: nothing in it may change.
    EXPECT_EQ(ToUpper("ソフトa"), "ソフトA");
    EXPECT_EQ(ToUpper("ﾃﾞｰﾀ"), "ﾃﾞｰﾀ");
}

TEST(Chars, TrimAndSplit) {
    EXPECT_EQ(Trim("  a b  "), "a b");
    EXPECT_EQ(TrimBlanks("\t a\r\n"), "a");
    EXPECT_EQ(ReplaceAll("a/QRP/b/QRP", "/QRP", ""), "a/b");
    auto parts = Split("a,,b", ',');
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[1], "");
    EXPECT_EQ(Split("", ',').size(), 1u);
    EXPECT_TRUE(EqualsNoCase("QslCfg", "QSLCFG"));
    EXPECT_FALSE(EqualsNoCase("QSLcfg", "QSLcf"));
    EXPECT_FALSE(EqualsNoCase(std::string_view("QSL\0", 4), "QSL"));  // a field padded with NUL
}
