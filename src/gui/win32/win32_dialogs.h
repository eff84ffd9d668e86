// The real dialogs on Windows: the common open and save dialogs, message boxes, the text
// editor started as its own program, and the help page opened in the browser.
#pragma once

#include "app/ui_dialogs.h"
#include "gui/win32/win32_text.h"

namespace trelvo::gui {

class Win32Dialogs : public app::UiDialogs {
public:
    // `helpPath`: the help page that ships beside the program.
    explicit Win32Dialogs(std::string helpPath) : helpPath_(std::move(helpPath)) {}
    // Dialogs and messages are placed over `owner` (the main window).
    void SetOwner(HWND owner) { owner_ = owner; }

    std::optional<std::string> OpenFile(const app::FileDialogRequest& request) override;
    std::optional<std::string> SaveFile(const app::FileDialogRequest& request) override;
    void Message(const std::string& text, app::MessageIcon icon, const std::string& title) override;
    bool AskYesNo(const std::string& text, app::MessageIcon icon, const std::string& title) override;
    void StartEditor(const std::string& editor, const std::string& file) override;
    void ShowHelp(int context) override;

private:
    std::optional<std::string> Run(const app::FileDialogRequest& request, bool save);
    HWND owner_ = nullptr;
    std::string helpPath_;
};

// The Win32 filter string of a dialog filter: description and patterns, each ended by a NUL,
// the whole ended by a second NUL.
std::wstring Win32Filter(const std::string& filter);

}  // namespace trelvo::gui
