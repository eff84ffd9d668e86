#include "importers/zlog/zlo_file.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/errors.h"
#include "importers/zlog/zlog_import.h"
#include "test_support.h"
#include "zlo_bytes.h"

using namespace trelvo::zlog;
using trelvo::testing::ScratchDir;
using trelvo::testing::WriteBytes;
using trelvo::testing::ZloFields;
using trelvo::testing::ZloHeaderBytes;
using trelvo::testing::ZloRecordBytes;

TEST(ZloFile, HeaderKindTimeBaseAndContestName) {
    // The contest name keeps what follows a NUL inside it, without the NUL.
    std::string h = ZloHeaderBytes(true, std::string("ALL\0JA", 6));
    ZloHeader p = ParseZloHeader(h);
    EXPECT_EQ(p.kind, ZloKind::Zlo);
    EXPECT_EQ(p.timeBase, "J");
    EXPECT_EQ(p.contestName, "ALLJA");

    h[84] = '\xFD', h[85] = '\xE4';  // reversed order
    EXPECT_EQ(ParseZloHeader(h).timeBase, "U");
    EXPECT_EQ(ParseZloHeader(h.substr(0, 85)).timeBase, "U");  // too short to hold the marker
    EXPECT_EQ(ParseZloHeader("").contestName, "");

    h = ZloHeaderBytes(true, "6m AND DOWN", 1234);
    p = ParseZloHeader(h);
    EXPECT_EQ(p.kind, ZloKind::Zlox);
    EXPECT_EQ(p.zloxCount, 1234u);
    EXPECT_EQ(p.timeBase, "J");
    EXPECT_EQ(p.contestName, "6m AND DOWN");

    h[175] = '\xFF';  // a length beyond the record is cut at 80 bytes
    EXPECT_EQ(ParseZloHeader(h.substr(0, 256)).contestName.size(), 11u);
}

TEST(ZloFile, LengthBytesNeverReachPastTheirFields) {
    ZloFields f;
    f.call = "JA1ABCDEFGHIJKLMN";
    f.callLen = 255;
    f.rcvNum = "12345678901234567890";
    f.rcvLen = 20;
    f.memo = std::string(80, 'M');
    f.memoLen = 255;
    ZloRecord r;
    DecodeZloRecord(ZloRecordBytes(f), ZloKind::Zlo, r);
    EXPECT_EQ(r.call, "JA1ABCDEFGHI");
    EXPECT_EQ(r.rcvNum, "1234567890123456");
    EXPECT_EQ(r.memo, std::string(80, 'M'));
    EXPECT_EQ(r.memoLengthByte, 255u);

    // An extended record's memo stops at byte 256 too, before the frequency.
    f.freq = "7025.0";
    DecodeZloRecord(ZloRecordBytes(f, true), ZloKind::Zlox, r);
    EXPECT_EQ(r.memo, std::string(80, 'M'));
    EXPECT_EQ(r.freqKhz, "7025.0");
}

TEST(ZloFile, TheWalkSkipsTheHeaderAndAShortTailInLargeFiles) {
    ScratchDir dir;
    // Enough records to cross the reader's block boundary, then 100 bytes of tail.
    std::string bytes = ZloHeaderBytes(false);
    const int n = 5000;
    for (int i = 0; i < n; ++i) {
        ZloFields f;
        f.call = "JA" + std::to_string(i);
        bytes += ZloRecordBytes(f);
    }
    WriteBytes(dir.File("big.ZLO"), bytes + std::string(100, 'x'));
    ZloReader reader(dir.File("big.ZLO"));
    EXPECT_EQ(reader.ContactCount(), n);
    EXPECT_EQ(reader.TailBytes(), 100);
    ZloRecord r;
    int seen = 0;
    while (reader.Next(r)) {
        ASSERT_EQ(r.call, "JA" + std::to_string(seen)) << reader.Number();
        ++seen;
    }
    EXPECT_EQ(seen, n);
    EXPECT_EQ(reader.Number(), n);
}

TEST(ZloFile, FrequencyTextsInMhz) {
    const std::pair<const char*, const char*> cases[] = {
        {"7025.0", "7.025"},
        {"14080", "14.080"},
        {"1910.25", "1.91025"},
        {"135.7", "0.1357"},
        {"1", "0.001"},
        {"050313", "50.313"},
        {" 7025 ", "7.025"},
        {"10489550.0", "10489.550"},
        {"", ""},
        {"7,025", ""},
        {"7.0.1", ""},
        {"abc", ""},
    };
    for (const auto& [khz, mhz] : cases) EXPECT_EQ(KhzTextToMhz(khz), mhz) << khz;
    EXPECT_EQ(BandText(-1), "");  // (the bands of the file's byte are in every zLog case)
}

TEST(ZloFile, OleDatesToTheSecondWithinTheYears100To9999) {
    struct Case {
        double v;
        const char* want;  // "yyyy/mm/dd hh:mm:ss" or nullptr
    } cases[] = {
        {0.0, "1899/12/30 00:00:00"},
        {45444.5, "2024/06/01 12:00:00"},
        {45444.999999, "2024/06/02 00:00:00"},  // rounds into the next day
        {-1.25, "1899/12/29 06:00:00"},         // the fraction counts forward from the day
        {-657434.0, "0100/01/01 00:00:00"},
        {2958465.999, "9999/12/31 23:58:34"},
        {-657434.5, nullptr},
        {2958466.0, nullptr},
        {std::nan(""), nullptr},
        {-INFINITY, nullptr},
        {1e300, nullptr},
    };
    for (const Case& c : cases) {
        const auto t = OleDateToDateTime(c.v);
        if (!c.want) {
            EXPECT_FALSE(t.has_value()) << c.v;
            continue;
        }
        ASSERT_TRUE(t.has_value()) << c.v;
        char buf[40];
        std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d:%02d", t->year, t->month, t->day, t->hour,
                      t->minute, t->second);
        EXPECT_STREQ(buf, c.want) << c.v;
    }
}
