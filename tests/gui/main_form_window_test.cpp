#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLibraryInfo>
#include <QLockFile>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <QTimer>
#include <QTranslator>

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
    EXPECT_EQ(Label("Label5"), "Turbo HAMLOGデータの場所未設定です");
    for (int i = 0; i < 4; ++i) {
        const std::string option = "Option1(" + std::to_string(i) + ")";
        EXPECT_EQ(W<QRadioButton>(option)->isChecked(), i == 0) << option;
    }
    EXPECT_TRUE(W<QRadioButton>("Option2(0)")->isChecked());

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
    const struct {
        const char* box;
        int range;  // the export range that enables the box
        const char *before, *typed, *after;
        int cursor;
    } cases[] = {
        {"Text4", 0, "J", "k", "K", 0},                 // overtypes and becomes upper case
        {"Text4", 0, "K", "s", "KS", 1},                // at the end: appended
        {"Text7", 1, "20240131", "/1", "20241131", 4},  // "/" is dropped, "1" overtypes
        {"Text11", 2, "1234", "9", "19", 1},            // the rest of the number goes
        {"Text12", 2, "1234", "9", "9", 0},
        {"Text3", 0, "5", "x", "0", 0},
        {"Text6", 0, "7", "\b", "0", 1},
    };
    for (const auto& c : cases) {
        if (c.range) form->Option2_Click(c.range);
        QLineEdit* box = Box(c.box);
        box->setText(c.before);
        box->setFocus();
        box->setCursorPosition(c.cursor);
        if (*c.typed == '\b')
            QTest::keyClick(box, Qt::Key_Backspace);
        else
            QTest::keyClicks(box, c.typed);
        EXPECT_EQ(box->text().toStdString(), c.after) << c.box << " " << c.before;
    }
    EXPECT_EQ(form->Model().Marks.issue, "KS");
}

TEST_F(WindowTest, ExitWritesTheMarksAndCtrlAltZEndsWithoutThem) {
    const struct {
        const char* how;
        std::function<void(app::MainForm&)> end;
        bool stored;
    } ways[] = {
        {"Ctrl+Alt+Z",
         [](app::MainForm& f) { QTest::keyClick(&f, Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier); },
         false},
        {"Pend", [this](app::MainForm&) { Item("Pend")->trigger(); }, true},
        {"close", [](app::MainForm& f) { f.close(); }, true},  // closing the window runs the same exit
    };
    for (const auto& w : ways) {
        Start();
        const std::string before = ReadBytes(Ini());
        const std::string mark(1, w.how[0]);
        Box("Text5")->setText(QString::fromStdString(mark));
        w.end(*form);
        EXPECT_FALSE(form->isVisible()) << w.how;
        EXPECT_TRUE(form->Ended()) << w.how;
        EXPECT_EQ(form->EndedNow(), !w.stored) << w.how;
        if (w.stored) {
            EXPECT_EQ(ReadIni("QSLcfg", "SentMark"), mark);
            EXPECT_EQ(ReadIni("QSLcfg", "Jmark"), "J");
        } else {
            EXPECT_EQ(ReadBytes(Ini()), before);
        }
    }
}

// The window takes the size of the frame it shows: taller for the zLog panel, and back to its
// first size afterwards (at 150 % on a 1080-pixel screen Convert was off screen otherwise).
TEST_F(WindowTest, TheWindowShrinksAgainAfterTheZlogPanel) {
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

TEST_F(WindowTest, TheCountLabelPressHidesTheCounts) {
    Start();
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
    auto text = [fl](const char* label) { return fl->findChild<QLabel*>(label)->text().toStdString(); };
    EXPECT_EQ(text("Label2(0)"), "12");
    EXPECT_EQ(text("Label2(7)"), "54");
    EXPECT_EQ(text("Label3(4)"), "His");

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

// The real dialogs: Qt's Japanese texts and the extension a save dialog adds.
bool JapaneseQtPresent() {
    return QFileInfo::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_ja.qm");
}

TEST(QtJapanese, StandardButtonsReadJapanese) {
    if (!JapaneseQtPresent()) GTEST_SKIP() << "qtbase_ja.qm is not installed (Debian: qt6-translations-l10n)";
    const auto translator = gui::InstallQtJapanese(QString());
    ASSERT_NE(translator, nullptr);
    QMessageBox box(QMessageBox::Question, "TRELVO5", "?",
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_TRUE(box.button(QMessageBox::Yes)->text().contains("はい"))
        << box.button(QMessageBox::Yes)->text().toStdString();
    EXPECT_TRUE(box.button(QMessageBox::No)->text().contains("いいえ"));
    EXPECT_TRUE(box.button(QMessageBox::Cancel)->text().contains("キャンセル"));
}

// Types `name` into the save dialog that opens next and accepts it.
void TypeIntoNextFileDialog(const QString& name) {
    QTimer::singleShot(50, [name] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            TypeIntoNextFileDialog(name);
            return;
        }
        auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(edit, nullptr);
        edit->setText(name);
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

TEST(SaveDialog, ANameWithoutExtensionGetsTheFiltersOne) {
    ScratchDir dir;
    gui::QtDialogs dialogs;
    app::FileDialogRequest r;
    r.filter = "CSV形式LOGﾃﾞｰﾀ (*.CSV)|*.CSV";
    r.startFolder = dir.Path();
    const struct {
        const char* typed;
        const char* saved;
    } cases[] = {{"mylog", "mylog.CSV"}, {"mylog.CSV", "mylog.CSV"}, {"mylog.csv", "mylog.csv"}};
    for (const auto& c : cases) {
        TypeIntoNextFileDialog(c.typed);
        const std::optional<std::string> got = dialogs.SaveFile(r);
        ASSERT_TRUE(got.has_value()) << c.typed;
        EXPECT_EQ(std::filesystem::path(*got), std::filesystem::path(dir.File(c.saved))) << c.typed;
    }
}

}  // namespace
