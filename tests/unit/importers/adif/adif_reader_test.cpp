#include "importers/adif/adif_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "app/errors.h"
#include "app/platform.h"
#include "test_support.h"
#include "text/chars.h"
#include "text/cp932.h"

using namespace trelvo::adif;
using trelvo::testing::ReadBytes;
using trelvo::testing::ScratchDir;
using trelvo::testing::WriteBytes;

namespace {

class Scripted : public trelvo::ConversionCallbacks {
public:
    bool AskYesNo(const std::string&) override { return answer; }
    bool CancelRequested() override { return ++polls > cancelAfter; }
    void Warning(const std::string& m) override { warnings.push_back(m); }
    bool answer = true;
    long long polls = 0, cancelAfter = 1LL << 60;
    std::vector<std::string> warnings;
};

struct Converted {
    AdifScanResult scan;
    AdifRunResult run;
    std::vector<std::string> lines;  // the CSV lines, decoded, without CR LF
};

// Writes `bytes` as an ADIF file, prescans it, maps TAG=column pairs (by tag name) and runs.
Converted Convert(const ScratchDir& dir, const std::string& bytes,
                  const std::vector<std::pair<std::string, int>>& map, AdifReadOptions read = {},
                  Scripted* cb = nullptr, AdifLineOptions opt = {}) {
    Scripted own;
    if (!cb) cb = &own;
    WriteBytes(dir.File("in.adi"), bytes);
    Converted c;
    c.scan = ScanAdifTags(dir.File("in.adi"), read, *cb);
    AdifMappingModel model(c.scan.table.Names());
    for (const auto& [tag, column] : map) {
        const int row = c.scan.table.Find(tag);
        EXPECT_GE(row, 1) << tag;
        if (row >= 1) model.Click(row, column);
    }
    if (opt.widths == trelvo::hamlog::HdbFieldLengths{})
        opt.widths = trelvo::hamlog::DefaultHdbFieldLengths();
    AdifMeterState meter;
    read.encoding = c.scan.encoding;
    c.run = ConvertAdifLog(dir.File("in.adi"), dir.File("out.csv"), c.scan.table, model.BuildMapping(), read,
                           opt, meter, *cb);
    std::string out = trelvo::text::Cp932ToUtf8(ReadBytes(dir.File("out.csv")));
    for (std::size_t at = 0, end; (end = out.find("\r\n", at)) != std::string::npos; at = end + 2)
        c.lines.push_back(out.substr(at, end - at));
    return c;
}

// Field n (1-based) of a CSV line (the test values hold no "," between quotes).
std::string Field(const std::string& line, int n) {
    const std::string inner = line.substr(1, line.size() - 2);
    std::vector<std::string> fields;
    for (std::size_t at = 0;;) {
        const std::size_t end = inner.find("\",\"", at);
        fields.push_back(inner.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos) break;
        at = end + 3;
    }
    return n >= 1 && n <= static_cast<int>(fields.size()) ? fields[static_cast<std::size_t>(n - 1)] : "<none>";
}

const std::vector<std::pair<std::string, int>> kCallDateTime = {
    {"CALL", kColCall}, {"QSO_DATE", kColDate}, {"TIME_ON", kColTime}};

}  // namespace

TEST(AdifReader, HeaderAndLineRules) {
    ScratchDir dir;
    // Text before the header is ignored, tags on the <EOH> line are lost, a tag may run
    // across lines (joined without separator, lone LFs dropped), <eor> in any case ends a
    // record, names and values are upper-cased, a lone CR ends a line.
    const std::string file =
        "<CALL:4>XX1X <EOR>\r\n"
        "header text <ADIF_VER:5>3.1.0 <EOH> <NAME:3>LOST\r\n"
        "<CALL:6>ja1abc\n <QSO_DA\r\nTE:8>20240501 <time_on:4>0930 <EoR>\r"
        "<call:5>W1AW\n<QSO_DATE:8>20240502<TIME_ON:4>1200<eor>\r\n";
    Converted c = Convert(dir, file, kCallDateTime);
    EXPECT_TRUE(c.scan.headerSeen);
    EXPECT_EQ(c.scan.records, 2);
    EXPECT_EQ(c.scan.table.Names(), (std::vector<std::string>{"CALL", "QSO_DATE", "TIME_ON"}));
    ASSERT_EQ(c.lines.size(), 2u);
    EXPECT_EQ(c.lines[0], R"("JA1ABC","24/05/01","09:30U","","","","","","","   ","","","","","0")");
    // A lone LF inside a line ending in <EOR> stays: it is part of the value.
    EXPECT_EQ(Field(c.lines[1], 1), "W1AW\n");
    EXPECT_EQ(Field(c.lines[1], 3), "12:00U");
    EXPECT_FALSE(c.run.traits.LfOnly());
}

TEST(AdifReader, FilesWithoutHeaderOrWithLfOnlyLinesGiveNothing) {
    ScratchDir dir;
    Scripted cb;
    WriteBytes(dir.File("a.adi"), "<CALL:6>JA1ABC <EOR>\r\n<CALL:4>W1AW <EOR>\r\n");
    AdifScanResult s = ScanAdifTags(dir.File("a.adi"), {}, cb);
    EXPECT_FALSE(s.headerSeen);
    EXPECT_EQ(s.records, 0);
    EXPECT_EQ(s.table.Count(), 0);

    const std::string lf = "<ADIF_VER:5>3.1.0\n<EOH>\n<CALL:6>JA1ABC <EOR>\n<CALL:4>W1AW <EOR>\n";
    WriteBytes(dir.File("b.adi"), lf);
    s = ScanAdifTags(dir.File("b.adi"), {}, cb);
    EXPECT_TRUE(s.headerSeen);  // the one line held <EOH> and was dropped whole
    EXPECT_EQ(s.records, 0);
    EXPECT_TRUE(s.traits.LfOnly());
    AdifReadOptions read;
    read.lfEndsLine = true;
    s = ScanAdifTags(dir.File("b.adi"), read, cb);
    EXPECT_EQ(s.records, 2);
    EXPECT_EQ(s.table.Count(), 1);
    EXPECT_TRUE(s.traits.LfOnly());  // what the bytes are, whatever the option
}

TEST(AdifReader, TokenizerIgnoresLengthsAndCutsAtLessThan) {
    ScratchDir dir;
    const std::string file =
        "<EOH>\r\n<CALL:3>JA1ABC <QSO_DATE:8:D>20240501 <TIME_ON:4>09<30 <NAME :2> Taro Yamada <EOR>\r\n";
    Converted c = Convert(dir, file, {{"CALL", kColCall}, {"TIME_ON", kColTime}});
    // "30 <NAME " became a tag name of its own.
    EXPECT_EQ(c.scan.table.Names(), (std::vector<std::string>{"CALL", "QSO_DATE", "TIME_ON", "30 <NAME"}));
    ASSERT_EQ(c.lines.size(), 1u);
    EXPECT_EQ(Field(c.lines[0], 1), "JA1ABC");
    EXPECT_EQ(Field(c.lines[0], 3), "09:U");
}

TEST(AdifReader, SeveralEorOnOneLineMakeOneRecord) {
    ScratchDir dir;
    // The prescan drops every <EOR>; the run leaves their "<", so a tag right after an
    // <EOR> in the same line is read with a name starting "<" and matches no table entry.
    const std::string file =
        "<EOH>\r\n<CALL:3>AAA <MODE:2>CW <MODE:3>SSB <EOR><CALL:3>BBB <EOR> <NAME:3>BOB\r\n"
        "<CALL:3>CCC <EOR>\r\n";
    Converted c = Convert(dir, file, {{"CALL", kColCall}, {"MODE", kColMode}, {"NAME", kColName}});
    EXPECT_EQ(c.scan.records, 2);
    EXPECT_EQ(c.run.records, 2);
    ASSERT_EQ(c.lines.size(), 2u);
    EXPECT_EQ(Field(c.lines[0], 1), "AAA");
    EXPECT_EQ(Field(c.lines[0], 7), "SSB");  // the last occurrence in a record wins
    EXPECT_EQ(Field(c.lines[0], 11), "");
    EXPECT_EQ(Field(c.lines[1], 1), "CCC");
}

TEST(AdifReader, EmptyRecordsAndEmptyNames) {
    ScratchDir dir;
    // A line with only <EOR> is no record in the prescan but one (empty) line in the run;
    // an empty tag name finds entry 0 and so fills every column without a tag.
    const std::string file = "<EOH>\r\n<CALL:3>AAA <MODE:2>CW <EOR>\r\n<EOR>\r\n<CALL:3>BBB <:2>ZZ <EOR>\r\n";
    Converted c = Convert(dir, file, {{"CALL", kColCall}, {"MODE", kColMode}});
    EXPECT_EQ(c.scan.records, 2);
    EXPECT_EQ(c.run.records, 3);
    ASSERT_EQ(c.lines.size(), 3u);
    EXPECT_EQ(c.lines[1], R"("","",":U","","","","","","","   ","","","","","8")");
    EXPECT_EQ(c.lines[2], R"("BBB","//","ZZ:U","ZZ","ZZ","ZZ","","ZZ","ZZ","   ","ZZ","ZZ","ZZ","ZZ","8")");
}

TEST(AdifReader, CodeTagsAndQslVia) {
    ScratchDir dir;
    const std::string file =
        "<EOH>\r\n"
        "<CALL:3>AAA <JCC:5>C1001 <DXCC:3>291 <EOR>\r\n"                  // letter dropped
        "<CALL:3>BBB <DXCC:3>291 <JCG:5>10001 <EOR>\r\n"                  // JCC wins over DXCC
        "<CALL:3>CCC <AJA:3>ｱ12 <JCC:4>1001 <EOR>\r\n"                    // AJA wins; ｱ is >= "A"
        "<CALL:3>DDD <JCC:4>１001 <QSL_VIA:4>JARL <QSL_VIA:0> <EOR>\r\n"  // a double-byte first character
                                                                          // stays
        "<CALL:3>EEE <JCC:1>C <MY_CODE:3>999 <EOR>\r\n";  // nothing left: the Code column decides
    Converted c = Convert(dir, trelvo::text::Utf8ToCp932(file),
                          {{"CALL", kColCall}, {"QSL_VIA", kColRemarks2}, {"MY_CODE", kColCode}});
    ASSERT_EQ(c.lines.size(), 5u);
    EXPECT_EQ(Field(c.lines[0], 8), "1001");
    EXPECT_EQ(Field(c.lines[1], 8), "10001");
    EXPECT_EQ(Field(c.lines[2], 8), "12");
    EXPECT_EQ(Field(c.lines[3], 8), "１001");
    EXPECT_EQ(Field(c.lines[3], 14), "JARL");  // an empty QSL_VIA does not overwrite
    EXPECT_EQ(Field(c.lines[4], 8), "999");
}

TEST(AdifReader, Utf8InputAndItsDetection) {
    ScratchDir dir;
    const std::string utf8 = "<EOH>\r\n<CALL:6>JA1ABC <NAME:6>山田 <QTH:9>ｔｏｋｙｏ <EOR>\r\n";
    const std::vector<std::pair<std::string, int>> map = {
        {"CALL", kColCall}, {"NAME", kColName}, {"QTH", kColQth}};
    // Read as Shift-JIS the names are garbled, and the bytes say UTF-8.
    Converted c = Convert(dir, utf8, map);
    EXPECT_NE(Field(c.lines[0], 11), "山田");
    EXPECT_TRUE(c.run.traits.LooksLikeUtf8());
    AdifReadOptions read;
    read.encoding = AdifEncoding::Auto;
    c = Convert(dir, utf8, map, read);
    EXPECT_EQ(c.scan.encoding, AdifEncoding::Utf8);
    EXPECT_EQ(Field(c.lines[0], 11), "山田");
    EXPECT_EQ(Field(c.lines[0], 12), "ＴＯＫＹＯ");  // full-width letters are upper-cased too
    // Shift-JIS text is not valid UTF-8: auto keeps CP932.
    c = Convert(dir, trelvo::text::Utf8ToCp932(utf8), map, read);
    EXPECT_EQ(c.scan.encoding, AdifEncoding::Cp932);
    EXPECT_EQ(Field(c.lines[0], 12), "ＴＯＫＹＯ");
    EXPECT_FALSE(c.run.traits.LooksLikeUtf8());
    // A Shift-JIS second byte that looks like "r" is not a letter.
    c = Convert(dir, trelvo::text::Utf8ToCp932("<EOH>\r\n<CALL:3>ビa <EOR>\r\n"), {{"CALL", kColCall}});
    EXPECT_EQ(Field(c.lines[0], 1), "ビA");
    EXPECT_EQ(trelvo::text::Utf8ToCp932("ビ"), "\x83\x72");
}

TEST(AdifReader, ShiftJisEorRemovalKeepsWholeCharacters) {
    ScratchDir dir;
    // 0x83 0x45 is a katakana whose second byte is "E": "ウOR>" must survive the removal.
    const std::string name = "\x83\x45OR>X";
    const std::string file = "<EOH>\r\n<CALL:3>AAA <NAME:6>" + name + " <EOR>\r\n";
    Converted c = Convert(dir, file, {{"CALL", kColCall}, {"NAME", kColName}});
    ASSERT_EQ(c.lines.size(), 1u);
    EXPECT_EQ(Field(c.lines[0], 11), "ウOR>X");
}

TEST(AdifReader, MeterRefusalCancelAndBadDates) {
    ScratchDir dir;
    const std::string file =
        "<EOH>\r\n<CALL:3>AAA <FREQ:3>7.0 <EOR>\r\n<CALL:3>BBB <FREQ:3>20M <EOR>\r\n<CALL:3>CCC <EOR>\r\n";
    Scripted no;
    no.answer = false;
    Converted c = Convert(dir, file, {{"CALL", kColCall}, {"FREQ", kColFreq}}, {}, &no);
    EXPECT_EQ(c.run.status, AdifRunResult::Status::Aborted);
    EXPECT_EQ(c.run.written, 1);
    EXPECT_EQ(c.lines.size(), 1u);

    Scripted cancel;
    cancel.cancelAfter = 5 + 2;  // the prescan polls 5 times; the run stops before its third line
    c = Convert(dir, file, {{"CALL", kColCall}}, {}, &cancel);
    EXPECT_EQ(c.run.status, AdifRunResult::Status::Cancelled);
    EXPECT_EQ(c.lines.size(), 1u);

    Scripted warn;
    AdifLineOptions opt;
    opt.jstForJa = true;
    c = Convert(dir,
                "<EOH>\r\n<CALL:6>JA1ABC <QSO_DATE:8>20241301 <TIME_ON:4>0930 <EOR>\r\n"
                "<CALL:6>JA1ABC <QSO_DATE:8>20241201 <TIME_ON:4>0930 <EOR>\r\n",
                kCallDateTime, {}, &warn, opt);
    EXPECT_EQ(c.run.skipped, 1);
    ASSERT_EQ(c.lines.size(), 1u);
    EXPECT_EQ(Field(c.lines[0], 2), "2024/12/01");
    ASSERT_EQ(warn.warnings.size(), 1u);
    EXPECT_NE(warn.warnings[0].find("record 1"), std::string::npos);
}

TEST(AdifReader, BadPaths) {
    ScratchDir dir;
    Scripted cb;
    EXPECT_THROW(ScanAdifTags("", {}, cb), trelvo::Error);
    EXPECT_THROW(ScanAdifTags(dir.File("missing.adi"), {}, cb), trelvo::FileError);
    WriteBytes(dir.File("in.adi"), "<EOH>\r\n<CALL:3>AAA <EOR>\r\n");
    AdifScanResult s = ScanAdifTags(dir.File("in.adi"), {}, cb);
    AdifMeterState meter;
    EXPECT_THROW(ConvertAdifLog(dir.File("in.adi"), dir.File("in.adi"), s.table, {}, {}, {}, meter, cb),
                 trelvo::FileError);
    EXPECT_EQ(ReadBytes(dir.File("in.adi")), "<EOH>\r\n<CALL:3>AAA <EOR>\r\n");
}

// The ADIF project's test-QSO file: LF line ends, USERDEF and APP_ fields, multi-line
// values, free text between records and after the last. Converted with LF line ends, it
// gives as many records as its trailer says were emitted.
TEST(AdifReader, PublishedTestQsoFile) {
    const std::string path = std::string(TRELVO5_REALDATA_DIR) + "/ADIF_317_test_QSOs.adi";
    if (!trelvo::FileExists(path)) GTEST_SKIP() << path << " is not here";
    std::smatch m;
    const std::string bytes = ReadBytes(path);
    ASSERT_TRUE(std::regex_search(bytes, m, std::regex("Records emitted:\\s*([0-9]+)")));
    const long long declared = std::stoll(m[1]);
    ScratchDir dir;
    Scripted cb;
    AdifReadOptions read;
    read.lfEndsLine = true;
    AdifScanResult s = ScanAdifTags(path, read, cb);
    EXPECT_EQ(s.records, declared);
    EXPECT_GT(s.overflowCount, 0);
    AdifMappingModel model(s.table.Names());
    for (auto [tag, col] : kCallDateTime) model.Click(s.table.Find(tag), col);
    AdifLineOptions opt;
    opt.widths = trelvo::hamlog::DefaultHdbFieldLengths();
    AdifMeterState meter;
    AdifRunResult r =
        ConvertAdifLog(path, dir.File("out.csv"), s.table, model.BuildMapping(), read, opt, meter, cb);
    EXPECT_EQ(r.status, AdifRunResult::Status::Completed);
    EXPECT_EQ(r.records, declared);
    EXPECT_EQ(r.written, declared);
    EXPECT_TRUE(cb.warnings.empty());
}
