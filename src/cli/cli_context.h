// What every subcommand of the command line shares: where the settings come from, where the
// program lives, how warnings and questions reach the user.
#pragma once

#include <CLI/CLI.hpp>
#include <iostream>
#include <optional>
#include <string>

#include "cli/cli_text.h"
#include "core/callbacks.h"
#include "core/file_checks.h"
#include "hamlog/hdb_header.h"
#include "settings/app_settings.h"
#include "settings/ini_store.h"
#include "settings/settings_location.h"

namespace trelvo::cli {

struct CliContext {
    std::string programFolder;
    std::string iniOption;  // "--ini" as given

    // "--ini", or TRELVO5.INI beside the program (in the user's settings folder when the
    // program's folder cannot be written).
    std::string IniPath() const {
        return iniOption.empty() ? settings::LocateSettings(programFolder).iniPath : iniOption;
    }
    // A store over the settings file. The command line only ever reads it. Throws when the
    // file exists but cannot be read (a folder, say), rather than reading every default.
    settings::IniStore Ini() const {
        settings::CheckIniReadable(IniPath());
        return settings::IniStore(IniPath());
    }
};

// The exit statuses of trelvo5 (listed at the end of --help).
inline constexpr int kExitDone = 0;        // the command did its work
inline constexpr int kExitFailed = 1;      // an error; the message names the file and the reason
inline constexpr int kExitStopped = 3;     // cancelled (Ctrl+C, SIGTERM) or stopped by an answer
inline constexpr int kExitNoContacts = 4;  // the log held no contacts; an empty output was written
// The exit statuses in plain words, the footer of every --help.
std::string ExitStatusHelp();

// What trelvo5 says when it was started without arguments in a console of its own (a double
// click in Explorer), before it waits for a key so that its window does not close unread.
inline constexpr const char* kStartedAlone =
    "TRELVO5 は Turbo HAMLOG 5 のための LOG データ変換プログラムです。\n"
    "この trelvo5.exe はコマンドライン版です。コマンドプロンプトや PowerShell で\n"
    "  trelvo5 --help\n"
    "のように使います。\n"
    "ウィンドウで使うには、同じフォルダの trelvo5-gui.exe をダブルクリックしてください。\n"
    "\n"
    "TRELVO5 converts logs for Turbo HAMLOG 5. This is the command line (run \"trelvo5 --help\"\n"
    "in Command Prompt or PowerShell); the window is trelvo5-gui.exe in the same folder.\n"
    "\n"
    "何かキーを押すと閉じます (press a key to close)。\n";

// Thrown by a command that has printed its results but must end with another status.
struct ExitStatus {
    int status;
};

// Prints warnings to stderr; asks Yes/No on the terminal, or answers No without one. While one
// exists, Ctrl+C and SIGTERM are a cancel request that the conversion polls between records (a
// second one is the same request).
class CliCallbacks : public ConversionCallbacks {
public:
    explicit CliCallbacks(std::optional<bool> fixedAnswer = std::nullopt);
    void Warning(const std::string& message) override;
    void Warning(const Message& message) override;
    bool AskYesNo(const std::string& question) override;
    bool CancelRequested() override;
    std::size_t Warnings() const { return warnings_; }

private:
    std::optional<bool> fixedAnswer_;
    std::size_t warnings_ = 0;
};

// Refuses (FileError, naming both) an output of the command that is the same file as one of its
// inputs, as another of its outputs or as the settings file. Call it with every file the
// command reads or writes once the paths are known and before anything is written.
void CheckCommandFiles(const CliContext& ctx, std::vector<CommandFile> files);

// Removes, with a warning each, the work files older than a day that killed runs left beside
// the outputs among `files` (CheckCommandFiles does this too).
void RemoveStaleWorkFiles(const std::vector<CommandFile>& files);

// What a cancelled or stopped run left: the `records` lines kept in `keptPath` (empty: none
// written), and `output` as it was.
Message CancelledText(long long records, const std::string& keptPath, const std::string& output);
// For a run that stopped on a cancel request: throws Aborted (status 3) with the count and
// CancelledText.
[[noreturn]] void ReportCancelled(long long records, const std::string& keptPath, const std::string& output);

// For a log that held no contacts: the warning (an empty output written, or an existing one
// kept as it was), then status 4.
[[noreturn]] void ReportNoContacts(const std::string& log, CliCallbacks& callbacks, bool outputReplaced,
                                   const std::string& output);

// The generated-data folder, created when it is the default one beside the program; a folder
// named in the settings file must exist already.
void EnsureGeneDataFolder(const settings::ShellSettings& s, const std::string& iniPath);

// The seventeen field widths of "--widths W0,W1,...,W16".
hamlog::HdbFieldLengths ParseWidths(const std::string& s);

// The "import" group, created on first use.
CLI::App* ImportGroup(CLI::App& app);

// Each family of subcommands registers itself here; main() calls them in turn.
void RegisterSettingsCommand(CLI::App& app, CliContext& ctx);
void RegisterImportJap1Command(CLI::App& app, CliContext& ctx);
void RegisterDbCommand(CLI::App& app, CliContext& ctx);
void RegisterImportDigipanCommand(CLI::App& app, CliContext& ctx);
void RegisterImportAdifCommand(CLI::App& app, CliContext& ctx);
void RegisterExportCommand(CLI::App& app, CliContext& ctx);
void RegisterImportZlogCommand(CLI::App& app, CliContext& ctx);

}  // namespace trelvo::cli
