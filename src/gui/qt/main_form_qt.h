// The main window in Qt: the File menu, the option groups, the Convert button and the counter.
// Its logic lives in MainFormModel and its controls are those of the window's layout; this
// class builds the widgets from the layout, forwards every event to the handler of the same
// name and lets the model reach the widgets by their names.
#pragma once

#include <QMainWindow>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/main_form_layout.h"
#include "app/main_form_model.h"
#include "app/main_form_view.h"
#include "app/ui_dialogs.h"

class QLocalServer;
class QLockFile;
class QLineEdit;
class QMenu;
class QKeyEvent;
class QDragEnterEvent;
class QDropEvent;

namespace trelvo::tools {
class FieldLen;
}

namespace trelvo::app {

class MainForm : public QMainWindow, public MainFormView {
    Q_OBJECT

public:
    MainForm(MainFormConfig config, UiDialogs& dialogs, QWidget* parent = nullptr);
    ~MainForm() override;

    MainFormModel& Model() { return model_; }
    // A control by its name (a widget, a menu action or the File menu); nullptr if unknown.
    QObject* Control(const std::string& name) const;
    // Names the model asked for that the window does not have (should stay empty).
    const std::vector<std::string>& UnknownControls() const { return unknown_; }
    bool Ended() const { return ended_; }
    bool EndedNow() const { return endedNow_; }
    tools::FieldLen* FieldLenWindow() const { return fieldLen_; }
    // How often a second start asked this window to come to the front.
    int RaiseRequests() const { return raiseRequests_; }

    // --- events, named as the handlers they reach ---------------------------------------------
    LoadOutcome Form_Load() { return model_.Form_Load(); }
    void Form_KeyDown(int keyCode, int shift);
    void Form_Activate() { model_.Form_Activate(); }
    void Command1_Click();
    void SetHlpos_Click() { model_.SetHlpos_Click(); }
    void ChkData_Click() { model_.ChkData_Click(); }
    void setDGPData_Click() { model_.setDGPData_Click(); }
    void mkCSV_Click() { model_.mkCSV_Click(); }
    void setADIFData_Click() { model_.setADIFData_Click(); }
    void viewCSV_Click() { model_.viewCSV_Click(); }
    void ZL2HL_Click() { model_.ZL2HL_Click(); }
    void setHLData_Click() { model_.setHLData_Click(); }
    void MODCH_Click() { model_.MODCH_Click(); }
    void mkADIF_Click() { model_.mkADIF_Click(); }
    void mkHL2CSV_Click() { model_.mkHL2CSV_Click(); }
    void mkHL2CSV5_Click() { model_.mkHL2CSV5_Click(); }
    void xxxCC_Click() { model_.xxxCC_Click(); }
    void viewNewADIF_Click() { model_.viewNewADIF_Click(); }
    void JAP1CSV_Click() { model_.JAP1CSV_Click(); }
    void viewCSVJ_Click() { model_.viewCSVJ_Click(); }
    void edSet_Click() { model_.edSet_Click(); }
    void Pend_Click() { model_.Pend_Click(); }
    void ConvHelp_Click() { model_.ConvHelp_Click(); }
    void FndISP_Click() { model_.FndISP_Click(); }
    void Check9_Click() { model_.Check9_Click(); }
    void Check10_Click() { model_.Check10_Click(); }
    void Check11_Click() { model_.Check11_Click(); }
    void CheckStd_Click() { model_.CheckStd_Click(); }
    void Combo1_Click() { model_.Combo1_Click(); }
    void Option2_Click(int index) { model_.Option2_Click(index); }
    void Label21_MouseDown();
    void Label21_MouseUp();
    void Command4_Click() { model_.Command4_Click(); }
    // The typed-character rules; `key` is changed or set to 0 (discarded).
    void Text4_KeyPress(char32_t& key) { TextKeyPress("Text4", key); }
    void Text5_KeyPress(char32_t& key) { TextKeyPress("Text5", key); }
    void Text22_KeyPress(char32_t& key) { TextKeyPress("Text22", key); }
    void Text23_KeyPress(char32_t& key) { TextKeyPress("Text23", key); }
    void Text24_KeyPress(char32_t& key) { TextKeyPress("Text24", key); }
    void Text7_KeyPress(char32_t& key) { TextKeyPress("Text7", key); }
    void Text8_KeyPress(char32_t& key) { TextKeyPress("Text8", key); }
    void Text11_KeyPress(char32_t& key) { TextKeyPress("Text11", key); }
    void Text12_KeyPress(char32_t& key) { TextKeyPress("Text12", key); }
    void Text3_KeyPress(char32_t& key) { TextKeyPress("Text3", key); }
    void Text6_KeyPress(char32_t& key) { TextKeyPress("Text6", key); }
    void Text10_KeyPress(char32_t& key) { TextKeyPress("Text10", key); }

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
    // The ADIF mapping window while it is open.
    QWidget* AdifMappingWindow() const { return adifMapping_; }
    void EndProgram() override;
    void EndProgramNow() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenu();
    // The controls of the layout, in their frames; the frames stacked as shown.
    void BuildControls(QWidget* central);
    void PlaceFrames();
    // A place in dialog units in this window's font.
    QRect Pixels(const Place& place) const;
    template <class T>
    T* Add(T* object, const std::string& name);
    QObject* Find(const std::string& name) const;
    void TextKeyPress(const std::string& name, char32_t& key);
    // A second start asked for this window: to the front.
    void RaiseWindow();
    bool FilterLineEditKey(QLineEdit* box, QKeyEvent* key);
    // Runs a handler that may convert: Convert and the menu stay consistent if the window
    // is closed meanwhile.
    template <class F>
    void RunCommand(F&& handler);

    MainFormModel model_;
    std::map<std::string, QObject*> controls_;
    std::map<std::string, QWidget*> captionOf_;  // the caption label beside a text box
    mutable std::vector<std::string> unknown_;
    QMenu* fileMenu_ = nullptr;
    QWidget* status_ = nullptr;  // Label5, Label6 and Command1 under the frames
    tools::FieldLen* fieldLen_ = nullptr;
    QWidget* adifMapping_ = nullptr;
    UiDialogs& dialogs_;
    std::unique_ptr<QLockFile> instanceLock_;
    QLocalServer* instanceServer_ = nullptr;
    int raiseRequests_ = 0;
    bool ended_ = false;
    bool endedNow_ = false;
    bool inCloseEvent_ = false;
    bool closeAfterRun_ = false;
    int busyDepth_ = 0;
};

}  // namespace trelvo::app
