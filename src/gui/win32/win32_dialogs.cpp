#include "gui/win32/win32_dialogs.h"

#include <commdlg.h>
#include <shellapi.h>

#include "app/main_form_model.h"

namespace trelvo::gui {
namespace {

UINT IconFlag(app::MessageIcon icon) {
    switch (icon) {
        case app::MessageIcon::Information:
            return MB_ICONINFORMATION;
        case app::MessageIcon::Question:
            return MB_ICONQUESTION;
        case app::MessageIcon::Exclamation:
            return MB_ICONEXCLAMATION;
        case app::MessageIcon::Critical:
            return MB_ICONERROR;
        case app::MessageIcon::None:
            break;
    }
    return 0;
}

std::wstring Title(const std::string& title) {
    return Wide(title.empty() ? app::kProgramTitle : title);
}

}  // namespace

std::wstring Win32Filter(const std::string& filter) {
    std::wstring out;
    for (const app::DialogFilterEntry& e : app::ParseDialogFilter(filter)) {
        std::string patterns;
        for (const std::string& p : e.patterns) patterns += (patterns.empty() ? "" : ";") + p;
        out += Wide(e.description);
        out.push_back(L'\0');
        out += Wide(patterns);
        out.push_back(L'\0');
    }
    out.push_back(L'\0');
    return out;
}

std::optional<std::string> Win32Dialogs::Run(const app::FileDialogRequest& r, bool save) {
    std::wstring buffer(32768, L'\0');
    const std::wstring proposed = Wide(r.proposedName);
    proposed.copy(buffer.data(), std::min(proposed.size(), buffer.size() - 1));
    const std::wstring filter = Win32Filter(r.filter), title = Wide(r.title), folder = Wide(r.startFolder);
    const std::wstring suffix = Wide(app::DefaultSuffix(r.filter));
    OPENFILENAMEW o{};
    o.lStructSize = sizeof o;
    o.hwndOwner = owner_;
    o.lpstrFilter = filter.c_str();
    o.nFilterIndex = 1;
    o.lpstrFile = buffer.data();
    o.nMaxFile = static_cast<DWORD>(buffer.size());
    o.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    o.lpstrTitle = title.empty() ? nullptr : title.c_str();
    o.lpstrDefExt = suffix.empty() ? nullptr : suffix.c_str();
    o.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_LONGNAMES;
    if (r.mustExist) o.Flags |= OFN_FILEMUSTEXIST;
    if (r.overwritePrompt) o.Flags |= OFN_OVERWRITEPROMPT;
    const BOOL ok = save ? GetSaveFileNameW(&o) : GetOpenFileNameW(&o);
    if (!ok) return std::nullopt;
    return Utf8(buffer.c_str());
}

std::optional<std::string> Win32Dialogs::OpenFile(const app::FileDialogRequest& r) {
    return Run(r, false);
}
std::optional<std::string> Win32Dialogs::SaveFile(const app::FileDialogRequest& r) {
    return Run(r, true);
}

void Win32Dialogs::Message(const std::string& text, app::MessageIcon icon, const std::string& title) {
    MessageBoxW(owner_, Wide(text).c_str(), Title(title).c_str(), MB_OK | IconFlag(icon));
}

bool Win32Dialogs::AskYesNo(const std::string& text, app::MessageIcon icon, const std::string& title) {
    return MessageBoxW(owner_, Wide(text).c_str(), Title(title).c_str(), MB_YESNO | IconFlag(icon)) == IDYES;
}

void Win32Dialogs::StartEditor(const std::string& editor, const std::string& file) {
    // One argument, no shell: the editor is found as Windows finds a program.
    std::wstring command = L"\"" + Wide(editor) + L"\" \"" + Wide(file) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
}

void Win32Dialogs::ShowHelp(int context) {
    // The page in the user's browser, at the topic's anchor.
    std::wstring url = L"file:///" + Wide(helpPath_);
    for (wchar_t& c : url)
        if (c == L'\\') c = L'/';
    url += context == 2 ? L"#context2" : L"#context1";
    if (reinterpret_cast<INT_PTR>(
            ShellExecuteW(owner_, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) <= 32)
        ShellExecuteW(owner_, L"open", Wide(helpPath_).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace trelvo::gui
