#include "importers/adif/adif_reader.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/platform.h"
#include "test_support.h"
#include "text/cp932.h"

using namespace trelvo::adif;
using trelvo::testing::ReadBytes;
using trelvo::testing::ScratchDir;
using trelvo::testing::WriteBytes;
using Scripted = trelvo::testing::RecordingCallbacks;

namespace {

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
    const AdifMapping mapping = model.BuildMapping();
    c.run = ConvertAdifLog(
        {dir.File("in.adi"), dir.File("out.csv"), &c.scan.table, &mapping, read, opt, &meter, {}}, *cb);
    std::string out = trelvo::text::Cp932ToUtf8(ReadBytes(dir.File("out.csv")));
    for (std::size_t at = 0, end; (end = out.find("\r\n", at)) != std::string::npos; at = end + 2)
        c.lines.push_back(out.substr(at, end - at));
    return c;
}

const std::vector<std::pair<std::string, int>> kCallDateTime = {
    {"CALL", kColCall}, {"QSO_DATE", kColDate}, {"TIME_ON", kColTime}};

}  // namespace

// The line, record and tag rules are checked through the command (the golden cases), from the
// header to the odd tag names and Shift-JIS bytes; these are the cases it cannot reach.
TEST(AdifReader, CancelKeepsTheLinesWritten) {
    ScratchDir dir;
    Scripted cancel;
    cancel.cancelAfterPolls = 5 + 2;  // the prescan polls 5 times; the run stops before its third line
    Converted c = Convert(dir, "<EOH>\r\n<CALL:3>AAA <EOR>\r\n<CALL:3>BBB <EOR>\r\n<CALL:3>CCC <EOR>\r\n",
                          {{"CALL", kColCall}}, {}, &cancel);
    EXPECT_EQ(c.run.status, AdifRunResult::Status::Cancelled);
    EXPECT_EQ(c.run.written, 1);
    EXPECT_NE(c.run.keptPath.find("(中止)"), std::string::npos) << c.run.keptPath;
}

TEST(AdifReader, BadPaths) {
    ScratchDir dir;
    Scripted cb;
    EXPECT_THROW(ScanAdifTags("", {}, cb), trelvo::Error);
    EXPECT_THROW(ScanAdifTags(dir.File("missing.adi"), {}, cb), trelvo::FileError);
    WriteBytes(dir.File("in.adi"), "<EOH>\r\n<CALL:3>AAA <EOR>\r\n");
    AdifScanResult s = ScanAdifTags(dir.File("in.adi"), {}, cb);
    AdifRunOptions run;
    run.inputPath = run.outputPath = dir.File("in.adi");
    run.table = &s.table;
    EXPECT_THROW(ConvertAdifLog(run, cb), trelvo::FileError);
    EXPECT_EQ(ReadBytes(dir.File("in.adi")), "<EOH>\r\n<CALL:3>AAA <EOR>\r\n");
}

// The fuzzers read bytes in memory; what they find must be what a user's file gives. Each form
// the reader tells apart: CR LF, LF only (found by the first block), the XML form, no header,
// UTF-8, an empty file.
TEST(AdifReader, BytesInMemoryReadAsTheSameFile) {
    const std::string sjis = "\x96\xBC\x91\x4F";  // a name in Shift-JIS
    const std::vector<std::string> inputs = {
        "head\r\n<EOH>\r\n<CALL:4>JA1A<QSO_DATE:8>20240102<TIME_ON:4>1234<EOR>\r\n<call:3>K1B <eor>\r\n",
        "<EOH>\n<CALL:4>JA1A<NAME:4>" + sjis + "<EOR>\n<CALL:2>W1\n<EOR>\n",
        "<?xml version=\"1.0\"?><ADX><HEADER/><RECORDS><RECORD><CALL>JA1A</CALL><QSO_DATE>20240102"
        "</QSO_DATE></RECORD></RECORDS></ADX>",
        "<CALL:4>JA1A<TIME_ON:4>1234<EOR><CALL:3>K1B<EOR>",
        "<EOH>\r\n<CALL:4>JA1A<NAME:6>\xE5\x90\x8D\xE5\x89\x8D<EOR>\r\n",
        "",
    };
    struct Read {
        AdifScanResult scan;
        AdifRunResult run;
        std::string csv;
        std::vector<std::string> warnings;
    };
    // The prescan and a run with every tag at its row's column, from the file or from memory.
    const auto read = [](const std::string& path, const std::string_view* bytes) {
        Read r;
        Scripted cb;
        AdifReadOptions options;
        options.inputBytes = bytes;
        r.scan = ScanAdifTags(path, options, cb);
        AdifMappingModel model(r.scan.table.Names());
        model.AutoMap();
        const AdifMapping mapping = model.BuildMapping();
        AdifReadOptions run = r.scan.RunOptions();
        run.inputBytes = bytes;
        if (bytes) run.outputSink = &r.csv;
        AdifLineOptions line;
        line.widths = trelvo::hamlog::DefaultHdbFieldLengths();
        AdifMeterState meter;
        const std::string out = path + ".csv";
        r.run = ConvertAdifLog({path, out, &r.scan.table, &mapping, run, line, &meter, {}}, cb);
        if (!bytes) r.csv = ReadBytes(out);
        r.warnings = cb.warnings;
        return r;
    };
    for (const std::string& bytes : inputs) {
        SCOPED_TRACE(bytes);
        ScratchDir dir;
        WriteBytes(dir.File("in.adi"), bytes);
        const Read file = read(dir.File("in.adi"), nullptr);
        const std::string_view in(bytes);
        const Read memory = read(dir.File("in.adi"), &in);
        EXPECT_EQ(memory.scan.table.Names(), file.scan.table.Names());
        EXPECT_EQ(memory.scan.records, file.scan.records);
        EXPECT_EQ(memory.scan.encoding, file.scan.encoding);
        EXPECT_EQ(memory.scan.lfEndsLine, file.scan.lfEndsLine);
        EXPECT_EQ(memory.scan.adx, file.scan.adx);
        EXPECT_EQ(memory.scan.headerless, file.scan.headerless);
        EXPECT_EQ(memory.run.written, file.run.written);
        EXPECT_EQ(memory.csv, file.csv);
        EXPECT_EQ(memory.warnings, file.warnings);
        if (!bytes.empty()) {
            EXPECT_GT(file.run.written, 0);
        }
    }
}

// The ADIF project's test-QSO file (LF line ends, USERDEF and APP_ fields, multi-line values,
// free text between records) has more tag names than the table holds; the only warnings are for
// the records whose date is lost to a comment holding "<". (That every record its trailer counts
// is written is checked through the command, golden case adif/published-test-qsos.)
TEST(AdifReader, PublishedTestQsoFile) {
    const std::string path = std::string(TRELVO5_REALDATA_DIR) + "/ADIF_317_test_QSOs.adi";
    if (!trelvo::FileExists(path)) GTEST_SKIP() << path << " is not here";
    ScratchDir dir;
    Scripted cb;
    AdifReadOptions read;
    read.lfEndsLine = true;
    Converted c = Convert(dir, ReadBytes(path), kCallDateTime, read, &cb);
    EXPECT_GT(c.scan.overflowCount, 0);
    EXPECT_EQ(c.run.status, AdifRunResult::Status::Completed);
    EXPECT_EQ(c.run.written, c.scan.records);
    for (const std::string& w : cb.warnings)
        EXPECT_NE(w.find("the record has no date"), std::string::npos) << w;
}

// What the reader keeps as the record layout says but tells the user about, naming the record
// and line: merged records, a last record without <EOR>, no date or time, NUL bytes.
TEST(AdifReader, WarnsAboutWhatItReadsDifferentlyThanWritten) {
    struct Case {
        std::string body;     // after the header
        std::string warning;  // a part of the one warning expected
        std::string line;     // the CSV line, unchanged by the warning
    };
    const std::vector<Case> cases = {
        {"<CALL:3>AAA <QSO_DATE:8>20240501 <TIME_ON:4>0930 <EOR\r\n<CALL:3>BBB <QSO_DATE:8>20240502 "
         "<TIME_ON:4>1000 <EOR>\r\n",
         "record 1 (ending on line 3): the tag QSO_DATE appears twice", ""},
        {"<CALL:3>AAA <QSO_DATE:8>20240501 <TIME_ON:4>0930 <EOR>\r\n<CALL:3>BBB <QSO_DATE:8>20240502\r\n",
         "the last record (from line 3) has no <EOR>", ""},
        {"<CALL:3>AAA <TIME_ON:4>0930 <QSO_DATE:8>20240501 <EOR>\r\n<CALL:3>BBB <QSO_DATE:8>20240502 "
         "<EOR>\r\n",
         "record 2 (ending on line 3): the record has no time", ""},
        {std::string("<CALL:3>A\0A <QSO_DATE:8>20240501 <TIME_ON:4>0930 <EOR>\r\n", 56),
         "NUL bytes in the values are left out", "\"AA\",\"24/05/01\",\"09:30U\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.warning);
        ScratchDir dir;
        Scripted cb;
        const Converted r = Convert(dir, "<EOH>\r\n" + c.body, kCallDateTime, {}, &cb);
        ASSERT_EQ(1u, cb.warnings.size()) << (cb.warnings.empty() ? "" : cb.warnings[0]);
        EXPECT_NE(std::string::npos, cb.warnings[0].find(c.warning)) << cb.warnings[0];
        EXPECT_NE(std::string::npos, cb.warnings[0].find("in.adi")) << cb.warnings[0];
        if (!c.line.empty()) {
            ASSERT_FALSE(r.lines.empty());
            EXPECT_EQ(0u, r.lines[0].find(c.line)) << r.lines[0];
        }
    }
}

// Which program wrote a file is read from the header alone: a PROGRAMID inside a record (Log4OM
// writes one in every record) or in a file without <EOH> names no writer. Only eQSL's inbox
// download is read from the other station's side, and --map auto maps it that way.
TEST(AdifReader, ProgramIdComesFromTheHeaderOnly) {
    ScratchDir dir;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Received eQSLs for JA1XYZ\r\n<PROGRAMID:21>eQSL.cc DownloadInBox\r\n<ADIF_Ver:5>3.1.0\r\n<EOH>\r\n",
         "eQSL.cc DownloadInBox"},
        {"<adif_ver:5>3.1.1 <programid:7>LOG4OM2<eoh>\n<CALL:3>AAA <EOR>\n", "LOG4OM2"},
        {"log\n<EOH>\n<CALL:3>AAA <PROGRAMID:7>LOG4OM2 <EOR>\n", ""},
        {"<CALL:3>AAA <PROGRAMID:21>eQSL.cc DownloadInBox <EOR>\n", ""},
    };
    for (const auto& [bytes, id] : cases) {
        WriteBytes(dir.File("p.adi"), bytes);
        EXPECT_EQ(ReadAdifProgramId(dir.File("p.adi")), id) << bytes;
    }
    EXPECT_TRUE(IsSendersViewProgram("eqsl.cc downloadinbox"));
    EXPECT_FALSE(IsSendersViewProgram("eQSL.cc DownloadADIF"));  // the user's own uploads

    // (The reports taken the other way round are in golden case dialects/eqsl-inbox, which has
    // no QSL_RCVD.)
    AdifMappingModel model({"CALL", "RST_SENT", "RST_RCVD", "QSL_SENT", "QSL_RCVD"});
    model.AutoMap(true);
    const AdifMapping map = model.BuildMapping();
    EXPECT_EQ(map.columnMap[kColQslRcvd], 4);
    EXPECT_EQ(map.columnMap[kColQslSent], 0);
}
