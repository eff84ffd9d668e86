#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLockFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>

#include "gui/qt/field_len_qt.h"
#include "gui/qt/qt_dialogs.h"
#include "window_fixture.h"

using namespace trelvo;
using namespace trelvo::testing;

namespace {

TEST_F(WindowTest, StartUpShowsTheMenuAndTheDigipanGroupWithTheirCaptions) {
    Start();
    // The File menu in its order, separators included.
    const std::vector<std::string> menu = {
        "SetHlpos", "ChkData",     "", "setDGPData", "mkCSV",    "",       "setADIFData", "viewCSV",
        "",         "ZL2HL",       "", "setHLData",  "MODCH",    "mkADIF", "mkHL2CSV",    "mkHL2CSV5",
        "xxxCC",    "viewNewADIF", "", "JAP1CSV",    "viewCSVJ", "",       "edSet",       "",
        "Pend"};
    auto* file = W<QMenu>("TRELVOMenu");
    ASSERT_NE(file, nullptr);
    std::vector<std::string> names;
    for (QAction* a : file->actions()) names.push_back(a->isSeparator() ? "" : a->objectName().toStdString());
    EXPECT_EQ(names, menu);
    EXPECT_EQ(Item("verdisp")->text().toStdString(), "Ver 1.02");

    for (const char* off :
         {"mkCSV", "MODCH", "mkADIF", "mkHL2CSV", "mkHL2CSV5", "xxxCC", "viewNewADIF", "viewCSV", "viewCSVJ"})
        EXPECT_FALSE(Item(off)->isEnabled()) << off;
    for (const char* on : {"SetHlpos", "ChkData", "ZL2HL", "edSet", "Pend"})
        EXPECT_TRUE(Item(on)->isEnabled()) << on;

    EXPECT_TRUE(W<QGroupBox>("Frame1")->isVisible());
    for (const char* f : {"Frame2", "Frame3", "Frame7", "Frame8"})
        EXPECT_FALSE(W<QWidget>(f)->isVisible()) << f;
    EXPECT_EQ(W<QGroupBox>("Frame1")->title().toStdString(),
              "変換ルール( Digipan.LOG -> Turbo HAMLOG用 CSV)");
    EXPECT_EQ(W<QLabel>("Label6")->text().toStdString(), "件数ｶｳﾝﾀ");
    EXPECT_EQ(W<QLabel>("Label5")->text().toStdString(), "Turbo HAMLOGデータの場所未設定です");
    EXPECT_EQ(Box("Text4")->text().toStdString(), "J");
    EXPECT_EQ(W<QComboBox>("Combo1")->count(), 1);
    EXPECT_TRUE(W<QRadioButton>("Option2(0)")->isChecked());
    EXPECT_EQ(dialogs.messages.size(), 1u);  // "set the HAMLOG location first"

    // The window activates with the focus on the issue mark.
    QApplication::setActiveWindow(form.get());
    EXPECT_EQ(QApplication::focusWidget(), Box("Text4"));
}

TEST_F(WindowTest, ASecondCopyEndsAtOnceWithoutWritingTheSettings) {
    QLockFile other(QDir(QString::fromStdString(dir.Path())).filePath("TRELVO5.lock"));
    ASSERT_TRUE(other.tryLock(0));
    Make();
    EXPECT_EQ(form->Form_Load(), app::LoadOutcome::AlreadyRunning);
    EXPECT_FALSE(std::filesystem::exists(Ini()));
    EXPECT_FALSE(std::filesystem::exists(dir.File("GeneData")));
    EXPECT_TRUE(dialogs.messages.empty());
    other.unlock();

    // Once the first copy has gone, a start succeeds and holds the folder itself.
    Make();
    EXPECT_EQ(form->Form_Load(), app::LoadOutcome::Shown);
    QLockFile third(QDir(QString::fromStdString(dir.Path())).filePath("TRELVO5.lock"));
    EXPECT_FALSE(third.tryLock(0));
}

TEST_F(WindowTest, TypedCharactersFollowEachBoxRule) {
    Start();
    QLineEdit* mark = Box("Text4");
    mark->setFocus();
    mark->setCursorPosition(0);
    QTest::keyClicks(mark, "k");  // overtypes the "J" and becomes upper case
    EXPECT_EQ(mark->text().toStdString(), "K");
    EXPECT_EQ(form->Model().Marks.issue, "K");
    QTest::keyClicks(mark, "s");  // at the end: appended
    EXPECT_EQ(mark->text().toStdString(), "KS");

    form->Option2_Click(1);
    QLineEdit* date = Box("Text7");
    date->setText("20240131");
    date->setCursorPosition(4);
    QTest::keyClicks(date, "/1");  // "/" is dropped, "1" overtypes the month's first digit
    EXPECT_EQ(date->text().toStdString(), "20241131");

    form->Option2_Click(2);
    QLineEdit* rec = Box("Text11");
    rec->setText("1234");
    rec->setCursorPosition(1);
    QTest::keyClicks(rec, "9");
    EXPECT_EQ(rec->text().toStdString(), "19");

    QLineEdit* cut = Box("Text3");
    cut->setText("5");
    cut->setCursorPosition(0);
    QTest::keyClicks(cut, "x");
    EXPECT_EQ(cut->text().toStdString(), "0");
    QLineEdit* back = Box("Text6");
    back->setText("7");
    back->setCursorPosition(1);
    QTest::keyClick(back, Qt::Key_Backspace);
    EXPECT_EQ(back->text().toStdString(), "0");
}

TEST_F(WindowTest, ExitWritesTheMarksAndCtrlAltZEndsWithoutThem) {
    Start();
    Box("Text5")->setText("S");
    const std::string before = ReadBytes(Ini());
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_TRUE(form->EndedNow());
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(ReadBytes(Ini()), before);

    Start();
    Box("Text5")->setText("S");
    Item("Pend")->trigger();
    EXPECT_TRUE(form->Ended());
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(ReadIni("QSLcfg", "SentMark"), "S");
    EXPECT_EQ(ReadIni("QSLcfg", "Jmark"), "J");

    // Closing the window runs the same exit.
    Start();
    Box("Text4")->setText("Q");
    form->close();
    EXPECT_TRUE(form->Ended());
    EXPECT_EQ(ReadIni("QSLcfg", "Jmark"), "Q");
}

TEST_F(WindowTest, EscRequestsCancelAndTheCountLabelPressHidesTheCounts) {
    Start();
    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_EQ(form->Model().CancelRequested, 1);

    auto* label = W<QLabel>("Label21");
    QTest::mousePress(label, Qt::LeftButton);
    EXPECT_TRUE(Box("Text3")->isHidden());
    EXPECT_TRUE(Box("Text10")->isHidden());
    QTest::mouseRelease(label, Qt::LeftButton);
    EXPECT_FALSE(Box("Text3")->isHidden());
}

TEST_F(WindowTest, FieldLengthWindowShowsTheDatabaseWidths) {
    WriteEmptyDatabase("", 10, 2);
    Start();
    EXPECT_TRUE(dialogs.messages.empty());
    Item("ChkData")->trigger();
    tools::FieldLen* fl = form->FieldLenWindow();
    ASSERT_NE(fl, nullptr);
    auto value = [fl](int i) {
        return fl->findChild<QLabel*>(QString("Label2(%1)").arg(i))->text().toStdString();
    };
    EXPECT_EQ(value(0), "12");
    EXPECT_EQ(value(7), "54");
    EXPECT_EQ(fl->findChild<QLabel*>("Label3(4)")->text().toStdString(), "His");

    // Closing the main window closes it too.
    form->close();
    EXPECT_EQ(form->FieldLenWindow(), nullptr);
}

TEST_F(WindowTest, TheEditorGetsThePathAsOneArgumentWithoutAShell) {
    gui::QtDialogs real;
    const std::string odd = dir.File("a b'c;$(x).CSV");
    real.StartEditor("/usr/bin/touch", odd);
    for (int i = 0; i < 100 && !std::filesystem::exists(odd); ++i) QTest::qWait(20);
    EXPECT_TRUE(std::filesystem::exists(odd));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    real.StartEditor(dir.File("no-such-editor"), odd);  // a failure is not reported
}

TEST_F(WindowTest, HelpOpensAtTheMainAndTheMappingTopics) {
    Start();
    gui::QtDialogs real;
    real.SetOwner(form.get());
    real.ShowHelp(1);
    ASSERT_NE(real.Help(), nullptr);
    const QString text = real.Help()->Browser()->toPlainText();
    EXPECT_TRUE(text.contains("メイン画面"));
    EXPECT_TRUE(text.contains("ADIF-Turbo HAMLOG 関連付け画面"));
    real.ShowHelp(2);
    EXPECT_TRUE(real.Help()->isVisible());
    real.Help()->close();
}

}  // namespace

namespace {

// The window takes the size of the frame it shows: taller for the zLog panel, and back to its
// first size afterwards (at 150 % on a 1080-pixel screen Convert was off screen otherwise).
using ShrinkTest = trelvo::testing::WindowTest;
TEST_F(ShrinkTest, TheWindowShrinksAgainAfterTheZlogPanel) {
    Start();
    QApplication::processEvents();
    const int first = form->height();
    form->SetVisible("Frame1", false);
    form->SetVisible("Frame3", true);
    form->SetVisible("Frame7", true);
    QApplication::processEvents();
    EXPECT_GT(form->height(), first);
    form->SetVisible("Frame3", false);
    form->SetVisible("Frame7", false);
    form->SetVisible("Frame1", true);
    QApplication::processEvents();
    EXPECT_EQ(form->height(), first);
}

}  // namespace
