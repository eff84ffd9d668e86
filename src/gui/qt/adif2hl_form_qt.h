// The window "ADIF-Turbo HAMLOG 関連付け": one row per tag name of the chosen ADIF file, one
// column per HAMLOG column; a click sets or clears a mark "●". Closing it stores the marks
// and hands the map to the main window, whose Convert button is then ready.
#pragma once

#include <QWidget>

#include <string>
#include <vector>

#include "app/adif_mapping_window.h"
#include "app/ui_dialogs.h"
#include "importers/adif/adif_mapping.h"
#include "settings/ini_store.h"

class QTableWidget;
class QLineEdit;

namespace trelvo::adif {

using app::kDroppedMessage;
using app::kHintText;
using app::kMismatchQuestion;

class ADIF2HL_Form : public QWidget {
    Q_OBJECT

public:
    // `tagNames` are rows 1..N; the marks are restored from the settings by row. `ini` and
    // `dialogs` belong to the main window and outlive this window.
    ADIF2HL_Form(std::vector<std::string> tagNames, std::string fixedText, settings::IniStore& ini,
                 app::UiDialogs& dialogs, std::string editorPath, std::string adifPath,
                 QWidget* owner = nullptr, Lang lang = Lang::kJapanese);

    AdifMappingModel& Model() { return model_; }
    QTableWidget* Grid() const { return grid_; }

    // --- events -------------------------------------------------------------------------
    // A click on the grid cell (row, column) as the grid numbers them: row 0 is the title row.
    void MSFlexGrid1_Click(int row, int column);
    void SHEETcls_Click();
    void viewADIF_Click();
    void ConvHelp_Click();
    void Option1_Click(int index);
    // "自動設定": the usual tags of a log to their columns, as the command line's --map auto.
    void AutoSet_Click();

Q_SIGNALS:
    // The window has been closed: the map the conversion is to use.
    void MappingClosed(const trelvo::adif::AdifMapping& mapping);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowMarks();

    AdifMappingModel model_;
    settings::IniStore& ini_;
    app::UiDialogs& dialogs_;
    std::string editorPath_;
    std::string adifPath_;
    Lang lang_;
    QTableWidget* grid_ = nullptr;
    QLineEdit* text1_ = nullptr;
    bool closed_ = false;
};

}  // namespace trelvo::adif
