#include "importers/zlog/zlog_import.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "settings/ini_store.h"
#include "test_support.h"
#include "zlo_bytes.h"

using namespace trelvo::zlog;
using trelvo::testing::ReadBytes;
using Recorder = trelvo::testing::RecordingCallbacks;
using trelvo::testing::ScratchDir;
using trelvo::testing::WriteBytes;
using trelvo::testing::ZloFields;
using trelvo::testing::ZloHeaderBytes;
using trelvo::testing::ZloRecordBytes;

namespace {

ZlogOptions Options(const ScratchDir& dir) {
    ZlogOptions o;
    o.inputPath = dir.File("in.ZLO");
    o.outputPath = dir.File("out.csv");
    o.widths = trelvo::hamlog::DefaultHdbFieldLengths();
    return o;
}

}  // namespace

TEST(ZlogConversion, ProgressPerRecordAndACancelKeepsTheLinesWritten) {
    ScratchDir dir;
    std::string bytes = ZloHeaderBytes(true);
    for (int i = 0; i < 5; ++i) bytes += ZloRecordBytes(ZloFields{});
    WriteBytes(dir.File("in.ZLO"), bytes);
    Recorder cb;
    cb.cancelAfter = 3;
    const ZlogResult r = ConvertZlogLog(Options(dir), cb);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.records, 3);
    EXPECT_EQ(cb.progress, (std::vector<long long>{1, 2, 3}));
    const std::string line =
        "\"JA1ABC\",\"2024/06/01\",\"12:00J\",\"599\",\"599\",\"7\",\"CW\",\"\",\"\",\"   "
        "\",\"\",\"\",\"1101M\",\"\",\"0\"\r\n";
    EXPECT_EQ(r.keptPath, dir.File("out(中止).csv"));
    EXPECT_EQ(ReadBytes(r.keptPath), line + line + line);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.csv")));

    // An output without an extension gets the mark at its end.
    ZlogOptions o = Options(dir);
    o.outputPath = dir.File("ZLOG2HL_20240601_1200");
    Recorder again;
    again.cancelAfter = 1;
    EXPECT_EQ(ConvertZlogLog(o, again).keptPath, dir.File("ZLOG2HL_20240601_1200(中止)"));
}

TEST(ZlogConversion, InputsAreCheckedBeforeTheOutputIsCreated) {
    ScratchDir dir;
    Recorder cb;
    ZlogOptions o = Options(dir);
    EXPECT_THROW(ConvertZlogLog(o, cb), trelvo::FileError);  // missing
    WriteBytes(dir.File("in.ZLO"), ZloHeaderBytes(true).substr(0, 255));
    EXPECT_THROW(ConvertZlogLog(o, cb), trelvo::FormatError);  // shorter than the header
    // An extended header is 384 bytes: 300 bytes of one are too short as well.
    WriteBytes(dir.File("in.ZLO"), ZloHeaderBytes(true, "X", 0).substr(0, 300));
    EXPECT_THROW(ConvertZlogLog(o, cb), trelvo::FormatError);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.csv")));
}

TEST(ZlogConversion, AFileThatShrinksWhileItIsReadIsReported) {
    ScratchDir dir;
    std::string bytes = ZloHeaderBytes(true);
    for (int i = 0; i < 6000; ++i) bytes += ZloRecordBytes(ZloFields{});  // more than one read block
    WriteBytes(dir.File("in.ZLO"), bytes);
    struct Shrinking : Recorder {
        std::string path;
        void Progress(long long n) override {
            if (n == 1) std::filesystem::resize_file(path, 256 * 11);
        }
    } cb;
    cb.path = dir.File("in.ZLO");
    const ZlogResult r = ConvertZlogLog(Options(dir), cb);
    EXPECT_TRUE(r.shrunk);
    EXPECT_LT(r.records, 6000);
    ASSERT_FALSE(cb.warnings.empty());
    EXPECT_NE(std::string::npos, cb.warnings.back().find("of its 6000 contacts")) << cb.warnings.back();
}

TEST(ZlogConversion, AnExtendedHeaderCountThatDisagreesIsReported) {
    ScratchDir dir;
    WriteBytes(dir.File("in.ZLO"), ZloHeaderBytes(false, "X", 7) + ZloRecordBytes(ZloFields{}, true));
    Recorder cb;
    const ZlogResult r = ConvertZlogLog(Options(dir), cb);
    EXPECT_EQ(r.records, 1);
    ASSERT_EQ(cb.warnings.size(), 1u);
    EXPECT_NE(cb.warnings[0].find("counts 7 records"), std::string::npos) << cb.warnings[0];
}

TEST(ZlogConversion, ModeNamesFromTheSettingsAndTheOutputName) {
    ScratchDir dir;
    trelvo::settings::IniStore ini(dir.File("TRELVO5.INI"));
    EXPECT_EQ(LoadZlogModeNames(ini),
              (ZlogModeNames{"CW", "SSB", "FM", "AM", "RTTY", "Other", "FT4", "FT8"}));
    ZlogModeNames names = {"A1A", "J3E", "F3E", "A3E", "F1B", "", "FT-4", "FT-8"};
    StoreZlogModeNames(ini, names);
    EXPECT_EQ(LoadZlogModeNames(ini), names);  // an empty name is a stored name

    trelvo::text::DateTime t;
    t.year = 2024, t.month = 1, t.day = 31, t.hour = 9, t.minute = 5;
    EXPECT_EQ(DefaultZlogOutputPath("/g/", t), "/g/ZLOG2HL_20240131_0905");
}
