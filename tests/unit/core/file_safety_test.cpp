// The shared file helpers every command writes through: same-file checks, the line writer
// that puts a complete file in place, checked settings writes. (The exclusive lock of the
// work file is checked through the command.)
#include <gtest/gtest.h>

#include <filesystem>

#include "core/errors.h"
#include "core/file_checks.h"
#include "core/platform.h"
#include "settings/ini_store.h"
#include "test_support.h"
#include "text/io.h"

namespace fs = std::filesystem;
using trelvo::testing::ReadBytes;
using trelvo::testing::ScratchDir;
using trelvo::testing::WriteBytes;

using trelvo::testing::AnyWritingFile;

namespace {

TEST(FileChecks, SameFileSeesThroughNamesLinksAndFilesStillToCome) {
    ScratchDir dir;
    WriteBytes(dir.File("a.txt"), "a");
    WriteBytes(dir.File("b.txt"), "b");
    fs::create_hard_link(dir.File("a.txt"), dir.File("hard.txt"));
    fs::create_symlink(dir.File("a.txt"), dir.File("soft.txt"));
    fs::create_directories(dir.File("sub"));
    const bool ignoresCase = trelvo::FolderIgnoresCase(dir.Path());
    struct Case {
        std::string a, b;
        bool same;
    };
    const std::vector<Case> cases = {
        {dir.File("a.txt"), dir.File("sub/../a.txt"), true},
        {dir.File("a.txt"), dir.File("hard.txt"), true},
        {dir.File("soft.txt"), dir.File("a.txt"), true},
        {dir.File("a.txt"), dir.File("b.txt"), false},
        {dir.File("new.csv"), dir.File("sub/../new.csv"), true},
        {dir.File("new.csv"), dir.File("NEW.CSV"), ignoresCase},
        {dir.File("new.csv"), dir.File("other.csv"), false},
        {dir.File("a.txt"), "", false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.same, trelvo::SameFile(c.a, c.b)) << c.a << " / " << c.b;
}

TEST(LineWriter, ACompleteFileReplacesTheOldOneKeepingItsPermissions) {
    ScratchDir dir;
    const std::string out = dir.File("out.csv");
    WriteBytes(out, "old\r\n");
    // (Leaving without Close(), on an error or a cancel, is checked through the command.)
    {
        trelvo::text::Cp932LineWriter w(out);
        w.WriteLine("new");
        w.Close();
        EXPECT_EQ(1, w.LinesWritten());
    }
    EXPECT_EQ("new\r\n", ReadBytes(out));
    EXPECT_FALSE(AnyWritingFile(dir));
#ifndef _WIN32
    // The replacement keeps the permissions of the file it replaces.
    fs::permissions(out, fs::perms::owner_read | fs::perms::owner_write);
    trelvo::text::Cp932LineWriter again(out);
    again.Close();
    EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write, fs::status(out).permissions());
#endif
}

TEST(LineWriter, ALinkIsWrittenThroughAndAFolderIsRefused) {
    ScratchDir dir;
    WriteBytes(dir.File("real.csv"), "old\r\n");
    fs::create_symlink("real.csv", dir.File("link.csv"));
    trelvo::text::Cp932LineWriter w(dir.File("link.csv"));
    w.WriteLine("new");
    w.Close();
    EXPECT_TRUE(fs::is_symlink(dir.File("link.csv")));
    EXPECT_EQ("new\r\n", ReadBytes(dir.File("real.csv")));

    fs::create_directories(dir.File("folder.csv"));
    EXPECT_THROW(trelvo::text::Cp932LineWriter{dir.File("folder.csv")}, trelvo::FileError);
    EXPECT_THROW(trelvo::text::ByteReader{dir.File("folder.csv")}, trelvo::FileError);
}

TEST(LineWriter, AProposedNameTakenMeanwhileIsNeverReplaced) {
    ScratchDir dir;
    const std::string out = dir.File("out.csv");
    trelvo::text::Cp932LineWriter w(out);
    w.TakeFreeNameAtClose();
    w.WriteLine("ours");
    // Another run takes the name, then the next one, while this one writes.
    WriteBytes(out, "theirs\r\n");
#ifndef _WIN32
    fs::create_symlink("nowhere", dir.File("out_2.csv"));
#else
    WriteBytes(dir.File("out_2.csv"), "");
#endif
    w.Close();
    EXPECT_EQ(dir.File("out_3.csv"), w.Path());
    EXPECT_EQ("theirs\r\n", ReadBytes(out));
    EXPECT_EQ("ours\r\n", ReadBytes(dir.File("out_3.csv")));
    EXPECT_FALSE(AnyWritingFile(dir));
    EXPECT_EQ(dir.File("out_4.csv"), trelvo::text::FreeNumberedName(out));
    EXPECT_EQ(dir.File("ZLOG2HL_20240131_0905_2"),
              trelvo::text::NumberedName(dir.File("ZLOG2HL_20240131_0905"), 2));
}

TEST(IniWrites, AFailedWriteIsReportedAndALinkIsWrittenThrough) {
    ScratchDir dir;
    fs::create_directories(dir.File("folder.INI"));
    trelvo::settings::IniStore folder(dir.File("folder.INI"));
    folder.CurrentIniSection = "S";
    EXPECT_FALSE(folder.WriteIniValue("k", "v"));
    const std::string why = Render(folder.WriteError(), trelvo::Lang::kEnglish);
    EXPECT_NE(std::string::npos, why.find("folder")) << why;

    WriteBytes(dir.File("real.INI"), "[S]\r\nk=old\r\n");
    fs::create_symlink("real.INI", dir.File("link.INI"));
    trelvo::settings::IniStore link(dir.File("link.INI"));
    link.CurrentIniSection = "S";
    EXPECT_TRUE(link.WriteIniValue("k", "new"));
    EXPECT_TRUE(fs::is_symlink(dir.File("link.INI")));
    EXPECT_EQ("[S]\r\nk=new\r\n", ReadBytes(dir.File("real.INI")));
    EXPECT_FALSE(AnyWritingFile(dir));
}

}  // namespace
