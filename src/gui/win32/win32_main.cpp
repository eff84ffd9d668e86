// trelvo5-gui.exe: the window over the conversion engine on Windows.
// clang-format off
#include "gui/win32/win32_main_form.h"  // <windows.h> before the other Windows headers
#include <commctrl.h>
// clang-format on

#include "core/platform.h"
#include "gui/win32/win32_dialogs.h"
#include "settings/settings_location.h"

int main() {
    using namespace trelvo;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);

    app::MainFormConfig config;
    config.programFolder = ProgramFolder();
    // Beside the program, or in %APPDATA%\TRELVO5 when the program's folder cannot be written.
    const settings::SettingsLocation where = settings::LocateSettings(config.programFolder);
    config.iniPath = where.iniPath;
    config.settingsFolder = where.folder;
    config.versionMajor = TRELVO5_VERSION_MAJOR;
    config.versionMinor = TRELVO5_VERSION_MINOR;
    config.versionRevision = TRELVO5_VERSION_PATCH;
    config.lang = app::WindowLang(config.iniPath);

    gui::Win32Dialogs dialogs(JoinPath(config.programFolder, "TRELVO5.html"));
    gui::MainFormWin32 window(config, dialogs);
    dialogs.SetOwner(window.Window());
    switch (window.Model().Form_Load()) {
        case app::LoadOutcome::AlreadyRunning:
            return 0;
        case app::LoadOutcome::Failed:
            return 1;
        case app::LoadOutcome::Shown:
            break;
    }
    ShowWindow(window.Window(), SW_SHOWNORMAL);
    UpdateWindow(window.Window());
    return window.RunMessageLoop();
}
