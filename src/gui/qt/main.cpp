// trelvo5-gui: the window over the conversion engine.
#include <QApplication>
#include <QTranslator>

#include "core/platform.h"
#include "gui/qt/main_form_qt.h"
#include "gui/qt/qt_dialogs.h"
#include "settings/ini_store.h"

int main(int argc, char** argv) {
    using namespace trelvo;
    QApplication application(argc, argv);
    QApplication::setApplicationName("TRELVO5");
    QApplication::setStyle("Fusion");

    const app::MainFormConfig config = app::StartupConfig(ProgramFolder());
    const auto japanese = gui::InstallQtJapanese(QString::fromStdString(config.programFolder));

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
