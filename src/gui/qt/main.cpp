// trelvo5-gui: the window over the conversion engine.
#include <QApplication>
#include <QTranslator>

#include "core/platform.h"
#include "gui/qt/main_form_qt.h"
#include "gui/qt/qt_dialogs.h"
#include "settings/ini_store.h"
#include "settings/settings_location.h"

int main(int argc, char** argv) {
    using namespace trelvo;
    QApplication application(argc, argv);
    QApplication::setApplicationName("TRELVO5");
    QApplication::setStyle("Fusion");

    app::MainFormConfig config;
    config.programFolder = ProgramFolder();
    const auto japanese = gui::InstallQtJapanese(QString::fromStdString(config.programFolder));
    // Beside the program, or in the user's settings folder when the program's folder cannot
    // be written.
    const settings::SettingsLocation where = settings::LocateSettings(config.programFolder);
    config.iniPath = where.iniPath;
    config.settingsFolder = where.folder;
    config.versionMajor = TRELVO5_VERSION_MAJOR;
    config.versionMinor = TRELVO5_VERSION_MINOR;
    config.versionRevision = TRELVO5_VERSION_PATCH;
    config.lang = app::WindowLang(config.iniPath);

    gui::QtDialogs dialogs;
    app::MainForm window(config, dialogs);
    dialogs.SetOwner(&window);
    switch (window.Form_Load()) {
        case app::LoadOutcome::AlreadyRunning:
            return 0;
        case app::LoadOutcome::Failed:
            return 1;
        case app::LoadOutcome::Shown:
            break;
    }
    window.show();
    return QApplication::exec();
}
