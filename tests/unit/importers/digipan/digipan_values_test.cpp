#include "importers/digipan/digipan_values.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "test_support.h"

using namespace trelvo::digipan;
using trelvo::testing::ReadBytes;
using trelvo::testing::ScratchDir;
using trelvo::testing::WriteBytes;

namespace {

struct Read {
    std::string value;
    ValueInfo info;
};

std::vector<Read> ReadAll(const std::string& path) {
    ValueStream s(path);
    std::vector<Read> out;
    Read r;
    while (s.Next(r.value, r.info)) out.push_back(r);
    return out;
}

std::vector<std::string> Values(const std::vector<Read>& reads) {
    std::vector<std::string> v;
    for (const Read& r : reads) v.push_back(r.value);
    return v;
}

}  // namespace

TEST(DigipanSeparators, LineEndSplitAcrossReadBlocksAndCancel) {
    ScratchDir dir;
    // The CR of a CR LF is the last byte of the first 1 MiB block, its LF the first of the next.
    const std::size_t block = 1 << 20;
    std::string log(block - 1, 'x');
    log += "\r\n;\r\n";
    WriteBytes(dir.File("in.LOG"), log);
    trelvo::NullCallbacks none;
    ASSERT_TRUE(NormaliseSeparators(dir.File("in.LOG"), dir.File("temp.dat"), none));
    EXPECT_EQ(ReadBytes(dir.File("temp.dat")), std::string(block - 1, 'x') + "\r\n,\r\n");

    // Polled before each line: a cancel at the poll after k lines leaves those k lines, also
    // when lines run over from one block into the next.
    std::string lines, copied;
    std::vector<std::size_t> ends;
    for (int k = 0; lines.size() < 3 * block; ++k) {
        const std::string pad(static_cast<std::size_t>(900 + k % 200), 'p');
        lines += std::to_string(k) + ";" + pad + "\r\n";
        copied += std::to_string(k) + "," + pad + "\r\n";
        ends.push_back(copied.size());
    }
    WriteBytes(dir.File("in.LOG"), lines);
    for (std::size_t k : {std::size_t{0}, std::size_t{2}, std::size_t{1000}, std::size_t{1040},
                          std::size_t{2100}, ends.size() - 1}) {
        trelvo::testing::RecordingCallbacks cancel;
        cancel.cancelAfterPolls = static_cast<long long>(k);
        EXPECT_FALSE(NormaliseSeparators(dir.File("in.LOG"), dir.File("temp.dat"), cancel));
        EXPECT_EQ(ReadBytes(dir.File("temp.dat")), copied.substr(0, k ? ends[k - 1] : 0)) << k;
    }
}

TEST(DigipanSeparators, MatchesThePlainRuleOnRandomLogs) {
    // The block step (sixteen bytes at a time) against the rule read plainly: every byte value,
    // every line end and mixes of them, blocks of only CR LF lines and blocks with others.
    std::mt19937 rng(5);
    const std::vector<std::string> pieces = {",",        ";",     "\r\n",  "\r",
                                             "\n",       "\n\r",  " ",     "abc;def,ghi",
                                             "\x82\xA0", "\x82;", "\x81,", "0123456789012345678901234567890"};
    trelvo::NullCallbacks none;
    for (int round = 0; round < 400; ++round) {
        std::string log;
        const bool crLfOnly = round % 2 == 0;
        const std::size_t count = rng() % 300;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t k = rng() % (pieces.size() + 2);
            if (k >= pieces.size())
                log += static_cast<char>(rng() % 256);
            else if (!crLfOnly || (k != 3 && k != 4 && k != 5))
                log += pieces[k];
        }
        if (crLfOnly) {  // bytes that are line ends only within CR LF
            std::string kept;
            for (std::size_t i = 0; i < log.size(); ++i) {
                if (log[i] == '\r' && i + 1 < log.size() && log[i + 1] == '\n') {
                    kept += "\r\n";
                    ++i;
                } else if (log[i] != '\r' && log[i] != '\n') {
                    kept += log[i];
                }
            }
            log = kept;
        }
        std::string plain;
        bool open = false;
        for (std::size_t i = 0; i < log.size(); ++i) {
            const char c = log[i];
            if (c == '\r' || c == '\n') {
                plain += "\r\n";
                open = false;
                if (c == '\r' && i + 1 < log.size() && log[i + 1] == '\n') ++i;
            } else {
                plain += c == ',' ? ' ' : c == ';' ? ',' : c;
                open = true;
            }
        }
        if (open) plain += "\r\n";
        std::string out;
        trelvo::text::Cp932LineWriter writer(out, "temp");
        const std::string_view bytes(log);
        ASSERT_TRUE(NormaliseSeparators("in.LOG", writer, none, &bytes));
        ASSERT_EQ(out, plain) << "round " << round;
    }
}

TEST(DigipanValues, ReadingRules) {
    ScratchDir dir;
    // Leading spaces skipped, trailing kept; a quoted value loses its quotes and what follows
    // them; a blank line holds nothing; a trailing comma gives an empty last value.
    WriteBytes(dir.File("t.dat"), "  a ,\"b,c\"x, \"\",d\r\n   \r\n\r\ne,\r\nf\n\"g");
    std::vector<Read> r = ReadAll(dir.File("t.dat"));
    EXPECT_EQ(Values(r), (std::vector<std::string>{"a ", "b,c", "", "d", "e", "", "f", "g"}));
    ASSERT_EQ(r.size(), 8u);
    EXPECT_EQ(r[3].info.line, 1);
    EXPECT_EQ(r[3].info.index, 4);
    EXPECT_TRUE(r[3].info.lastOnLine);
    EXPECT_FALSE(r[2].info.lastOnLine);
    EXPECT_EQ(r[4].info.line, 4);  // after the two blank lines
    EXPECT_EQ(r[4].info.index, 1);
    EXPECT_EQ(r[5].info.index, 2);
    EXPECT_TRUE(r[5].info.lastOnLine);
    EXPECT_EQ(r[6].info.line, 5);
    EXPECT_EQ(r[7].info.line, 6);  // an unclosed quote runs to the end of the file
    EXPECT_TRUE(r[7].info.lastOnLine);
    EXPECT_TRUE(r[7].info.unclosedQuote);
    EXPECT_FALSE(r[1].info.unclosedQuote);

    // A quoted value runs over line ends to its closing quote; the lines are still counted.
    WriteBytes(dir.File("q.dat"), "1,\"a\r\nb\r\nc\",2\r\n3\r\n");
    r = ReadAll(dir.File("q.dat"));
    EXPECT_EQ(Values(r), (std::vector<std::string>{"1", "a\r\nb\r\nc", "2", "3"}));
    EXPECT_EQ(r[1].info.line, 1);
    EXPECT_EQ(r[1].info.endLine, 3);
    EXPECT_EQ(r[2].info.line, 3);
    EXPECT_EQ(r[3].info.line, 4);

    WriteBytes(dir.File("e.dat"), "");
    EXPECT_TRUE(ReadAll(dir.File("e.dat")).empty());
    WriteBytes(dir.File("c.dat"), "x,");
    EXPECT_EQ(Values(ReadAll(dir.File("c.dat"))), (std::vector<std::string>{"x", ""}));
}

TEST(DigipanValues, ValuesAndLineEndsAcrossReadBlocks) {
    // Lines of varying length with every kind of value and line end, over several 1 MiB
    // blocks, so that block ends fall inside values, quotes and CR LF pairs.
    ScratchDir dir;
    std::string file;
    std::vector<std::string> want;
    std::vector<long long> wantLine;
    const char* ends[] = {"\r\n", "\n", "\r"};
    long long line = 1;
    for (int k = 0; file.size() < 5u * (1 << 19); ++k) {
        const std::string pad(static_cast<std::size_t>(k % 13), 'p');
        file += std::to_string(k) + ",  " + pad + ",\"q," + pad + "\r\n" + std::to_string(k) + "\"tail," +
                ends[k % 3];
        for (const std::string& v :
             {std::to_string(k), pad, "q," + pad + "\r\n" + std::to_string(k), std::string()})
            want.push_back(v);
        for (long long l : {line, line, line, line + 1}) wantLine.push_back(l);
        line += 2;
    }
    WriteBytes(dir.File("big.dat"), file);
    std::vector<Read> r = ReadAll(dir.File("big.dat"));
    ASSERT_EQ(r.size(), want.size());
    for (std::size_t i = 0; i < r.size(); ++i) {
        ASSERT_EQ(r[i].value, want[i]) << "value " << i;
        ASSERT_EQ(r[i].info.line, wantLine[i]) << "value " << i;
        ASSERT_EQ(r[i].info.lastOnLine, i % 4 == 3) << "value " << i;
    }
}

TEST(DigipanValues, EachByteOfALineAtTheEndOfAReadBlock) {
    // A first line that fills the block up to `shift` bytes before its end, then lines with a
    // quoted value, text after a closing quote and CR LF pairs: for every shift the block ends
    // after another of their bytes, and the values and their lines stay the same.
    const std::string tail = "a,\"q,r\"tail,b\r\n\"c\"d\r\ne\r\n";
    const std::vector<std::string> want{"a", "q,r", "b", "c", "e"};
    const std::vector<long long> wantLine{2, 2, 2, 3, 4};
    for (std::size_t shift = 1; shift <= tail.size(); ++shift) {
        const std::string bytes = std::string((1u << 20) - shift - 2, 'p') + "\r\n" + tail;
        const std::string_view view(bytes);
        ValueStream s("block.dat", &view);
        Read r;
        ASSERT_TRUE(s.Next(r.value, r.info));
        for (std::size_t i = 0; i < want.size(); ++i) {
            ASSERT_TRUE(s.Next(r.value, r.info)) << "shift " << shift;
            EXPECT_EQ(r.value, want[i]) << "shift " << shift;
            EXPECT_EQ(r.info.line, wantLine[i]) << "shift " << shift << ", value " << i;
        }
        EXPECT_FALSE(s.Next(r.value, r.info)) << "shift " << shift;
    }
}

TEST(DigipanValues, DateAndTimeTexts) {
    // Too short: the missing positions are empty, the separators stay; longer: the rest is unused.
    const std::pair<const char*, const char*> stamps[] = {{"202405011203", "24/05/01 12:03U"},
                                                          {"20240501120345", "24/05/01 12:03U"},
                                                          {"2024050112", "24/05/01 12:U"},
                                                          {"2024", "24// : U"},
                                                          {"", " : U"}};
    for (const auto& [stamp, want] : stamps) {
        trelvo::csvout::HamlogCsvRecord r;
        SetDateTimeFromStamp(stamp, r);
        EXPECT_EQ(r.Date + " " + r.Time, want) << stamp;
    }
    for (const char* good : {"202402291259", "200001010000"}) EXPECT_TRUE(IsDigipanStamp(good)) << good;
    for (const char* bad :
         {"202302291200", "202404311200", "202401012400", "202401011260", "20240101120", "2024-01-0112", ""})
        EXPECT_FALSE(IsDigipanStamp(bad)) << bad;
    // Any byte at any place of 2010/01/01 10:10: the digits that still give a date and time.
    const char* const lowest = "000001010000";
    const char* const highest = "999919392959";
    for (std::size_t at = 0; at < 12; ++at) {
        for (int b = 0; b < 256; ++b) {
            std::string stamp = "201001011010";
            stamp[at] = static_cast<char>(b);
            ASSERT_EQ(IsDigipanStamp(stamp), b >= lowest[at] && b <= highest[at]) << at << " " << b;
        }
    }
}

TEST(DigipanValues, FrequencyTexts) {
    struct Case {
        const char* value;
        const char* mhz3;
        const char* whole;
    } cases[] = {
        {"14070.150", "14.070", "14"},  // the last three characters are dropped, not rounded
        {"7025.000", "7.025", "7"},
        {"135.7000", ".136", "0"},    // 0.1357 MHz: three decimals, no leading zero
        {"1999.5000", "2.000", "2"},  // whole MHz: rounded to whole kHz before dividing
        {"1999.4000", "1.999", "1"},
        {"50313.000", "50.313", "50"},
        {"1296100.000", "1296.100", "1296"},
        {"abc", ".000", "0"},  // nothing before the dropped characters
        {"", ".000", "0"},
        {"7025", ".007", "0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FrequencyText(c.value, FreqFormat::MhzThreeDecimals).value_or("?"), c.mhz3) << c.value;
        EXPECT_EQ(FrequencyText(c.value, FreqFormat::WholeMhz).value_or("?"), c.whole) << c.value;
    }
    EXPECT_FALSE(FrequencyText("1e300kHz", FreqFormat::WholeMhz).has_value());
}

TEST(DigipanValues, FrequencyShortcutMatchesTheGeneralRule) {
    // Whole-kHz values take a shortcut; a leading space sends the same number the long way.
    std::vector<long long> khz;
    for (long long k = 0; k <= 3000; ++k) khz.push_back(k);
    for (long long k = 3001; k < 1000000000; k = k * 7 + 13) khz.push_back(k);
    khz.push_back(999999999);
    for (long long k : khz) {
        for (const std::string& v : {std::to_string(k) + ".150", std::to_string(k) + "000"}) {
            for (FreqFormat f : {FreqFormat::MhzThreeDecimals, FreqFormat::WholeMhz})
                ASSERT_EQ(FrequencyText(v, f), FrequencyText(" " + v, f)) << v;
        }
    }
}

TEST(DigipanValues, WholeLineStepGivesWhatSingleValuesGive) {
    // Usual and unusual lines mixed, over more than one read block: reading a line of 20 in
    // one step where possible must give the same values, lines and positions as reading
    // value by value, and tell the high bytes of the line (a line with NUL bytes goes value
    // by value).
    ScratchDir dir;
    std::mt19937 rng(11);
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    std::string file;
    while (file.size() < (3u << 19)) {
        const int kind = pick(11);
        const int count = kind == 0 ? 19 : kind == 1 ? 21 : 20;
        std::string line;
        for (int k = 0; k < count; ++k) {
            if (k) line += ',';
            if (pick(6) == 0) line += "  ";
            if (kind == 2 && k == 5)
                line += "\"q,\r\nq\"";
            else if (kind == 6 && k == 7)
                line += "\"qq\"";  // a quote on a line that has its 20 values
            else if (kind == 7 && k == 9)
                line += "r\rr";  // a lone CR on such a line
            else if (kind == 8)  // any byte, separators, quotes and line ends included
                for (int i = pick(12); i > 0; --i) line += static_cast<char>(pick(256));
            else
                line += std::string(static_cast<std::size_t>(pick(kind == 3 ? 400 : 8)),
                                    static_cast<char>('a' + k));
        }
        if (kind == 4)
            line += pick(2) ? "\n" : "\r";
        else
            line += "\r\n";
        if (kind == 5) line += pick(2) ? "\r\n" : "   \r\n";
        file += line;
    }
    // Each file read both ways; lines of `count` values.
    int lines = 0;
    const auto compare = [&](const std::string& bytes, int count) {
        WriteBytes(dir.File("mixed.dat"), bytes);
        std::vector<Read> single = ReadAll(dir.File("mixed.dat"));
        std::vector<Read> stepped;
        ValueStream s(dir.File("mixed.dat"));
        ValueRef refs[20];
        ValueInfo infos[20];
        for (;;) {
            s.Release();
            ValueStream::LineFacts facts;
            if (s.NextLine(refs, count, &facts)) {
                s.LineInfo(infos, count);
                ++lines;
                bool high = false;
                for (int k = 0; k < count; ++k) {
                    stepped.push_back({std::string(s.View(refs[k])), infos[k]});
                    for (char c : s.View(refs[k])) {
                        high |= static_cast<unsigned char>(c) >= 0x80;
                        ASSERT_NE(c, '\0') << "line " << infos[0].line;
                    }
                }
                ASSERT_EQ(facts.high, high) << "line " << infos[0].line;
                continue;
            }
            Read r;
            if (!s.Next(r.value, r.info)) break;
            stepped.push_back(r);
        }
        ASSERT_EQ(stepped.size(), single.size()) << ::testing::PrintToString(bytes);
        for (std::size_t i = 0; i < single.size(); ++i) {
            ASSERT_EQ(stepped[i].value, single[i].value) << "value " << i;
            ASSERT_EQ(stepped[i].info.line, single[i].info.line) << "value " << i;
            ASSERT_EQ(stepped[i].info.endLine, single[i].info.endLine) << "value " << i;
            ASSERT_EQ(stepped[i].info.index, single[i].info.index) << "value " << i;
            ASSERT_EQ(stepped[i].info.lastOnLine, single[i].info.lastOnLine) << "value " << i;
        }
    };
    compare(file, 20);
    EXPECT_GT(lines, 100);
    const int big = lines;
    // Short files of short lines of any bytes: lines shorter than a step of the sweep.
    const char* const bytes = " \r\n\"\0a\x82\xFF";
    for (int round = 0; round < 400; ++round) {
        std::string small;
        const int count = 1 + pick(3);
        for (int l = pick(3); l >= 0; --l) {
            for (int k = 0; k < count; ++k) {
                if (k) small += ',';
                for (int i = pick(5); i > 0; --i)
                    small += pick(4) ? bytes[pick(8)] : static_cast<char>(pick(256));
            }
            small += pick(5) ? "\r\n" : "\n";
        }
        compare(small, count);
    }
    EXPECT_GT(lines - big, 50);
}
