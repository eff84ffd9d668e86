// The main window on Windows: the controls of the window's layout made with the Windows API
// and its common controls, over the same MainFormModel and UiDialogs as the Qt window. Every
// event goes to the model's handler of the same name; the model reaches the controls by
// their names through MainFormView.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/main_form_layout.h"
#include "app/main_form_model.h"
#include "app/main_form_view.h"
#include "app/ui_dialogs.h"

namespace trelvo::adif {
class AdifMappingModel;
}

namespace trelvo::gui {

class FieldLenWindow;
class AdifMappingWindow;

class MainFormWin32 : public app::MainFormView {
public:
    MainFormWin32(app::MainFormConfig config, app::UiDialogs& dialogs);
    ~MainFormWin32() override;
    MainFormWin32(const MainFormWin32&) = delete;
    MainFormWin32& operator=(const MainFormWin32&) = delete;

    app::MainFormModel& Model() { return model_; }
    HWND Window() const { return hwnd_; }
    // The child window of a control; nullptr for menu items and unknown names.
    HWND Control(const std::string& name) const;
    // Names the model asked for that the window does not have (should stay empty).
    const std::vector<std::string>& UnknownControls() const { return unknown_; }
    bool Ended() const { return ended_; }
    int RaiseRequests() const { return raiseRequests_; }
    // The File menu opens for the user when a mode is chosen, unless switched off (a test
    // driving the window has no user to close it).
    void SetOpenMenuForUser(bool on) { openMenuForUser_ = on; }

    // What a user does, through the window's own messages: a click on a button, check box,
    // option button or menu item (false when it is disabled, hidden or unknown); a choice
    // in the mode list.
    bool Click(const std::string& name);
    bool SelectListItem(const std::string& name, const std::string& item);
    AdifMappingWindow* MappingWindow() const { return mapping_.get(); }
    FieldLenWindow* FieldLen() const { return fieldLen_.get(); }

    // Runs the window until the program ends; the exit code.
    int RunMessageLoop();

    // --- MainFormView -----------------------------------------------------------------------
    void SetEnabled(const std::string& name, bool on) override;
    bool Enabled(const std::string& name) const override;
    void SetVisible(const std::string& name, bool on) override;
    bool Visible(const std::string& name) const override;
    void SetText(const std::string& name, const std::string& text) override;
    std::string Text(const std::string& name) const override;
    void SetChecked(const std::string& name, bool on) override;
    bool Checked(const std::string& name) const override;
    void ClearList(const std::string& name) override;
    void AddListItem(const std::string& name, const std::string& item) override;
    void SetBackColor(const std::string& name, std::optional<std::uint32_t> bgr) override;
    void SetFocusTo(const std::string& name) override;
    void ShowTextFor(const std::string& name, const std::string& text, int milliseconds,
                     const std::string& then) override;
    void ServiceEvents() override;
    void OpenFileMenu() override;
    void SetBusy(bool busy) override;
    bool AnotherInstanceRunning() override;
    void ShowFieldLen(const hamlog::HdbFieldLengths& lengths) override;
    void CloseFieldLen() override;
    void ShowAdifMapping(const std::vector<std::string>& tagNames, const std::string& fixedText,
                         const std::string& adifPath) override;
    void CloseAdifMapping(bool closingActions) override;
    void EndProgram() override;
    void EndProgramNow() override;

    // Esc and Ctrl+Alt+Z reach the model from any control of the window; true when the key
    // was taken. The message loops call this before dispatching.
    bool HandleKey(const MSG& msg);

private:
    struct Item {
        const app::ControlLayout* layout = nullptr;  // nullptr for the menu's entries
        HWND hwnd = nullptr;
        int id = 0;
        bool enabled = true, visible = true;
        bool menu = false;
        std::string text;  // menu entries: their caption
        std::optional<std::uint32_t> back;
        HBRUSH brush = nullptr;
    };
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                        DWORD_PTR self);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void BuildMenu();
    void BuildControls();
    void MakeFont();
    // Where every control goes in this window's font and DPI; the window sized to fit.
    void PlaceAll();
    // Each control enabled and shown as its own setting and its frames' settings say.
    void ApplyStates();
    RECT Pixels(const app::Place& p) const;
    Item* Find(const std::string& name);
    const Item* Find(const std::string& name) const;
    template <class F>
    void RunCommand(F&& handler);
    void OnCommand(int id, int code);
    void DrawButton(const DRAWITEMSTRUCT& d);
    void EditChar(const Item& item, WPARAM& ch);

    app::MainFormModel model_;
    app::UiDialogs& dialogs_;
    HWND hwnd_ = nullptr;
    HMENU menuBar_ = nullptr, fileMenu_ = nullptr;
    HWND tooltip_ = nullptr;
    HFONT font_ = nullptr;
    UINT dpi_ = 96;
    int baseX_ = 6, baseY_ = 13;  // dialog base units of the font, in pixels
    std::map<std::string, Item, std::less<>> items_;
    std::map<int, std::string> byId_;
    struct Pending {
        std::string name, text, then;
    };
    std::map<UINT_PTR, Pending> timers_;
    UINT_PTR nextTimer_ = 1;
    mutable std::vector<std::string> unknown_;
    std::unique_ptr<FieldLenWindow> fieldLen_;
    std::unique_ptr<AdifMappingWindow> mapping_;
    HANDLE instanceMutex_ = nullptr;
    std::wstring className_;
    std::vector<std::wstring> droppedFiles_;
    int raiseRequests_ = 0;
    int busy_ = 0;
    bool label21Expanded_ = false;
    bool ended_ = false, endedNow_ = false;
    bool closeAfterRun_ = false;
    bool creating_ = true;
    bool openMenuForUser_ = true;
};

}  // namespace trelvo::gui
