#include "settings/ini_store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/errors.h"
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

TEST(IniStore, MissingFileAndKeysReadAsTheSectionName) {
    ScratchDir dir;
    IniStore ini(dir.File("TRELVO5.INI"));
    EXPECT_EQ(Read(ini, "TextEditor", "Editor"), "TextEditor");
    WriteBytes(ini.Path(), "[QSLcfg]\r\nJmark=J\r\n");
    EXPECT_EQ(Read(ini, "QSLcfg", "SentMark"), "QSLcfg");
    EXPECT_EQ(Read(ini, "Other", "Jmark"), "Other");
    // The shell's loader fills in its defaults (checked through the command) and writes nothing.
    ShellSettings s = LoadShellSettings(ini, "/opt/trelvo");
    EXPECT_FALSE(s.geneDataFolderStored);
    EXPECT_EQ(ReadBytes(ini.Path()), "[QSLcfg]\r\nJmark=J\r\n");
}

TEST(IniStore, EmptyValuesAndValuesEqualToTheSection) {
    ScratchDir dir;
    IniStore ini(dir.File("TRELVO5.INI"));
    WriteBytes(ini.Path(), "[QSLcfg]\r\nJmark=\r\n[TextEditor]\r\nEditor=TextEditor\r\n");
    EXPECT_EQ(Read(ini, "QSLcfg", "Jmark"), "");
    EXPECT_EQ(ini.ReadOr("QSLcfg", "Jmark", "J"), "");
    EXPECT_EQ(ini.ReadOr("TextEditor", "Editor", "NOTEPAD.EXE"), "NOTEPAD.EXE");
}

TEST(IniStore, NamesMatchWithoutCaseAndValuesAreTrimmed) {
    ScratchDir dir;
    IniStore ini(dir.File("TRELVO5.INI"));
    WriteBytes(ini.Path(), "; comment\r\n[qslcfg]\r\n  JMARK =  Q \r\nRcvMark=\"*\"\r\n");
    EXPECT_EQ(Read(ini, "QSLcfg", "Jmark"), "Q");
    EXPECT_EQ(Read(ini, "QSLCFG", "rcvmark"), "*");
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

TEST(IniStore, AUtf8FileWithAByteOrderMarkIsReadAndWrittenAsUtf8) {
    ScratchDir dir;
    IniStore ini(dir.File("TRELVO5.INI"));
    const std::string bom = "\xEF\xBB\xBF";
    // As a Windows editor saves it: the first section directly after the mark.
    const std::string before =
        bom + "[HAMLOG-FOL]\r\nHAMLOG-FN=C:\\ハムログ\\Hamlog.HDB\r\n[QSLcfg]\r\nJmark=Ｊ\r\n";
    WriteBytes(ini.Path(), before);
    EXPECT_EQ(Read(ini, "HAMLOG-FOL", "HAMLOG-FN"), "C:\\ハムログ\\Hamlog.HDB");
    EXPECT_EQ(Read(ini, "QSLcfg", "Jmark"), "Ｊ");
    // Cut at 127 bytes as Shift-JIS counts them, whatever the file's encoding.
    ini.CurrentIniSection = "QSLcfg";
    ini.WriteIniValue("Long", std::string(126, 'x') + "山");
    EXPECT_EQ(Read(ini, "QSLcfg", "Long"), std::string(126, 'x'));

    // Writes keep the mark and the encoding and every other line byte for byte.
    ini.CurrentIniSection = "qslcfg";
    ini.WriteIniValue("Jmark", "済");
    EXPECT_EQ(ReadBytes(ini.Path()),
              bom + "[HAMLOG-FOL]\r\nHAMLOG-FN=C:\\ハムログ\\Hamlog.HDB\r\n[QSLcfg]\r\nJmark=済\r\n" +
                  "Long=" + std::string(126, 'x') + "山\r\n");
    EXPECT_EQ(Read(ini, "QSLcfg", "Jmark"), "済");

    // A mark before Shift-JIS text: the mark is skipped and kept, the text stays Shift-JIS.
    const std::string sjis = trelvo::text::Utf8ToCp932("[QSLcfg]\r\nJmark=済\r\n");
    WriteBytes(ini.Path(), bom + sjis);
    EXPECT_EQ(Read(ini, "QSLcfg", "Jmark"), "済");
    ini.WriteIniValue("SentMark", "印");
    EXPECT_EQ(ReadBytes(ini.Path()), bom + sjis + trelvo::text::Utf8ToCp932("SentMark=印\r\n"));
}

TEST(IniStore, ASettingsFileThatIsAFolderIsRefusedWithTheSystemReason) {
    ScratchDir dir;
    std::filesystem::create_directory(dir.File("my.ini"));
    try {
        CheckIniReadable(dir.File("my.ini"));
        ADD_FAILURE() << "a folder was taken as the settings file";
    } catch (const trelvo::Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  dir.File("my.ini") + ": cannot read the settings file: Is a directory");
    }
    EXPECT_NO_THROW(CheckIniReadable(dir.File("absent.ini")));  // every default
    WriteBytes(dir.File("TRELVO5.INI"), "[x]\r\n");
    EXPECT_NO_THROW(CheckIniReadable(dir.File("TRELVO5.INI")));
}
