#include "settings/ini_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "settings/app_settings.h"
#include "test_support.h"
#include "text/cp932.h"

using namespace trelvo::settings;
using trelvo::testing::ReadBytes;
using trelvo::testing::ScratchDir;
using trelvo::testing::WriteBytes;

namespace {
std::string Read(IniStore& ini, const std::string& section, const std::string& key) {
    ini.CurrentIniSection = section;
    std::string v = "stale";
    ini.ReadIniValue(key, v);
    return v;
}
}  // namespace

// A missing file, section or key reads as the section's name; names match without case,
// values are trimmed and unquoted. (Empty values and values equal to the section's name are the
// golden case cli/settings-from-ini.)
TEST(IniStore, ReadsWhatIsThereAndTheSectionNameForWhatIsNot) {
    ScratchDir dir;
    IniStore ini(dir.File("TRELVO5.INI"));
    EXPECT_EQ(Read(ini, "TextEditor", "Editor"), "TextEditor");
    const std::string bytes = "; comment\r\n[qslcfg]\r\n  JMARK =  Q \r\nRcvMark=\"*\"\r\n";
    WriteBytes(ini.Path(), bytes);
    const struct {
        const char *section, *key, *value;
    } cases[] = {{"QSLcfg", "Jmark", "Q"},
                 {"QSLCFG", "rcvmark", "*"},
                 {"QSLcfg", "SentMark", "QSLcfg"},
                 {"Other", "Jmark", "Other"}};
    for (const auto& c : cases) EXPECT_EQ(Read(ini, c.section, c.key), c.value) << c.section << " " << c.key;
    // The shell's loader fills in its defaults (checked through the command) and writes nothing.
    ShellSettings s = LoadShellSettings(ini, dir.Path());
    EXPECT_FALSE(s.geneDataFolderStored);
    EXPECT_EQ(ReadBytes(ini.Path()), bytes);
}

// Reads parse the file once and reuse that while its bytes stay the same: a change made by
// another program (even one that keeps the size) or by a write is seen by the next read, and
// only the first section of a name counts, as when every read scans the file.
TEST(IniStore, EveryReadSeesTheFileAsItIsNow) {
    ScratchDir dir;
    IniStore ini(dir.File("TRELVO5.INI"));
    WriteBytes(ini.Path(), "[QSLcfg]\r\nJmark=A\r\n[qslcfg]\r\nSentMark=*\r\nJmark=B\r\n");
    EXPECT_EQ(Read(ini, "QSLcfg", "Jmark"), "A");
    EXPECT_EQ(Read(ini, "QSLcfg", "SentMark"), "QSLcfg");
    WriteBytes(ini.Path(), "[QSLcfg]\r\nJmark=C\r\n[qslcfg]\r\nSentMark=*\r\nJmark=B\r\n");
    EXPECT_EQ(Read(ini, "QSLcfg", "Jmark"), "C");
    ini.CurrentIniSection = "QSLcfg";
    ASSERT_TRUE(ini.WriteIniValue("Jmark", "済"));
    EXPECT_EQ(Read(ini, "QSLcfg", "Jmark"), "済");
    std::filesystem::remove(ini.Path());
    EXPECT_EQ(Read(ini, "QSLcfg", "Jmark"), "QSLcfg");

    std::string memory = "[A]\nk=1\n";
    IniStore mem("TRELVO5.INI", &memory);
    EXPECT_EQ(Read(mem, "A", "k"), "1");
    mem.CurrentIniSection = "A";
    ASSERT_TRUE(mem.WriteIniValue("k", "2"));
    EXPECT_EQ(Read(mem, "A", "k"), "2");
    memory = "[A]\nk=3\n";
    EXPECT_EQ(Read(mem, "A", "k"), "3");
}

TEST(IniStore, LongValuesAreCutTo127BytesAndAtNul) {
    ScratchDir dir;
    IniStore ini(dir.File("TRELVO5.INI"));
    const std::string longPath = "/" + std::string(149, 'd');
    WriteBytes(ini.Path(),
               "[GeneData]\r\nGeneDataFol=" + longPath + "\r\n[A]\r\nk=ab" + std::string(1, '\0') + "cd\r\n");
    EXPECT_EQ(Read(ini, "GeneData", "GeneDataFol"), longPath.substr(0, 127));
    EXPECT_EQ(Read(ini, "A", "k"), "ab");
    // A double-byte character divided at byte 127 is dropped whole.
    const std::string jp = std::string(126, 'x') + "山";
    ini.CurrentIniSection = "J";
    ini.WriteIniValue("k", jp);
    EXPECT_EQ(Read(ini, "J", "k"), std::string(126, 'x'));
    // A value handed over with a NUL is written up to it.
    ini.WriteIniValue("n", std::string("12\0"
                                       "34",
                                       5));
    EXPECT_EQ(Read(ini, "J", "n"), "12");
}

TEST(IniStore, WritesEditInPlaceAndKeepEveryOtherLine) {
    ScratchDir dir;
    IniStore ini(dir.File("TRELVO5.INI"));
    const std::string before =
        "; my settings\r\n[QSLcfg]\r\nJmark=J\r\n; keep "
        "me\r\nSentMark=*\r\n\r\n[TextEditor]\r\nEditor=vi\r\n";
    WriteBytes(ini.Path(), before);
    ini.CurrentIniSection = "qslcfg";
    ini.WriteIniValue("SENTMARK", "#");
    EXPECT_EQ(ReadBytes(ini.Path()),
              "; my settings\r\n[QSLcfg]\r\nJmark=J\r\n; keep "
              "me\r\nSENTMARK=#\r\n\r\n[TextEditor]\r\nEditor=vi\r\n");
    ini.WriteIniValue("RcvMark", "R");  // new key: after the section's last line, before the blank
    EXPECT_EQ(ReadBytes(ini.Path()),
              "; my settings\r\n[QSLcfg]\r\nJmark=J\r\n; keep me\r\nSENTMARK=#\r\nRcvMark=R\r\n\r\n"
              "[TextEditor]\r\nEditor=vi\r\n");
    ini.CurrentIniSection = "ADIF-LOG";  // new section at the end
    ini.WriteIniValue("ADIF-LOGFOL", "/home/ham/");
    EXPECT_EQ(Read(ini, "ADIF-LOG", "ADIF-LOGFOL"), "/home/ham/");
    EXPECT_EQ(Read(ini, "TextEditor", "Editor"), "vi");
}

TEST(IniStore, CreatesTheFileAndStoresCp932) {
    ScratchDir dir;
    IniStore ini(dir.File("new.ini"));
    ini.CurrentIniSection = "ModeName";
    ini.WriteIniValue("Mode1N", "ＦＴ８");
    EXPECT_EQ(ReadBytes(ini.Path()), "[ModeName]\r\nMode1N=" + trelvo::text::Utf8ToCp932("ＦＴ８") + "\r\n");
    EXPECT_EQ(Read(ini, "ModeName", "Mode1N"), "ＦＴ８");
}

// (A UTF-8 file with its mark is read and written through the command: cli/settings-utf8-bom,
// db/modes-save-utf8-bom.)
TEST(IniStore, AMarkKeepsItsFileUtf8OrShiftJisAndCutsCountShiftJisBytes) {
    ScratchDir dir;
    IniStore ini(dir.File("TRELVO5.INI"));
    const std::string bom = "\xEF\xBB\xBF";
    WriteBytes(ini.Path(), bom + "[QSLcfg]\r\nJmark=Ｊ\r\n");
    ini.CurrentIniSection = "QSLcfg";
    ini.WriteIniValue("Long", std::string(126, 'x') + "山");
    EXPECT_EQ(Read(ini, "QSLcfg", "Long"), std::string(126, 'x'));
    EXPECT_EQ(ReadBytes(ini.Path()),
              bom + "[QSLcfg]\r\nJmark=Ｊ\r\nLong=" + std::string(126, 'x') + "山\r\n");

    // A mark before Shift-JIS text: the mark is skipped and kept, the text stays Shift-JIS.
    const std::string sjis = trelvo::text::Utf8ToCp932("[QSLcfg]\r\nJmark=済\r\n");
    WriteBytes(ini.Path(), bom + sjis);
    EXPECT_EQ(Read(ini, "QSLcfg", "Jmark"), "済");
    ini.WriteIniValue("SentMark", "印");
    EXPECT_EQ(ReadBytes(ini.Path()), bom + sjis + trelvo::text::Utf8ToCp932("SentMark=印\r\n"));
}
