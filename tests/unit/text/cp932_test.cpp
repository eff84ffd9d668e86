#include "text/cp932.h"

#include <gtest/gtest.h>

#include "text/chars.h"

using namespace trelvo::text;

// 日本 in CP932 is 93 FA 96 7B; ﾃﾞｰﾀ (half-width) is one byte each: C3 DE B0 C0.
TEST(Cp932, RoundTripsJapaneseAndHalfWidthKana) {
    const std::string cp =
        "\x93\xFA\x96\x7B"
        "\xC3\xDE\xB0\xC0"
        "ABC";
    const std::string u = Cp932ToUtf8(cp);
    EXPECT_EQ(u, "日本ﾃﾞｰﾀABC");
    EXPECT_EQ(Utf8ToCp932(u), cp);
    EXPECT_EQ(Cp932ByteLength(u), 11u);
    EXPECT_EQ(CharCount(u), 9u);
    // Backslash and tilde stay ASCII (no yen-sign mapping in either direction).
    EXPECT_EQ(Cp932ToUtf8("C:\\LOG~1"), "C:\\LOG~1");
    EXPECT_EQ(Utf8ToCp932("C:\\LOG~1"), "C:\\LOG~1");

    // Decoding into a reused string: what was there goes, a longer line after a shorter one and
    // back, an ASCII line, and a view of the string itself.
    std::string into = "left over from the last line";
    Cp932ToUtf8Into(cp, into);
    EXPECT_EQ(into, u);
    Cp932ToUtf8Into("AB", into);
    EXPECT_EQ(into, "AB");
    Cp932ToUtf8Into(cp + cp, into);
    EXPECT_EQ(into, u + u);
    std::string self = cp;
    Cp932ToUtf8Into(std::string_view(self).substr(4, 4), self);
    EXPECT_EQ(self, "ﾃﾞｰﾀ");
    ConversionStats stats;
    Cp932ToUtf8Into("\x81", into, &stats);
    EXPECT_EQ(into, "\uFFFD");
    EXPECT_EQ(stats.invalid, 1u);
}

// (Bad bytes and characters CP932 lacks are compared with the platform's converter in the table
// tests; that they come out as visible replacements, counted, is checked through the importers.)
TEST(Cp932, LeadByteRuleCut) {
    // 東京都 = 93 8C 8B 9E 93 73: three double-byte characters.
    EXPECT_EQ(Cp932CutLeadByteRule("東京都", 6), "東京都");
    EXPECT_EQ(Cp932CutLeadByteRule("東京都", 5), "東京");  // byte 5 is the lead byte 0x93
    EXPECT_EQ(Cp932CutLeadByteRule("東京都", 4), "東");    // byte 4 is 0x9E, a trail byte in lead range
    EXPECT_EQ(Cp932CutLeadByteRule("ABC", 2), "AB");
    EXPECT_EQ(Cp932CutLeadByteRule("ABC", 0), "");
    // 亜 = 88 9F: ends in a trail byte outside 0x81-0x9F? 0x9F is inside, so it goes too.
    EXPECT_EQ(Cp932CutLeadByteRule("亜", 2), "");
    // ｱ (half-width, 0xB1) is kept.
    EXPECT_EQ(Cp932CutLeadByteRule("ｱｲｳ", 2), "ｱｲ");
    // A cut before a lead byte of the 0xF0-0xFC range never leaves half a character.
    EXPECT_EQ(Cp932CutLeadByteRule(Cp932ToUtf8("A\xF0\x40"), 2), "A");
}

// The cut the converters use: whole characters that fit stay, whatever their last byte.
TEST(Cp932, CharacterBoundaryCut) {
    EXPECT_EQ(Cp932CutBytes("健一", 4), "健一");  // 8C 92 88 EA: the old rule dropped 一 (last byte 0xEA)
    EXPECT_EQ(Cp932CutBytes("大阪府大阪市北区", 16), "大阪府大阪市北区");
    EXPECT_EQ(Cp932CutBytes("東京都", 5), "東京");  // the third character would be divided
    EXPECT_EQ(Cp932CutBytes("Aｱ東", 3), "Aｱ");
    EXPECT_EQ(Cp932CutBytes("ABC", 0), "");
    EXPECT_EQ(Cp932CutBytes(Cp932ToUtf8("A\xF0\x40"), 2), "A");
    EXPECT_EQ(Cp932Cut("健一", 4, ByteCut::kLegacyLeadByte), "健");
    EXPECT_EQ(Cp932Cut("健一", 4, ByteCut::kCharacters), "健一");
}

TEST(Cp932, FitBytesCutsOrPads) {
    EXPECT_EQ(Cp932FitBytes("山田", 6), "山田  ");
    EXPECT_EQ(Cp932FitBytes("山田太郎一二三", 12), "山田太郎一二");
    EXPECT_EQ(Cp932FitBytes("A山田", 4), "A山 ");  // the divided 田 becomes a space
    EXPECT_EQ(Cp932ByteLength(Cp932FitBytes("A山田", 4)), 4u);
}

TEST(Cp932, Utf8Detection) {
    EXPECT_TRUE(LooksLikeUtf8("名前"));
    EXPECT_FALSE(LooksLikeUtf8("ascii only"));
    EXPECT_FALSE(LooksLikeUtf8(Utf8ToCp932("名前")));
    EXPECT_FALSE(LooksLikeUtf8("\xE6\x97"));  // truncated sequence
}
