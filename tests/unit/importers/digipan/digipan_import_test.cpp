#include "importers/digipan/digipan_import.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/errors.h"
#include "test_support.h"
#include "text/chars.h"
#include "text/cp932.h"

using namespace trelvo::digipan;
using trelvo::testing::ReadBytes;
using trelvo::testing::RecordingCallbacks;
using trelvo::testing::ScratchDir;
using trelvo::testing::WriteBytes;

namespace {

// One log line of 20 values; the used ones are given, the others filled as DigiPan would.
std::string Line(const std::string& call, const std::string& stamp, const std::string& name = "Taro") {
    return "1;" + call + ";" + stamp + ";" + stamp + ";BPSK31;20m;1500;14070.150;50W;DP;599;579;PM95;;" +
           name + ";Tokyo;tnx;JARL;N;N";
}

std::vector<std::string> OutputLines(const std::string& path) {
    std::vector<std::string> lines = trelvo::text::Split(trelvo::text::Cp932ToUtf8(ReadBytes(path)), '\n');
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

struct Fixture {
    ScratchDir dir;
    DigipanOptions options;
    Fixture(const std::string& logBytes) {
        options.logPath = dir.File("Digipan.LOG");
        options.geneDataFolder = dir.Path();
        WriteBytes(options.logPath, logBytes);
    }
    std::string Out() const { return dir.File(kOutputFileName); }
};

}  // namespace

TEST(DigipanImport, ProgressPerContactAndCancelKeepsWhatWasWritten) {
    std::string log;
    for (int i = 0; i < 5; ++i)
        log += Line("JA1AA" + std::to_string(i), "20240501120" + std::to_string(i)) + "\r\n";
    Fixture f(log);

    RecordingCallbacks all;
    DigipanResult r = ConvertDigipanLog(f.options, all);
    EXPECT_FALSE(r.cancelled);
    EXPECT_EQ(r.contacts, 5);
    EXPECT_EQ(all.progress, (std::vector<long long>{1, 2, 3, 4, 5}));
    EXPECT_EQ(all.polls, 5 + 6);  // once per log line, then once per contact and at the end
    EXPECT_EQ(r.outputPath, f.Out());
    EXPECT_EQ(OutputLines(f.Out()).size(), 5u);

    RecordingCallbacks stop;
    stop.cancelAfter = 3;
    r = ConvertDigipanLog(f.options, stop);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.contacts, 3);
    EXPECT_EQ(OutputLines(f.Out()).size(), 5u) << "the complete output of the first run stays";
    std::vector<std::string> lines = OutputLines(r.keptPath);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].substr(0, 10), "\"JA1AA2\",\"");
    EXPECT_TRUE(stop.warnings.empty());
}

// Bad dates, ragged and shifted lines, bad bytes, quotes over lines and the marks and options on
// every line are checked through the command; these are the cases it does not reach.
TEST(DigipanImport, MarksUsedAreReportedBackOnlyWhenSomethingWasConverted) {
    Fixture f(Line("JA1AAA", "202412311530") + "\r\n");
    f.options.qslIssue = true;
    f.options.issueMark = "";  // an empty box counts as a space
    f.options.qslSent = true;
    f.options.sentMark = "済み";
    trelvo::NullCallbacks none;
    DigipanResult r = ConvertDigipanLog(f.options, none);
    EXPECT_EQ(r.issueMark, " ");
    EXPECT_EQ(r.sentMark, "済み");
    EXPECT_NE(ReadBytes(f.Out()).find(trelvo::text::Utf8ToCp932("\" 済 \"")), std::string::npos);

    // Nothing converted: the boxes and the earlier output are left as they were.
    const std::string before = ReadBytes(f.Out());
    WriteBytes(f.options.logPath, "");
    r = ConvertDigipanLog(f.options, none);
    EXPECT_EQ(r.contacts, 0);
    EXPECT_EQ(r.issueMark, "");
    EXPECT_FALSE(r.outputReplaced);
    EXPECT_EQ(ReadBytes(f.Out()), before);
    EXPECT_EQ(CompletionMessage(r).substr(0, 2), "0 ");
}

// (A log given as the output, or a folder as the log, is refused through the command.)
TEST(DigipanImport, ALogNamedLikeTheWorkFileIsNeverOverwritten) {
    Fixture f(Line("JA1AAA", "202405011200") + "\r\n");
    trelvo::NullCallbacks none;
    DigipanOptions asTemp = f.options;
    asTemp.logPath = f.dir.File(kTempFileName);
    const std::string bytes = ReadBytes(f.options.logPath);
    WriteBytes(asTemp.logPath, bytes);
    EXPECT_THROW(ConvertDigipanLog(asTemp, none), trelvo::FileError);
    EXPECT_EQ(ReadBytes(asTemp.logPath), bytes);
}

// NUL bytes in a value are left out with a warning naming the line.
TEST(DigipanImport, LeavesOutNulBytesWithAWarning) {
    Fixture f(Line("JA1ABC", "202405010312", std::string("Ta\0ro", 5)) + "\r\n");
    RecordingCallbacks cb;
    const DigipanResult r = ConvertDigipanLog(f.options, cb);
    EXPECT_EQ(1, r.contacts);
    ASSERT_EQ(1u, cb.warnings.size());
    EXPECT_NE(std::string::npos, cb.warnings[0].find("line 1: value 15 holds NUL bytes")) << cb.warnings[0];
    const std::vector<std::string> lines = OutputLines(f.Out());
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(std::string::npos, lines[0].find("\"Taro\"")) << lines[0];
}
