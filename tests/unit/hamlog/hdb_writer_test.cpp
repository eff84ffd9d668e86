#include "hamlog/hdb_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/errors.h"
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

class RecordingCallbacks : public trelvo::ConversionCallbacks {
public:
    void Warning(const std::string& m) override { warnings.push_back(m); }
    bool CancelRequested() override { return cancel; }
    std::vector<std::string> warnings;
    bool cancel = false;
};

HdbWriteOptions Fixed() {
    HdbWriteOptions o;
    o.updateDate = DateTime{2024, 5, 1};
    return o;
}

// Field `field` of record `n`, trailing spaces removed.
std::string Get(HdbLibrary& lib, int n, int field) {
    EXPECT_EQ(lib.THW_read(n), 0);
    std::string b;
    lib.ThwString(b, field);
    return std::string(trelvo::text::TrimRight(b));
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
    EXPECT_FALSE(std::filesystem::exists(dir.File("Hamlog.HDB.writing")));

    trelvo::NullCallbacks cb;
    WriteMasterFile(dir.File("Hamlog.mst"), {{"1101", "神奈川県横浜市"}, {"100110", "目黒区"}}, false,
                    DateTime{2024, 5, 1}, cb);
    EXPECT_EQ(ReadBytes(dir.File("Hamlog.mst")),
              HandMst({{"1101", Utf8ToCp932("神奈川県横浜市")}, {"100110", Utf8ToCp932("目黒区")}}) + "\x1A");
}

TEST(HdbWriter, ImportCsvRoundTripsThroughTheLibrary) {
    ScratchDir dir;
    const std::string csv = dir.File("in.csv");
    WriteBytes(
        csv,
        Utf8ToCp932("\"JA1ABC\",\"24/05/01\",\"09:15J\",\"599\",\"579\",\"7.012\",\"CW\",\"1101\",\"PM95\","
                    "\"J* \",\"山田\",\"神奈川県横浜市\",\"RIG, 50W\",\"say \"hi\"\",\"0\"\r\n") +
            "\"1\",\"KH6/JE3HHT/P\",\"99/12/31\",\"23:59U\",\"59\",\"59\",\"14.205\",\"SSB\",\"\",\"BL11\","
            "\"J  \",\"Ken\",\"Honolulu\",\"\",\"\",\"8\"\r\n"
            "\r\n"
            // a UTF-8 line, a lower-case zone mark
            "\"JR2DEF/2/QRP\",\"2005/01/02\",\"06:30j\",\"559\",\"579\",\"21.030\",\"CW\",\"2001\",\"PM85\","
            "\"\",\"伊藤\",\"愛知県\",\"\",\"\",\"0\"\n"
            // no zone mark: JST
            "\"8N1TRELVO\",\"2024/07/"
            "07\",\"19:00\",\"599\",\"599\",\"7.004\",\"CW\",\"\",\"\",\"\",\"\",\"\","
            "\"\",\"\",\"0\"");
    RecordingCallbacks cb;
    EXPECT_EQ(CreateHdbFromCsv(csv, dir.File("Hamlog.HDB"), Fixed(), cb), 4u);
    EXPECT_TRUE(cb.warnings.empty());
    HdbLibrary lib;
    ASSERT_EQ(lib.HamlogOpen(dir.File("Hamlog")), 0);
    ASSERT_EQ(lib.Vdbf_rcount(), 4);
    EXPECT_EQ(Get(lib, 1, kFieldCall), "JA1ABC");
    EXPECT_EQ(Get(lib, 1, kFieldDate), "20240501");
    EXPECT_EQ(Get(lib, 1, kFieldTime), "09:15J");
    EXPECT_EQ(Get(lib, 1, kFieldQsl), "J*");
    EXPECT_EQ(Get(lib, 1, kFieldName), "山田");
    EXPECT_EQ(Get(lib, 1, kFieldQth), "神奈川県横浜市");
    EXPECT_EQ(Get(lib, 1, kFieldRemarks1), "RIG, 50W");
    EXPECT_EQ(Get(lib, 1, kFieldRemarks2), "say \"hi\"");
    EXPECT_EQ(Get(lib, 2, kFieldCall), "KH6/JE3HHT/P");
    EXPECT_EQ(Get(lib, 2, kFieldDate), "19991231");
    EXPECT_EQ(Get(lib, 2, kFieldTime), "23:59U");
    EXPECT_EQ(Get(lib, 2, kFieldFreq), "14.205");
    EXPECT_EQ(Get(lib, 2, kFieldMode), "SSB");
    EXPECT_EQ(Get(lib, 3, kFieldCall), "JR2DEF/2/QRP");
    EXPECT_EQ(Get(lib, 3, kFieldDate), "20050102");
    EXPECT_EQ(Get(lib, 3, kFieldTime), "06:30J");
    EXPECT_EQ(Get(lib, 3, kFieldName), "伊藤");
    EXPECT_EQ(Get(lib, 4, kFieldCall), "8N1TRELVO");
    EXPECT_EQ(Get(lib, 4, kFieldTime), "19:00J");
    EXPECT_EQ(lib.Vidx_search("JE3HHT"), 0);
    EXPECT_EQ(lib.Vidx_search("KH6/JE3HHT"), 2);
}

TEST(HdbWriter, BadLinesNameFileAndLineAndLeaveNothingBehind) {
    const std::string good =
        "\"JA1ABC\",\"24/05/"
        "01\",\"09:15J\",\"599\",\"579\",\"7.012\",\"CW\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"0\"\r\n";
    const std::pair<std::string, std::string> cases[] = {
        {"\"JA1ABC\",\"24/05/01\",\"09:15J\"", "expected 15 quoted columns, found 3"},
        {"\"JA1ABC\",\"24/13/01\",\"09:15J\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"0\"",
         "not a date"},
        {"\"JA1ABC\",\"24/05/01\",\"25:00J\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"0\"",
         "not a time"},
        {"\"JA1ABC\",\"24/05/01\",\"9:5J\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"0\"",
         "not a time"},
        {"\"JA1ABC\",\"24/05/01\",\"09:15J\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"X\"",
         "column 15"},
        {"\"\",\"24/05/01\",\"09:15J\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"0\"",
         "no callsign"},
        {"\"JA1ABC\",\"24/05/01\",\"09:15J\",\"599", "not closed"},
    };
    for (const auto& [line, what] : cases) {
        SCOPED_TRACE(line);
        ScratchDir dir;
        WriteBytes(dir.File("in.csv"), good + line + "\r\n");
        trelvo::NullCallbacks cb;
        try {
            CreateHdbFromCsv(dir.File("in.csv"), dir.File("Hamlog.HDB"), Fixed(), cb);
            ADD_FAILURE() << "no error";
        } catch (const trelvo::FormatError& e) {
            EXPECT_EQ(e.where(), dir.File("in.csv") + " line 2");
            EXPECT_NE(std::string(e.what()).find(what), std::string::npos) << e.what();
        }
        EXPECT_FALSE(std::filesystem::exists(dir.File("Hamlog.HDB")));
        EXPECT_FALSE(std::filesystem::exists(dir.File("Hamlog.HDB.writing")));
    }
}

TEST(HdbWriter, WarnsAboutWhatDoesNotFit) {
    ScratchDir dir;
    WriteBytes(
        dir.File("in.csv"),
        Utf8ToCp932("\"JA1ABC\",\"24/05/01\",\"09:15J\",\"599\",\"579\",\"7.012\",\"CW\",\"\",\"\",\"\","
                    "\"山田太郎左衛門\",\"\",\"\",\"\",\"0\"\r\n"
                    "\"JA1ABC\",\"24/05/01\",\"09:15J\",\"599\",\"579\",\"7.012\",\"CW\",\"\",\"\",\"\","
                    "\"ABCDEFGHIJK山\",\"\",\"\",\"\",\"0\"\r\n"
                    "\"JA1ABCDEFGHIJKLMNOPQRSTU\",\"24/05/01\",\"09:15J\",\"599\",\"579\",\"7.012\",\"CW\","
                    "\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"0\"\r\n") +
            "\"JA1ABC\",\"24/05/01\",\"09:15J\",\"599\",\"579\",\"7.012\",\"CW\",\"\",\"\",\"\",\"\","
            "\"Tokyo \xF0\x9F\x93\xBB\",\"\",\"\",\"0\"\r\n");  // UTF-8 line with a radio emoji
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
    EXPECT_EQ(Get(lib, 1, kFieldName), "山田太郎左衛");
    EXPECT_EQ(Get(lib, 2, kFieldName), "ABCDEFGHIJK");  // the divided character became a space
    EXPECT_EQ(Get(lib, 4, kFieldQth), "Tokyo ?");
}

TEST(HdbWriter, NeverReplacesAFileUnlessAskedAndStopsWhenCancelled) {
    ScratchDir dir;
    const std::string csv = dir.File("in.csv");
    WriteBytes(csv,
               "\"JA1ABC\",\"24/05/"
               "01\",\"09:15J\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"0\"\r\n");
    WriteBytes(dir.File("hamlog.hdb"), "precious");
    RecordingCallbacks cb;
    EXPECT_THROW(CreateHdbFromCsv(csv, dir.File("Hamlog.HDB"), Fixed(), cb), trelvo::FileError);
    EXPECT_EQ(ReadBytes(dir.File("hamlog.hdb")), "precious");
    HdbWriteOptions o = Fixed();
    o.overwrite = true;
    EXPECT_EQ(CreateHdbFromCsv(csv, dir.File("hamlog.hdb"), o, cb), 1u);
    EXPECT_NE(ReadBytes(dir.File("hamlog.hdb")), "precious");

    cb.cancel = true;
    EXPECT_THROW(CreateHdbFromCsv(csv, dir.File("new.HDB"), Fixed(), cb), trelvo::Aborted);
    EXPECT_FALSE(std::filesystem::exists(dir.File("new.HDB")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("new.HDB.writing")));
    EXPECT_THROW(CreateHdbFromCsv(dir.File("absent.csv"), dir.File("x.HDB"), Fixed(), cb), trelvo::FileError);
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
    WriteBytes(dir.File("in.csv"),
               "\"JA1ABCD/1\",\"24/05/01\",\"09:15J\",\"\",\"\",\"\",\"OLIVIA 8/250\",\"\",\"\","
               "\"\",\"\",\"\",\"\",\"\",\"0\"\r\n");
    HdbWriteOptions o = Fixed();
    o.widths = w;
    trelvo::NullCallbacks cb;
    CreateHdbFromCsv(dir.File("in.csv"), dir.File("Odd.HDB"), o, cb);
    HdbFieldLengths read{};
    ASSERT_TRUE(ReadHdbFieldLengths(dir.File("Odd.HDB"), read));
    EXPECT_EQ(read, w);
    HdbLibrary lib;
    ASSERT_EQ(lib.HamlogOpen(dir.File("Odd")), 0);
    EXPECT_EQ(Get(lib, 1, kFieldCall), "JA1ABCD/1");
    EXPECT_EQ(Get(lib, 1, kFieldMode), "OLIVIA 8/250");
}

TEST(HdbWriter, ReadsCodeListsForTheMasterFile) {
    ScratchDir dir;
    WriteBytes(dir.File("codes.txt"),
               "# codes\r\n\r\n1101\t" + Utf8ToCp932("神奈川県横浜市") + "\r\n" + "100110\t目黒区\n");
    std::vector<MasterEntry> e = ReadMasterEntries(dir.File("codes.txt"));
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].code, "1101");
    EXPECT_EQ(e[0].name, "神奈川県横浜市");
    EXPECT_EQ(e[1].name, "目黒区");
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
