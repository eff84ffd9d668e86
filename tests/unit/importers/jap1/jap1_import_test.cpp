#include "importers/jap1/jap1_import.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "core/errors.h"
#include "test_support.h"

using namespace trelvo::jap1;
using trelvo::testing::ReadBytes;
using Script = trelvo::testing::RecordingCallbacks;
using trelvo::testing::ScratchDir;
using trelvo::testing::WriteBytes;

namespace {

const std::string kHeaders = "JAP1\r\nCALL,DATE,RST,FREQ,MODE,CODE,GL,QSL,NAME,QTH,REM1,REM2\r\n";

std::string Record(int i, const std::string& remarks = "") {
    return "\"JA1A" + std::to_string(i) + "\",\"98/07/15 21:0" + std::to_string(i % 10) +
           "\",\"599599\",\"7\",\"CW\",\"\",\"\",\"J\",\"\",\"\",\"" + remarks + "\",\"\"\r\n";
}

std::string Line(int i, const std::string& remarks = "") {
    return "\"JA1A" + std::to_string(i) + "\",\"98/07/15\",\"21:0" + std::to_string(i % 10) +
           "J\",\"599\",\"599\",\"7\",\"CW\",\"\",\"\",\"J  \",\"\",\"\",\"" + remarks + "\",\"\",\"0\"\r\n";
}

// LOG.TXT in `dir` holding the headers and `records`, converted into OUT.CSV there.
Jap1Options Options(const ScratchDir& dir, const std::string& records) {
    WriteBytes(dir.File("LOG.TXT"), kHeaders + records);
    Jap1Options o;
    o.inputPath = dir.File("LOG.TXT");
    o.outputPath = dir.File("OUT.CSV");
    o.programFolder = dir.Path();
    return o;
}

}  // namespace

TEST(Jap1Import, DefaultsToTheProgramFolderForTableAndOutput) {
    ScratchDir program, logs;
    WriteBytes(program.File("remconv.txt"), "QSL OK,QSL sent\r\n");
    WriteBytes(logs.File("LOG.TXT"), kHeaders + Record(1, "QSL OK") + Record(2, "other"));
    Script cb;
    Jap1Options o;
    o.inputPath = logs.File("LOG.TXT");
    o.programFolder = program.Path();
    Jap1Result r = ConvertJap1Csv(o, cb);
    EXPECT_EQ(r.records, 2);
    EXPECT_FALSE(r.cancelled);
    EXPECT_EQ(r.outputPath, program.File("JAP2HL.CSV"));
    EXPECT_EQ(r.remarksTablePath, program.File("remconv.txt"));
    EXPECT_EQ(r.remarksPairs, 1u);
    EXPECT_EQ(ReadBytes(program.File("JAP2HL.CSV")), Line(1, "QSL sent") + Line(2, "other"));
    EXPECT_EQ(cb.progress, (std::vector<long long>{1, 2}));
    EXPECT_TRUE(cb.warnings.empty());
}

TEST(Jap1Import, CancelKeepsTheLinesWrittenAndAReplacedOutputIsTruncated) {
    ScratchDir dir;
    Jap1Options o = Options(dir, Record(1) + Record(2) + Record(3));
    WriteBytes(dir.File("OUT.CSV"), "old contents that must go\r\n");
    Script cb;
    cb.cancelAfter = 2;
    Jap1Result r = ConvertJap1Csv(o, cb);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.records, 2);
    // The output is never replaced by a partial one: the lines go beside it, named so.
    EXPECT_EQ(ReadBytes(dir.File("OUT.CSV")), "old contents that must go\r\n");
    EXPECT_EQ(r.keptPath, dir.File("OUT(中止).CSV"));
    EXPECT_EQ(ReadBytes(dir.File("OUT(中止).CSV")), Line(1) + Line(2));

    cb.cancelAfter = 0;  // cancelled before the first header line: nothing left behind
    cb.progress.clear();
    std::filesystem::remove(dir.File("OUT(中止).CSV"));
    r = ConvertJap1Csv(o, cb);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.records, 0);
    EXPECT_EQ(r.keptPath, "");
    EXPECT_EQ(ReadBytes(dir.File("OUT.CSV")), "old contents that must go\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);

    // A file with headers only finds no record: the existing output stays as well.
    WriteBytes(dir.File("LOG.TXT"), kHeaders);
    cb.cancelAfter = -1;
    r = ConvertJap1Csv(o, cb);
    EXPECT_FALSE(r.cancelled);
    EXPECT_FALSE(r.outputReplaced);
    EXPECT_EQ(ReadBytes(dir.File("OUT.CSV")), "old contents that must go\r\n");
}

// (An input given as the output is refused through the command.)
TEST(Jap1Import, CreatesNothingOnAnEarlyFailure) {
    ScratchDir dir;
    Jap1Options o = Options(dir, Record(1));
    Script cb;
    o.remarksTablePath = dir.File("missing-remconv.txt");
    EXPECT_THROW(ConvertJap1Csv(o, cb), trelvo::FileError);
    o.remarksTablePath.clear();
    o.inputPath = dir.File("missing.TXT");
    EXPECT_THROW(ConvertJap1Csv(o, cb), trelvo::FileError);
    EXPECT_FALSE(std::filesystem::exists(dir.File("OUT.CSV")));
}

// NUL bytes in a value are left out with a warning naming the record.
TEST(Jap1Import, LeavesOutNulBytesWithAWarning) {
    ScratchDir dir;
    Jap1Options o = Options(dir, Record(1, std::string("QSL\0 OK", 7)));
    WriteBytes(dir.File("rem.txt"), "a,b\r\n");
    o.remarksTablePath = dir.File("rem.txt");
    Script cb;
    ConvertJap1Csv(o, cb);
    EXPECT_EQ(ReadBytes(dir.File("OUT.CSV")), Line(1, "QSL OK"));
    ASSERT_EQ(1u, cb.warnings.size());
    EXPECT_NE(std::string::npos, cb.warnings[0].find("record 1 (line 3): value 11 holds NUL bytes"))
        << cb.warnings[0];
}
