// The main window's JAP1 commands: choosing the file converts it at once.
#include "app/main_form_internal.h"
#include "app/main_form_model.h"

#include <utility>
#include <vector>

#include "core/platform.h"
#include "importers/jap1/jap1_import.h"
#include "importers/jap1/remarks_table.h"

namespace trelvo::app {

using form::kMenu;

void MainFormModel::JAP1CSV_Click() {
    // What the command changes before its file choice, so a cancelled choice can put it back.
    std::vector<std::string> items = {"MODCH", "mkADIF",      "mkHL2CSV", "mkHL2CSV5",
                                      "xxxCC", "viewNewADIF", "viewCSVJ", "Command1"};
    items.insert(items.end(), ImportOptionControls().begin(), ImportOptionControls().end());
    std::vector<std::pair<std::string, bool>> enabled;
    for (const std::string& c : items) enabled.emplace_back(c, view_.Enabled(c));
    const std::string captionBefore = view_.Text("Frame1");
    std::vector<std::pair<std::string, bool>> shown;
    for (const char* f : {"Frame1", "Frame2", "Frame3"}) shown.emplace_back(f, view_.Visible(f));
    const int modeBefore = ConversionMode;
    const std::string counterBefore = view_.Text("Label6");
    const std::string inputBefore = view_.Text("Label5");
    auto restore = [&] {
        view_.SetText("Label5", inputBefore);
        view_.SetText("Frame1", captionBefore);
        for (const auto& [f, on] : shown) ShowFrame(f, on);
        for (const auto& [c, on] : enabled) Enable(c, on);
        ConversionMode = modeBefore;
        view_.SetText("Label6", counterBefore);
        if (modeBefore == 3 && AdifMappingReady != 0) view_.SetBackColor("Command1", form::kReadyGreen);
    };

    EnterImportMode({"MODCH", "mkADIF", "mkHL2CSV", "mkHL2CSV5", "xxxCC", "viewNewADIF", "viewCSVJ"},
                    kModeJap1Import);
    ApplyImportOptions(kModeJap1Import);

    // The remarks table comes from the program's folder, read before the file is chosen
    // (the run reads it again and reports what it finds in it).
    std::string tablePath;
    if (!jap1::FindRemarksConversionTable(config_.programFolder).empty()) {
        tablePath = JoinPath(config_.programFolder, jap1::kRemarksTableName);
        try {
            NullCallbacks quiet;
            jap1::ReadRemarksConversionTable(tablePath, quiet);
        } catch (const std::exception& e) {
            restore();
            ShowRunError(e);
            return;
        }
    }

    const bool fromDrop = dropped_.has_value();
    const std::string stored = jap1::LastJap1Path(ini_);
    FileDialogRequest req;
    req.title = "JAP1 LOGﾃﾞｰﾀ(CSV)の指定";
    req.filter = "JAP1 LOGﾃﾞｰﾀ(CSV) (*.TXT)|*.TXT";
    req.startFolder = stored.empty() ? config_.programFolder : FolderOf(stored);
    req.mustExist = true;
    const std::optional<std::string> chosen = OpenOrDropped(req);
    if (!chosen) {
        restore();
        return;
    }
    Jap1LogPath = *chosen;
    view_.SetText("Label5", Jap1LogPath);
    jap1::StoreLastJap1Path(ini_, Jap1LogPath);
    Enable("viewCSVJ", true);
    Jap1TablePath_ = tablePath;
    if (fromDrop) {
        // A dropped file is only chosen: any ".txt" can be dropped, so the run waits for Convert.
        Jap1Pending_ = true;
        view_.SetBackColor("Command1", form::kReadyGreen);
        Enable("Command1", true);
        return;
    }
    ConvertJap1Log();
}

void MainFormModel::ConvertJap1Log() {
    Jap1Pending_ = false;
    for (const char* c : {kMenu, "Command1", "Frame1"}) view_.SetEnabled(c, false);
    view_.SetBackColor("Command1", std::nullopt);
    jap1::Jap1Options o;
    o.inputPath = Jap1LogPath;
    o.outputPath = Jap1OutputPath();
    o.programFolder = config_.programFolder;
    o.remarksTablePath = Jap1TablePath_;
    o.noRemarksTable = Jap1TablePath_.empty();
    RunCallbacks callbacks(*this);
    jap1::Jap1Result result;
    try {
        RunningScope running(*this);
        CheckRunFiles(o.outputPath, {}, callbacks);  // the input and the table are checked by the run
        result = jap1::ConvertJap1Csv(o, callbacks);
    } catch (const std::exception& e) {
        CancelRequested = 0;
        ResetCounter();
        view_.SetEnabled("Command1", false);
        Enable(kMenu, true);
        Enable("Frame1", true);
        ShowRunError(e);
        return;
    }
    callbacks.Flush();
    if (result.cancelled) {
        EndCancelledRun(callbacks, result.records, result.keptPath);
        return;
    }
    Message(result.records == 0
                ? NothingFoundMessage(Jap1LogPath, result.outputPath, !result.outputReplaced, config_.lang)
                : jap1::CompletionMessage(result));
    callbacks.ShowWarnings();
    view_.SetEnabled("Command1", false);
    for (const char* c : {"Frame1", kMenu, "viewCSVJ"}) Enable(c, true);
}

void MainFormModel::viewCSVJ_Click() {
    dialogs_.StartEditor(EditorPath, Jap1OutputPath());
}

}  // namespace trelvo::app
