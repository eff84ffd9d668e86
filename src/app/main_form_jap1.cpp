// The main window's JAP1 commands: choosing the file converts it at once.
#include "app/main_form_internal.h"
#include "app/main_form_model.h"

#include "importers/jap1/jap1_import.h"

namespace trelvo::app {

using form::kMenu;

void MainFormModel::JAP1CSV_Click() {
    EnterImportMode({"MODCH", "mkADIF", "mkHL2CSV", "mkHL2CSV5", "xxxCC", "viewNewADIF", "viewCSVJ"}, 9);
    view_.SetEnabled("Text23", false);
    view_.SetEnabled("Text24", false);

    const std::string stored = jap1::LastJap1Path(ini_);
    FileDialogRequest req;
    req.title = "JAP1 LOGﾃﾞｰﾀ(CSV)の指定";
    req.filter = "JAP1 LOGﾃﾞｰﾀ(CSV) (*.TXT)|*.TXT";
    req.startFolder = stored.empty() ? config_.programFolder : FolderOf(stored);
    const std::optional<std::string> chosen = dialogs_.OpenFile(req);
    if (!chosen) return;  // the window stays as prepared above
    Jap1LogPath = *chosen;
    view_.SetText("Label5", Jap1LogPath);
    jap1::StoreLastJap1Path(ini_, Jap1LogPath);
    Enable("viewCSVJ", true);

    for (const char* c : {kMenu, "Command1", "Frame1"}) view_.SetEnabled(c, false);
    jap1::Jap1Options o;
    o.inputPath = Jap1LogPath;
    o.outputPath = Jap1OutputPath();
    o.programFolder = config_.programFolder;
    RunCallbacks callbacks(*this);
    jap1::Jap1Result result;
    try {
        RunningScope running(*this);
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
        EndCancelledRun(callbacks);
        return;
    }
    Message(jap1::CompletionMessage(result));
    callbacks.ShowWarnings();
    view_.SetEnabled("Command1", false);
    for (const char* c : {"Frame1", kMenu, "viewCSVJ"}) Enable(c, true);
}

void MainFormModel::viewCSVJ_Click() { dialogs_.StartEditor(EditorPath, Jap1OutputPath()); }

}  // namespace trelvo::app
