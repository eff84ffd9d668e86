// The record pass where the command cannot reach it: records the database layer cannot
// deliver (bad dates and times, deleted records), cancel, the DX code table, and the order of
// the library calls. The writers themselves are checked by the golden cases.
#include "export/hamlog_export.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/errors.h"
#include "hamlog/memory_library.h"
#include "test_support.h"

using namespace trelvo::exports;
using trelvo::hamlog::MemoryHamlogLibrary;
using trelvo::hamlog::MemoryHamlogRecord;
using trelvo::testing::ReadBytes;
using Script = trelvo::testing::RecordingCallbacks;
using trelvo::testing::ScratchDir;
using trelvo::testing::WriteBytes;
namespace hl = trelvo::hamlog;

namespace {

MemoryHamlogRecord Qso(const std::string& call, const std::string& date, const std::string& time = "12:00U",
                       const std::string& code = "", bool deleted = false) {
    MemoryHamlogRecord r;
    r.fields[hl::kFieldCall] = call;
    r.fields[hl::kFieldDate] = date;
    r.fields[hl::kFieldTime] = time;
    r.fields[hl::kFieldHisRst] = "599";
    r.fields[hl::kFieldMyRst] = "599";
    r.fields[hl::kFieldFreq] = "7.012";
    r.fields[hl::kFieldMode] = "CW";
    r.fields[hl::kFieldCode] = code;
    r.fields[hl::kFieldQsl] = "J  ";
    r.deleted = deleted;
    return r;
}

struct Fixture {
    ScratchDir dir;
    MemoryHamlogLibrary lib;
    Script script;
    ExportOptions o;
    Fixture(ExportKind kind) {
        o.kind = kind;
        o.dbPath = dir.File("Hamlog.HDB");
        o.outputPath = dir.File("out.txt");
        o.programFolder = dir.Path();
    }
    ExportResult Run() { return ExportHamlogData(lib, o, script); }
    std::string Output() const { return ReadBytes(o.outputPath); }
};

std::size_t Lines(const std::string& s) {
    std::size_t n = 0;
    for (std::size_t at = s.find("\r\n"); at != std::string::npos; at = s.find("\r\n", at + 2)) ++n;
    return n;
}

TEST(ExportPass, SkipsWhatCannotBeReadAndStopsAtWhatCannotBeWritten) {
    // A date that is not one: reported and skipped inside a date range; in the other ranges
    // it ends the pass with the record and the value, earlier lines kept.
    Fixture dates(ExportKind::kCsv5);
    dates.lib.records = {Qso("JA1AAA", "20240101"), Qso("JA1BBB", "20241399"), Qso("JA1CCC", "20240102"),
                         Qso("JA1DDD", "20240103", "12:00U", "", true)};
    dates.o.range = RangeMode::kDates;
    dates.o.dateFrom = "20240102";
    dates.o.dateTo = "20240101";
    ExportResult r = dates.Run();
    EXPECT_EQ(2, r.converted);
    EXPECT_TRUE(r.failure.empty());
    ASSERT_EQ(1u, dates.script.warnings.size());
    EXPECT_NE(std::string::npos, dates.script.warnings[0].find(
                                     "レコードナンバー (2) は 日付(20241399)異常です、無視しました。"));
    // The deleted record is skipped without a word; the counter still shows it.
    EXPECT_EQ((std::vector<long long>{1, 2, 3, 4}), dates.script.progress);

    struct Case {
        ExportKind kind;
        MemoryHamlogRecord bad;
        const char* says;
    } cases[] = {
        {ExportKind::kCsv, Qso("JA1BBB", "20240230"), "record 2: the date \"20240230\" is not a date"},
        {ExportKind::kBackup, Qso("JA1BBB", "????0101"), "the date \"????0101\""},
        {ExportKind::kAdif, Qso("JA1BBB", "20240101", "1x:00J"), "record 2: the JST time \"1x:00J\""},
        {ExportKind::kAdif, Qso("JA1BBB", "20240101", "24:00J"), "the JST time \"24:00J\""},
        {ExportKind::kAdif, Qso("JA1BBB", "20240101", "12:00J", "A01B"), "the code \"A01B\""},
    };
    for (const Case& c : cases) {
        Fixture f(c.kind);
        f.lib.records = {Qso("JA1AAA", "20240101"), c.bad, Qso("JA1CCC", "20240102")};
        SCOPED_TRACE(c.says);
        WriteBytes(f.o.outputPath, "an older output\r\n");
        r = f.Run();
        EXPECT_EQ(0, r.converted);
        const std::string failure = Render(r.failure, trelvo::Lang::kEnglish);
        EXPECT_NE(std::string::npos, failure.find(c.says)) << failure;
        EXPECT_NE(std::string::npos, failure.find("nothing was written")) << failure;
        // The record before the bad one is not put in place over the older output.
        EXPECT_EQ("an older output\r\n", f.Output());
        EXPECT_FALSE(f.lib.IsOpen());
    }
}

TEST(ExportPass, CancelKeepsTheLinesWrittenAndTheLibraryIsUsedInOrder) {
    Fixture f(ExportKind::kCsv);
    for (int i = 0; i < 5; ++i) f.lib.records.push_back(Qso("JA1AA" + std::to_string(i), "20240101"));
    f.script.cancelAfter = 2;
    long long first = 0, last = 0;
    f.o.passStarts = [&](long long a, long long b) { first = a, last = b; };
    ExportResult r = f.Run();
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(2, r.converted);
    EXPECT_FALSE(std::filesystem::exists(f.o.outputPath)) << "no partial file under the result's name";
    EXPECT_EQ(r.keptPath, f.dir.File("out(中止).txt"));
    EXPECT_EQ(2u, Lines(ReadBytes(r.keptPath)));
    EXPECT_EQ(1, first);
    EXPECT_EQ(5, last);
    const std::string log = f.lib.TakeLog();
    EXPECT_EQ(0u, log.find("SetQsoOrMaster(1), HamlogClose, HamlogOpen(")) << log;
    EXPECT_NE(std::string::npos,
              log.find("Vdbf_rcount, THW_read(1), ThwString(10), ThwString(2), ThwString(0)"))
        << log;
    EXPECT_NE(std::string::npos, log.rfind("HamlogClose")) << log;
}

TEST(ExportPass, RefusesBeforeCreatingTheOutput) {
    Fixture f(ExportKind::kAdif);
    f.lib.records = {Qso("JA1AAA", "20240101")};
    f.lib.openResult = 2;  // the reason number of a database held open elsewhere
    EXPECT_THROW(f.Run(), trelvo::FileError);
    f.lib.openResult = 0;
    f.o.writer.standard = true;
    f.o.writer.ExportKhz = true;
    EXPECT_THROW(f.Run(), trelvo::Error);
    f.o.writer.ExportKhz = false;
    f.o.writer.standard = false;
    f.o.writer.encoding = OutputEncoding::kUtf8;
    EXPECT_THROW(f.Run(), trelvo::Error);
    f.o.writer.encoding = OutputEncoding::kCp932;
    f.o.range = RangeMode::kRecords;
    f.o.recordFrom = "x1";
    EXPECT_THROW(f.Run(), trelvo::Error);
    EXPECT_FALSE(std::filesystem::exists(f.o.outputPath));
    // An output that cannot be created: the database is closed again.
    f.o.range = RangeMode::kAll;
    f.o.outputPath = f.dir.Path();
    EXPECT_THROW(f.Run(), trelvo::FileError);
    EXPECT_FALSE(f.lib.IsOpen());
}

TEST(ExportAdif, DxCodesGoThroughTheTableBesideTheProgram) {
    Fixture f(ExportKind::kAdif);
    WriteBytes(f.dir.File("HL2ADIF.txt"), "501\t291\r\n# comment\r\n");
    f.lib.records = {Qso("W1AW", "20240101", "12:00U", "501A"), Qso("VK2ABC", "20240101", "12:00U", "502A"),
                     Qso("JA1AAA", "20240101", "12:00U", "499A")};
    EXPECT_EQ(3, f.Run().converted);
    const std::string out = f.Output();
    EXPECT_NE(std::string::npos, out.find("<MODE:2>CW<DXCC:3>291<RST_SENT"));
    EXPECT_NE(std::string::npos, out.find("<MODE:2>CW<DXCC:0><RST_SENT"));
    EXPECT_NE(std::string::npos, out.find("<JCC:4>499A"));
}

// Short dates and impossible days are checked through the command and the window.
TEST(ExportRange, TheDateCheckBeforeEveryExport) {
    EXPECT_EQ(std::nullopt, ValidateExportRange("20240229", "20241231"));
    EXPECT_EQ(kMsgDateDigits, ValidateExportRange("20240229", "").value_or(""));
    EXPECT_EQ(kMsgStartDateInvalid, ValidateExportRange("20230229", "20241231").value_or(""));
    EXPECT_EQ(kMsgStartDateInvalid, ValidateExportRange("2024ab01", "20241231").value_or(""));
}

TEST(ExportSave, EachKindProposesItsName) {
    const trelvo::text::DateTime now{2026, 12, 5, 9, 7, 0};
    EXPECT_EQ("ADIFLOG_20261205_0907", SaveDialogFor(ExportKind::kAdif, now).proposedName);
    EXPECT_EQ("HL5CSVLOG_20261205_0907", SaveDialogFor(ExportKind::kCsv5, now).proposedName);
    EXPECT_EQ("HL5BAK0001", SaveDialogFor(ExportKind::kBackup, now).proposedName);
    const std::string stamp = UtcTimestampNow();
    ASSERT_EQ(15u, stamp.size());
    EXPECT_EQ(' ', stamp[8]);
}

}  // namespace
