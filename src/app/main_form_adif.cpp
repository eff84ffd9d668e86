// The main window's ADIF commands: choosing the file, the prescan that opens the mapping
// window, the map it hands back, and the run.
#include "app/band_check.h"
#include "app/main_form_internal.h"
#include "app/main_form_model.h"
#include "csvout/dxcc_tables.h"
#include "importers/adif/adif_reader.h"

namespace trelvo::app {

using form::kMenu;
using form::kReadyGreen;

// What the window keeps of the chosen ADIF file between its commands.
struct MainFormModel::AdifSession {
    adif::AdifReadOptions readOptions;
    adif::AdifTagTable table;
    adif::AdifMapping mapping;
    adif::AdifMeterState meter;
};

void MainFormModel::setADIFData_Click() {
    if (!adif_) adif_ = std::make_shared<AdifSession>();
    EnterImportMode({"MODCH", "mkADIF", "mkHL2CSV", "mkHL2CSV5", "xxxCC", "viewNewADIF", "mkCSV"},
                    kModeAdifImport);
    adif_->meter.meterQuestionAnswered = false;

    const std::string stored = ini_.ReadOr("ADIF-FOL", "ADIF-FileName", "");
    FileDialogRequest req;
    req.title = "ADIF形式 LOGﾃﾞｰﾀの指定";
    req.filter = "ADIF形式 LOGﾃﾞｰﾀ (*.LOG;*.ADI;*.ADIF)|*.LOG;*.ADI;*.ADIF";
    req.startFolder = stored.empty() ? config_.programFolder : FolderOf(stored);
    req.mustExist = true;
    const std::optional<std::string> chosen = OpenOrDropped(req);
    if (!chosen) {
        view_.SetBackColor("Command1", std::nullopt);
        view_.SetEnabled("Command1", false);
        ShowFrame("Frame2", false);
        ShowFrame("Frame1", true);
        return;
    }
    // The mapping window of the previous file goes: its marks are stored as at any close.
    view_.CloseAdifMapping(true);
    AdifLogPath = *chosen;
    view_.SetText("Label5", AdifLogPath);
    ini_.CurrentIniSection = "ADIF-FOL";
    WriteSetting("ADIF-FileName", AdifLogPath);
    AdifMappingReady = 0;
    adif_->readOptions = {};
    ApplyImportOptions(kModeAdifImport);
    // ADIF gives FREQ in MHz: no conversion, whatever the DigiPan mode chose.
    view_.SetChecked("Option1(2)", true);

    for (const char* c : {kMenu, "Command1", "Frame1"}) view_.SetEnabled(c, false);
    ScanAdifTags();
    view_.SetEnabled("Command1", false);
    Enable(kMenu, true);
    Enable("Frame1", true);
}

void MainFormModel::ScanAdifTags() {
    if (AdifLogPath.empty()) {
        Message(std::string(adif::kNoInputMessage));
        return;
    }
    if (!adif_) adif_ = std::make_shared<AdifSession>();
    adif::AdifScanResult result;
    for (;;) {
        // The counter shows "records / names" after each record.
        int names = 0;
        RunCallbacks callbacks(*this, [&names](long long records) {
            return std::to_string(records) + " / " + std::to_string(names);
        });
        view_.SetBusy(true);
        try {
            RunningScope running(*this);
            result = adif::ScanAdifTags(AdifLogPath, adif_->readOptions, callbacks,
                                        [&names](long long, int n) { names = n; });
        } catch (const std::exception& e) {
            view_.SetBusy(false);
            CancelRequested = 0;
            ResetCounter();
            ShowRunError(e);
            return;
        }
        view_.SetBusy(false);
        if (result.cancelled) {
            CancelRequested = 0;
            ResetCounter();
            return;
        }
        view_.SetText("Label6",
                      std::to_string(result.records) + " / " + std::to_string(result.table.Count()));
        // Files written on other systems: lines ending in LF alone, text in UTF-8. Read as
        // they are, they give no tags or garbled ones; offer to read them the other way.
        adif::AdifReadOptions& ro = adif_->readOptions;
        const bool lf = !result.lfEndsLine && result.traits.LfOnly();
        const bool utf8 = result.encoding == adif::AdifEncoding::Cp932 && result.traits.LooksLikeUtf8();
        if (!lf && !utf8) break;
        const char* question = lf && utf8 ? "app.adif.reread-lf-utf8"
                               : lf       ? "app.adif.reread-lf"
                                          : "app.adif.reread-utf8";
        if (!dialogs_.AskYesNo(Tr(question), MessageIcon::Question, kProgramTitle)) break;
        if (lf) ro.lfEndsLine = true;
        if (lf) ro.detectLineEnds = false;
        if (utf8) ro.encoding = adif::AdifEncoding::Utf8;
    }
    // The run reads the file as the prescan did (line ends, encoding, header).
    adif_->readOptions = result.RunOptions();
    if (result.overflowCount > 0)
        Message(Tr(trelvo::Message("app.adif.too-many-tags")
                       .Arg("count", adif::AdifTagTable::kCapacity)
                       .Arg("left", result.overflowCount)));
    adif_->table = result.table;

    const std::vector<std::string> names = adif_->table.Names();
    if (static_cast<int>(names.size()) < adif::AdifMappingModel::kMinimumRows) {
        Message(std::string(adif::AdifMappingModel::kOpenFailedMessage));
        view_.SetBackColor("Command1", std::nullopt);
        view_.SetEnabled("Command1", false);
        return;
    }
    view_.ShowAdifMapping(names, FixedText, AdifLogPath);
}

void MainFormModel::AdifMappingClosed(const adif::AdifMapping& mapping) {
    if (!adif_) adif_ = std::make_shared<AdifSession>();
    adif_->mapping = mapping;
    FixedText = mapping.fixedText;
    view_.SetBackColor("Command1", kReadyGreen);
    Enable("Command1", true);
    AdifMappingReady = 1;
}

void MainFormModel::ConvertAdifLog(const std::string& savePath) {
    AdifSession& s = *adif_;
    adif::AdifLineOptions lo;
    RunCallbacks callbacks(*this);
    lo.widths = ImportWidths(callbacks);
    lo.jstForJa = JstForJaFlag != 0;
    lo.qslIssueFlag = QslIssueFlag != 0;
    lo.qslSentFlag = QslSentFlag != 0;
    lo.qslRcvdFlag = QslRcvdFlag != 0;
    lo.marks = Marks;
    if (settings::LoadUiOptions(ini_).legacyCut) lo.cut = text::ByteCut::kLegacyLeadByte;
    const csvout::DxccTables dxcc = csvout::DxccTables::Find(config_.programFolder);
    lo.dxcc = &dxcc;
    s.meter.freq = adif::FreqConversionOfOption(view_.Checked("Option1(1)")   ? 1
                                                : view_.Checked("Option1(0)") ? 0
                                                : view_.Checked("Option1(3)") ? 3
                                                                              : 2);

    adif::AdifRunOptions run;
    run.inputPath = AdifLogPath;
    run.outputPath = savePath;
    run.table = &s.table;
    run.mapping = &s.mapping;
    run.read = s.readOptions;
    run.line = lo;
    run.meter = &s.meter;
    adif::AdifRunResult result;
    view_.SetBusy(true);
    try {
        RunningScope running(*this);
        CheckRunFiles(run.outputPath,  // the input is checked by the run
                      {{dxcc.adifToHamlog.Path(), trelvo::Message("role.dxcc-table"), false},
                       {dxcc.hamlogToAdif.Path(), trelvo::Message("role.dxcc-table"), false}},
                      callbacks);
        result = adif::ConvertAdifLog(run, callbacks);
    } catch (const std::exception& e) {
        view_.SetBusy(false);
        CancelRequested = 0;
        ResetCounter();
        view_.SetBackColor("Command1", std::nullopt);
        Enable("Command1", true);
        ShowRunError(e);
        return;
    }
    view_.SetBusy(false);
    callbacks.Flush();
    // A Yes to the meter question leaves option 3 chosen from then on.
    if (s.meter.freq == adif::FreqConversion::BandToMhz) view_.SetChecked("Option1(3)", true);

    switch (result.status) {
        case adif::AdifRunResult::Status::Cancelled:
            view_.SetBackColor("Command1", std::nullopt);
            Enable("Command1", true);
            ShowCancelled(result.written, result.keptPath);
            CancelRequested = 0;
            callbacks.ShowWarnings();
            return;
        case adif::AdifRunResult::Status::Aborted:
            view_.SetBackColor("Command1", std::nullopt);
            Enable("Command1", true);
            Message(std::string(adif::kReadDatError));
            if (!result.keptPath.empty())
                Message(CancelledKeptMessage(result.written, result.keptPath, config_.lang));
            return;
        case adif::AdifRunResult::Status::Completed:
            view_.SetBackColor("Command1", kReadyGreen);
            Message(result.written == 0
                        ? NothingFoundMessage(AdifLogPath, savePath, !result.outputReplaced, config_.lang)
                        : adif::AdifCompletionMessage(result.written, savePath));
            if (result.written > 0)
                if (const std::string w = OutOfBandWarning(FindOutOfBandFrequencies(savePath), config_.lang);
                    !w.empty())
                    callbacks.Warning(w);
            callbacks.ShowWarnings();
            Enable("Command1", true);
            return;
    }
}

void MainFormModel::viewCSV_Click() {
    dialogs_.StartEditor(EditorPath, SavePath);
}

}  // namespace trelvo::app
