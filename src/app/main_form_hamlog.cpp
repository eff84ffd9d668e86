// The main window's commands on the Turbo HAMLOG database: its location and the checks made on
// it, the field lengths, the export mode's entry and the mode table import.
#include <exception>
#include <optional>
#include <string>

#include "app/main_form_internal.h"
#include "app/main_form_model.h"
#include "hamlog/hamlog_messages.h"
#include "hamlog/mode_table.h"

namespace trelvo::app {

using form::kMenu;

bool MainFormModel::LoadDatabaseLocation() {
    hamlog::SetHamlogDbPath(Location, ini_.ReadOr("HAMLOG-FOL", "HAMLOG-FN", ""));
    if (Location.HamlogDbPath.empty()) {
        view_.SetText("Label5", hamlog::kMsgLocationNotSet);
        return true;
    }
    if (hamlog::PathHasHdb(Location.HamlogDbPath) && !CheckDatabaseLocation()) return false;
    view_.SetText("Label5", Location.HamlogDbPath);
    return true;
}

bool MainFormModel::CheckDatabaseLocation() {
    if (hamlog::CheckMstBeside(Location, Location.HamlogDbPath, config_.programFolder)) return true;
    Message(hamlog::kMsgMstMissing);
    Location.HamlogDbPath.clear();
    Location.HamlogDbBase.clear();
    Location.HamlogMstPath.clear();
    return false;
}

void MainFormModel::ReadFieldLengths() {
    // Held open by Turbo HAMLOG: the known message; missing, a folder or damaged: what is wrong.
    std::optional<hamlog::HdbCheckError> problem;
    if (!hamlog::ReadHdbFieldLengths(Location.HamlogDbPath, Location.HdbFieldLen, &problem))
        Message(problem->problem() == hamlog::HdbProblem::kInUse ? std::string(hamlog::kMsgHamlogInUse)
                                                                 : ErrorTextOf(*problem));
}

void MainFormModel::CheckHamlogVersion() {
    try {
        const hamlog::VersionCheck v = hamlog::CheckHamlogVersion(*library_, Location.HamlogMstPath, Master);
        if (v.tooOld)
            dialogs_.Message(hamlog::kMsgVersionTooOld, MessageIcon::Critical, hamlog::kMsgVersionTitle);
    } catch (const hamlog::HdbCheckError& e) {
        Message(ErrorTextOf(e));  // a master file that cannot be read or is not one
    }
}

void MainFormModel::SetHlpos_Click() {
    // The stored path first; the base name follows from it, so a cancelled choice leaves
    // the location as it is stored.
    const std::string stored = ini_.ReadOr("HAMLOG-FOL", "HAMLOG-FN", "");
    Location.HamlogDbBase = hamlog::HamlogDbBaseOf(stored);
    FileDialogRequest req;
    req.title = "Turbo HAMLOG データベースを指定します";
    req.filter = "Turbo HAMLOG データベース(*.HDB)|*.HDB|";
    req.mustExist = true;
    if (!stored.empty()) req.startFolder = FolderOf(stored);
    const std::optional<std::string> chosen = OpenOrDropped(req);
    if (!chosen) return;
    hamlog::SetHamlogDbPath(Location, *chosen);
    ini_.CurrentIniSection = "HAMLOG-FOL";
    WriteSetting("HAMLOG-FN", Location.HamlogDbPath);
    view_.SetText("Label5", Location.HamlogDbPath);
    if (!hamlog::PathHasHdb(Location.HamlogDbPath)) {
        Message(hamlog::kMsgLocationInvalid);
        Location.HamlogMstPath.clear();
        return;
    }
    if (!CheckDatabaseLocation()) return;
    ReadFieldLengths();
    try {
        CheckHamlogVersion();
    } catch (const std::exception& e) {
        ShowRunError(e);
    }
}

void MainFormModel::ChkData_Click() {
    if (!hamlog::PathHasHdb(Location.HamlogDbPath)) {
        Message(hamlog::kMsgLocationInvalid);
        return;
    }
    ReadFieldLengths();
    view_.ShowFieldLen(Location.HdbFieldLen);
}

void MainFormModel::setHLData_Click() {
    EnableAll({"MODCH", "mkADIF", "mkHL2CSV", "mkHL2CSV5", "xxxCC", "viewNewADIF", "viewCSV"}, false);
    view_.SetVisible("Combo1", false);
    for (const char* f : {"Frame3", "Frame1", "Frame7"}) ShowFrame(f, false);
    view_.SetEnabled("Command1", false);
    ShowFrame("Frame2", true);
    view_.SetText("Frame2", "Turbo HAMLOGデータ → テキスト変換設定");
    ResetCounter();
    view_.SetChecked("Check9", false);
    view_.SetVisible("Check9", false);
    view_.SetChecked("Check10", false);
    view_.SetVisible("Check10", false);
    view_.SetVisible("Check11", false);
    view_.SetVisible("CheckStd", false);
    ExportKhz = 0;
    view_.SetVisible("Label7", true);
    view_.SetText("Label7", "範囲指定完了後、メニューの 「File(F)」 から希望する出力形式を選択して下さい");
    view_.SetText("Label5", Location.HamlogDbPath);
    view_.SetChecked("Option2(0)", true);
    Option2_Click(0);
    if (!hamlog::PathHasHdb(Location.HamlogDbPath)) {
        Message("Turbo HAMLOGのデータ場所指定が出来ておりません");
        return;
    }
    view_.SetEnabled("Text23", true);
    view_.SetEnabled("Text24", true);
    library_->HamlogClose();
    if (library_->HamlogOpen(Location.HamlogDbBase) != 0) {
        Message("Turbo HAMLOGのデータが参照出来ませんでした");
        return;
    }
    library_->SetQsoOrMaster(hamlog::kQsoTable);
    const int count = library_->Vdbf_rcount();
    library_->HamlogClose();
    view_.SetText("Text11", "1");
    view_.SetText("Text12", std::to_string(count));
    EnableAll({"MODCH", "mkADIF", "mkHL2CSV", "mkHL2CSV5", "xxxCC", "viewNewADIF"}, true);
}

void MainFormModel::MODCH_Click() {
    hamlog::ModeTable table;
    for (std::size_t i = 0; i < 12; ++i) table.ModeNames[i] = ModeNames[i + 1];
    table.ModeCount = ModeCount;
    view_.SetEnabled("Command1", false);
    view_.SetEnabled(kMenu, false);
    // "i/count"; the count is taken while the database is open.
    RunCallbacks callbacks(*this, [this, count = -1](long long i) mutable {
        if (count < 0) count = library_->Vdbf_rcount();
        return std::to_string(i) + "/" + std::to_string(count);
    });
    hamlog::ModeScanResult result;
    {
        RunningScope running(*this);
        result = hamlog::CollectHamlogModes(*library_, Location.HamlogDbBase, table, callbacks);
    }
    if (result.status == hamlog::ModeScanStatus::kOpenFailed) {
        Enable(kMenu, true);
        Message(hamlog::kMsgCannotOpenDb);
        return;
    }
    callbacks.Flush();
    if (result.overflow) Message(hamlog::kMsgTooManyModes);
    for (std::size_t i = 0; i < 12; ++i) ModeNames[i + 1] = table.ModeNames[i];
    ModeCount = table.ModeCount;
    FillModeList();
    if (hamlog::SaveModeTable(ini_, table))
        Message(hamlog::kMsgModesDone);
    else
        Message(SettingsNotSavedMessage());
    Enable(kMenu, true);
    const bool database = hamlog::PathHasHdb(Location.HamlogDbPath);
    EnableAll({"mkADIF", "mkHL2CSV", "mkHL2CSV5", "xxxCC"}, database);
    view_.SetEnabled("Text23", true);
    view_.SetEnabled("Text24", true);
}

}  // namespace trelvo::app
