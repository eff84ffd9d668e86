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

std::string ExitStatusHelp() {
    return Tr("help.exit-status");
}

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
    files.push_back({ctx.IniPath(), Tr("role.settings-file"), false});
    RefuseSameFiles(files);
    RemoveStaleWorkFiles(files);
}

void RemoveStaleWorkFiles(const std::vector<CommandFile>& files) {
    for (const CommandFile& f : files) {
        if (!f.written || f.path.empty() || f.path == "-") continue;
        for (const std::string& old : text::RemoveStaleWorkFiles(f.path))
            std::cerr
                << Tr(Message("cli.warning").Arg("message", Message("io.stale-work-file").Arg("file", old)))
                << '\n';
    }
}

Message CancelledText(long long records, const std::string& keptPath, const std::string& output) {
    if (keptPath.empty()) return Message("cli.cancel.nothing-kept").Arg("output", output);
    return Message("cli.cancel.kept").Arg("count", records).Arg("kept", keptPath).Arg("output", output);
}

void ReportCancelled(long long records, const std::string& keptPath, const std::string& output) {
    throw Aborted(Message("cli.cancelled-after")
                      .Arg("count", records)
                      .Arg("rest", CancelledText(records, keptPath, output)));
}

void ReportNoContacts(const std::string& log, CliCallbacks& callbacks, bool outputReplaced,
                      const std::string& output) {
    callbacks.Warning(Message(outputReplaced ? "cli.no-contacts.empty-written" : "cli.no-contacts.kept")
                          .Arg("file", log)
                          .Arg("output", output)
                          .Arg("status", kExitNoContacts));
    throw ExitStatus{kExitNoContacts};
}

void CliCallbacks::Warning(const std::string& message) {
    ++warnings_;
    std::cerr << Tr(Message("cli.warning").Arg("message", message)) << '\n';
}

void CliCallbacks::Warning(const Message& message) {
    ++warnings_;
    std::cerr << Tr(Message("cli.warning").Arg("message", message)) << '\n';
}

bool CliCallbacks::AskYesNo(const std::string& question) {
    if (fixedAnswer_) return *fixedAnswer_;
    if (!StdinIsTerminal()) {
        std::cerr << question << "\n" << Tr("cli.ask.no-terminal") << "\n";
        return false;
    }
    for (;;) {
        std::cerr << question << " " << Tr("cli.ask.prompt") << " " << std::flush;
        std::string answer;
        if (!std::getline(std::cin, answer)) return false;
        if (answer == "y" || answer == "Y" || answer == "yes") return true;
        if (answer == "n" || answer == "N" || answer == "no") return false;
    }
}

CLI::App* ImportGroup(CLI::App& app) {
    for (CLI::App* sub : app.get_subcommands({}))
        if (sub->get_name() == "import") return sub;
    CLI::App* group = app.add_subcommand("import", Tr("cli.help.import"));
    group->footer(ExitStatusHelp());
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
        throw FileError(s.geneDataFolder, Message("cli.gene-data-not-folder").Arg("ini", iniPath));
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec))
        throw FileError(s.geneDataFolder, Message("cli.gene-data-cannot-create"));
}

// "--widths W0,W1,...,W16": seventeen whole numbers from 0 to 9999; the callsign, date and
// time need room.
hamlog::HdbFieldLengths ParseWidths(const std::string& s) {
    const std::vector<std::string> parts = text::Split(s, ',');
    if (parts.size() != 17) throw Error(Message("cli.widths.count").Arg("count", parts.size()));
    hamlog::HdbFieldLengths w{};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::optional<long long> v = text::WholeNumber(parts[i]);
        if (!v || *v < 0 || *v > 9999 || parts[i].find('.') != std::string::npos)
            throw Error(Message("cli.widths.not-width").Arg("index", i).Arg("value", parts[i]));
        w[i] = static_cast<int>(*v);
    }
    for (const auto& [i, name] : {std::pair<std::size_t, const char*>{0, "cli.widths.field.callsign"},
                                  {hamlog::kHdbDate + 1, "cli.widths.field.date"},
                                  {hamlog::kHdbTime + 1, "cli.widths.field.time"}})
        if (w[i] == 0) throw Error(Message("cli.widths.zero").Arg("index", i).Arg("field", Message(name)));
    return w;
}

}  // namespace trelvo::cli
