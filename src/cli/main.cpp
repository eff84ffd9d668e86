// trelvo5: the command-line front end. It maps options onto the engine and reports results;
// the conversions themselves live in the engine.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_context.h"
#include "cli/cli_text.h"
#include "cli/console_output.h"
#include "core/errors.h"
#include "core/platform.h"
#include "settings/app_settings.h"
#include "settings/ini_store.h"

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
    // "/?" and "-?" ask for the help, as on Windows.
    for (std::size_t i = 1; i < args.size(); ++i)
        if (cli::IsHelpQuestion(args[i])) args[i] = "--help";
    // When the data goes to standard output, the command's own lines (summaries, the completion
    // message) go to standard error, so the data stays clean for the next program in a pipe.
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool dataToStdout = ((a == "-o" || a == "--output") && i + 1 < args.size() &&
                                   (args[i + 1] == "-" || args[i + 1] == "/dev/stdout")) ||
                                  a == "-o-" || a == "--output=-" || a == "--output=/dev/stdout";
        if (dataToStdout) {
            std::cout.flush();
            std::cout.rdbuf(std::cerr.rdbuf());
            break;
        }
    }
    std::vector<char*> utf8Argv;
    for (std::string& a : args) utf8Argv.push_back(a.data());
    cli::CliContext ctx;
    ctx.programFolder = ProgramFolder();

    // The language is needed before the help texts are made: --lang, then [TRELVO5-UI] Lang=
    // of the settings file, then the user's locale.
    std::string langOption;
    for (std::size_t i = 1; i < args.size(); ++i) {
        auto value = [&](const std::string& name, std::string& into) {
            if (args[i] == name && i + 1 < args.size())
                into = args[i + 1];
            else if (args[i].rfind(name + "=", 0) == 0)
                into = args[i].substr(name.size() + 1);
        };
        value("--lang", langOption);
        value("--ini", ctx.iniOption);
    }
    std::string langSetting;
    if (!IsLangCode(langOption)) {
        try {
            settings::IniStore ini(ctx.IniPath());
            langSetting = ini.ReadOr(settings::kUiSection, settings::kUiLangKey, "");
        } catch (const std::exception&) {
            // An unreadable settings file is reported by the command that reads it.
        }
    }
    cli::SetUiLang(ChooseLang(langOption, langSetting, UserLanguageCode()));
    ctx.iniOption.clear();  // set again by the parse

    if (args.size() == 1 && ConsoleOwnedAlone()) {
        std::cout << cli::kStartedAlone << std::flush;
        WaitForKey();
        return cli::kExitDone;
    }

    CLI::App app{cli::Tr("cli.help.program"), "trelvo5"};
    app.formatter(std::make_shared<cli::HelpFormatter>());
    app.failure_message(cli::FailureMessage);
    app.allow_windows_style_options(false);  // "/path" is a file on every system, never an option
    app.set_help_flag("-h,--help", cli::Tr("cli.help.help"));
    app.set_version_flag("--version", std::string("trelvo5 ") + TRELVO5_VERSION, cli::Tr("cli.help.version"));
    app.require_subcommand(1);
    app.fallthrough();  // --lang and --ini may come after the command too
    app.add_option("--ini", ctx.iniOption, cli::Tr("cli.help.ini"))->group(cli::Tr("help.group.common"));
    std::string langParsed;
    app.add_option("--lang", langParsed, cli::Tr("cli.help.lang"))
        ->check(CLI::IsMember({"ja", "en"}, CLI::ignore_case))
        ->group(cli::Tr("help.group.common"));

    cli::RegisterSettingsCommand(app, ctx);
    cli::RegisterImportJap1Command(app, ctx);
    cli::RegisterDbCommand(app, ctx);
    cli::RegisterImportDigipanCommand(app, ctx);
    cli::RegisterImportAdifCommand(app, ctx);
    cli::RegisterExportCommand(app, ctx);
    cli::RegisterImportZlogCommand(app, ctx);

    app.footer(cli::ExitStatusHelp());

    int status = cli::kExitDone;
    try {
        app.parse(static_cast<int>(utf8Argv.size()), utf8Argv.data());
    } catch (const CLI::ParseError& e) {
        status = app.exit(e);
    } catch (const cli::ExitStatus& e) {
        status = e.status;
    } catch (const Aborted& e) {
        std::cerr << cli::Tr(Message("cli.stopped").Arg("reason", ErrorText(e, cli::UiLang()))) << '\n';
        status = cli::kExitStopped;
    } catch (const Error& e) {
        std::cerr << cli::Tr(Message("cli.error").Arg("reason", ErrorText(e, cli::UiLang()))) << '\n';
        status = cli::kExitFailed;
    } catch (const std::exception& e) {
        std::cerr << cli::Tr(Message("cli.unexpected").Arg("reason", e.what())) << '\n';
        status = cli::kExitFailed;
    }
    // What was printed must have reached its destination (a full disk, a closed pipe).
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::cerr << cli::Tr("cli.stdout-failed") << '\n';
        if (status == cli::kExitDone) status = cli::kExitFailed;
    }
    return status;
}
