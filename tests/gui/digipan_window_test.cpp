#include <QCheckBox>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

#include "window_fixture.h"

using namespace trelvo;
using trelvo::testing::ReadBytes;
using trelvo::testing::WindowTest;
using trelvo::testing::WriteBytes;

namespace {

TEST_F(WindowTest, DigipanLogChosenThenConvertedLikeTheCommandLineDoes) {
    const std::string log = CopyExample("digipan/Digipan.LOG", "Digipan.LOG");
    Start();
    dialogs.messages.clear();

    dialogs.openAnswers.push_back(log);
    Item("setDGPData")->trigger();
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0].title, "Digipan LOGﾃﾞｰﾀの指定");
    EXPECT_EQ(dialogs.opened[0].filter, "Digipan LOGﾃﾞｰﾀ (*.LOG)|*.LOG");
    EXPECT_EQ(dialogs.opened[0].startFolder, dir.Path());
    EXPECT_EQ(ReadIni("DIGIPAN-FOL", "DIGIPAN-FN"), log);
    EXPECT_EQ(W<QLabel>("Label5")->text().toStdString(), log);
    EXPECT_EQ(W<QGroupBox>("Frame1")->title().toStdString(), "変換ルール( Digipan.LOG -> HL CSV )");
    EXPECT_TRUE(W<QRadioButton>("Option1(0)")->isChecked());
    EXPECT_TRUE(Item("mkCSV")->isEnabled());
    EXPECT_FALSE(W<QPushButton>("Command1")->isEnabled());
    EXPECT_FALSE(Box("Text23")->isEnabled());
    EXPECT_TRUE(W<QMenu>("TRELVOMenu")->isVisible());  // opened for the user
    W<QMenu>("TRELVOMenu")->hide();

    Item("mkCSV")->trigger();
    EXPECT_TRUE(W<QPushButton>("Command1")->isEnabled());
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
    EXPECT_FALSE(W<QPushButton>("Command1")->isEnabled());
    EXPECT_TRUE(W<QGroupBox>("Frame1")->isEnabled());
    EXPECT_TRUE(W<QMenu>("TRELVOMenu")->menuAction()->isEnabled());
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
    QTest::mouseClick(W<QPushButton>("Command1"), Qt::LeftButton);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    ASSERT_EQ(
        RunCli({"--ini", "TRELVO5.INI", "import", "digipan", QString::fromStdString(log), "-o", "cli.csv"}),
        0);
    EXPECT_EQ(ReadBytes(dir.File("GeneData/TRELVO.CSV")), ReadBytes(dir.File("cli.csv")));

    // A cancelled choice of another log keeps the remembered one for mkCSV.
    Item("setDGPData")->trigger();
    EXPECT_TRUE(Item("mkCSV")->isEnabled());
    EXPECT_FALSE(W<QPushButton>("Command1")->isEnabled());
}

TEST_F(WindowTest, EscDuringTheSecondPassKeepsTheLinesWritten) {
    // Fifty contacts: the example's first contact line over and over.
    const std::string example = ReadBytes(Example("digipan/Digipan.LOG"));
    const std::string first = example.substr(0, example.find('\n') + 1);
    std::string big;
    for (int i = 0; i < 50; ++i) big += first;
    WriteBytes(dir.File("Big.LOG"), big);
    WriteBytes(Ini(), "[DIGIPAN-FOL]\r\nDIGIPAN-FN=" + dir.File("Big.LOG") + "\r\n");
    Start();
    dialogs.messages.clear();
    PressEscAfter(50 + 40);  // pass 1 looks once per line, pass 2 twice per contact
    QTest::mouseClick(W<QPushButton>("Command1"), Qt::LeftButton);
    const std::string kept = dir.File("GeneData/TRELVO(中止).CSV");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].find(kept), std::string::npos) << dialogs.messages[0];
    EXPECT_FALSE(std::filesystem::exists(dir.File("GeneData/TRELVO.CSV")));
    EXPECT_TRUE(dialogs.editorStarts.empty());
    EXPECT_EQ(form->Model().CancelRequested, 0);
    EXPECT_TRUE(W<QPushButton>("Command1")->isEnabled());
    EXPECT_TRUE(W<QGroupBox>("Frame1")->isEnabled());
    EXPECT_TRUE(W<QMenu>("TRELVOMenu")->menuAction()->isEnabled());
    const int written = LineCount(kept);
    EXPECT_GT(written, 0);
    EXPECT_LT(written, 50);
    EXPECT_EQ(W<QLabel>("Label6")->text().toStdString(), app::CancelledCounterText(written));
}

}  // namespace
