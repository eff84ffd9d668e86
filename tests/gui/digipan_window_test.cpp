#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include "window_fixture.h"

using namespace trelvo;
using namespace trelvo::testing;

namespace {

TEST_F(WindowTest, DigipanLogChosenThenConvertedLikeTheCommandLineDoes) {
    const std::string log = CopyExample("digipan/Digipan.LOG", "Digipan.LOG");
    Start();
    dialogs.messages.clear();

    dialogs.openAnswers.push_back(log);
    Item("setDGPData")->trigger();
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0].filter, "Digipan LOGﾃﾞｰﾀ (*.LOG)|*.LOG");
    EXPECT_EQ(dialogs.opened[0].startFolder, dir.Path());
    EXPECT_EQ(ReadIni("DIGIPAN-FOL", "DIGIPAN-FN"), log);
    EXPECT_EQ(Label("Label5"), log);
    EXPECT_TRUE(Item("mkCSV")->isEnabled());
    EXPECT_FALSE(On("Command1"));
    EXPECT_TRUE(W<QMenu>("TRELVOMenu")->isVisible());  // opened for the user
    W<QMenu>("TRELVOMenu")->hide();

    Item("mkCSV")->trigger();
    EXPECT_TRUE(On("Command1"));
    W<QRadioButton>("Option1(1)")->setChecked(true);
    W<QCheckBox>("Check1")->setChecked(true);
    W<QCheckBox>("Check3")->setChecked(true);
    Box("Text4")->setText("K");
    QTest::mouseClick(W<QPushButton>("Command1"), Qt::LeftButton);

    const std::string out = dir.File("GeneData/TRELVO.CSV");
    ASSERT_EQ(dialogs.messages.size(), 1u) << dialogs.LastMessage();
    EXPECT_NE(dialogs.messages[0].find(" 件の変換が正常終了しました。\r\n" + out +
                                       " をTurbo HAMLOGから読み込んで下さい"),
              std::string::npos);
    ASSERT_EQ(dialogs.editorStarts.size(), 1u);
    EXPECT_EQ(dialogs.editorStarts[0], std::make_pair(std::string("NOTEPAD.EXE"), out));
    EXPECT_FALSE(On("Command1"));
    EXPECT_TRUE(W<QGroupBox>("Frame1")->isEnabled());
    EXPECT_TRUE(MenuOn());
    EXPECT_EQ(W<QLabel>("Label6")->text().toInt(), LineCount(out));

    ASSERT_EQ(RunCli({"--ini", "TRELVO5.INI", "import", "digipan", QString::fromStdString(log), "-o",
                      "cli.csv", "--freq", "khz-mhz", "--qsl-issue=K", "--jst"}),
              0);
    EXPECT_EQ(ReadBytes(out), ReadBytes(dir.File("cli.csv")));
    EXPECT_GT(LineCount(out), 3);
}

TEST_F(WindowTest, ConvertRightAfterStartUsesTheRememberedLog) {
    const std::string log = CopyExample("digipan/Digipan.LOG", "Digipan.LOG");
    WriteBytes(Ini(), "[DIGIPAN-FOL]\r\nDIGIPAN-FN=" + log + "\r\n");
    Start();
    dialogs.messages.clear();
    EXPECT_EQ(form->Model().ConversionMode, 0);
    Convert();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    ASSERT_EQ(
        RunCli({"--ini", "TRELVO5.INI", "import", "digipan", QString::fromStdString(log), "-o", "cli.csv"}),
        0);
    EXPECT_EQ(ReadBytes(dir.File("GeneData/TRELVO.CSV")), ReadBytes(dir.File("cli.csv")));

    // A cancelled choice of another log keeps the remembered one for mkCSV.
    Item("setDGPData")->trigger();
    EXPECT_TRUE(Item("mkCSV")->isEnabled());
    EXPECT_FALSE(On("Command1"));
}

}  // namespace
