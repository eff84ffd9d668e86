#include "hamlog/hdb_library.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "hand_made_hdb.h"
#include "test_support.h"
#include "text/chars.h"
#include "text/cp932.h"

using namespace trelvo::hamlog;
using namespace trelvo::testing;

namespace {

std::string Fetch(HamlogLibrary& lib, int field) {
    std::string b;
    lib.ThwString(b, field);
    return b;
}

std::string Padded(const std::string& utf8, int field) {
    return utf8 +
           std::string(
               static_cast<std::size_t>(HamlogFieldWidth(field)) - trelvo::text::Cp932ByteLength(utf8), ' ');
}

// Opens `bytes` written as NAME in a scratch folder.
class Db {
public:
    explicit Db(const std::string& bytes, const std::string& name = "Hamlog.HDB") {
        WriteBytes(dir.File(name), bytes);
        base = dir.File(name.substr(0, name.size() - 4));
    }
    ScratchDir dir;
    std::string base;
    HdbLibrary lib;
};

}  // namespace

TEST(HdbLibrary, DeliversEveryFieldSpaceFilledToItsBufferWidth) {
    HandRecord r;
    r.name = "\x8e\x52\x93\x63";  // 山田 in CP932
    r.qth = trelvo::text::Utf8ToCp932("神奈川県横浜市");
    r.rmk1 = "RIG IC-7300";
    r.rmk2 = "QSL via JARL";
    Db db(HandHdb({r}));
    ASSERT_EQ(db.lib.HamlogOpen(db.base), 0);
    EXPECT_EQ(db.lib.SetQsoOrMaster(kQsoTable), 0);
    ASSERT_EQ(db.lib.Vdbf_rcount(), 1);
    ASSERT_EQ(db.lib.THW_read(1), 0);
    const std::pair<int, std::string> want[] = {{kFieldCall, Padded("JA1ABC", kFieldCall)},
                                                {kFieldDate, "20240501"},
                                                {kFieldTime, "09:15J"},
                                                {kFieldHisRst, Padded("599", kFieldHisRst)},
                                                {kFieldMyRst, Padded("579", kFieldMyRst)},
                                                {kFieldFreq, Padded("7.012", kFieldFreq)},
                                                {kFieldMode, Padded("CW", kFieldMode)},
                                                {kFieldCode, "1101  "},
                                                {kFieldGridLoc, "PM95  "},
                                                {kFieldQsl, "J* "},
                                                {kFieldName, Padded("山田", kFieldName)},
                                                {kFieldQth, Padded("神奈川県横浜市", kFieldQth)},
                                                {kFieldRemarks1, Padded("RIG IC-7300", kFieldRemarks1)},
                                                {kFieldRemarks2, Padded("QSL via JARL", kFieldRemarks2)}};
    for (const auto& [field, text] : want) EXPECT_EQ(Fetch(db.lib, field), text) << "field " << field;
    std::string b = "x";
    EXPECT_NE(db.lib.ThwString(b, 1), 0);  // field 1 does not exist
    EXPECT_NE(db.lib.ThwString(b, 15), 0);
    EXPECT_NE(db.lib.SetQsoOrMaster(2), 0);
}

TEST(HdbLibrary, RebuildsCallsignsAndReadsDatesAndTimesOfBothZones) {
    // (Every shape of callsign is rebuilt in the callsign tests; here the bytes reach it.)
    std::vector<HandRecord> rs(4);
    rs[0].ign = Pad("", 11) + "1";                         // JA1ABC/1
    rs[1].calls = "JA1ABCDE", rs[1].ign = "FG     QRP/3";  // overflow and portable
    rs[2].calls = "JE3HHT", rs[2].ign = Pad("", 7) + "KH6/P", rs[2].flag = 8 | 2;
    rs[3].calls = "W1AW", rs[3].ign = Pad("", 9) + "QRP", rs[3].flag = 8 | 1;
    const char* want[] = {"JA1ABC/1", "JA1ABCDEFG/QRP/3", "KH6/JE3HHT/P", "W1AW/QRP"};
    rs[0].century = 19, rs[0].year = 99, rs[0].month = 12, rs[0].day = 31, rs[0].hour = 23, rs[0].minute = 59;
    rs[1].century = 20, rs[1].year = 0, rs[1].month = 1, rs[1].day = 1, rs[1].hour = 0, rs[1].minute = 0;
    rs[2].hour = 3, rs[2].minute = 0x80 | 45;
    rs[3].hour = 0, rs[3].minute = 0x80;
    Db db(HandHdb(rs));
    ASSERT_EQ(db.lib.HamlogOpen(db.base), 0);
    const char* when[] = {"19991231 23:59J", "20000101 00:00J", "20240501 03:45U", "20240501 00:00U"};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(want[i]);
        ASSERT_EQ(db.lib.THW_read(i + 1), 0);
        EXPECT_EQ(Fetch(db.lib, kFieldCall), Padded(want[i], kFieldCall));
        EXPECT_EQ(Fetch(db.lib, kFieldDate) + " " + Fetch(db.lib, kFieldTime), when[i]);
    }
}

TEST(HdbLibrary, DeletedAndMissingRecordsReadAsNotLoaded) {
    std::vector<HandRecord> rs(3);
    rs[1].mark = '*';
    rs[2].ign = Pad("", 11) + "1";
    Db db(HandHdb(rs));
    std::string b;
    EXPECT_NE(db.lib.THW_read(1), 0);  // nothing open yet
    ASSERT_EQ(db.lib.HamlogOpen(db.base), 0);
    EXPECT_EQ(db.lib.Vdbf_rcount(), 3);
    EXPECT_EQ(db.lib.LiveCount(), 2u);
    EXPECT_EQ(db.lib.DeletedCount(), 1u);
    EXPECT_NE(db.lib.ThwString(b, kFieldCall), 0);  // nothing loaded yet
    ASSERT_EQ(db.lib.THW_read(1), 0);
    EXPECT_NE(db.lib.THW_read(2), 0);
    EXPECT_NE(db.lib.ThwString(b, kFieldName), 0);
    EXPECT_EQ(b, std::string(64, ' '));  // the previous record does not show through
    EXPECT_NE(db.lib.THW_read(0), 0);
    EXPECT_NE(db.lib.THW_read(4), 0);
    // The deleted record is not in the index.
    EXPECT_EQ(db.lib.Vidx_search("JA1ABC"), 1);
    EXPECT_EQ(db.lib.Vidx_next(), 3);
    EXPECT_EQ(db.lib.Vidx_next(), 0);
    db.lib.HamlogClose();
    EXPECT_EQ(db.lib.Vdbf_rcount(), 0);
    EXPECT_NE(db.lib.THW_read(1), 0);
    EXPECT_EQ(db.lib.Vidx_search("JA1ABC"), 0);
}

TEST(HdbLibrary, IndexWalksTheRecordsOfOneBaseCallInRecordOrder) {
    std::vector<HandRecord> rs(9);
    rs[0].calls = "JA1ABC";
    rs[1].calls = "W1AW", rs[1].flag = 8;
    rs[2].calls = "JA1ABC", rs[2].ign = Pad("", 9) + "KH0", rs[2].flag = 8 | 2;  // KH0/JA1ABC
    rs[3].calls = "ja1abc";
    rs[4].calls = "JA1ABCD";
    rs[5].calls = "JA1ABC", rs[5].ign = Pad("", 11) + "1";
    rs[6].calls = "JA1AB";
    rs[7].calls = "8N1TRELV", rs[7].ign = "O";  // keys longer than eight bytes
    rs[8].calls = "8N1TRELV", rs[8].ign = "A";
    rs.push_back(rs[7]);
    rs.push_back(HandRecord{});
    rs.back().calls = "8N1TRELV";  // the first eight bytes of the long key, and no more
    Db db(HandHdb(rs));
    ASSERT_EQ(db.lib.HamlogOpen(db.base), 0);
    EXPECT_EQ(db.lib.Vidx_next(), 0);  // no search yet
    // Every record a search finds, then the walk with Vidx_next up to 0 (which it then stays).
    auto walk = [&db](const std::string& call) {
        std::vector<int> found;
        for (int n = db.lib.Vidx_search(call); n != 0; n = db.lib.Vidx_next()) found.push_back(n);
        EXPECT_EQ(db.lib.Vidx_next(), 0) << call;
        return found;
    };
    EXPECT_EQ(walk("JA1ABC"), (std::vector<int>{1, 3, 4, 6}));
    EXPECT_EQ(walk(" ja1abc "), (std::vector<int>{1, 3, 4, 6}));
    EXPECT_EQ(walk("JA1AB"), std::vector<int>{7});
    EXPECT_EQ(walk("8N1TRELVO"), (std::vector<int>{8, 10}));
    EXPECT_EQ(walk("8N1TRELV"), std::vector<int>{11});
    for (const char* none : {"8N1TRELVX", "NOCALL", "JA1ABC/1"})  // the key is the base call
        EXPECT_TRUE(walk(none).empty()) << none;
}

TEST(HdbLibrary, ReadsOddWidthsAndFieldsBeyondTheSixteen) {
    std::vector<std::pair<std::string, int>> fields = {
        {"CALLS", 10}, {"IGN", 6},   {"DATE", 4},   {"TIME", 2},   {"CODE", 6},  {"GL", 6},
        {"QSL", 3},    {"FLAG", 2},  {"HIS", 3},    {"MY", 3},     {"FREQ", 10}, {"MODE", 16},
        {"NAME", 40},  {"QTH", 140}, {"RMK1", 254}, {"RMK2", 100}, {"EXTRA", 5}};
    std::string rec = " " + Pad("JA1ABCDEFG", 10) + "H    1" + std::string("\x14\x18\x0C\x1F\x17\xBB", 6) +
                      "1101  " + "PM95  " + "J  " + Le(0, 2) + "599" + "599" + Pad("1296.100", 10) +
                      "OLIVIA 8/250    " + Pad("Taro", 40) + Pad("Q", 140) + Pad("R", 254) + Pad("S", 100) +
                      "XXXXX";
    Db db(HandHeader(fields, 1) + rec);
    ASSERT_EQ(db.lib.HamlogOpen(db.base), 0) << db.lib.LastOpenErrorText();
    ASSERT_EQ(db.lib.THW_read(1), 0);
    EXPECT_EQ(Fetch(db.lib, kFieldCall), Padded("JA1ABCDEFGH/1", kFieldCall));
    EXPECT_EQ(Fetch(db.lib, kFieldDate), "20241231");
    EXPECT_EQ(Fetch(db.lib, kFieldTime), "23:59U");
    EXPECT_EQ(Fetch(db.lib, kFieldFreq), Padded("1296.100", kFieldFreq));
    EXPECT_EQ(Fetch(db.lib, kFieldMode), "OLIVIA 8/250    ");
    EXPECT_EQ(Fetch(db.lib, kFieldRemarks2), Padded("S", kFieldRemarks2));
    EXPECT_EQ(Fetch(db.lib, kFieldQth), Pad("Q", 140));  // wider than its buffer: whole
    EXPECT_EQ(Fetch(db.lib, kFieldRemarks1), Pad("R", 254));
    HdbFieldLengths len{};
    ASSERT_TRUE(ReadHdbFieldLengths(db.base + ".HDB", len));
    EXPECT_EQ(len[0], 16);
    EXPECT_EQ(len[12], 16);
}

TEST(HdbLibrary, FindsTheFileWhateverTheCaseAndNeverChangesIt) {
    const std::string bytes = HandHdb({HandRecord{}});
    Db db(bytes, "Log.hdb");
    const auto file = std::filesystem::path(db.dir.File("Log.hdb"));
    const auto before = std::filesystem::last_write_time(file);
    ASSERT_EQ(db.lib.HamlogOpen(db.dir.File("LOG")), 0);
    EXPECT_EQ(db.lib.Path(), db.dir.File("Log.hdb"));
    db.lib.THW_read(1);
    db.lib.Vidx_search("JA1ABC");
    db.lib.HamlogClose();
    EXPECT_EQ(ReadBytes(file.string()), bytes);
    EXPECT_EQ(std::filesystem::last_write_time(file), before);

    EXPECT_EQ(db.lib.HamlogOpen(db.dir.File("Other")), static_cast<int>(HdbOpenError::kNotFound));
    EXPECT_FALSE(std::filesystem::exists(db.dir.File("Other.HDB")));
    EXPECT_NE(db.lib.LastOpenErrorText().find("Other.HDB"), std::string::npos);
}

TEST(HdbLibrary, ReadsAnyRecordAcrossReadAheadBlocks) {
    // 6000 records of 209 bytes cross the one-megabyte read-ahead more than once.
    std::vector<HandRecord> rs(6000);
    for (std::size_t i = 0; i < rs.size(); ++i) rs[i].calls = "JA" + std::to_string(i + 1);
    Db db(HandHdb(rs));
    ASSERT_EQ(db.lib.HamlogOpen(db.base), 0);
    for (int n : {6000, 1, 5017, 5018, 5016, 2, 3000}) {
        ASSERT_EQ(db.lib.THW_read(n), 0);
        EXPECT_EQ(Fetch(db.lib, kFieldCall), Padded("JA" + std::to_string(n), kFieldCall));
    }
    // The first look-up reads every record to build the index: the loaded one stays loaded.
    EXPECT_EQ(db.lib.Vidx_search("JA5017"), 5017);
    EXPECT_EQ(Fetch(db.lib, kFieldCall), Padded("JA3000", kFieldCall));
    EXPECT_EQ(db.lib.LoadedRecord().substr(1, 6), "JA3000");
    // Opening another database closes the first.
    Db other(HandHdb({HandRecord{}}));
    ASSERT_EQ(db.lib.HamlogOpen(other.base), 0);
    EXPECT_EQ(db.lib.Vdbf_rcount(), 1);
    EXPECT_EQ(db.lib.Vidx_search("JA5017"), 0);
}

// Fields taken trimmed straight from the record are what ThwString gives trimmed and without
// NULs, on random bytes: spaces at both ends, lone lead bytes before them, NULs, every byte.
TEST(HdbLibrary, TrimmedFieldsAreTheDeliveredOnesTrimmed) {
    std::mt19937 rng(8);
    const auto bytes = [&](std::size_t width) {
        std::string s;
        for (std::size_t i = rng() % (width + 1); i > 0; --i) {
            const auto k = rng() % 5;
            s += k == 0   ? ' '
                 : k == 1 ? static_cast<char>(0x81 + rng() % 0x7C)
                 : k == 2 ? '\0'
                          : static_cast<char>(rng());
        }
        return s;
    };
    std::vector<HandRecord> records(400);
    for (HandRecord& r : records) {
        for (auto [text, width] : {std::pair{&r.his, 3},
                                   {&r.my, 3},
                                   {&r.freq, 7},
                                   {&r.mode, 4},
                                   {&r.code, 6},
                                   {&r.gl, 6},
                                   {&r.name, 12},
                                   {&r.qth, 28},
                                   {&r.rmk1, 54},
                                   {&r.rmk2, 54}})
            *text = bytes(static_cast<std::size_t>(width));
    }
    Db db(HandHdb(records));
    ASSERT_EQ(db.lib.HamlogOpen(db.base), 0);
    std::string trimmed;
    int taken = 0;
    for (int n = 1; n <= static_cast<int>(records.size()); ++n) {
        ASSERT_EQ(db.lib.THW_read(n), 0);
        for (int field = kFieldHisRst; field <= kFieldRemarks2; ++field) {
            if (!db.lib.ThwStringTrimmed(trimmed, field)) continue;
            ++taken;
            std::string want = Fetch(db.lib, field);
            std::erase(want, '\0');
            ASSERT_EQ(trimmed, trelvo::text::Trim(want)) << "record " << n << " field " << field;
        }
    }
    EXPECT_GT(taken, 1000);
    EXPECT_FALSE(db.lib.ThwStringTrimmed(trimmed, kFieldCall));
}
