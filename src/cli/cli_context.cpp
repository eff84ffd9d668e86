#include "cli/cli_context.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/errors.h"
#include "core/platform.h"
#include "text/chars.h"
#include "text/io.h"
#include "text/numfmt.h"

namespace trelvo::cli {
namespace {

volatile std::sig_atomic_t g_cancelSignal = 0;

extern "C" void OnCancelSignal(int sig) {
    // A second signal is the same request: the run stops at the next record and removes or
    // keeps its output as a cancel does, rather than dying with its work file left behind.
    g_cancelSignal = sig;
    std::signal(sig, OnCancelSignal);
}

#ifdef _WIN32
// Ctrl+Break and closing the console are a cancel too. Windows ends the process when the
// handler of a close returns, so that one waits for the run to finish its cancel.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            g_cancelSignal = SIGINT;
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            g_cancelSignal = SIGTERM;
            Sleep(4500);
            return TRUE;
        default:
            return FALSE;
    }
}
#endif

}  // namespace

const char* const kExitStatusHelp =
    "Exit status: 0 done; 1 error (the message names the file and the reason); 3 cancelled by Ctrl+C "
    "or SIGTERM, or stopped by an answer; 4 the log held no contacts; other values: the command line "
    "was not understood.\nOutputs are written beside their target under a temporary name and put in "
    "place when the run ends; a failed run leaves an existing output as it was. A cancelled or "
    "stopped run never replaces the output: the whole lines written so far are kept in a file named "
    "after it with \"(中止)\" before the extension (out.csv: \"out(中止).csv\"), and when no line was "
    "written nothing is left behind. A log without contacts leaves an existing output as it was "
    "(without one, an empty output is written).";

CliCallbacks::CliCallbacks(std::optional<bool> fixedAnswer) : fixedAnswer_(fixedAnswer) {
    std::signal(SIGINT, OnCancelSignal);
    std::signal(SIGTERM, OnCancelSignal);
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#endif
}

bool CliCallbacks::CancelRequested() {
    return g_cancelSignal != 0;
}

void CheckCommandFiles(const CliContext& ctx, std::vector<CommandFile> files) {
    files.push_back({ctx.IniPath(), "the settings file", false});
    RefuseSameFiles(files);
    RemoveStaleWorkFiles(files);
}

void RemoveStaleWorkFiles(const std::vector<CommandFile>& files) {
    for (const CommandFile& f : files) {
        if (!f.written || f.path.empty() || f.path == "-") continue;
        for (const std::string& old : text::RemoveStaleWorkFiles(f.path))
            std::cerr << "trelvo5: warning: removed " << old
                      << ", the unfinished work file of a run stopped more than a day ago\n";
    }
}

std::string CancelledText(long long records, const std::string& keptPath, const std::string& output) {
    if (keptPath.empty()) return "no record was written; " + output + " is as it was";
    return "the " + std::to_string(records) + (records == 1 ? " line" : " lines") + " written so far " +
           (records == 1 ? "is" : "are") + " kept in " + keptPath + "; " + output + " is as it was";
}

void ReportCancelled(long long records, const std::string& keptPath, const std::string& output) {
    throw Aborted("cancelled after " + std::to_string(records) + " records; " +
                  CancelledText(records, keptPath, output));
}

void ReportNoContacts(const std::string& log, CliCallbacks& callbacks, bool outputReplaced,
                      const std::string& output) {
    callbacks.Warning(log + ": the file held no contacts; " +
                      (outputReplaced ? "an empty " + output + " was written"
                                      : output + " was not replaced and is as it was") +
                      " (exit status " + std::to_string(kExitNoContacts) + ")");
    throw ExitStatus{kExitNoContacts};
}

void CliCallbacks::Warning(const std::string& message) {
    ++warnings_;
    std::cerr << "trelvo5: warning: " << message << '\n';
}

bool CliCallbacks::AskYesNo(const std::string& question) {
    if (fixedAnswer_) return *fixedAnswer_;
    if (!StdinIsTerminal()) {
        std::cerr << question << "\n(no terminal to answer on: taken as No)\n";
        return false;
    }
    for (;;) {
        std::cerr << question << " [y/n] " << std::flush;
        std::string answer;
        if (!std::getline(std::cin, answer)) return false;
        if (answer == "y" || answer == "Y" || answer == "yes") return true;
        if (answer == "n" || answer == "N" || answer == "no") return false;
    }
}

CLI::App* ImportGroup(CLI::App& app) {
    for (CLI::App* sub : app.get_subcommands({}))
        if (sub->get_name() == "import") return sub;
    CLI::App* group =
        app.add_subcommand("import", "Convert another program's log into the CSV that Turbo HAMLOG imports");
    group->require_subcommand(1);
    return group;
}

// The generated-data folder must exist before the conversion writes into it. The default one
// beside the program is created, as the window does at start-up; a folder named in the
// settings file is not (it may be a path from another machine).
void EnsureGeneDataFolder(const settings::ShellSettings& s, const std::string& iniPath) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path folder = PathFromUtf8(s.geneDataFolder);
    if (fs::is_directory(folder, ec)) return;
    if (s.geneDataFolderStored)
        throw FileError(s.geneDataFolder, "the generated-data folder set in " + iniPath +
                                              " ([GeneData] GeneDataFol) is not a folder");
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec))
        throw FileError(s.geneDataFolder, "cannot create the generated-data folder");
}

// "--widths W0,W1,...,W16": seventeen whole numbers from 0 to 9999; the callsign, date and
// time need room.
hamlog::HdbFieldLengths ParseWidths(const std::string& s) {
    const std::vector<std::string> parts = text::Split(s, ',');
    if (parts.size() != 17)
        throw Error("--widths: give seventeen widths W0,W1,...,W16, not " + std::to_string(parts.size()));
    hamlog::HdbFieldLengths w{};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::optional<long long> v = text::WholeNumber(parts[i]);
        if (!v || *v < 0 || *v > 9999 || parts[i].find('.') != std::string::npos)
            throw Error("--widths: W" + std::to_string(i) + " \"" + parts[i] + "\" is not a width");
        w[i] = static_cast<int>(*v);
    }
    for (const auto& [i, name] : {std::pair<std::size_t, const char*>{0, "callsign"},
                                  {hamlog::kHdbDate + 1, "date"},
                                  {hamlog::kHdbTime + 1, "time"}})
        if (w[i] == 0)
            throw Error("--widths: W" + std::to_string(i) + " is 0, but the " + name +
                        " needs room; give its width in the database");
    return w;
}

}  // namespace trelvo::cli
