// The main window without its widgets: the conversion mode, the option flags, the paths the
// user chose, which menu items and groups are enabled, and what each menu command, the
// Convert button and the keys do. The Qt and Win32 views forward their events here and show
// the results through MainFormView.
//
// Why the names look as they do (`Command1_Click`, `"Option1(3)"`, `Text23`): users of the
// Windows program this one replaces know its window, its settings file and its help by these
// names, and the program was described control by control. Every handler is named after its
// control and event, and every control keeps its name, index included, so behaviour can be
// checked against that description name for name. The layout (main_form_layout.h) lists them.
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/conversion_mode.h"
#include "app/main_form_view.h"
#include "app/ui_dialogs.h"
#include "core/callbacks.h"
#include "core/file_checks.h"
#include "core/message.h"
#include "hamlog/db_location.h"
#include "hamlog/hamlog_library.h"
#include "hamlog/hdb_header.h"
#include "hamlog/master_list.h"
#include "settings/app_settings.h"
#include "settings/ini_store.h"

namespace trelvo::adif {
struct AdifMapping;
}

namespace trelvo::app {

// The counter label when no conversion runs.
inline constexpr const char* kCounterIdle = "件数ｶｳﾝﾀ";
// The counter after a run stopped by Esc, shown for kCancelNoticeMs before the idle text.
std::string CancelledCounterText(long long written, Lang lang = Lang::kJapanese);
inline constexpr int kCancelNoticeMs = 3000;
// The message after a cancelled run that kept lines: a cancelled run never replaces its
// output; what it wrote is kept under the output's name with "(中止)" added.
std::string CancelledKeptMessage(long long written, const std::string& keptPath, Lang lang = Lang::kJapanese);
// The message for an import that found no record; `outputKept`: an existing output was left
// as it was (otherwise an empty one was written).
std::string NothingFoundMessage(const std::string& log, const std::string& output, bool outputKept,
                                Lang lang = Lang::kJapanese);
// Frame1's caption in each import mode.
inline constexpr const char* kFrame1Digipan = "変換ルール( Digipan.LOG -> HL CSV )";
inline constexpr const char* kFrame1Adif = "変換ルール( ADIF形式LOG -> HL CSV )";
inline constexpr const char* kFrame1Jap1 = "変換ルール( JAP1 CSV -> HL CSV )";
// Catalog ids of our own texts: what a drop of an unknown kind of file says, and the question
// for a ".log" file.
inline constexpr const char* kDropHelp = "app.drop-help";
inline constexpr const char* kDropLogQuestion = "app.drop-log-question";
// The option controls of Frame1.
const std::vector<std::string>& ImportOptionControls();
// Said once in the warning list of an import run without the database's field widths (id).
inline constexpr const char* kDefaultWidthsWarning = "app.default-widths";
// Entering the zLog mode without a usable master file (no database set, or its ".mst"
// unreadable) (id).
inline constexpr const char* kZlogNoMasterNotice = "app.zlog-no-master";
// The program's name, used as the title of its message boxes.
inline constexpr const char* kProgramTitle = "TRELVO5";

struct MainFormConfig {
    std::string programFolder;  // the program's folder: "JAP2HL.CSV", dialogs' start folder
    std::string iniPath;        // the settings file, normally TRELVO5.INI in programFolder
    // Where the generated files go when the program's folder cannot be written (the folder
    // of the settings file); empty: the program's folder.
    std::string settingsFolder;
    int versionMajor = 0, versionMinor = 0, versionRevision = 0;
    // The language of our own texts (the captions and messages of the original stay as they
    // are); the program sets it with WindowLang.
    Lang lang = Lang::kJapanese;
};

// The window's language: [TRELVO5-UI] Lang= of the settings file, else the user's locale.
Lang WindowLang(const std::string& iniPath);
// The configuration a window starts with for the program in `programFolder`: settings beside
// the program, or in the user's settings folder when the program's folder cannot be written;
// this build's version; the language of the settings or the user's locale.
MainFormConfig StartupConfig(const std::string& programFolder);

enum class LoadOutcome {
    Shown,           // the window is ready to be shown
    AlreadyRunning,  // another copy runs: end at once, nothing written
    Failed,          // "LOAD Error" was shown: end
};

// "Ver 1.05", and the revision's hexadecimal digits appended when it is not 0 ("Ver 1.05A").
std::string VersionText(int major, int minor, int revision);

// The folder part of a path (text before its last separator); empty when there is none.
std::string FolderOf(const std::string& path);
// The text after the last separator.
std::string FileNameOf(const std::string& path);

// The number shown after "LOAD Error - ": the system's error number when the failure has
// one, else a fixed number per kind of failure (listed in the help):
// 7 out of memory, 9001 a file, 9002 the content of a file, 9003 a date, 9004 stopped,
// 9000 any other failure.
int LoadErrorNumber(const std::exception& e);

// The menu items whose conversion this build does not have; they stay disabled.
std::set<std::string> CommandsNotBuilt();

class MainFormModel {
public:
    MainFormModel(MainFormConfig config, MainFormView& view, UiDialogs& dialogs);
    ~MainFormModel();
    MainFormModel(const MainFormModel&) = delete;
    MainFormModel& operator=(const MainFormModel&) = delete;

    // --- window events ------------------------------------------------------------------
    LoadOutcome Form_Load();
    void Form_Unload();
    void Form_KeyDown(int keyCode, int shift);
    void Form_Activate();

    // --- the Convert button and the File menu ---------------------------------------------
    void Command1_Click();
    void SetHlpos_Click();
    void ChkData_Click();
    void setDGPData_Click();
    void mkCSV_Click();
    void setADIFData_Click();
    void viewCSV_Click();
    void ZL2HL_Click();
    void setHLData_Click();
    void MODCH_Click();
    void mkADIF_Click();
    void mkHL2CSV_Click();
    void mkHL2CSV5_Click();
    void xxxCC_Click();
    void viewNewADIF_Click();
    void JAP1CSV_Click();
    void viewCSVJ_Click();
    void edSet_Click();
    void Pend_Click();
    void ConvHelp_Click();
    void FndISP_Click() {}

    // --- option controls ----------------------------------------------------------------
    void Check9_Click();
    void Check10_Click();
    void Check11_Click();
    void Combo1_Click();
    void Option2_Click(int index);
    // Change handlers of the text boxes (the QSL marks, the cut counts).
    void TextChanged(const std::string& name);
    void Label21_MouseDown();
    void Label21_MouseUp();
    void Command4_Click();
    // A file dropped on the window: the mode that reads it is entered as its File menu
    // command would after its open dialog (.adi/.adif ADIF, .log DigiPan or ADIF after
    // asking, .txt JAP1, .hdb the database location); anything else is explained.
    void FileDropped(const std::string& path);
    // The ADIF mapping window was closed: its map is ready and Convert can run.
    void AdifMappingClosed(const adif::AdifMapping& mapping);

    // How often a running conversion services the window at most (tests use 0: every call).
    void SetServiceInterval(std::chrono::milliseconds interval) { serviceInterval_ = interval; }

    // The HAMLOG database library (tests give one over records in memory).
    void SetLibrary(std::unique_ptr<hamlog::HamlogLibrary> library) { library_ = std::move(library); }
    hamlog::HamlogLibrary& Library() { return *library_; }

    // True while a conversion runs (the menu and Convert are disabled).
    bool Running() const { return running_; }
    // Menu items whose conversion this build does not have stay disabled.
    void SetUnavailable(std::set<std::string> items) { unavailable_ = std::move(items); }
    bool Available(const std::string& item) const { return !unavailable_.contains(item); }
    const MainFormConfig& Config() const { return config_; }
    settings::IniStore& Ini() { return ini_; }

    // --- window state -------------------------------------------------------------------
    int ConversionMode = kModeNone;  // a ConversionModeNumber
    std::string GeneDataFolder;
    std::string DigipanLogPath;
    std::string DigipanLogFolder;
    std::string SavePath;
    int QslIssueFlag = 0, QslSentFlag = 0, QslRcvdFlag = 0, JstForJaFlag = 0;
    int QraImport = 0;
    std::string EditorPath;
    hamlog::HamlogLocation Location;  // HamlogDbPath, HamlogDbBase, HamlogMstPath, HdbFieldLen
    hamlog::MasterList Master;        // MasterCount, set by the version check
    int ModeCount = 0;
    std::array<std::string, 13> ModeNames;  // 1..12
    std::string SelectedMode;
    int CancelRequested = 0;
    int AdifMappingReady = 0;
    int ExportCodeOff = 0, ExportTownCodeOff = 0, ExportKhz = 0;
    int ExportRangeKind = 0;
    settings::QslMarks Marks;                      // kept equal to Text4, Text5, Text22, Text23, Text24
    std::string ZlogQslMark;                       // Text9
    int FrontCut = 0, BackCut = 0, LeadChars = 0;  // Text3, Text6, Text10
    bool ZlogChosen = false;
    std::string AdifLogPath;  // the ADIF file chosen last
    std::string FixedText;    // the mapping window's fixed text, kept for this run
    std::string Jap1LogPath;  // the JAP1 file chosen last
    std::string Jap1OutputPath() const;
    // The folder generated files go to by default (the program's folder when it is writable).
    const std::string& WritableFolder() const {
        return config_.settingsFolder.empty() ? config_.programFolder : config_.settingsFolder;
    }

    // --- the zLog mode (main_form_zlog.cpp) ----------------------------------------------
    void Check5_Click();    // the extra text and its targets usable or not
    void Check7_Click();    // the contest-number editor Frame7 opened or closed
    void Command2_Click();  // Frame7 closed ("閉じる(決定)")
    void Command3_Click();  // the contest-number code table loaded
    void ConvertZlogLog();
    std::string ZloPath;      // the chosen .zlo (or .zlox) file
    std::string ZloTimeBase;  // "J" or "U"
    std::string ZloContestName;
    int RcvNumTarget = 0;  // Option3: 0 Remarks1, 1 Remarks2, 2 not copied; kept between entries
    // The zLog panel's choices (QSL mark, targets, extra text, the ZLOX boxes) stored and put
    // back, so the panel opens as the last run left it.
    void SaveZlogPanel();
    void LoadZlogPanel();

    // The conversion steps the Convert button and the menu run.
    void ConvertDigipanLog();
    // The JAP1 run over Jap1LogPath (at once after the menu's file choice; after a drop, when
    // Convert is pressed).
    void ConvertJap1Log();
    void ScanAdifTags();
    void ConvertAdifLog(const std::string& savePath);

    // --- the HAMLOG export ----------------------------------------------------------------
    int ExportStandard = 0;        // CheckStd: ADIF 3.1.4 for other programs
    std::string ExportOutputPath;  // the file of the last export (viewNewADIF opens it)
    void CheckStd_Click();
    // The date check before every export: 0 valid, 1 invalid (its message was shown).
    int ValidateExportRange();
    // The export driver: save dialog, the run, the completion message.
    void ExportHamlogData();

private:
    // What a running conversion sees of the window: the counter, the event loop, Esc, the
    // questions. The window is serviced at most every few milliseconds, so long files run at
    // full speed while the counter moves and Esc is seen at once.
    class RunCallbacks : public ConversionCallbacks {
    public:
        explicit RunCallbacks(MainFormModel& model, std::function<std::string(long long)> counterText = {});
        void Progress(long long number) override;
        bool CancelRequested() override;
        bool AskYesNo(const std::string& question) override;
        void Warning(const std::string& message) override;
        void Warning(const trelvo::Message& message) override;
        // Shows the last number reached.
        void Flush();
        // One message with the warnings of the run, if there were any.
        void ShowWarnings();

    private:
        void Service(bool force);
        MainFormModel& model_;
        std::function<std::string(long long)> counterText_;
        std::chrono::steady_clock::time_point lastService_{};
        bool serviced_ = false;
        long long last_ = 0;
        bool haveLast_ = false;
        std::vector<std::string> warnings_;
        long long warningCount_ = 0;
    };
    // Marks a conversion as running for as long as it lives.
    struct RunningScope {
        explicit RunningScope(MainFormModel& m) : model(m) { model.running_ = true; }
        ~RunningScope() { model.running_ = false; }
        MainFormModel& model;
    };
    struct AdifSession;
    struct ZlogSession;
    ZlogSession& Zlog();
    // The index of the ticked button of an option group "Name(0)".."Name(count-1)"; the last
    // when none is ticked.
    int SelectedOption(const char* group, int count) const;

    void ShowRunError(const std::exception& e);
    // Our own texts in the window's language.
    std::string Tr(const trelvo::Message& m) const { return Render(m, config_.lang); }
    std::string Tr(std::string_view id) const { return trelvo::Text(id, config_.lang); }
    std::string ErrorTextOf(const std::exception& e) const { return trelvo::ErrorText(e, config_.lang); }
    // The field widths an import cuts to: the database's, or Turbo HAMLOG 5's defaults (said
    // once through the callbacks) when no database widths are known.
    hamlog::HdbFieldLengths ImportWidths(ConversionCallbacks& callbacks) const;
    // Before a run writes `output`: refuses an output that is any file the run reads (`read`,
    // the database and master file of the settings, the settings file itself), compared by
    // identity; then removes this program's work files left beside it by a run killed more
    // than a day ago, telling `callbacks` of each. Throws FileError.
    void CheckRunFiles(const std::string& output, std::vector<CommandFile> read,
                       ConversionCallbacks& callbacks) const;
    void Enable(const std::string& name, bool on);
    void EnableAll(std::initializer_list<const char*> names, bool on);
    void ShowFrame(const std::string& frame, bool on);
    void ResetCounter();
    // Entering an import mode: the listed items disabled, the import options (Frame1) shown
    // and the other groups hidden, Convert disabled, the counter reset.
    void EnterImportMode(std::initializer_list<const char*> itemsOff, int mode);
    // After a run stopped by Esc: Convert, the menu and Frame1 usable again, the counter
    // saying how many lines were written (then idle again), the flag reset, the run's
    // warnings shown.
    void EndCancelledRun(RunCallbacks& callbacks, long long written, const std::string& keptPath);
    void ShowCancelled(long long written, const std::string& keptPath);
    // Frame1's options that the import mode reads enabled, the others disabled; Frame1's
    // caption and Convert's colour follow the mode.
    void ApplyImportOptions(int mode);
    void SampleCheckBoxes();
    void FillModeList();
    // Label5 shows the DigiPan log that Convert would read, when one is remembered.
    void ShowRememberedDigipanLog();
    // The ".mst" test and the header read shared by the start-up and the location command.
    // False when the ".mst" file is missing (the paths are then cleared for this run).
    bool CheckDatabaseLocation();
    void ReadFieldLengths();
    // The stored database location at start-up; false when the start-up ends there.
    bool LoadDatabaseLocation();
    void CheckHamlogVersion();
    void Message(const std::string& text) { dialogs_.Message(text); }
    // Writes a setting into ini_.CurrentIniSection; a write that fails is told to the user.
    void WriteSetting(const std::string& key, const std::string& value);
    // The message for a settings file that could not be written.
    std::string SettingsNotSavedMessage() const;
    // The open dialog of a file command, or the file dropped on the window when the command
    // runs for a drop.
    std::optional<std::string> OpenOrDropped(const FileDialogRequest& request);
    std::optional<std::string> dropped_;
    bool Jap1Pending_ = false;   // a dropped JAP1 file waits for Convert
    std::string Jap1TablePath_;  // the remarks table found when the JAP1 file was chosen
    // The export kinds' common effects; Convert in an export mode.
    void ChooseExportKind(int kind, const char* caption);
    void RunExport();

    MainFormConfig config_;
    MainFormView& view_;
    UiDialogs& dialogs_;
    settings::IniStore ini_;
    std::set<std::string> unavailable_;
    bool running_ = false;
    std::shared_ptr<AdifSession> adif_;  // shared_ptr: the type is complete only in its own file
    std::shared_ptr<ZlogSession> zlog_;
    std::chrono::milliseconds serviceInterval_{15};
    std::unique_ptr<hamlog::HamlogLibrary> library_;
};

}  // namespace trelvo::app
