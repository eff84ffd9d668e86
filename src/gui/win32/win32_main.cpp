// trelvo5-gui.exe: the window over the conversion engine on Windows.
// clang-format off
#include "gui/win32/win32_main_form.h"  // <windows.h> before the other Windows headers
#include <commctrl.h>
// clang-format on

#include "core/platform.h"
#include "gui/win32/win32_dialogs.h"

int main() {
    using namespace trelvo;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);

    const app::MainFormConfig config = app::StartupConfig(ProgramFolder());

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
