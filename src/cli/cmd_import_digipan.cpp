// trelvo5 import digipan: a DigiPan log to the CSV that Turbo HAMLOG imports.
#include <filesystem>
#include <iostream>
#include <memory>
#include <system_error>

#include "cli/cli_context.h"
#include "core/errors.h"
#include "core/platform.h"
#include "importers/digipan/digipan_import.h"
#include "settings/app_settings.h"
#include "text/chars.h"

namespace trelvo::cli {
namespace {

struct DigipanArgs {
    std::string log;
    std::string output;
    std::string freq = "khz-mhz3";
    bool jst = false;
    CLI::Option* issue = nullptr;
    CLI::Option* sent = nullptr;
};

// A mark option: not given -> unticked; given bare -> ticked with the mark of the settings
// file; given as --opt=MARK -> ticked with MARK.
bool MarkOption(const CLI::Option* opt, const std::string& fromSettings, std::string& mark) {
    if (opt->count() == 0) {
        mark = fromSettings;
        return false;
    }
    const std::string& given = opt->results().back();
    mark = given == "true" ? fromSettings : given;  // CLI11 reports a bare flag as "true"
    return true;
}

}  // namespace

void RegisterImportDigipanCommand(CLI::App& app, CliContext& ctx) {
    CLI::App* cmd = ImportGroup(app)->add_subcommand(
        "digipan", "Convert a DigiPan log (Digipan.LOG) into the CSV that Turbo HAMLOG imports");
    cmd->footer(kExitStatusHelp);
    auto args = std::make_shared<DigipanArgs>();
    cmd->add_option("LOG", args->log,
                    "The DigiPan log (default: the log remembered in the settings file, DIGIPAN-FN)");
    cmd->add_option(
        "-o,--output", args->output,
        "CSV file to write (default: TRELVO.CSV in the generated-data folder; replaced when it exists)");
    cmd->add_option("--freq", args->freq,
                    "Frequency format: khz-mhz3 = 14070 (KHz) -> 14.070(MHz) (default), "
                    "khz-mhz = 14070 (KHz) -> 14(MHz)")
        ->check(CLI::IsMember({"khz-mhz3", "khz-mhz"}));
    args->issue = cmd->add_flag("--qsl-issue")
                      ->description(
                          "[=MARK] Put the QSL issue-class mark (QSL発行区分) in the QSL field: "
                          "MARK, or the settings file's Jmark (default J)");
    args->sent = cmd->add_flag("--qsl-sent")
                     ->description(
                         "[=MARK] Put the QSL-sent mark (QSL発行済ﾏｰｸ) in the QSL field: "
                         "MARK, or the settings file's SentMark (default *)");
    cmd->add_flag("--jst", args->jst, "Move the date and time of JA stations from UTC to JST");

    cmd->callback([&ctx, args]() {
        settings::IniStore ini = ctx.Ini();
        const settings::ShellSettings s = settings::LoadShellSettings(ini, ctx.programFolder);

        digipan::DigipanOptions o;
        o.logPath = args->log.empty() ? s.digipanLogPath : args->log;
        if (o.logPath.empty())
            throw Error(
                "DIGIPAN/ADIF の LOGファイルが指定されていません。 (no DigiPan log given, and none "
                "remembered in " +
                ctx.IniPath() + ")");
        EnsureGeneDataFolder(s, ctx.IniPath());
        o.geneDataFolder = s.geneDataFolder;
        o.outputPath = args->output;
        o.freqFormat =
            args->freq == "khz-mhz" ? digipan::FreqFormat::WholeMhz : digipan::FreqFormat::MhzThreeDecimals;
        o.qslIssue = MarkOption(args->issue, s.marks.issue, o.issueMark);
        o.qslSent = MarkOption(args->sent, s.marks.sent, o.sentMark);
        o.jstForJa = args->jst;

        const std::string output =
            o.outputPath.empty() ? JoinPath(o.geneDataFolder, digipan::kOutputFileName) : o.outputPath;
        CheckCommandFiles(ctx, {{o.logPath, "the DigiPan log", false},
                                {JoinPath(o.geneDataFolder, digipan::kTempFileName),
                                 std::string("the work file \"") + digipan::kTempFileName + "\"", true},
                                {output, "the output", true}});

        CliCallbacks callbacks;
        const digipan::DigipanResult r = digipan::ConvertDigipanLog(o, callbacks);
        if (r.cancelled) ReportCancelled(r.contacts, r.keptPath, r.outputPath);
        if (r.contacts == 0) ReportNoContacts(o.logPath, callbacks, r.outputReplaced, r.outputPath);
        std::cout << text::ReplaceAll(digipan::CompletionMessage(r), "\r\n", "\n") << '\n';
    });
}

}  // namespace trelvo::cli
