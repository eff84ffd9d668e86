#include "hamlog/hdb_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/errors.h"
#include "hamlog/hdb_library.h"
#include "hand_made_hdb.h"
#include "test_support.h"
#include "text/chars.h"
#include "text/cp932.h"

using namespace trelvo::hamlog;
using namespace trelvo::testing;
using trelvo::text::DateTime;
using trelvo::text::Utf8ToCp932;

namespace {

HdbWriteOptions Fixed() {
    HdbWriteOptions o;
    o.updateDate = DateTime{2024, 5, 1};
    return o;
}

// Record `n` as the library delivers it: every field, trailing spaces removed, joined by "|".
std::string Record(HdbLibrary& lib, int n) {
    EXPECT_EQ(lib.THW_read(n), 0);
    std::string all, b;
    for (int field = kFieldCall; field <= kFieldRemarks2; ++field) {
        if (field == 1) continue;
        lib.ThwString(b, field);
        all += (field ? "|" : "") + std::string(trelvo::text::TrimRight(b));
    }
    return all;
}

// A CSV line of the 15 columns: the given values first, the others empty, the class "0" unless given.
std::string Row(std::vector<std::string> v) {
    v.resize(15);
    if (v[14].empty()) v[14] = "0";
    std::string line;
    for (const std::string& x : v) line += (line.empty() ? "\"" : ",\"") + x + "\"";
    return line + "\r\n";
}

}  // namespace

TEST(HdbWriter, WritesTheLayoutByteForByte) {
    ScratchDir dir;
    HdbWriter w(dir.File("Hamlog.HDB"), Fixed());
    HdbContact c1;
    c1.call = "JA1ABC/1", c1.when = DateTime{2024, 5, 1, 9, 15};
    c1.hisRst = "599", c1.myRst = "579", c1.freq = "7.012", c1.mode = "CW", c1.code = "1101",
    c1.gridLoc = "PM95";
    c1.qsl = "J* ", c1.name = "山田";
    HdbContact c2 = c1;
    c2.call = "KH6/JE3HHT/P", c2.dx = true, c2.utc = true, c2.when = DateTime{1999, 12, 31, 23, 59},
    c2.name = "";
    HdbContact c3 = c1;
    c3.call = "W1AW", c3.dx = true, c3.deleted = true, c3.name = "";
    for (const HdbContact* c : {&c1, &c2, &c3}) EXPECT_TRUE(w.Append(*c).empty());
    w.Close();

    std::vector<HandRecord> rs(3);
    rs[0].ign = Pad("", 11) + "1";
    rs[0].name = "\x8e\x52\x93\x63";
    rs[1].calls = "JE3HHT", rs[1].ign = Pad("", 7) + "KH6/P", rs[1].flag = 8 | 2;
    rs[1].century = 19, rs[1].year = 99, rs[1].month = 12, rs[1].day = 31, rs[1].hour = 23,
    rs[1].minute = 0x80 | 59;
    rs[2].mark = '*', rs[2].calls = "W1AW", rs[2].flag = 8;
    EXPECT_EQ(ReadBytes(dir.File("Hamlog.HDB")), HandHdb(rs));
    EXPECT_FALSE(AnyWritingFile(dir));

    trelvo::NullCallbacks cb;
    WriteMasterFile(dir.File("Hamlog.mst"), {{"1101", "神奈川県横浜市"}, {"100110", "目黒区"}}, false,
                    DateTime{2024, 5, 1}, cb);
    EXPECT_EQ(ReadBytes(dir.File("Hamlog.mst")),
              HandMst({{"1101", Utf8ToCp932("神奈川県横浜市")}, {"100110", Utf8ToCp932("目黒区")}}) + "\x1A");
}

TEST(HdbWriter, ImportCsvRoundTripsThroughTheLibrary) {
    // (The usual lines are checked through the command, byte for byte.) Here: quotes and commas
    // inside values, a leading record number, a blank line, a UTF-8 line, a lower-case zone mark
    // and none.
    ScratchDir dir;
    const std::string csv = dir.File("in.csv");
    std::string last = Row({"8N1TRELVO", "2024/07/07", "19:00"});  // no zone mark, no line end
    last.resize(last.size() - 2);
    WriteBytes(csv, Utf8ToCp932(Row({"JA1ABC", "24/05/01", "09:15J", "599", "579", "7.012", "CW", "1101",
                                     "PM95", "J* ", "山田", "神奈川県横浜市", "RIG, 50W", "say \"hi\""})) +
                        "\"1\"," +
                        Row({"KH6/JE3HHT/P", "99/12/31", "23:59U", "59", "59", "14.205", "SSB", "", "BL11",
                             "J  ", "Ken", "Honolulu", "", "", "8"}) +
                        "\r\n" +
                        Row({"JR2DEF/2/QRP", "2005/01/02", "06:30j", "", "", "", "", "", "", "", "伊藤"}) +
                        last);
    RecordingCallbacks cb;
    EXPECT_EQ(CreateHdbFromCsv(csv, dir.File("Hamlog.HDB"), Fixed(), cb), 4u);
    EXPECT_TRUE(cb.warnings.empty());
    HdbLibrary lib;
    ASSERT_EQ(lib.HamlogOpen(dir.File("Hamlog")), 0);
    ASSERT_EQ(lib.Vdbf_rcount(), 4);
    EXPECT_EQ(Record(lib, 1),
              "JA1ABC|20240501|09:15J|599|579|7.012|CW|1101|PM95|J*|山田|神奈川県横浜市|RIG, 50W|say \"hi\"");
    EXPECT_EQ(Record(lib, 2), "KH6/JE3HHT/P|19991231|23:59U|59|59|14.205|SSB||BL11|J|Ken|Honolulu||");
    EXPECT_EQ(Record(lib, 3), "JR2DEF/2/QRP|20050102|06:30J||||||||伊藤|||");
    EXPECT_EQ(Record(lib, 4), "8N1TRELVO|20240707|19:00J|||||||||||");
    EXPECT_EQ(lib.Vidx_search("JE3HHT"), 0);
    EXPECT_EQ(lib.Vidx_search("KH6/JE3HHT"), 2);
}

TEST(HdbWriter, BadLinesNameFileAndLineAndLeaveNothingBehind) {
    const std::pair<std::string, std::string> cases[] = {
        {"\"JA1ABC\",\"24/05/01\",\"09:15J\"\r\n", "expected 15 quoted columns, found 3"},
        {Row({"JA1ABC", "24/13/01", "09:15J"}), "not a date"},
        {Row({"JA1ABC", "24/05/01", "25:00J"}), "not a time"},
        {Row({"JA1ABC", "24/05/01", "9:5J"}), "not a time"},
        {Row({"JA1ABC", "24/05/01", "09:15J", "", "", "", "", "", "", "", "", "", "", "", "X"}), "column 15"},
        {Row({"", "24/05/01", "09:15J"}), "no callsign"},
        {"\"JA1ABC\",\"24/05/01\",\"09:15J\",\"599\r\n", "not closed"},
    };
    for (const auto& [line, what] : cases) {
        SCOPED_TRACE(line);
        ScratchDir dir;
        WriteBytes(dir.File("in.csv"), Row({"JA1ABC", "24/05/01", "09:15J"}) + line);
        trelvo::NullCallbacks cb;
        try {
            CreateHdbFromCsv(dir.File("in.csv"), dir.File("Hamlog.HDB"), Fixed(), cb);
            ADD_FAILURE() << "no error";
        } catch (const trelvo::FormatError& e) {
            EXPECT_EQ(e.where(), dir.File("in.csv") + " line 2");
            EXPECT_NE(std::string(e.what()).find(what), std::string::npos) << e.what();
        }
        EXPECT_FALSE(std::filesystem::exists(dir.File("Hamlog.HDB")));
        EXPECT_FALSE(AnyWritingFile(dir));
    }
}

TEST(HdbWriter, WarnsAboutWhatDoesNotFit) {
    ScratchDir dir;
    WriteBytes(
        dir.File("in.csv"),
        Utf8ToCp932(Row({"JA1ABC", "24/05/01", "09:15J", "", "", "", "", "", "", "", "山田太郎左衛門"}) +
                    Row({"JA1ABC", "24/05/01", "09:15J", "", "", "", "", "", "", "", "ABCDEFGHIJK山"}) +
                    Row({"JA1ABCDEFGHIJKLMNOPQRSTU", "24/05/01", "09:15J"})) +
            Row({"JA1ABC", "24/05/01", "09:15J", "", "", "", "", "", "", "", "",
                 "Tokyo \xF0\x9F\x93\xBB"}));  // UTF-8 line with a radio emoji
    RecordingCallbacks cb;
    CreateHdbFromCsv(dir.File("in.csv"), dir.File("Hamlog.HDB"), Fixed(), cb);
    ASSERT_EQ(cb.warnings.size(), 4u);
    EXPECT_NE(cb.warnings[0].find("line 1: NAME \"山田太郎左衛門\" cut to 12 bytes"), std::string::npos)
        << cb.warnings[0];
    EXPECT_NE(cb.warnings[1].find("line 2: NAME"), std::string::npos);
    EXPECT_TRUE(trelvo::text::EndsWith(
        cb.warnings[2], "line 3: callsign JA1ABCDEFGHIJKLMNOPQRSTU is stored as JA1ABCDEFGHIJKLMNOPQ"))
        << cb.warnings[2];
    EXPECT_NE(cb.warnings[3].find("line 4: QTH: 1 character"), std::string::npos) << cb.warnings[3];
    HdbLibrary lib;
    ASSERT_EQ(lib.HamlogOpen(dir.File("Hamlog")), 0);
    EXPECT_EQ(Record(lib, 1), "JA1ABC|20240501|09:15J||||||||山田太郎左衛|||");
    EXPECT_EQ(Record(lib, 2), "JA1ABC|20240501|09:15J||||||||ABCDEFGHIJK|||");  // 山 was divided
    EXPECT_EQ(Record(lib, 4), "JA1ABC|20240501|09:15J|||||||||Tokyo ?||");
}

TEST(HdbWriter, TakesOtherWidths) {
    HdbFieldLengths w = ParseHdbWidths("6, 4,4,2,6,6,3,2,3,3,7,16,20,28,54,54");
    EXPECT_EQ(w[0], 10);
    EXPECT_EQ(w[12], 16);
    EXPECT_THROW(ParseHdbWidths("8,12,4,2,6,6,3,2,3,3,7,4,12,28,54"), trelvo::Error);     // fifteen
    EXPECT_THROW(ParseHdbWidths("8,12,3,2,6,6,3,2,3,3,7,4,12,28,54,54"), trelvo::Error);  // DATE < 4
    EXPECT_THROW(ParseHdbWidths("8,12,4,2,6,6,3,1,3,3,7,4,12,28,54,54"), trelvo::Error);  // FLAG < 2
    EXPECT_THROW(ParseHdbWidths("8,12,4,2,6,6,3,2,3,3,7,4,12,28,54,255"), trelvo::Error);
    EXPECT_THROW(ParseHdbWidths("8,12,4,2,6,6,3,2,3,3,7,4,12,28,54,x"), trelvo::Error);
    EXPECT_THROW(ParseHdbWidths("8,12,4,2,6,6,3,2,3,3,7,4,12,28,54,5.5"), trelvo::Error);

    ScratchDir dir;
    WriteBytes(dir.File("in.csv"), Row({"JA1ABCD/1", "24/05/01", "09:15J", "", "", "", "OLIVIA 8/250"}));
    HdbWriteOptions o = Fixed();
    o.widths = w;
    trelvo::NullCallbacks cb;
    CreateHdbFromCsv(dir.File("in.csv"), dir.File("Odd.HDB"), o, cb);
    HdbFieldLengths read{};
    ASSERT_TRUE(ReadHdbFieldLengths(dir.File("Odd.HDB"), read));
    EXPECT_EQ(read, w);
    HdbLibrary lib;
    ASSERT_EQ(lib.HamlogOpen(dir.File("Odd")), 0);
    EXPECT_EQ(Record(lib, 1), "JA1ABCD/1|20240501|09:15J||||OLIVIA 8/250|||||||");
}

TEST(HdbWriter, CodeListsForTheMasterFile) {
    // (A good list is read through the command.) LF line ends, a blank line and bad lines:
    ScratchDir dir;
    WriteBytes(dir.File("codes.txt"), "\n1101\t" + Utf8ToCp932("神奈川県横浜市") + "\n");
    EXPECT_EQ(ReadMasterEntries(dir.File("codes.txt")).at(0).name, "神奈川県横浜市");
    for (const auto& [text, what] : std::vector<std::pair<std::string, std::string>>{
             {"1101 Yokohama\r\n", "line 1: expected CODE<TAB>NAME"},
             {"#\r\n1234567\tX\r\n", "line 2: code"}}) {
        WriteBytes(dir.File("bad.txt"), text);
        try {
            ReadMasterEntries(dir.File("bad.txt"));
            ADD_FAILURE() << text;
        } catch (const trelvo::FormatError& ex) {
            EXPECT_NE(std::string(ex.what()).find(what), std::string::npos) << ex.what();
        }
    }
}
