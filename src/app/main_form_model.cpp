#include "app/main_form_model.h"

#include <exception>
#include <filesystem>
#include <new>
#include <system_error>

#include "app/main_form_internal.h"
#include "app/main_form_layout.h"
#include "core/errors.h"
#include "core/file_checks.h"
#include "core/platform.h"
#include "hamlog/db_location.h"
#include "hamlog/hamlog_messages.h"
#include "hamlog/hdb_library.h"
#include "importers/zlog/zlog_import.h"
#include "settings/settings_location.h"
#include "text/chars.h"
#include "text/datetime.h"
#include "text/io.h"
#include "text/numfmt.h"

namespace trelvo::app {
namespace {

using form::kMenu;
using form::kNoLog;

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

}  // namespace

int LoadErrorNumber(const std::exception& e) {
    if (const auto* se = dynamic_cast<const std::system_error*>(&e)) return se->code().value();
    if (dynamic_cast<const std::bad_alloc*>(&e)) return 7;
    if (dynamic_cast<const FileError*>(&e)) return 9001;
    if (dynamic_cast<const FormatError*>(&e)) return 9002;
    if (dynamic_cast<const DateTimeError*>(&e)) return 9003;
    if (dynamic_cast<const Aborted*>(&e)) return 9004;
    return 9000;
}

std::string VersionText(int major, int minor, int revision) {
    std::string s = "Ver " + std::to_string(major) + "." + text::FormatNumber(minor, "#00");
    if (revision != 0) {
        static const char* kHex = "0123456789ABCDEF";
        std::string hex;
        for (unsigned v = static_cast<unsigned>(revision); v != 0; v /= 16)
            hex.insert(hex.begin(), kHex[v % 16]);
        s += hex;
    }
    return s;
}

std::string FolderOf(const std::string& path) {
    for (std::size_t i = path.size(); i > 0; --i)
        if (IsSeparator(path[i - 1])) return path.substr(0, i - 1);
    return {};
}

std::string FileNameOf(const std::string& path) {
    for (std::size_t i = path.size(); i > 0; --i)
        if (IsSeparator(path[i - 1])) return path.substr(i);
    return path;
}

std::set<std::string> CommandsNotBuilt() {
    // Every conversion is part of this build.
    std::set<std::string> off;
    return off;
}

MainFormModel::MainFormModel(MainFormConfig config, MainFormView& view, UiDialogs& dialogs)
    : config_(std::move(config)),
      view_(view),
      dialogs_(dialogs),
      ini_(config_.iniPath),
      unavailable_(CommandsNotBuilt()),
      library_(std::make_unique<hamlog::HdbLibrary>()) {}

MainFormModel::~MainFormModel() = default;

std::string MainFormModel::Jap1OutputPath() const {
    return JoinPath(WritableFolder(), "JAP2HL.CSV");
}

void MainFormModel::Enable(const std::string& name, bool on) {
    view_.SetEnabled(name, on && Available(name));
}

void MainFormModel::EnableAll(std::initializer_list<const char*> names, bool on) {
    for (const char* n : names) Enable(n, on);
}

void MainFormModel::ShowFrame(const std::string& frame, bool on) {
    view_.SetVisible(frame, on);
    view_.SetEnabled(frame, on);
}

void MainFormModel::ResetCounter() {
    view_.SetText("Label6", kCounterIdle);
}

void MainFormModel::EnterImportMode(std::initializer_list<const char*> itemsOff, int mode) {
    EnableAll(itemsOff, false);
    ShowFrame("Frame2", false);
    ShowFrame("Frame3", false);
    ShowFrame("Frame1", true);
    view_.SetEnabled("Command1", false);
    ResetCounter();
    ConversionMode = mode;
}

std::string CancelledCounterText(long long written, Lang lang) {
    return Render(trelvo::Message("app.cancelled-counter").Arg("count", written), lang);
}

std::string CancelledKeptMessage(long long written, const std::string& keptPath, Lang lang) {
    return Render(trelvo::Message("app.cancelled-kept").Arg("count", written).Arg("kept", keptPath), lang);
}

std::string NothingFoundMessage(const std::string& log, const std::string& output, bool outputKept,
                                Lang lang) {
    return Render(Message(outputKept ? "app.nothing-found.kept" : "app.nothing-found.empty")
                      .Arg("file", log)
                      .Arg("output", output),
                  lang);
}

Lang WindowLang(const std::string& iniPath) {
    std::string setting;
    try {
        settings::IniStore ini(iniPath);
        setting = ini.ReadOr(settings::kUiSection, settings::kUiLangKey, "");
    } catch (const std::exception&) {
        // Start-up reports a settings file it cannot read.
    }
    return ChooseLang("", setting, UserLanguageCode());
}

MainFormConfig StartupConfig(const std::string& programFolder) {
    MainFormConfig config;
    config.programFolder = programFolder;
    const settings::SettingsLocation where = settings::LocateSettings(programFolder);
    config.iniPath = where.iniPath;
    config.settingsFolder = where.folder;
    config.versionMajor = TRELVO5_VERSION_MAJOR;
    config.versionMinor = TRELVO5_VERSION_MINOR;
    config.versionRevision = TRELVO5_VERSION_PATCH;
    config.lang = WindowLang(config.iniPath);
    return config;
}

void MainFormModel::ShowCancelled(long long written, const std::string& keptPath) {
    view_.ShowTextFor("Label6", CancelledCounterText(written, config_.lang), kCancelNoticeMs, kCounterIdle);
    if (!keptPath.empty())
        dialogs_.Message(CancelledKeptMessage(written, keptPath, config_.lang), MessageIcon::Exclamation);
}

const std::vector<std::string>& ImportOptionControls() {
    static const std::vector<std::string> names = {
        "Option1(0)", "Option1(1)", "Option1(2)", "Option1(3)", "Check1", "Text4", "Check2",
        "Text5",      "Check4",     "Text22",     "Check3",     "Text23", "Text24"};
    return names;
}

void MainFormModel::ApplyImportOptions(int mode) {
    // DigiPan reads neither the two ADIF frequency choices nor the received mark and the ADIF
    // characters; JAP1 reads no option at all.
    static const std::set<std::string> notDigipan = {"Option1(2)", "Option1(3)", "Check4",
                                                     "Text22",     "Text23",     "Text24"};
    for (const std::string& c : ImportOptionControls())
        view_.SetEnabled(c,
                         mode == kModeAdifImport || (mode == kModeDigipanImport && !notDigipan.contains(c)));
    switch (mode) {
        case kModeDigipanImport:
            view_.SetText("Frame1", kFrame1Digipan);
            break;
        case kModeAdifImport:
            view_.SetText("Frame1", kFrame1Adif);
            break;
        case kModeJap1Import:
            view_.SetText("Frame1", kFrame1Jap1);
            break;
        default:
            break;
    }
    if (mode == kModeAdifImport && AdifMappingReady != 0)
        view_.SetBackColor("Command1", form::kReadyGreen);
    else
        view_.SetBackColor("Command1", std::nullopt);
}

void MainFormModel::EndCancelledRun(RunCallbacks& callbacks, long long written, const std::string& keptPath) {
    for (const char* c : {"Command1", form::kMenu, "Frame1"}) Enable(c, true);
    ShowCancelled(written, keptPath);
    CancelRequested = 0;
    callbacks.ShowWarnings();
}

void MainFormModel::SampleCheckBoxes() {
    QslIssueFlag = view_.Checked("Check1") ? 1 : 0;
    QslSentFlag = view_.Checked("Check2") ? 1 : 0;
    QslRcvdFlag = view_.Checked("Check4") ? 1 : 0;
    JstForJaFlag = view_.Checked("Check3") ? 1 : 0;
}

// --------------------------------------------------------------------------------------
// Start-up and exit

LoadOutcome MainFormModel::Form_Load() {
    try {
        CancelRequested = 0;
        for (const ControlLayout& c : MainFormControls())
            if (*c.captionId) view_.SetText(c.name, Tr(c.captionId));
        EnableAll({"mkCSV", "MODCH", "mkADIF", "mkHL2CSV", "mkHL2CSV5", "xxxCC", "viewNewADIF", "viewCSV",
                   "viewCSVJ"},
                  false);
        ShowFrame("Frame1", true);
        for (const char* f : {"Frame2", "Frame3", "Frame7", "Frame8"}) ShowFrame(f, false);
        view_.SetVisible("Label7", false);
        view_.SetText("verdisp",
                      VersionText(config_.versionMajor, config_.versionMinor, config_.versionRevision));

        if (view_.AnotherInstanceRunning()) return LoadOutcome::AlreadyRunning;
        // Commands whose conversion is not part of this build stay disabled.
        for (const std::string& item : unavailable_) view_.SetEnabled(item, false);

        view_.SetChecked("Option1(0)", true);
        view_.SetChecked("Option2(0)", true);
        Option2_Click(0);
        const std::string today = text::FormatDateTimePattern(text::LocalNow(), "YYYYMMDD");
        view_.SetText("Text7", today);
        view_.SetText("Text8", today);

        ini_.CurrentIniSection = "GeneData";
        ini_.ReadIniValue("GeneDataFol", GeneDataFolder);
        if (GeneDataFolder == "GeneData") {
            GeneDataFolder = settings::DefaultGeneDataFolder(WritableFolder());
            std::filesystem::create_directories(PathFromUtf8(GeneDataFolder));
            WriteSetting("GeneDataFol", GeneDataFolder);
        }

        EditorPath = ini_.ReadOr("TextEditor", "Editor", "NOTEPAD.EXE");

        DigipanLogPath = ini_.ReadOr("DIGIPAN-FOL", "DIGIPAN-FN", "");
        DigipanLogFolder = DigipanLogPath.empty() ? config_.programFolder : FolderOf(DigipanLogPath);

        Marks = settings::LoadQslMarks(ini_);
        const settings::QslMarks loaded = Marks;  // the change handlers copy each box back
        view_.SetText("Text4", loaded.issue);
        view_.SetText("Text5", loaded.sent);
        view_.SetText("Text22", loaded.rcvd);
        view_.SetText("Text23", loaded.adifSent);
        view_.SetText("Text24", loaded.adifRcvd);
        Marks = loaded;

        // The option choices of the last run.
        const settings::UiOptions ui = settings::LoadUiOptions(ini_);
        view_.SetChecked("Check1", ui.qslIssue);
        view_.SetChecked("Check2", ui.qslSent);
        view_.SetChecked("Check4", ui.qslRcvd);
        view_.SetChecked("Check3", ui.jstForJa);
        view_.SetChecked("Option1(" + std::to_string(ui.freqChoice) + ")", true);
        FixedText = ui.fixedText;

        if (!LoadDatabaseLocation()) {
            ShowRememberedDigipanLog();
            return LoadOutcome::Shown;
        }

        const settings::ShellSettings s = settings::LoadShellSettings(ini_, config_.programFolder);
        ModeCount = s.modeCount;
        for (std::size_t i = 0; i < 12; ++i) ModeNames[i + 1] = s.modeNames[i];
        SelectedMode = "MIX";
        FillModeList();

        ShowRememberedDigipanLog();
        if (hamlog::PathHasHdb(Location.HamlogDbPath)) {
            ReadFieldLengths();
            CheckHamlogVersion();
        } else {
            Message(hamlog::kMsgSetLocationFirst);
        }
        return LoadOutcome::Shown;
    } catch (const std::exception& e) {
        Message("LOAD Error - " + std::to_string(LoadErrorNumber(e)));
        return LoadOutcome::Failed;
    }
}

void MainFormModel::ShowRememberedDigipanLog() {
    // Convert right after the start converts this log: show it rather than the database.
    if (!DigipanLogPath.empty()) view_.SetText("Label5", DigipanLogPath);
}

void MainFormModel::FillModeList() {
    view_.ClearList("Combo1");
    view_.AddListItem("Combo1", "MIX");
    for (int i = 1; i <= ModeCount && i <= 12; ++i)
        if (!ModeNames[static_cast<std::size_t>(i)].empty())
            view_.AddListItem("Combo1", ModeNames[static_cast<std::size_t>(i)]);
    view_.SetText("Combo1", "MIX");
}

void MainFormModel::Form_Unload() {
    view_.CloseFieldLen();
    view_.CloseAdifMapping(true);
    library_->HamlogClose();
    settings::SaveQslMarks(ini_, Marks);
    settings::UiOptions ui;
    ui.qslIssue = view_.Checked("Check1");
    ui.qslSent = view_.Checked("Check2");
    ui.qslRcvd = view_.Checked("Check4");
    ui.jstForJa = view_.Checked("Check3");
    for (int i = 0; i < 4; ++i)
        if (view_.Checked("Option1(" + std::to_string(i) + ")")) ui.freqChoice = i;
    ui.fixedText = FixedText;
    settings::SaveUiOptions(ini_, ui);
    if (ZlogChosen) SaveZlogPanel();
    view_.EndProgram();
}

void MainFormModel::Pend_Click() {
    Form_Unload();
}

void MainFormModel::Form_KeyDown(int keyCode, int shift) {
    if (keyCode == 27) CancelRequested = 1;
    if (keyCode == 90 && shift == 6) {
        CancelRequested = 1;  // a running loop stops at its next record
        library_->HamlogClose();
        view_.EndProgramNow();
    }
}

void MainFormModel::Form_Activate() {
    view_.SetFocusTo(ZlogChosen ? "Text9" : "Text4");
}

// --------------------------------------------------------------------------------------
// Convert

void MainFormModel::Command1_Click() {
    SampleCheckBoxes();
    switch (ConversionMode) {
        case kModeAdifImport: {
            if (AdifMappingReady == 0) return;
            FileDialogRequest req;
            req.title = "CSV形式LOGﾃﾞｰﾀ保存";
            req.filter = "CSV形式LOGﾃﾞｰﾀ (*.CSV)|*.CSV";
            req.startFolder = ini_.ReadOr("ADIF-LOG", "ADIF-LOGFOL", GeneDataFolder);
            req.proposedName = "CSVLOG_" + text::FormatDateTimePattern(text::LocalNow(), "yyyymmdd_hhmm");
            req.overwritePrompt = true;
            const std::optional<std::string> chosen = dialogs_.SaveFile(req);
            if (!chosen) return;
            SavePath = *chosen;
            ini_.CurrentIniSection = "ADIF-LOG";
            WriteSetting("ADIF-LOGFOL", FolderOf(SavePath));
            for (const char* c : {kMenu, "Command1", "Frame1"}) view_.SetEnabled(c, false);
            ConvertAdifLog(SavePath);
            Enable(kMenu, true);
            Enable("Frame1", true);
            Enable("viewCSV", true);
            return;
        }
        case kModeZlogImport:
            QraImport = dialogs_.AskYesNo(zlog::kQraQuestion, MessageIcon::Question, kProgramTitle) ? 1 : 0;
            ConvertZlogLog();
            return;
        case kModeAdifExport:
        case kModeCsvExport:
        case kModeBackupTextExport:
        case kModeCsv5Export:
            RunExport();
            return;
        case 9:
            if (Jap1Pending_) {
                ConvertJap1Log();
                return;
            }
            [[fallthrough]];
        default:
            if (DigipanLogPath.empty()) {
                Message(kNoLog);
                return;
            }
            ConvertDigipanLog();
            return;
    }
}

// --------------------------------------------------------------------------------------
// Running a conversion

MainFormModel::RunCallbacks::RunCallbacks(MainFormModel& model,
                                          std::function<std::string(long long)> counterText)
    : model_(model), counterText_(std::move(counterText)) {
    if (!counterText_) counterText_ = [](long long n) { return std::to_string(n); };
}

void MainFormModel::RunCallbacks::Service(bool force) {
    const auto now = std::chrono::steady_clock::now();
    if (!force && serviced_ && now - lastService_ < model_.serviceInterval_) return;
    serviced_ = true;
    lastService_ = now;
    if (haveLast_) model_.view_.SetText("Label6", counterText_(last_));
    model_.view_.ServiceEvents();
}

void MainFormModel::RunCallbacks::Progress(long long number) {
    last_ = number;
    haveLast_ = true;
    Service(false);
}

bool MainFormModel::RunCallbacks::CancelRequested() {
    Service(false);
    return model_.CancelRequested != 0;
}

bool MainFormModel::RunCallbacks::AskYesNo(const std::string& question) {
    return model_.dialogs_.AskYesNo(question, MessageIcon::Question, kProgramTitle);
}

void MainFormModel::RunCallbacks::Warning(const std::string& message) {
    if (++warningCount_ <= 20) warnings_.push_back(message);
}

void MainFormModel::RunCallbacks::Warning(const trelvo::Message& message) {
    if (++warningCount_ <= 20) warnings_.push_back(model_.Tr(message));
}

void MainFormModel::RunCallbacks::Flush() {
    if (haveLast_) model_.view_.SetText("Label6", counterText_(last_));
}

void MainFormModel::RunCallbacks::ShowWarnings() {
    if (warningCount_ == 0) return;
    std::string text = model_.Tr(trelvo::Message("app.warnings").Arg("count", warningCount_));
    for (const std::string& w : warnings_) text += "\r\n" + w;
    if (warningCount_ > static_cast<long long>(warnings_.size())) text += "\r\n...";
    model_.dialogs_.Message(text, MessageIcon::Exclamation);
}

void MainFormModel::CheckRunFiles(const std::string& output, std::vector<CommandFile> read,
                                  ConversionCallbacks& callbacks) const {
    read.push_back({Location.HamlogDbPath, trelvo::Message("role.settings-db"), false});
    read.push_back({Location.HamlogMstPath, trelvo::Message("role.master-file"), false});
    read.push_back({ini_.Path(), trelvo::Message("role.settings-file"), false});
    read.push_back({output, trelvo::Message("role.output"), true});
    RefuseSameFiles(read);
    text::RemoveStaleWorkFiles(output, callbacks);
}

hamlog::HdbFieldLengths MainFormModel::ImportWidths(ConversionCallbacks& callbacks) const {
    for (int w : Location.HdbFieldLen)
        if (w != 0) return Location.HdbFieldLen;
    callbacks.Warning(trelvo::Message(kDefaultWidthsWarning));
    return hamlog::DefaultHdbFieldLengths();
}

void MainFormModel::ShowRunError(const std::exception& e) {
    dialogs_.Message(Tr(trelvo::Message("app.run-failed").Arg("reason", ErrorTextOf(e))),
                     MessageIcon::Critical);
}

// --------------------------------------------------------------------------------------
// Drag and drop

std::optional<std::string> MainFormModel::OpenOrDropped(const FileDialogRequest& request) {
    if (dropped_) {
        std::optional<std::string> path = std::move(dropped_);
        dropped_.reset();
        return path;
    }
    return dialogs_.OpenFile(request);
}

void MainFormModel::FileDropped(const std::string& path) {
    if (running_) return;
    std::string ext = FileNameOf(path);
    const std::size_t dot = ext.rfind('.');
    ext = dot == std::string::npos ? std::string() : text::ToUpper(ext.substr(dot));
    void (MainFormModel::*command)() = nullptr;
    if (ext == ".ADI" || ext == ".ADIF") {
        command = &MainFormModel::setADIFData_Click;
    } else if (ext == ".LOG") {
        command = dialogs_.AskYesNo(Tr(kDropLogQuestion), MessageIcon::Question, kProgramTitle)
                      ? &MainFormModel::setDGPData_Click
                      : &MainFormModel::setADIFData_Click;
    } else if (ext == ".TXT") {
        command = &MainFormModel::JAP1CSV_Click;
    } else if (ext == ".HDB") {
        command = &MainFormModel::SetHlpos_Click;
    } else if (ext == ".ZLO" || ext == ".ZLOX") {
        command = &MainFormModel::ZL2HL_Click;
    } else {
        Message(Tr(kDropHelp));
        return;
    }
    dropped_ = path;
    (this->*command)();
    dropped_.reset();
}

// --------------------------------------------------------------------------------------
// Auxiliary commands

void MainFormModel::ConvHelp_Click() {
    dialogs_.ShowHelp(1);
}

void MainFormModel::edSet_Click() {
    FileDialogRequest req;
    req.title = "お気に入りの Editor の場所を指定します";
    req.filter = "Editor(*.EXE)|*.EXE|";
#ifndef _WIN32
    // Editors here carry no ".EXE": offer every file as well.
    req.filter += "すべてのファイル (*)|*|";
#endif
    req.startFolder = config_.programFolder;
    req.mustExist = true;
    if (const std::optional<std::string> chosen = dialogs_.OpenFile(req)) {
        ini_.CurrentIniSection = "TextEditor";
        WriteSetting("Editor", *chosen);
        EditorPath = *chosen;
        return;
    }
    if (EditorPath == "TextEditor") EditorPath = "NOTEPAD.EXE";
    Message("現在設定されている Editor は" + EditorPath + " です。");
}

// --------------------------------------------------------------------------------------
// Option controls

void MainFormModel::Check9_Click() {
    ExportKhz = view_.Checked("Check9") ? 1 : 0;
}

void MainFormModel::Check10_Click() {
    if (view_.Checked("Check10")) {
        ExportCodeOff = 1;
        view_.SetChecked("Check11", false);
        ExportTownCodeOff = 0;
    } else {
        ExportCodeOff = 0;
    }
}

void MainFormModel::Check11_Click() {
    if (view_.Checked("Check11")) {
        ExportTownCodeOff = 1;
        view_.SetChecked("Check10", false);
        ExportCodeOff = 0;
    } else {
        ExportTownCodeOff = 0;
    }
}

void MainFormModel::Combo1_Click() {
    SelectedMode = view_.Text("Combo1");
    Enable("Command1", true);
}

void MainFormModel::Option2_Click(int index) {
    ExportRangeKind = index;
    view_.SetEnabled("Text7", index == 1);
    view_.SetEnabled("Text8", index == 1);
    view_.SetEnabled("Text11", index == 2);
    view_.SetEnabled("Text12", index == 2);
}

void MainFormModel::TextChanged(const std::string& name) {
    auto count = [this](const std::string& box, int& target) {
        std::string t = view_.Text(box);
        if (t.empty()) {
            view_.SetText(box, "0");  // runs this handler again with "0"
            return;
        }
        const std::optional<long long> n = text::WholeNumber(t);
        target = n ? static_cast<int>(*n) : 0;
    };
    if (name == "Text4")
        Marks.issue = view_.Text(name);
    else if (name == "Text5")
        Marks.sent = view_.Text(name);
    else if (name == "Text22")
        Marks.rcvd = view_.Text(name);
    else if (name == "Text23")
        Marks.adifSent = view_.Text(name);
    else if (name == "Text24")
        Marks.adifRcvd = view_.Text(name);
    else if (name == "Text9")
        ZlogQslMark = view_.Text(name);
    else if (name == "Text3")
        count(name, FrontCut);
    else if (name == "Text6")
        count(name, BackCut);
    else if (name == "Text10")
        count(name, LeadChars);
}

void MainFormModel::Label21_MouseDown() {
    for (const char* t : {"Text3", "Text6", "Text10"}) view_.SetVisible(t, false);
}

void MainFormModel::Label21_MouseUp() {
    for (const char* t : {"Text3", "Text6", "Text10"}) view_.SetVisible(t, true);
}

void MainFormModel::WriteSetting(const std::string& key, const std::string& value) {
    if (!ini_.WriteIniValue(key, value)) Message(SettingsNotSavedMessage());
}

std::string MainFormModel::SettingsNotSavedMessage() const {
    return Tr(
        trelvo::Message("app.settings-not-saved").Arg("reason", ini_.WriteError()).Arg("file", ini_.Path()));
}

}  // namespace trelvo::app
