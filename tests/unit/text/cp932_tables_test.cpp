// The table conversions must give exactly what the platform's converter gives, for good and
// bad input alike, including the count of what could not be carried over.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "text/cp932.h"
#include "text/cp932_platform.h"

using namespace trelvo::text;

namespace {

// The fast conversion and the platform's agree on `in`: the text and the count of bad input.
::testing::AssertionResult Same(bool decode, const std::string& in) {
    ConversionStats a, b;
    const std::string fast = decode ? Cp932ToUtf8(in, &a) : Utf8ToCp932(in, &a);
    const std::string platform =
        decode ? detail::PlatformCp932ToUtf8(in, &b) : detail::PlatformUtf8ToCp932(in, &b);
    if (fast == platform && a.invalid == b.invalid) return ::testing::AssertionSuccess();
    std::string hex;
    for (unsigned char c : in) hex += " " + std::to_string(c);
    return ::testing::AssertionFailure()
           << (decode ? "decoding" : "encoding") << hex << ": " << a.invalid << " vs " << b.invalid << " bad"
           << (fast == platform ? "" : ", texts differ");
}
::testing::AssertionResult SameDecode(const std::string& bytes) {
    return Same(true, bytes);
}
::testing::AssertionResult SameEncode(const std::string& utf8) {
    return Same(false, utf8);
}

std::string Bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list) s += static_cast<char>(b);
    return s;
}

}  // namespace

TEST(Cp932Tables, DecodeEveryByteAndPairLikeThePlatform) {
    for (int b = 0; b < 256; ++b) {
        ASSERT_TRUE(SameDecode(Bytes({b})));
        ASSERT_TRUE(SameDecode(Bytes({'A', b})));
        for (int t = 0; t < 256; ++t) ASSERT_TRUE(SameDecode(Bytes({b, t, 'A'})));
    }
}

TEST(Cp932Tables, EncodeEveryCharacterAndBadUtf8LikeThePlatform) {
    std::string u;
    for (std::uint32_t cp = 0x80; cp < 0x10000; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        u.clear();
        if (cp < 0x800) {
            u += static_cast<char>(0xC0 | (cp >> 6));
        } else {
            u += static_cast<char>(0xE0 | (cp >> 12));
            u += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        }
        u += static_cast<char>(0x80 | (cp & 0x3F));
        ASSERT_TRUE(SameEncode(u + "A"));
    }
    std::vector<std::uint32_t> outside;  // a sample of the other planes, and the tag characters
    for (std::uint32_t cp = 0x10000; cp <= 0x10FFFF; cp += 997) outside.push_back(cp);
    for (std::uint32_t cp = 0xDFFF0; cp < 0xE0090; ++cp) outside.push_back(cp);
    for (std::uint32_t cp : outside)
        ASSERT_TRUE(SameEncode(
            Bytes({0xF0 | static_cast<int>(cp >> 18), 0x80 | static_cast<int>((cp >> 12) & 0x3F),
                   0x80 | static_cast<int>((cp >> 6) & 0x3F), 0x80 | static_cast<int>(cp & 0x3F)})));
    // Bytes that are not UTF-8: stray and truncated forms, overlong forms, surrogates, values
    // past U+10FFFF, followed by ASCII or by more non-ASCII bytes.
    for (int b1 = 0x80; b1 < 0x100; ++b1) {
        ASSERT_TRUE(SameEncode(Bytes({b1})));
        for (int b2 = 0; b2 < 0x100; ++b2) {
            ASSERT_TRUE(SameEncode(Bytes({b1, b2, 'A'})));
            if (b1 >= 0xE0) {
                for (int b3 : {0x41, 0x80, 0xBF, 0xC0}) ASSERT_TRUE(SameEncode(Bytes({b1, b2, b3})));
            }
            if (b1 >= 0xF0) {
                for (int b4 : {0x41, 0x80, 0xE3}) ASSERT_TRUE(SameEncode(Bytes({b1, b2, 0x80, b4, 'B'})));
            }
        }
    }
}

TEST(Cp932Tables, RandomTextLikeThePlatform) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> byte(0, 255), len(1, 24);
    for (int round = 0; round < 20000; ++round) {
        std::string s;
        const int n = len(rng);
        for (int i = 0; i < n; ++i) s += static_cast<char>(byte(rng));
        ASSERT_TRUE(SameDecode(s));
        ASSERT_TRUE(SameEncode(s));
        ASSERT_TRUE(SameEncode(Cp932ToUtf8(s)));
    }
}

TEST(Cp932Tables, RecoderGivesWhatTheRoundTripGives) {
    // Every byte and pair, alone and between others, and random bytes: the bytes, the
    // characters written as '?' and the bytes that are not CP932 as Cp932RecodeAppend counts
    // them, learnt from the platform and from the tables.
    Cp932Recoder fromPlatform(true), fromTables;
    const auto same = [&](const std::string& in) {
        std::string want = "x";
        ConversionStats a, b;
        Cp932RecodeAppend(in, want, &a, &b);
        for (Cp932Recoder* r : {&fromPlatform, &fromTables}) {
            ConversionStats c, d;
            std::string got = "x";
            r->Append(in, got, &c, &d);
            if (got != want || a.invalid != c.invalid || b.invalid != d.invalid) return false;
        }
        return true;
    };
    for (int b = 0; b < 256; ++b) {
        ASSERT_TRUE(same(Bytes({b})));
        for (int t = 0; t < 256; ++t) {
            ASSERT_TRUE(same(Bytes({b, t}))) << b << " " << t;
            ASSERT_TRUE(same(Bytes({0x82, 0xA0, b, t, 'A'}))) << b << " " << t;
        }
    }
    std::mt19937 rng(9);
    for (int round = 0; round < 20000; ++round) {
        std::string s;
        for (int i = static_cast<int>(rng() % 24); i > 0; --i) s += static_cast<char>(rng() % 256);
        ASSERT_TRUE(same(s));
    }
}
