// The converters look characters up in tables built from iconv; every answer must be the one
// a plain iconv run over the same text gives (invalid input included).
#ifndef _WIN32
#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <random>

#include "text/cp932.h"

using namespace trelvo::text;

namespace {

// A plain iconv run: on a byte sequence it cannot convert, `skip` says how many bytes to
// drop and `sub` is written instead.
template <typename Skip>
std::string Reference(const char* to, const char* from, std::string_view in, std::string_view sub, Skip skip,
                      std::size_t* invalid) {
    iconv_t cd = iconv_open(to, from);
    std::string out;
    char* inp = const_cast<char*>(in.data());
    std::size_t left = in.size();
    while (left > 0) {
        char buf[4096];
        char* outp = buf;
        std::size_t outLeft = sizeof buf;
        std::size_t r = iconv(cd, &inp, &left, &outp, &outLeft);
        const int err = errno;
        out.append(buf, sizeof buf - outLeft);
        if (r != static_cast<std::size_t>(-1)) break;
        if (err == E2BIG) continue;
        std::size_t n = skip(inp, left);
        inp += n;
        left -= n;
        out += sub;
        ++*invalid;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

std::string RefDecode(std::string_view cp932, std::size_t* invalid) {
    return Reference(
        "UTF-8", "CP932", cp932, "\xEF\xBF\xBD", [](const char*, std::size_t) { return std::size_t{1}; },
        invalid);
}

std::string RefEncode(std::string_view utf8, std::size_t* invalid) {
    return Reference(
        "CP932", "UTF-8", utf8, "?",
        [](const char* p, std::size_t left) {
            auto b = static_cast<unsigned char>(*p);
            std::size_t n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
            if (n > left) n = left;
            for (std::size_t i = 1; i < n; ++i)
                if ((static_cast<unsigned char>(p[i]) & 0xC0) != 0x80) return i;
            return n;
        },
        invalid);
}

std::string Utf8Of(unsigned cp) {
    std::string s;
    if (cp < 0x80)
        s += static_cast<char>(cp);
    else if (cp < 0x800)
        s += {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))};
    else if (cp < 0x10000)
        s += {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
              static_cast<char>(0x80 | (cp & 0x3F))};
    else
        s += {static_cast<char>(0xF0 | (cp >> 18)), static_cast<char>(0x80 | ((cp >> 12) & 0x3F)),
              static_cast<char>(0x80 | ((cp >> 6) & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
    return s;
}

}  // namespace

TEST(Cp932Tables, EveryByteAndPairDecodesAsIconvDoes) {
    for (int a = 0x80; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            // The pair between two ASCII letters, so a lone byte's neighbours are seen too.
            const std::string in{'A', static_cast<char>(a), static_cast<char>(b), 'Z'};
            std::size_t refInvalid = 0;
            ConversionStats stats;
            ASSERT_EQ(Cp932ToUtf8(in, &stats), RefDecode(in, &refInvalid)) << std::hex << a << " " << b;
            ASSERT_EQ(stats.invalid, refInvalid) << std::hex << a << " " << b;
        }
        const std::string end{'A', static_cast<char>(a)};
        std::size_t refInvalid = 0;
        ASSERT_EQ(Cp932ToUtf8(end), RefDecode(end, &refInvalid)) << std::hex << a;
    }
}

TEST(Cp932Tables, EveryCharacterEncodesAsIconvDoes) {
    for (unsigned cp = 0x80; cp < 0x10000; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        const std::string in = "a" + Utf8Of(cp) + "z";
        std::size_t refInvalid = 0;
        ConversionStats stats;
        ASSERT_EQ(Utf8ToCp932(in, &stats), RefEncode(in, &refInvalid)) << std::hex << cp;
        ASSERT_EQ(stats.invalid, refInvalid) << std::hex << cp;
    }
    for (unsigned cp : {0x10000u, 0x1F600u, 0x10FFFFu}) {
        std::size_t refInvalid = 0;
        EXPECT_EQ(Utf8ToCp932("a" + Utf8Of(cp)), RefEncode("a" + Utf8Of(cp), &refInvalid));
    }
}

TEST(Cp932Tables, MixedAndBrokenTextAsIconv) {
    std::mt19937 rng(7);
    const std::string pieces[] = {"東京",
                                  "ｱｲ",
                                  "abc",
                                  "\x80",
                                  "\xFF",
                                  "\xC0\x80",
                                  "\xED\xA0\x80",
                                  "\xE6\x9D",
                                  "😀",
                                  "€",
                                  "\xF4\x90\x80\x80",
                                  "①",
                                  "\x82",
                                  "\x82\xA0",
                                  "髙"};
    for (int round = 0; round < 3000; ++round) {
        std::string u;
        for (int k = 0; k < 6; ++k) u += pieces[rng() % std::size(pieces)];
        std::size_t a = 0;
        ConversionStats s1, s2;
        ASSERT_EQ(Utf8ToCp932(u, &s1), RefEncode(u, &a)) << u;
        ASSERT_EQ(s1.invalid, a);
        std::size_t b = 0;
        ASSERT_EQ(Cp932ToUtf8(u, &s2), RefDecode(u, &b));
        ASSERT_EQ(s2.invalid, b);
    }
}
#endif
