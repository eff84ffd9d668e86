// The main window's two secondary windows on Windows: the field lengths and the ADIF mapping.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ui_dialogs.h"
#include "gui/win32/win32_text.h"
#include "hamlog/hdb_header.h"
#include "importers/adif/adif_mapping.h"
#include "settings/ini_store.h"

namespace trelvo::gui {

// "Turbo HAMLOGの各ﾃﾞｰﾀ項目長": the database's field widths, shown only.
class FieldLenWindow {
public:
    FieldLenWindow(HWND owner, const hamlog::HdbFieldLengths& lengths);
    ~FieldLenWindow();
    HWND Window() const { return hwnd_; }
    // The text of Label2(i) / Label3(i).
    std::string Text(const std::string& name) const;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    std::vector<std::pair<std::string, HWND>> labels_;
};

// "ADIF-Turbo HAMLOG 関連付け": one row per tag, one column per HAMLOG column; a click sets
// or clears a mark. Closing it stores the marks and hands the map to `closed`.
class AdifMappingWindow {
public:
    AdifMappingWindow(HWND owner, std::vector<std::string> tagNames, std::string fixedText,
                      settings::IniStore& ini, app::UiDialogs& dialogs, std::string editorPath,
                      std::string adifPath,
                      std::function<void(const adif::AdifMappingModel&, const adif::AdifMapping&)> closed,
                      Lang lang = Lang::kJapanese);
    ~AdifMappingWindow();
    HWND Window() const { return hwnd_; }
    adif::AdifMappingModel& Model() { return model_; }

    // What a user does: a click on grid cell (row 1..N, column 1..17), a menu item
    // ("SHEETcls", "viewADIF", "AutoSet", "ConvHelp"), an option button "Option1(i)", the text.
    void ClickCell(int row, int column);
    void ClickMenu(const std::string& name);
    void ClickOption(int index);
    void SetFixedText(const std::string& text);
    // Closes the window: the marks stored, the map handed over (once).
    void Close();
    // Closes it without storing anything.
    void Discard();

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK GridProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void PaintGrid(HDC dc, const RECT& area);
    void Layout();
    int Scale(int px) const;

    adif::AdifMappingModel model_;
    settings::IniStore& ini_;
    app::UiDialogs& dialogs_;
    std::string editorPath_, adifPath_;
    Lang lang_;
    std::function<void(const adif::AdifMappingModel&, const adif::AdifMapping&)> closed_;
    HWND hwnd_ = nullptr, grid_ = nullptr, text1_ = nullptr;
    HWND options_[3] = {};
    HFONT font_ = nullptr;
    UINT dpi_ = 96;
    std::vector<int> columnWidths_;  // pixels at 96 DPI; 0 for the hidden column
    int rowHeight_ = 20, scroll_ = 0, visibleRows_ = 0;
    bool done_ = false;
};

}  // namespace trelvo::gui
