// The main window's HAMLOG export: choosing the kind, the date check, the save dialog and the
// run of the engine's export over the window's range and options.
#include "app/main_form_internal.h"
#include "app/main_form_model.h"
#include "export/hamlog_export.h"
#include "text/chars.h"
#include "text/datetime.h"

namespace trelvo::app {

using form::kMenu;
using form::kReadyGreen;

namespace {

// The standard ADIF box, shown with the ADIF options only.
constexpr const char* kStandardBox = "CheckStd";

}  // namespace

void MainFormModel::ChooseExportKind(int kind, const char* caption) {
    view_.SetVisible("Frame1", false);
    ShowFrame("Frame2", true);
    view_.SetText("Frame2", caption);
    ResetCounter();
    view_.SetBackColor("Command1", kReadyGreen);
    view_.SetEnabled("Command1", true);
    ConversionMode = kind;
    const bool adif = kind == static_cast<int>(exports::ExportKind::kAdif);
    for (const char* c : {"Check9", "Check10", "Check11", kStandardBox}) view_.SetVisible(c, adif);
    if (!adif) {
        view_.SetChecked("Check9", false);
        ExportKhz = 0;
    }
}

void MainFormModel::mkADIF_Click() {
    ChooseExportKind(static_cast<int>(exports::ExportKind::kAdif), "Turbo HAMLOGデータ → ADIF 変換設定");
    view_.SetVisible("Label7", true);
    view_.SetText("Label7", "時間は全てUTCに変換されます");
    view_.SetVisible("Combo1", false);
    view_.SetChecked("Check10", false);
    view_.SetChecked("Check11", false);
    ExportCodeOff = 0;
    ExportTownCodeOff = 0;
}

void MainFormModel::mkHL2CSV_Click() {
    ChooseExportKind(static_cast<int>(exports::ExportKind::kCsv), "Turbo HAMLOGデータ → CSV 変換設定");
    view_.SetVisible("Label7", false);
    view_.SetVisible("Combo1", false);
}

void MainFormModel::mkHL2CSV5_Click() {
    ChooseExportKind(static_cast<int>(exports::ExportKind::kCsv5), "Turbo HAMLOGデータ → CSV 変換設定");
    view_.SetVisible("Label7", false);
    view_.SetVisible("Combo1", false);
}

void MainFormModel::xxxCC_Click() {
    ChooseExportKind(static_cast<int>(exports::ExportKind::kBackup),
                     "Turbo HAMLOGデータ→テキスト(HL旧ﾊﾞｯｸｱｯﾌﾟﾌｧｲﾙ形式)変換設定");
    view_.SetVisible("Label7", true);
    view_.SetText("Label7", "モード選択");
    view_.SetVisible("Combo1", true);
}

void MainFormModel::CheckStd_Click() {
    ExportStandard = view_.Checked(kStandardBox) ? 1 : 0;
    // Standard ADIF gives FREQ in MHz.
    if (ExportStandard) {
        view_.SetChecked("Check9", false);
        ExportKhz = 0;
    }
    view_.SetEnabled("Check9", ExportStandard == 0);
}

int MainFormModel::ValidateExportRange() {
    if (std::optional<std::string> why =
            exports::ValidateExportRange(view_.Text("Text7"), view_.Text("Text8"))) {
        Message(*why);
        return 1;
    }
    return 0;
}

void MainFormModel::RunExport() {
    for (const char* c : {kMenu, "Command1", "Frame2"}) view_.SetEnabled(c, false);
    if (ValidateExportRange() != 0) {
        for (const char* c : {"Command1", kMenu, "Frame2"}) Enable(c, true);
        return;
    }
    ExportHamlogData();
    Enable(kMenu, true);
    Enable("Frame2", true);
    Enable("viewNewADIF", true);
}

void MainFormModel::ExportHamlogData() {
    auto endWithoutRun = [this] {
        view_.SetBackColor("Command1", std::nullopt);
        view_.SetEnabled("Command1", false);
    };
    const auto kind = static_cast<exports::ExportKind>(ConversionMode);
    const exports::ExportSaveDialog look = exports::SaveDialogFor(kind, text::LocalNow());
    FileDialogRequest req;
    req.title = look.title;
    req.filter = look.filter;
    req.proposedName = look.proposedName;
    req.startFolder = ini_.ReadOr(exports::kIniSaveSection, exports::kIniSaveKey, GeneDataFolder);
    req.overwritePrompt = true;
    const std::optional<std::string> chosen = dialogs_.SaveFile(req);
    if (!chosen) return endWithoutRun();
    ExportOutputPath = *chosen;
    ini_.CurrentIniSection = exports::kIniSaveSection;
    ini_.WriteIniValue(exports::kIniSaveKey, FolderOf(ExportOutputPath));
    view_.ServiceEvents();

    if (ExportRangeKind == static_cast<int>(exports::RangeMode::kRecords))
        for (const char* box : {"Text11", "Text12"})  // an empty record number counts as 1
            if (text::Trim(view_.Text(box)).empty()) view_.SetText(box, "1");

    exports::ExportOptions o;
    o.dbPath = Location.HamlogDbPath;
    o.kind = kind;
    o.range = static_cast<exports::RangeMode>(ExportRangeKind);
    o.dateFrom = view_.Text("Text7");
    o.dateTo = view_.Text("Text8");
    o.recordFrom = view_.Text("Text11");
    o.recordTo = view_.Text("Text12");
    o.writer.ExportKhz = ExportKhz != 0;
    o.writer.ExportCodeOff = ExportCodeOff != 0;
    o.writer.ExportTownCodeOff = ExportTownCodeOff != 0;
    o.writer.SelectedMode = SelectedMode.empty() ? exports::kAllModes : SelectedMode;
    o.writer.standard = kind == exports::ExportKind::kAdif && ExportStandard != 0;
    o.outputPath = ExportOutputPath;
    o.programFolder = config_.programFolder;
    long long last = 0;
    o.passStarts = [&last](long long, long long l) { last = l; };
    RunCallbacks callbacks(*this,
                           [&last](long long n) { return std::to_string(n) + "/" + std::to_string(last); });

    exports::ExportResult result;
    view_.SetBusy(true);
    try {
        RunningScope running(*this);
        CheckRunFiles(o.outputPath, {}, callbacks);
        result = exports::ExportHamlogData(*library_, o, callbacks);
    } catch (const std::exception& e) {
        view_.SetBusy(false);
        CancelRequested = 0;
        endWithoutRun();
        Message(ErrorTextOf(e));
        return;
    }
    view_.SetBusy(false);
    callbacks.Flush();
    if (result.cancelled) {  // Convert stays disabled
        CancelRequested = 0;
        ShowCancelled(result.converted, result.keptPath);
        callbacks.ShowWarnings();
        return;
    }
    if (!result.failure.empty())
        dialogs_.Message(Tr(result.failure), MessageIcon::Exclamation);
    else
        Message(exports::CompletionMessage(result));
    callbacks.ShowWarnings();
    endWithoutRun();
}

void MainFormModel::viewNewADIF_Click() {
    if (!ExportOutputPath.empty()) dialogs_.StartEditor(EditorPath, ExportOutputPath);
}

}  // namespace trelvo::app
