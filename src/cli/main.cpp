// trelvo5: the command-line front end. It maps options onto the engine and reports results;
// the conversions themselves live in the engine.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_context.h"
#include "cli/console_output.h"
#include "core/errors.h"
#include "core/platform.h"

int main(int argc, char** argv) {
    using namespace trelvo;
#ifdef SIGXFSZ
    // Past a file-size limit a write fails (EFBIG) and the run cleans up, instead of the
    // signal ending the program with its work file left behind.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    cli::ConsoleOutput console;
    std::vector<std::string> args = ArgumentsUtf8(argc, argv);
    // "--qsl-issue=" with nothing after "=" means a blank mark, as an empty mark box does;
    // CLI11 would read it as the bare flag (the settings' mark).
    for (std::string& a : args)
        if (a == "--qsl-issue=" || a == "--qsl-sent=" || a == "--qsl-rcvd=") a += ' ';
    // When the data goes to standard output, the command's own lines (summaries, the completion
    // message) go to standard error, so the data stays clean for the next program in a pipe.
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool dataToStdout =
            ((a == "-o" || a == "--output") && i + 1 < args.size() && (args[i + 1] == "-" || args[i + 1] == "/dev/stdout")) ||
            a == "-o-" || a == "--output=-" || a == "--output=/dev/stdout";
        if (dataToStdout) {
            std::cout.flush();
            std::cout.rdbuf(std::cerr.rdbuf());
            break;
        }
    }
    std::vector<char*> utf8Argv;
    for (std::string& a : args) utf8Argv.push_back(a.data());
    if (args.size() == 1 && ConsoleOwnedAlone()) {
        std::cout << cli::kStartedAlone << std::flush;
        WaitForKey();
        return cli::kExitDone;
    }
    cli::CliContext ctx;
    ctx.programFolder = ProgramFolder();

    CLI::App app{"TRELVO5 - log converter for Turbo HAMLOG 5", "trelvo5"};
    app.allow_windows_style_options(false);  // "/path" is a file on every system, never an option
    app.set_version_flag("--version", std::string("trelvo5 ") + TRELVO5_VERSION);
    app.require_subcommand(1);
    app.add_option("--ini", ctx.iniOption,
                   "Settings file to read (default: TRELVO5.INI beside the program; a file that "
                   "does not exist means every default)");

    cli::RegisterSettingsCommand(app, ctx);
    cli::RegisterImportJap1Command(app, ctx);
    cli::RegisterDbCommand(app, ctx);
    cli::RegisterImportDigipanCommand(app, ctx);
    cli::RegisterImportAdifCommand(app, ctx);
    cli::RegisterExportCommand(app, ctx);
    cli::RegisterImportZlogCommand(app, ctx);

    app.footer(cli::kExitStatusHelp);

    int status = cli::kExitDone;
    try {
        app.parse(static_cast<int>(utf8Argv.size()), utf8Argv.data());
    } catch (const CLI::ParseError& e) {
        status = app.exit(e);
    } catch (const cli::ExitStatus& e) {
        status = e.status;
    } catch (const Aborted& e) {
        std::cerr << "trelvo5: stopped: " << e.what() << '\n';
        status = cli::kExitStopped;
    } catch (const Error& e) {
        std::cerr << "trelvo5: " << e.what() << '\n';
        status = cli::kExitFailed;
    } catch (const std::exception& e) {
        std::cerr << "trelvo5: unexpected failure: " << e.what() << '\n';
        status = cli::kExitFailed;
    }
    // What was printed must have reached its destination (a full disk, a closed pipe).
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::cerr << "trelvo5: cannot write the output to the standard output\n";
        if (status == cli::kExitDone) status = cli::kExitFailed;
    }
    return status;
}
