// The main window's DigiPan commands: choosing the log, entering the mode, converting.
#include "app/band_check.h"
#include "app/main_form_internal.h"
#include "app/main_form_model.h"
#include "importers/digipan/digipan_import.h"

namespace trelvo::app {

using form::kMenu;

void MainFormModel::setDGPData_Click() {
    EnterImportMode({"MODCH", "mkADIF", "mkHL2CSV", "mkHL2CSV5", "xxxCC", "viewNewADIF", "viewCSV"},
                    kModeDigipanImport);
    ApplyImportOptions(kModeDigipanImport);

    const std::string stored = ini_.ReadOr("DIGIPAN-FOL", "DIGIPAN-FN", "");
    if (stored.empty()) {
        DigipanLogPath.clear();
        DigipanLogFolder = config_.programFolder;
    } else {
        DigipanLogFolder = FolderOf(stored);
    }

    FileDialogRequest req;
    req.title = "Digipan LOGﾃﾞｰﾀの指定";
    req.filter = "Digipan LOGﾃﾞｰﾀ (*.LOG)|*.LOG";
    req.startFolder = DigipanLogFolder;
    req.mustExist = true;
    const std::optional<std::string> chosen = OpenOrDropped(req);
    if (!chosen) {
        ShowRememberedDigipanLog();
        Enable("mkCSV", !DigipanLogPath.empty());
        view_.SetEnabled("Command1", false);
        ShowFrame("Frame2", false);
        ShowFrame("Frame1", true);
        return;
    }
    DigipanLogPath = *chosen;
    view_.SetText("Label5", DigipanLogPath);
    DigipanLogFolder = FolderOf(DigipanLogPath);
    ini_.CurrentIniSection = "DIGIPAN-FOL";
    WriteSetting("DIGIPAN-FN", DigipanLogPath);

    ResetCounter();
    Enable("mkCSV", !DigipanLogPath.empty());
    view_.SetChecked("Option1(0)", true);
    view_.OpenFileMenu();
}

void MainFormModel::mkCSV_Click() {
    ConversionMode = kModeDigipanImport;
    ShowFrame("Frame2", false);
    ShowFrame("Frame1", true);
    ApplyImportOptions(kModeDigipanImport);
    view_.SetText("Label5", DigipanLogPath);
    Enable("Command1", true);
    ResetCounter();
}

void MainFormModel::ConvertDigipanLog() {
    digipan::DigipanOptions o;
    o.logPath = DigipanLogPath;
    o.geneDataFolder = GeneDataFolder;
    o.freqFormat =
        view_.Checked("Option1(1)") ? digipan::FreqFormat::WholeMhz : digipan::FreqFormat::MhzThreeDecimals;
    o.qslIssue = QslIssueFlag != 0;
    o.issueMark = view_.Text("Text4");
    o.qslSent = QslSentFlag != 0;
    o.sentMark = view_.Text("Text5");
    o.jstForJa = JstForJaFlag != 0;

    for (const char* c : {kMenu, "Command1", "Frame1"}) view_.SetEnabled(c, false);
    RunCallbacks callbacks(*this);
    digipan::DigipanResult result;
    try {
        RunningScope running(*this);
        CheckRunFiles(digipan::OutputPathOf(o), {}, callbacks);  // the log itself is checked by the run
        result = digipan::ConvertDigipanLog(o, callbacks);
    } catch (const std::exception& e) {
        CancelRequested = 0;
        ResetCounter();
        for (const char* c : {kMenu, "Command1", "Frame1"}) Enable(c, true);
        ShowRunError(e);
        return;
    }
    callbacks.Flush();
    // An empty mark became a single space once a contact was converted.
    if (result.issueMark != o.issueMark) view_.SetText("Text4", result.issueMark);
    if (result.sentMark != o.sentMark) view_.SetText("Text5", result.sentMark);

    if (result.cancelled) {
        EndCancelledRun(callbacks, result.contacts, result.keptPath);
        return;
    }
    if (result.contacts == 0) {
        Message(NothingFoundMessage(o.logPath, result.outputPath, !result.outputReplaced, config_.lang));
        callbacks.ShowWarnings();
        view_.SetEnabled("Command1", false);
        Enable(kMenu, true);
        Enable("Frame1", true);
        return;
    }
    Message(digipan::CompletionMessage(result));
    if (const std::string w = OutOfBandWarning(FindOutOfBandFrequencies(result.outputPath), config_.lang);
        !w.empty())
        callbacks.Warning(w);
    callbacks.ShowWarnings();
    dialogs_.StartEditor(EditorPath, result.outputPath);
    view_.SetEnabled("Command1", false);
    Enable(kMenu, true);
    Enable("Frame1", true);
}

}  // namespace trelvo::app
