#include <QCheckBox>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

#include "window_fixture.h"

using namespace trelvo;
using namespace trelvo::testing;

namespace {

class ZlogWindowTest : public WindowTest {
protected:
    // The example database and zLog log in the scratch folder, the database in the settings.
    std::string zlo;
    void SetUpFiles() {
        CopyExampleDatabase();
        std::filesystem::create_directory(dir.File("logs"));
        zlo = CopyExample("zlog/TRELVO-TEST.ZLO", "logs/TRELVO-TEST.ZLO");
    }
    bool Shown(const std::string& frame) { return W<QGroupBox>(frame)->isVisible(); }
};

TEST_F(ZlogWindowTest, SetUpOptionsAndConvertGiveWhatTheCommandLineGives) {
    SetUpFiles();
    Start();
    dialogs.messages.clear();
    ASSERT_TRUE(Item("ZL2HL")->isEnabled());
    dialogs.openAnswers.push_back(zlo);
    Item("ZL2HL")->trigger();
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0].startFolder, dir.Path());
    EXPECT_EQ(form->Model().ConversionMode, 7);
    EXPECT_TRUE(Shown("Frame3"));
    EXPECT_FALSE(Shown("Frame1"));
    EXPECT_FALSE(Shown("Frame7"));
    EXPECT_EQ(Box("Text1(7)")->text().toStdString(), "FT8");  // the mode names as stored
    EXPECT_EQ(Box("Text3")->text().toStdString(), "0");
    EXPECT_TRUE(W<QRadioButton>("Option3(0)")->isChecked());
    EXPECT_TRUE(W<QRadioButton>("Option4(2)")->isChecked());
    EXPECT_FALSE(Box("Text2")->isEnabled());
    EXPECT_TRUE(On("Command1"));
    EXPECT_EQ(ReadIni("ZLOGcfg", "ZLOGpos"), dir.File("logs"));

    // The options: issue mark, memo and contest name to Remarks2, an extra text, the area
    // codes, and a renamed mode.
    Click("Check8");
    Box("Text9")->setText("J");
    Click("Option4(1)");
    Click("Option5(1)");
    Click("Check5");
    EXPECT_TRUE(Box("Text2")->isEnabled());
    Box("Text2")->setText("%移動%");
    Click("Option6(1)");
    Box("Text1(1)")->setText("PHONE");
    Click("Check7");
    EXPECT_TRUE(Shown("Frame7"));
    EXPECT_FALSE(On("Command1"));
    EXPECT_FALSE(MenuOn());
    Click("Command2");
    EXPECT_FALSE(Shown("Frame7"));
    EXPECT_TRUE(On("Command1"));

    dialogs.yesNoAnswers.push_back(true);  // the names from the database
    dialogs.saveAnswers.push_back(dir.File("window.csv"));
    Click("Command1");
    EXPECT_EQ(dialogs.questions.size(), 1u);  // whether the names come from the database
    ASSERT_EQ(dialogs.saved.size(), 1u);
    EXPECT_EQ(dialogs.saved[0].proposedName.substr(0, 8), "ZLOG2HL_");
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{"zLog→Turbo HAMLOG用CSVファイル\r\n" +
                                                         dir.File("window.csv") + "を保存しました"});
    ASSERT_EQ(dialogs.editorStarts.size(), 1u);
    EXPECT_EQ(dialogs.editorStarts[0].second, dir.File("window.csv"));
    EXPECT_EQ(Label("Label6"), "10");
    EXPECT_EQ(ReadIni("ZLOGcfg", "ZLOGModeSSB"), "PHONE");

    ASSERT_EQ(RunCli({"--ini", QString::fromStdString(Ini()), "import", "zlog", QString::fromStdString(zlo),
                      "-o", "cli.csv", "--qsl-issue=J", "--qth", "--memo-to", "remarks2", "--contest-to",
                      "remarks2", "--extra", "%移動%", "--extra-to", "remarks2", "--qra-from"}),
              0);
    const std::string window = ReadBytes(dir.File("window.csv"));
    EXPECT_EQ(window, ReadBytes(dir.File("cli.csv")));
    EXPECT_NE(window.find("\"PHON\""), std::string::npos);  // cut to the database's mode width
    EXPECT_NE(window.find("\"1101\""), std::string::npos);  // an area code from the master file

    // A cancelled save dialog is an error and writes nothing.
    dialogs.yesNoAnswers.push_back(false);
    Click("Command1");
    EXPECT_EQ(dialogs.LastMessage().substr(0, 15), "エラーです");
    EXPECT_EQ(dialogs.editorStarts.size(), 1u);

    // The master file the codes come from, reached through a second name, is refused as the
    // output and left as it was.
    const std::string master = ReadBytes(dir.File("Hamlog.mst"));
    std::filesystem::create_hard_link(dir.File("Hamlog.mst"), dir.File("master-link.csv"));
    dialogs.yesNoAnswers.push_back(false);
    dialogs.saveAnswers.push_back(dir.File("master-link.csv"));
    Click("Command1");
    EXPECT_NE(dialogs.LastMessage().find("同じファイルです"), std::string::npos) << dialogs.LastMessage();
    EXPECT_EQ(ReadBytes(dir.File("Hamlog.mst")), master);
    EXPECT_EQ(dialogs.editorStarts.size(), 1u);

    // A work file a run killed two days ago left beside the output goes, with a word.
    const std::string stale = dir.File("window.csv.k3j9x0qa.writing");
    WriteBytes(stale, "left by a killed run");
    std::filesystem::last_write_time(stale,
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(48));
    dialogs.yesNoAnswers.push_back(false);
    dialogs.saveAnswers.push_back(dir.File("window.csv"));
    Click("Command1");
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_NE(dialogs.LastMessage().find("window.csv.k3j9x0qa.writing"), std::string::npos)
        << dialogs.LastMessage();
}

TEST_F(ZlogWindowTest, ContestNumberTableLoadsReportsAndIsDroppedWithCheck7) {
    SetUpFiles();
    WriteBytes(dir.File("only.TBL"), "# nothing here\r\n");
    WriteBytes(dir.File("city.TBL"), "NU,1803,x\r\nbad line\r\nSZ,1804,y\r\n");
    Start();
    dialogs.openAnswers.push_back(zlo);
    Item("ZL2HL")->trigger();
    dialogs.messages.clear();
    Click("Check7");
    EXPECT_FALSE(On("Command4"));

    dialogs.openAnswers.push_back(dir.File("only.TBL"));
    Click("Command3");
    EXPECT_EQ(dialogs.LastMessage(), "データが一件もありませんでした");
    EXPECT_EQ(Label("Label21"), "TRELVOでいうｺﾝﾃｽﾄﾅﾝﾊﾞｰとはRS(T)を除いた部分です");  // as before
    EXPECT_FALSE(On("Command4"));

    dialogs.openAnswers.push_back(dir.File("city.TBL"));
    Click("Command3");
    EXPECT_EQ(dialogs.LastMessage(), "データ部にエラーがあります\r\nbad line\r\n");
    EXPECT_EQ(Label("Label21"), "city.TBL\r\nNU  1803  x\r\nSZ  1804  y");
    EXPECT_TRUE(On("Command4"));
    Click("Command4");
    ASSERT_EQ(dialogs.editorStarts.size(), 1u);
    EXPECT_EQ(dialogs.editorStarts[0].second, dir.File("city.TBL"));

    // A cancelled choice keeps the table; unticking Check7 drops it and resets the cuts.
    Click("Command3");
    EXPECT_TRUE(On("Command4"));
    Box("Text6")->setText("2");
    Click("Command2");
    EXPECT_EQ(form->Model().BackCut, 2);
    Click("Check7");
    EXPECT_FALSE(Shown("Frame7"));
    EXPECT_EQ(Box("Text6")->text().toStdString(), "0");
    EXPECT_EQ(form->Model().BackCut, 0);
    EXPECT_FALSE(On("Command4"));
}

}  // namespace
