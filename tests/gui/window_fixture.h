// A main window over a scratch program folder, with scripted dialogs.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "gui/qt/adif2hl_form_qt.h"
#include "gui/qt/main_form_qt.h"
#include "hamlog/hand_made_hdb.h"
#include "scripted_dialogs.h"
#include "settings/ini_store.h"
#include "test_support.h"

namespace trelvo::testing {

class WindowTest : public ::testing::Test {
protected:
    ScratchDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<app::MainForm> form;

    std::string Ini() const { return dir.File("TRELVO5.INI"); }
    app::MainForm& Make(Lang lang = Lang::kJapanese) {
        app::MainFormConfig c;
        c.lang = lang;
        c.programFolder = dir.Path();
        c.iniPath = Ini();
        c.versionMajor = 1;
        c.versionMinor = 2;
        form = std::make_unique<app::MainForm>(c, dialogs);
        form->Model().SetServiceInterval(std::chrono::milliseconds(0));
        return *form;
    }
    app::MainForm& Start(Lang lang = Lang::kJapanese) {
        Make(lang);
        EXPECT_EQ(form->Form_Load(), app::LoadOutcome::Shown);
        form->show();
        return *form;
    }
    template <class T>
    T* W(const std::string& name) const {
        T* w = qobject_cast<T*>(form->Control(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QAction* Item(const std::string& name) const { return W<QAction>(name); }
    QLineEdit* Box(const std::string& name) const { return W<QLineEdit>(name); }
    std::string Label(const std::string& name) const { return W<QLabel>(name)->text().toStdString(); }
    bool On(const std::string& name) const { return W<QWidget>(name)->isEnabled(); }
    bool MenuOn() const { return W<QMenu>("TRELVOMenu")->menuAction()->isEnabled(); }
    void Click(const std::string& name) const { W<QAbstractButton>(name)->click(); }
    void Convert() const { Click("Command1"); }
    // A file dropped on the main window; the command it starts has run on return.
    void Drop(const std::string& path) const {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &drop);
        QApplication::processEvents();
    }

    // --- the ADIF mapping window ---
    adif::ADIF2HL_Form* Mapping() const {
        return qobject_cast<adif::ADIF2HL_Form*>(form->AdifMappingWindow());
    }
    QTableWidget* Grid() const { return Mapping()->Grid(); }
    // The grid row (1..N) of a tag name.
    int RowOf(const std::string& tag) const {
        for (int r = 0; r < Grid()->rowCount(); ++r)
            if (Grid()->item(r, 0)->text().toStdString() == tag) return r + 1;
        ADD_FAILURE() << tag;
        return 0;
    }
    void ClickCell(int row, int column) const {
        const QRect rect = Grid()->visualRect(Grid()->model()->index(row - 1, column));
        QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, {}, rect.center());
    }
    bool Marked(int row, int column) const { return Grid()->item(row - 1, column)->text() == "●"; }
    void ChooseAdif(const std::string& path) {
        dialogs.openAnswers.push_back(path);
        Item("setADIFData")->trigger();
    }
    void CloseMapping() const {
        QAction* close = Mapping()->findChild<QAction*>("SHEETcls");
        ASSERT_NE(close, nullptr);
        close->trigger();
        QApplication::processEvents();  // the closed window deletes itself
    }
    // Chooses the ADIF file, marks each tag's column and closes the mapping window.
    void MapAdif(const std::string& path, const std::vector<std::pair<const char*, int>>& map) {
        ChooseAdif(path);
        ASSERT_NE(Mapping(), nullptr);
        for (const auto& [tag, column] : map) ClickCell(RowOf(tag), column);
        CloseMapping();
    }
    std::string ReadIni(const std::string& section, const std::string& key) const {
        settings::IniStore ini(Ini());
        return ini.ReadOr(section, key, "<missing>");
    }
    // Runs the command line with `args`; its exit code (-1 when it did not run).
    int RunCli(const QStringList& args, QString* out = nullptr) const {
        QProcess p;
        p.setWorkingDirectory(QString::fromStdString(dir.Path()));
        p.start(TRELVO5_CLI_PATH, args);
        if (!p.waitForFinished(60000)) return -1;
        if (out) *out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    static std::string Example(const std::string& rel) {
        return std::string(TRELVO5_SOURCE_DIR) + "/examples/" + rel;
    }
    // Copies an example file into the scratch folder; its new path.
    std::string CopyExample(const std::string& rel, const std::string& name) const {
        std::filesystem::copy_file(Example(rel), dir.File(name),
                                   std::filesystem::copy_options::overwrite_existing);
        return dir.File(name);
    }
    // An empty database with its master file, named in the settings followed by `iniExtra`.
    void WriteEmptyDatabase(const std::string& iniExtra = "", int calls = 8, int ign = 12) const {
        WriteBytes(dir.File("Hamlog.HDB"), EmptyHdb(calls, ign));
        WriteBytes(dir.File("Hamlog.mst"), HandMst({}));
        WriteBytes(Ini(), HamlogIni(dir.File("Hamlog.HDB")) + iniExtra);
    }
    // The example database with its master file, named in the settings.
    void CopyExampleDatabase() const {
        CopyExample("hamlog/Hamlog.HDB", "Hamlog.HDB");
        CopyExample("hamlog/Hamlog.mst", "Hamlog.mst");
        WriteBytes(Ini(), HamlogIni(dir.File("Hamlog.HDB")));
    }
    // Presses Esc on the window once the event loop has been serviced `n` times (a running
    // conversion services it once per callback in these tests).
    void PressEscAfter(int n) { EscAfter(form.get(), n); }
    static void EscAfter(QWidget* w, int left) {
        if (left <= 0) {
            QTest::keyClick(w, Qt::Key_Escape);
            return;
        }
        QMetaObject::invokeMethod(
            w, [w, left] { EscAfter(w, left - 1); }, Qt::QueuedConnection);
    }
    // The lines of a CP932 CSV file.
    static int LineCount(const std::string& path) {
        const std::string b = ReadBytes(path);
        return static_cast<int>(std::count(b.begin(), b.end(), '\n'));
    }
    void TearDown() override {
        if (form) {
            EXPECT_TRUE(form->UnknownControls().empty()) << form->UnknownControls().front();
        }
        form.reset();
    }
};

}  // namespace trelvo::testing
