// trelvo5: the command-line front end. It maps options onto the engine and reports results;
// the conversions themselves live in the engine.
#include <iostream>

#include "core/errors.h"
#include "core/platform.h"
#include "cli/cli_context.h"

int main(int argc, char** argv) {
    using namespace trelvo;
    cli::CliContext ctx;
    ctx.programFolder = ProgramFolder();

    CLI::App app{"TRELVO5 - log converter for Turbo HAMLOG 5", "trelvo5"};
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

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    } catch (const Aborted& e) {
        std::cerr << "trelvo5: stopped: " << e.what() << '\n';
        return 3;
    } catch (const Error& e) {
        std::cerr << "trelvo5: " << e.what() << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "trelvo5: unexpected failure: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
