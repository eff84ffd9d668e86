#include "importers/digipan/digipan_quick.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "csvout/station_rules.h"
#include "importers/digipan/digipan_import.h"
#include "importers/digipan/digipan_values.h"
#include "test_support.h"
#include "text/cp932.h"

using namespace trelvo::digipan;
using trelvo::testing::RecordingCallbacks;

namespace {

struct Conversion {
    DigipanResult result;
    RecordingCallbacks cb;
    std::string out, temp;  // the output (or what a cancel kept) and the work file
};

void Convert(const std::string& log, DigipanOptions o, bool quick, long long cancelAfter, Conversion& run) {
    trelvo::testing::ScratchDir dir;
    o.logPath = dir.File("Digipan.LOG");
    o.geneDataFolder = dir.Path();
    trelvo::testing::WriteBytes(o.logPath, log);
    o.quickLines = quick;
    run.cb.cancelAfter = cancelAfter;
    run.result = ConvertDigipanLog(o, run.cb);
    const std::string& kept = run.result.cancelled ? run.result.keptPath : run.result.outputPath;
    if (!kept.empty()) run.out = trelvo::testing::ReadBytes(kept);
    run.temp = trelvo::testing::ReadBytes(run.result.tempPath);
}

// Random contacts, mostly usual ones, with every kind of value the short way must either
// write as the general way does or leave to it.
class LogMaker {
public:
    // `usual`: only contacts the short way writes, so that its lines follow one another.
    LogMaker(unsigned seed, bool usual) : rng_(seed), usual_(usual) {}

    std::string Contact() {
        std::vector<std::string> v(20);
        for (int k = 0; k < 20; ++k) v[static_cast<std::size_t>(k)] = Pick(8) ? Word(4) : "";
        v[1] = Call();
        v[2] = Stamp();
        v[7] = Freq();
        v[10] = usual_ || Pick(10) ? "599" : Any();
        v[11] = usual_ || Pick(10) ? std::to_string(300 + Pick(300)) : Any();
        v[14] = Text();
        v[15] = Text();
        v[16] = Text();
        const int count = usual_ || Pick(40) ? 20
                          : Pick(2)          ? 19
                                             : 21;  // a line of another length shifts the rest
        std::string line;
        for (int k = 0; k < count; ++k) {
            if (k) line += ';';
            if (Pick(30) == 0) line += "  ";
            line += k < 20 ? v[static_cast<std::size_t>(k)] : "extra";
        }
        const int end = usual_ ? 60 : Pick(60);
        line += end == 0 ? "\n" : end == 1 ? "\r" : end == 2 ? "\r\n   \r\n" : "\r\n";
        return line;
    }

    int Pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

private:
    std::string Word(int most) {
        std::string w;
        for (int i = Pick(most + 1); i > 0; --i) w += static_cast<char>('a' + Pick(26));
        return w;
    }
    std::string Call() {
        static const char* const kHeads[] = {"JA", "JE",    "JS",     "7K",   "7N", "8J",  "8N",
                                             "JD", "JB",    "W",      "K",    "VK", "KH0", "ja",
                                             "7k", "8J1RL", "8J1ANT", "8J1R", "J",  "A,"};
        std::string c = kHeads[Pick(20)];
        c += std::to_string(Pick(10)) + Word(3);
        switch (usual_ ? 10 + Pick(2) : Pick(14)) {
            case 0:
                return c + "/" + std::to_string(Pick(10));
            case 1:
                return c + "/QRP";
            case 2:
                return c + "/qrp/1";
            case 3:
                return "W1AW/JA" + std::to_string(Pick(10));
            case 4:
                return "KH0/" + c;
            case 5:
                return "//QRPQRP" + c;
            case 6:
                return c + "/QRP/QRP";
            case 7:
                return c + "/" + kHeads[Pick(20)];
            case 8:
                return Pick(2) ? "" : "/";
            case 9:
                return trelvo::text::Utf8ToCp932("ＪＡ１ａｂｃ");
            default:
                return c;
        }
    }
    std::string Stamp() {
        const int kind = usual_ ? 6 : Pick(20);
        if (kind == 0) return Any();
        if (kind == 1) return "2024022930" + std::to_string(Pick(100));  // not a time
        if (kind == 2) return std::to_string(190001010000LL + Pick(1000));
        if (kind == 3) return "20240101";
        static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        const int year = 1925 + Pick(110), month = 1 + Pick(12);
        const int day = usual_    ? 1 + Pick(kDays[month - 1])
                        : Pick(3) ? 1 + Pick(kDays[month - 1] + 1)
                                  : kDays[month - 1] - Pick(2);  // month ends, and days past them
        const int hour = Pick(3) ? Pick(24) : 14 + Pick(10), minute = Pick(60);
        char s[32];
        std::snprintf(s, sizeof s, "%04d%02d%02d%02d%02d", year, month, day, hour, minute);
        return std::string(s) + (kind == 4 ? "59" : kind == 5 ? "x" : "");
    }
    std::string Freq() {
        switch (usual_ ? 8 : Pick(16)) {
            case 0:
                return Any();
            case 1:
                return "7025";
            case 2:
                return "135.7000";
            case 3:
                return "1e300kHz";
            case 4:
                return std::to_string(Pick(1000000)) + std::to_string(Pick(1000000)) + ".000";
            case 5:
                return "7,025.000";
            case 6:
                return trelvo::text::Utf8ToCp932("７０２５.000");
            case 7:
                return "";
            default:
                return std::to_string(Pick(3) ? 1800 + Pick(60000) : Pick(1200)) + "." +
                       std::to_string(100 + Pick(900));
        }
    }
    // Bytes that only travel: ASCII, Japanese, half-width kana, characters with two codes,
    // bytes that are not CP932, quotes, commas, NULs, long ones.
    std::string Text() {
        static const char* const kPieces[] = {"Tokyo",
                                              "Joe, Ann",
                                              "\x93\x8C\x8B\x9E",  // 東京
                                              "\xB6\xC0\xB6\xC5",  // ｶﾀｶﾅ
                                              "\x87\x90",
                                              "\xED\x40",
                                              "\xFA\x55",
                                              "\x81\x5F",
                                              "\x80",
                                              "\xFD",
                                              "\x82",
                                              "\xA0",
                                              " ",
                                              "\"",
                                              "\xEF\x40"};
        std::string t;
        for (int i = Pick(4); i > 0; --i) t += kPieces[Pick(usual_ ? 4 : 15)];
        if (usual_) return t;
        if (Pick(50) == 0) t += std::string(1, '\0');
        if (Pick(100) == 0) t += std::string(static_cast<std::size_t>(300 + Pick(900)), 'L');
        if (Pick(200) == 0) t += "\"open\r\nover\r\nlines\"";
        return t;
    }
    std::string Any() {
        std::string b;
        for (int i = Pick(8); i > 0; --i) b += static_cast<char>(Pick(256));
        return b;
    }

    std::mt19937 rng_;
    bool usual_;
};

}  // namespace

TEST(DigipanQuick, WritesWhatTheGeneralWayWritesOnRandomLogs) {
    // The same logs converted the short way and the general way: the same lines, warnings,
    // counts and marks, with every option, over read blocks, and when cancelled.
    int rounds = 0;
    for (unsigned seed = 0; seed <= 48; ++seed) {
        LogMaker make(seed, seed == 0);
        std::string log;
        const std::size_t contacts = seed <= 1 ? 30000 : 40 + static_cast<std::size_t>(make.Pick(300));
        for (std::size_t i = 0; i < contacts; ++i) log += make.Contact();
        if (make.Pick(4) == 0)
            log.resize(log.size() - static_cast<std::size_t>(make.Pick(40)));  // a ragged end
        DigipanOptions o;
        o.jstForJa = make.Pick(3) != 0;
        o.freqFormat = make.Pick(2) ? FreqFormat::WholeMhz : FreqFormat::MhzThreeDecimals;
        static const char* const kMarks[] = {"J", "*", "", "済み", "ＱＳＬ", "\xF0\x9F\x98\x80", "ab"};
        o.qslIssue = make.Pick(2) != 0;
        o.issueMark = kMarks[make.Pick(7)];
        o.qslSent = make.Pick(2) != 0;
        o.sentMark = kMarks[make.Pick(7)];
        const long long cancelAfter = make.Pick(5) == 0 ? make.Pick(static_cast<int>(contacts)) : -1;
        Conversion quick, general;
        Convert(log, o, true, cancelAfter, quick);
        Convert(log, o, false, cancelAfter, general);
        ASSERT_EQ(quick.out, general.out) << "seed " << seed;
        EXPECT_EQ(quick.temp, general.temp) << "seed " << seed;
        EXPECT_EQ(quick.cb.warnings, general.cb.warnings) << "seed " << seed;
        EXPECT_EQ(quick.cb.progress, general.cb.progress) << "seed " << seed;
        EXPECT_EQ(quick.result.contacts, general.result.contacts) << "seed " << seed;
        EXPECT_EQ(quick.result.cancelled, general.result.cancelled) << "seed " << seed;
        EXPECT_EQ(quick.result.warnings, general.result.warnings) << "seed " << seed;
        EXPECT_EQ(quick.result.issueMark, general.result.issueMark) << "seed " << seed;
        EXPECT_EQ(quick.result.sentMark, general.result.sentMark) << "seed " << seed;
        if (cancelAfter < 0) {  // in memory, as the fuzzer runs it, the same lines
            const std::string_view bytes(log);
            std::string sink;
            o.logBytes = &bytes;
            o.outputSink = &sink;
            trelvo::NullCallbacks none;
            ConvertDigipanLog(o, none);
            EXPECT_EQ(sink, quick.out) << "seed " << seed;
        }
        rounds += quick.result.contacts > 0;
    }
    EXPECT_GT(rounds, 40);
}

TEST(DigipanQuick, StationAndJstAgreeWithTheSharedRules) {
    // Every short call from a small alphabet, and stamps at the ends of days, months and years.
    const std::string letters = "JAKS78NR1/QPLx";
    std::vector<std::string> calls = {""};
    for (std::size_t len = 1; len <= 4; ++len) {
        std::vector<std::string> longer;
        for (const std::string& c : calls)
            if (c.size() == len - 1)
                for (char l : letters) longer.push_back(c + l);
        calls.insert(calls.end(), longer.begin(), longer.end());
    }
    for (const char* c : {"8J1RL", "8J1ANT", "8J1RL/P", "JA1ABC/QRP/1", "W1AW/JA1", "KH0/JA1ABC", "//QRPQRP"})
        calls.emplace_back(c);
    for (const std::string& call : calls) {
        trelvo::csvout::HamlogCsvRecord r;
        trelvo::csvout::ClassifyStation(call, false, r);
        char out[16];
        bool ja = false;
        const char* const end = QuickStation(call, out, ja);
        ASSERT_EQ(std::string_view(out, static_cast<std::size_t>(end - out)), r.Call) << call;
        ASSERT_EQ(ja ? "0" : "8", r.StationClass) << call;
    }
    for (int year : {1930, 1999, 2000, 2024, 2029, 2030}) {
        for (int month = 1; month <= 12; ++month) {
            for (int day : {1, 28, 29, 30, 31}) {
                for (int hm : {0, 1459, 1500, 2359}) {
                    char stamp[16];
                    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%04d", year, month, day, hm);
                    if (!IsDigipanStamp(stamp)) continue;
                    trelvo::csvout::HamlogCsvRecord r;
                    SetDateTimeFromStamp(stamp, r);
                    trelvo::csvout::ToJst(r);
                    char date[10], time[5];
                    ASSERT_TRUE(QuickJst(stamp, date, time)) << stamp;
                    ASSERT_EQ(std::string(date, 10) + " " + std::string(time, 5) + "J", r.Date + " " + r.Time)
                        << stamp;
                }
            }
        }
    }
}
