// The real dialogs: Qt's Japanese texts and the extension a save dialog adds.
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>

#include "gui/qt/qt_dialogs.h"
#include "window_fixture.h"

using namespace trelvo;
using namespace trelvo::testing;

namespace {

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
    r.title = "CSV形式LOGﾃﾞｰﾀ保存";
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
    // A filter of several patterns adds nothing.
    r.filter = "ADIF形式 LOGﾃﾞｰﾀ (*.LOG;*.ADI)|*.LOG;*.ADI";
    TypeIntoNextFileDialog("plain");
    EXPECT_EQ(std::filesystem::path(dialogs.SaveFile(r).value_or("")),
              std::filesystem::path(dir.File("plain")));
}

}  // namespace
