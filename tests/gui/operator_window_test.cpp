// What a user meets beyond the menus: the input file on show, drops, a second start, the
// options of the last run, the options each mode reads.
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include "window_fixture.h"

using namespace trelvo;
using namespace trelvo::testing;

namespace {

using OperatorTest = WindowTest;

// Label5 shows the file Convert will read; each mode enables the options it reads.
TEST_F(OperatorTest, EachModeShowsItsInputAndEnablesTheOptionsItReads) {
    const std::string log = CopyExample("digipan/Digipan.LOG", "Digipan.LOG");
    const std::string adi = CopyExample("adif/sample.adi", "sample.adi");
    const std::string jap1 = CopyExample("jap1/JAP1LOG.TXT", "JAP1LOG.TXT");
    WriteEmptyDatabase("[DIGIPAN-FOL]\r\nDIGIPAN-FN=" + log + "\r\n");
    Start();
    EXPECT_EQ(Label("Label5"), log);  // Convert would convert it, not the database
    const auto buttonColour = [this] {
        return W<QPushButton>("Command1")->palette().color(QPalette::Button);
    };
    const QColor face = buttonColour();

    dialogs.openAnswers.push_back(adi);
    Item("setADIFData")->trigger();
    EXPECT_EQ(Label("Label5"), adi);
    EXPECT_EQ(buttonColour(), face);  // green once the mapping window is closed
    for (const std::string& c : app::ImportOptionControls()) EXPECT_TRUE(On(c)) << "ADIF " << c;
    EXPECT_EQ(W<QGroupBox>("Frame1")->title().toStdString(), app::kFrame1Adif);
    Mapping()->close();
    EXPECT_EQ(buttonColour(), QColor(0xC0, 0xFF, 0xC0));
    Item("setDGPData")->trigger();  // cancelled: the remembered log stays the input
    EXPECT_EQ(Label("Label5"), log);

    dialogs.openAnswers.push_back(log);
    Item("setDGPData")->trigger();
    Item("mkCSV")->trigger();
    Item("JAP1CSV")->trigger();  // cancelled: the window stays as DigiPan left it
    EXPECT_EQ(form->Model().ConversionMode, 1);
    EXPECT_TRUE(On("Command1"));
    EXPECT_FALSE(Item("viewCSVJ")->isEnabled());
    EXPECT_TRUE(W<QGroupBox>("Frame1")->isVisible());
    EXPECT_TRUE(MenuOn());
    for (const char* c : {"Option1(2)", "Option1(3)", "Check4", "Text22", "Text23", "Text24"})
        EXPECT_FALSE(On(c)) << "DigiPan " << c;
    for (const char* c : {"Option1(0)", "Option1(1)", "Check1", "Text4", "Check2", "Text5", "Check3"})
        EXPECT_TRUE(On(c)) << "DigiPan " << c;
    EXPECT_EQ(W<QGroupBox>("Frame1")->title().toStdString(), app::kFrame1Digipan);
    EXPECT_EQ(buttonColour(), face);

    dialogs.openAnswers.push_back(jap1);
    Item("JAP1CSV")->trigger();
    EXPECT_EQ(Label("Label5"), jap1);
    for (const std::string& c : app::ImportOptionControls()) EXPECT_FALSE(On(c)) << "JAP1 " << c;
    EXPECT_EQ(W<QGroupBox>("Frame1")->title().toStdString(), app::kFrame1Jap1);
    Item("SetHlpos")->trigger();  // cancelled
    Item("JAP1CSV")->trigger();   // cancelled: still the JAP1 file
    EXPECT_EQ(Label("Label5"), jap1);

    // After a restart the remembered log is shown again.
    Item("Pend")->trigger();
    Start();
    EXPECT_EQ(Label("Label5"), log);
}

TEST_F(OperatorTest, TheOptionsOfTheLastRunAreRestored) {
    Start();
    W<QAbstractButton>("Check1")->setChecked(true);
    W<QAbstractButton>("Check3")->setChecked(true);
    W<QRadioButton>("Option1(2)")->setChecked(true);
    form->Model().FixedText = "via bureau";
    Box("Text23")->setText("S");
    Item("Pend")->trigger();
    EXPECT_EQ(ReadIni("TRELVO5-UI", "FreqChoice"), "2");
    EXPECT_EQ(ReadIni("QSLcfg", "ADIFsentMark"), "S");  // the marks keep their own section

    Start();
    EXPECT_TRUE(W<QAbstractButton>("Check1")->isChecked());
    EXPECT_FALSE(W<QAbstractButton>("Check2")->isChecked());
    EXPECT_TRUE(W<QAbstractButton>("Check3")->isChecked());
    EXPECT_FALSE(W<QAbstractButton>("Check4")->isChecked());
    EXPECT_TRUE(W<QRadioButton>("Option1(2)")->isChecked());
    EXPECT_FALSE(W<QRadioButton>("Option1(0)")->isChecked());
    EXPECT_EQ(form->Model().FixedText, "via bureau");
    EXPECT_EQ(Box("Text23")->text().toStdString(), "S");
}

TEST_F(OperatorTest, ADroppedFileEntersTheModeThatReadsIt) {
    const std::string adi = CopyExample("adif/sample.adi", "drop.adif");
    const std::string log = CopyExample("digipan/Digipan.LOG", "Digipan.log");
    const std::string jap1 = CopyExample("jap1/JAP1LOG.TXT", "JAP1LOG.txt");
    WriteBytes(dir.File("Hamlog.hdb"), EmptyHdb());
    WriteBytes(dir.File("Hamlog.mst"), HandMst({}));
    Start();
    dialogs.messages.clear();

    Drop(adi);
    EXPECT_EQ(form->Model().ConversionMode, 3);
    EXPECT_EQ(form->Model().AdifLogPath, adi);
    EXPECT_NE(form->AdifMappingWindow(), nullptr);
    EXPECT_EQ(ReadIni("ADIF-FOL", "ADIF-FileName"), adi);

    dialogs.yesNoAnswers.push_back(true);  // ".log": DigiPan
    Drop(log);
    EXPECT_EQ(form->Model().ConversionMode, 1);
    EXPECT_EQ(form->Model().DigipanLogPath, log);
    dialogs.yesNoAnswers.push_back(false);  // ".log": ADIF
    Drop(log);
    EXPECT_EQ(form->Model().ConversionMode, 3);
    EXPECT_EQ(form->Model().AdifLogPath, log);
    ASSERT_EQ(dialogs.questions.size(), 2u);
    EXPECT_EQ(dialogs.questions[0], Text(app::kDropLogQuestion, Lang::kJapanese));

    Drop(jap1);  // chosen only: the run waits for Convert
    EXPECT_EQ(form->Model().ConversionMode, 9);
    EXPECT_FALSE(std::filesystem::exists(dir.File("JAP2HL.CSV")));
    Convert();
    EXPECT_TRUE(std::filesystem::exists(dir.File("JAP2HL.CSV")));

    // Any other text file is taken for a JAP1 log too; finding no record keeps the output.
    WriteBytes(dir.File("shopping.txt"), "milk\r\neggs\r\n");
    const std::string before = ReadBytes(dir.File("JAP2HL.CSV"));
    dialogs.messages.clear();
    Drop(dir.File("shopping.txt"));
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.LastMessage();
    EXPECT_EQ(form->Model().ConversionMode, 9);
    EXPECT_EQ(Label("Label5"), dir.File("shopping.txt"));
    EXPECT_TRUE(On("Command1"));
    Convert();
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{app::NothingFoundMessage(
                                    dir.File("shopping.txt"), dir.File("JAP2HL.CSV"), true)});
    EXPECT_EQ(ReadBytes(dir.File("JAP2HL.CSV")), before);

    Drop(dir.File("Hamlog.hdb"));
    EXPECT_EQ(form->Model().Location.HamlogDbPath, dir.File("Hamlog.hdb"));
    EXPECT_EQ(ReadIni("HAMLOG-FOL", "HAMLOG-FN"), dir.File("Hamlog.hdb"));
    EXPECT_TRUE(dialogs.opened.empty());  // no open dialog for any of them

    dialogs.messages.clear();
    WriteBytes(dir.File("contest.zlo"), "");
    WriteBytes(dir.File("notes.doc"), "");
    Drop(dir.File("contest.zlo"));
    EXPECT_EQ(form->Model().ConversionMode, 7);
    EXPECT_EQ(form->Model().ZloPath, dir.File("contest.zlo"));
    EXPECT_TRUE(dialogs.opened.empty());
    Drop(dir.File("notes.doc"));
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back(), Text(app::kDropHelp, Lang::kJapanese));
    EXPECT_EQ(form->Model().ConversionMode, 7);
}

TEST_F(OperatorTest, ASecondStartBringsTheFirstToTheFront) {
    Start();
    const std::string settingsBefore = ReadBytes(Ini());
    const std::string copy = dir.File("trelvo5-gui");
    std::filesystem::copy_file(TRELVO5_GUI_PATH, copy);
    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    second.setProcessEnvironment(env);
    second.start(QString::fromStdString(copy), {});
    ASSERT_TRUE(second.waitForStarted(30000));
    // The first copy keeps serving its events while the second one runs.
    EXPECT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 60000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->RaiseRequests() == 1; }, 10000));
    EXPECT_EQ(ReadBytes(Ini()), settingsBefore);  // the second start wrote nothing
}

}  // namespace
