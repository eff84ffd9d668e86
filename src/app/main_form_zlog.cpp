// The main window's zLog mode: choosing the log, the rule panel (Frame3) with the
// contest-number editor (Frame7) and its code table, and the conversion run.
#include <exception>

#include "app/main_form_internal.h"
#include "app/main_form_model.h"
#include "core/errors.h"
#include "hamlog/hamlog_messages.h"
#include "hamlog/hdb_library.h"
#include "importers/zlog/prefectures.h"
#include "importers/zlog/zlog_import.h"
#include "text/chars.h"
#include "text/datetime.h"
#include "text/numfmt.h"
#include "tools/contest_code_table.h"

namespace trelvo::app {
namespace {

using form::kMenu;

constexpr const char* kModeBoxes[zlog::kModeNameCount] = {"Text1(0)", "Text1(1)", "Text1(2)", "Text1(3)",
                                                          "Text1(4)", "Text1(5)", "Text1(6)", "Text1(7)"};

// The panel's choices kept in the settings between runs and starts ([TRELVO5-UI]).
constexpr const char* kPanelChecks[][2] = {{"Check8", "ZlogQslIssue"},
                                           {"Check5", "ZlogExtraOn"},
                                           {"CheckZlogFreq", "ZlogFreqExact"},
                                           {"CheckZlogNoQsl", "ZlogNoQsl"}};
constexpr const char* kPanelTexts[][2] = {{"Text9", "ZlogQslMark"}, {"Text2", "ZlogExtraText"}};
constexpr const char* kPanelOptions[][3] = {
    {"Option4", "ZlogMemoTo", "2"}, {"Option5", "ZlogContestTo", "2"}, {"Option6", "ZlogExtraTo", "0"}};

}  // namespace

void MainFormModel::SaveZlogPanel() {
    ini_.CurrentIniSection = settings::kUiSection;
    for (const auto& [box, key] : kPanelChecks) ini_.WriteIniValue(key, view_.Checked(box) ? "1" : "0");
    for (const auto& [box, key] : kPanelTexts) ini_.WriteIniValue(key, view_.Text(box));
    for (const auto& [group, key, fallback] : kPanelOptions)
        ini_.WriteIniValue(key,
                           std::to_string(SelectedOption(group, std::string(group) == "Option6" ? 2 : 3)));
    ini_.WriteIniValue("ZlogRcvNumTo", std::to_string(SelectedOption("Option3", 3)));
}

void MainFormModel::LoadZlogPanel() {
    for (const auto& [box, key] : kPanelChecks)
        view_.SetChecked(box, ini_.ReadOr(settings::kUiSection, key, "0") == "1");
    for (const auto& [box, key] : kPanelTexts) {
        const std::string v = ini_.ReadOr(settings::kUiSection, key, "\x01");
        if (v != "\x01") view_.SetText(box, v);
    }
    for (const auto& [group, key, fallback] : kPanelOptions) {
        const int count = std::string(group) == "Option6" ? 2 : 3;
        const std::optional<long long> n =
            text::WholeNumber(ini_.ReadOr(settings::kUiSection, key, fallback));
        const long long i = n && *n >= 0 && *n < count ? *n : std::stoll(fallback);
        view_.SetChecked(std::string(group) + "(" + std::to_string(i) + ")", true);
    }
    if (const std::optional<long long> n =
            text::WholeNumber(ini_.ReadOr(settings::kUiSection, "ZlogRcvNumTo", "")))
        if (*n >= 0 && *n <= 2) RcvNumTarget = static_cast<int>(*n);
}

struct MainFormModel::ZlogSession {
    zlog::MasterIndex master;
    tools::ContestCodeTable table;  // not loaded until Command3 loads one
};

MainFormModel::ZlogSession& MainFormModel::Zlog() {
    if (!zlog_) zlog_ = std::make_shared<ZlogSession>();
    return *zlog_;
}

int MainFormModel::SelectedOption(const char* group, int count) const {
    for (int i = 0; i < count; ++i)
        if (view_.Checked(std::string(group) + "(" + std::to_string(i) + ")")) return i;
    return count - 1;
}

void MainFormModel::ZL2HL_Click() {
    // 1. The master list with codes and place names.
    // Without one (no database set, or a master file that cannot be read) the mode still
    // converts, as the command line does: prefecture numbers only, and the default widths.
    hamlog::MasterList list;
    if (Location.HamlogMstPath.empty()) {
        Message(std::string(hamlog::kMsgLocationNotSet) + "\r\n" + Tr(kZlogNoMasterNotice));
    } else {
        try {
            list.MasterCount =
                hamlog::ReadMasterCodes(Location.HamlogMstPath, hamlog::kMasterRecordLength, 1, list);
        } catch (const std::exception& e) {
            list = hamlog::MasterList();
            Message(Tr(trelvo::Message("app.zlog-mst-unreadable").Arg("reason", ErrorTextOf(e))) + "\r\n" +
                    Tr(kZlogNoMasterNotice));
        }
    }
    Zlog().master = zlog::MasterIndex(list);
    Master.MasterCount = list.MasterCount;

    // 2. The counts and the code table.
    for (const char* box : {"Text3", "Text6", "Text10"}) view_.SetText(box, "0");
    FrontCut = BackCut = LeadChars = 0;
    Zlog().table = tools::ContestCodeTable();
    view_.SetText("Label21", tools::kCodeTableIdleCaption);

    // 3. The panel.
    EnableAll({"mkCSV", "MODCH", "mkADIF", "mkHL2CSV", "mkHL2CSV5", "xxxCC", "viewNewADIF"}, false);
    ShowFrame("Frame3", true);
    for (const char* f : {"Frame1", "Frame2", "Frame7"}) ShowFrame(f, false);
    ResetCounter();
    view_.SetChecked("Check7", false);
    view_.SetEnabled("Command4", false);

    // 4. The mode and the option rows.
    ConversionMode = kModeZlogImport;
    ZlogChosen = true;
    // The choices of the last run (the memo and contest name not copied, no extra text, the
    // first time).
    LoadZlogPanel();
    view_.SetChecked("Option3(" + std::to_string(RcvNumTarget) + ")", true);

    // 5. The mode names.
    const zlog::ZlogModeNames names = zlog::LoadZlogModeNames(ini_);
    for (std::size_t i = 0; i < zlog::kModeNameCount; ++i) view_.SetText(kModeBoxes[i], names[i]);

    // 6.-8. The file.
    std::string folder = ini_.ReadOr(zlog::kIniSection, zlog::kIniFolderKey, "");
    FileDialogRequest req;
    req.title = "zLogデータ選択";
    req.filter = "zLogデータ (*.zlo)|*.zlo;*.zlox";
    req.startFolder = folder.empty() ? config_.programFolder : folder;
    req.mustExist = true;
    const std::optional<std::string> chosen = OpenOrDropped(req);
    if (!chosen) return;
    ZloPath = *chosen;
    ini_.CurrentIniSection = zlog::kIniSection;
    ini_.WriteIniValue(zlog::kIniFolderKey, FolderOf(ZloPath));
    view_.SetText("Label5", FileNameOf(ZloPath));

    // 9. The header: time base and contest name.
    try {
        const zlog::ZloHeader h = zlog::ReadZloHeader(ZloPath);
        ZloTimeBase = h.timeBase;
        ZloContestName = h.contestName;
    } catch (const std::exception&) {
        return;
    }
    const bool jst = ZloTimeBase == "J";
    view_.SetText("Label11", jst ? "ﾃﾞｰﾀはJST" : "ﾃﾞｰﾀはUTC");
    view_.SetText("Check6", jst ? "DX局はLOG TimeをUTCに変換" : "JA局はLOG TimeをJSTに変換");
    view_.SetChecked("Check6", false);

    // 10., 11.
    Check5_Click();
    Enable("Command1", true);
}

void MainFormModel::Check5_Click() {
    const bool on = view_.Checked("Check5");
    for (const char* c : {"Text2", "Option6(0)", "Option6(1)"}) view_.SetEnabled(c, on);
}

void MainFormModel::Check7_Click() {
    if (view_.Checked("Check7")) {
        ShowFrame("Frame7", true);
        for (const char* c : {"Command1", kMenu, "Frame3"}) view_.SetEnabled(c, false);
        return;
    }
    ShowFrame("Frame7", false);
    view_.SetText("Text3", "0");
    view_.SetText("Text6", "0");
    Zlog().table = tools::ContestCodeTable();
    view_.SetText("Label21", tools::kCodeTableIdleCaption);
    view_.SetEnabled("Command4", false);
}

void MainFormModel::Command2_Click() {
    ShowFrame("Frame7", false);
    for (const char* c : {"Command1", kMenu, "Frame3"}) Enable(c, true);
}

void MainFormModel::Command3_Click() {
    FileDialogRequest req;
    req.title = tools::kCodeTableDialogTitle;
    req.filter = tools::kCodeTableDialogFilter;
    req.startFolder = config_.programFolder;
    req.mustExist = true;
    const std::optional<std::string> chosen = dialogs_.OpenFile(req);
    if (!chosen) return;  // the table in force stays
    tools::CodeTableLoad load;
    try {
        load = tools::LoadContestCodeTable(*chosen);
    } catch (const std::exception& e) {
        dialogs_.Message(Tr(trelvo::Message("app.error").Arg("reason", ErrorTextOf(e))),
                         MessageIcon::Exclamation);
        return;  // the table in force stays
    }
    view_.SetText("Label21", load.caption);
    if (!load.table.Loaded()) {
        Message(tools::kCodeTableNoData);
        Zlog().table = tools::ContestCodeTable();
        view_.SetEnabled("Command4", false);
    } else {
        Zlog().table = load.table;
        view_.SetEnabled("Command4", true);
        view_.SetFocusTo("Command2");
    }
    if (!load.errorLines.empty()) Message(load.ErrorMessage());
}

void MainFormModel::Command4_Click() {
    if (zlog_ && zlog_->table.Loaded()) dialogs_.StartEditor(EditorPath, zlog_->table.Path());
}

void MainFormModel::ConvertZlogLog() {
    zlog::ZlogOptions o;
    // B1. The mode names are stored as they stand.
    for (std::size_t i = 0; i < zlog::kModeNameCount; ++i) o.modeNames[i] = view_.Text(kModeBoxes[i]);
    zlog::StoreZlogModeNames(ini_, o.modeNames);
    // B2. The options.
    o.inputPath = ZloPath;
    o.qslIssueOn = view_.Checked("Check8");
    o.qslIssueText = view_.Text("Text9");
    o.qthConvertOn = view_.Checked("Check7");
    o.toOtherZone = view_.Checked("Check6");
    o.frontCut = FrontCut;
    o.backCut = BackCut;
    o.leadChars = LeadChars;
    RcvNumTarget = SelectedOption("Option3", 3);
    o.rcvNumTarget = static_cast<zlog::RemarksTarget>(RcvNumTarget);
    o.memoTarget = static_cast<zlog::RemarksTarget>(SelectedOption("Option4", 3));
    o.contestNameTarget = static_cast<zlog::RemarksTarget>(SelectedOption("Option5", 3));
    o.extraInfoOn = view_.Checked("Check5");
    o.extraText = view_.Text("Text2");
    o.extraTarget =
        view_.Checked("Option6(1)") ? zlog::RemarksTarget::Remarks2 : zlog::RemarksTarget::Remarks1;
    o.freq = view_.Checked("CheckZlogFreq") ? zlog::FreqSource::Exact : zlog::FreqSource::Band;
    o.honourNoQsl = view_.Checked("CheckZlogNoQsl");
    SaveZlogPanel();
    o.master = &Zlog().master;
    o.codeTable = &Zlog().table;
    RunCallbacks callbacks(*this);
    o.widths = ImportWidths(callbacks);

    // B3. The database for the name lookup.
    if (QraImport == 1) {
        if (library_->HamlogOpen(Location.HamlogDbBase) != 0) {
            dialogs_.Message(zlog::kMsgCannotOpenHamlog, MessageIcon::None, kProgramTitle);
            return;
        }
        o.qraLibrary = library_.get();
    }
    // B4. The output file.
    FileDialogRequest req;
    req.title = "HAMLOGで読み込む為のﾌｧｲﾙ名を指定します";
    req.filter = "(*.CSV)|*.CSV|(*.TXT)|*.TXT|";
    req.startFolder = GeneDataFolder;
    req.proposedName =
        std::string(zlog::kOutputPrefix) + text::FormatDateTimePattern(text::LocalNow(), "yyyymmdd_hhmm");
    req.overwritePrompt = true;
    const std::optional<std::string> chosen = dialogs_.SaveFile(req);
    if (!chosen) {
        if (QraImport == 1) library_->HamlogClose();
        dialogs_.Message("エラーです\r\n32755 キャンセルが選択されました。");
        return;
    }
    o.outputPath = *chosen;
    SavePath = *chosen;

    // B5.-B7. The run.
    for (const char* c : {kMenu, "Command1", "Frame3"}) view_.SetEnabled(c, false);
    zlog::ZlogResult result;
    try {
        RunningScope running(*this);
        CheckRunFiles(o.outputPath, {{o.inputPath, trelvo::Message("role.zlog-file"), false}}, callbacks);
        result = zlog::ConvertZlogLog(o, callbacks);
    } catch (const std::exception& e) {
        if (QraImport == 1) library_->HamlogClose();
        CancelRequested = 0;
        ResetCounter();
        for (const char* c : {kMenu, "Command1", "Frame3"}) Enable(c, true);
        dialogs_.Message(Tr(trelvo::Message("app.error").Arg("reason", ErrorTextOf(e))));
        return;
    }
    if (QraImport == 1) library_->HamlogClose();
    callbacks.Flush();
    for (const char* c : {kMenu, "Command1", "Frame3"}) Enable(c, true);
    if (result.cancelled) {
        ShowCancelled(result.records, result.keptPath);
        CancelRequested = 0;
        callbacks.ShowWarnings();
        return;
    }
    if (result.records == 0) {  // no contact: an empty output, or an existing one kept
        Message(NothingFoundMessage(ZloPath, result.outputPath, !result.outputReplaced, config_.lang));
        callbacks.ShowWarnings();
        return;
    }
    dialogs_.Message(zlog::CompletionMessage(result.outputPath), MessageIcon::None, zlog::kCompletionTitle);
    callbacks.ShowWarnings();
    dialogs_.StartEditor(EditorPath, result.outputPath);
}

}  // namespace trelvo::app
