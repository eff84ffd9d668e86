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
    CLI::App* cmd = ImportGroup(app)->add_subcommand("digipan", Tr("cli.help.digipan"));
    cmd->footer(ExitStatusHelp());
    auto args = std::make_shared<DigipanArgs>();
    const std::string io = Tr("help.group.input-output"), conv = Tr("help.group.conversion");
    cmd->add_option("LOG", args->log, Tr("cli.help.digipan.log"))->group(io);
    cmd->add_option("-o,--output", args->output, Tr("cli.help.digipan.output"))->group(io);
    cmd->add_option("--freq", args->freq, Tr("cli.help.digipan.freq"))
        ->check(CLI::IsMember({"khz-mhz3", "khz-mhz"}))
        ->group(conv);
    args->issue = cmd->add_flag("--qsl-issue")->description(Tr("cli.help.digipan.qsl-issue"))->group(conv);
    args->issue->option_text("[=MARK]");
    args->sent = cmd->add_flag("--qsl-sent")->description(Tr("cli.help.digipan.qsl-sent"))->group(conv);
    args->sent->option_text("[=MARK]");
    cmd->add_flag("--jst", args->jst, Tr("cli.help.digipan.jst"))->group(conv);

    cmd->callback([&ctx, args]() {
        settings::IniStore ini = ctx.Ini();
        const settings::ShellSettings s = settings::LoadShellSettings(ini, ctx.programFolder);

        digipan::DigipanOptions o;
        o.logPath = args->log.empty() ? s.digipanLogPath : args->log;
        if (o.logPath.empty()) throw Error(Message("digipan.no-log").Arg("ini", ctx.IniPath()));
        EnsureGeneDataFolder(s, ctx.IniPath());
        o.geneDataFolder = s.geneDataFolder;
        o.outputPath = args->output;
        o.freqFormat =
            args->freq == "khz-mhz" ? digipan::FreqFormat::WholeMhz : digipan::FreqFormat::MhzThreeDecimals;
        o.qslIssue = MarkOption(args->issue, s.marks.issue, o.issueMark);
        o.qslSent = MarkOption(args->sent, s.marks.sent, o.sentMark);
        o.jstForJa = args->jst;

        const std::string output = digipan::OutputPathOf(o);
        CheckCommandFiles(ctx, {{o.logPath, Tr("role.digipan-log"), false},
                                {JoinPath(o.geneDataFolder, digipan::kTempFileName),
                                 Tr(Message("role.work-file").Arg("file", digipan::kTempFileName)), true},
                                {output, Tr("role.output"), true}});

        CliCallbacks callbacks;
        const digipan::DigipanResult r = digipan::ConvertDigipanLog(o, callbacks);
        if (r.cancelled) ReportCancelled(r.contacts, r.keptPath, r.outputPath);
        if (r.contacts == 0) ReportNoContacts(o.logPath, callbacks, r.outputReplaced, r.outputPath);
        std::cout << text::ReplaceAll(digipan::CompletionMessage(r), "\r\n", "\n") << '\n';
    });
}

}  // namespace trelvo::cli
