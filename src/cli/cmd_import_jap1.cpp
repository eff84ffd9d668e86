// trelvo5 import jap1: a JAP1 CSV export into the CSV that Turbo HAMLOG imports.
#include <iostream>
#include <memory>

#include "cli/cli_context.h"
#include "importers/jap1/jap1_import.h"
#include "importers/jap1/remarks_table.h"

namespace trelvo::cli {

void RegisterImportJap1Command(CLI::App& app, CliContext& ctx) {
    auto args = std::make_shared<jap1::Jap1Options>();
    CLI::App* cmd = ImportGroup(app)->add_subcommand("jap1", Tr("cli.help.jap1"));
    cmd->footer(ExitStatusHelp());
    const std::string io = Tr("help.group.input-output");
    cmd->add_option("FILE", args->inputPath, Tr("cli.help.jap1.file"))->required()->group(io);
    cmd->add_option("-o,--output", args->outputPath, Tr("cli.help.jap1.output"))->group(io);
    cmd->add_option("--remconv", args->remarksTablePath, Tr("cli.help.jap1.remconv"))->group(io);
    cmd->callback([args, &ctx]() {
        jap1::Jap1Options options = *args;
        options.programFolder = ctx.programFolder;
        // An installed program's folder cannot be written: the result goes beside the settings.
        if (options.outputPath.empty()) {
            const settings::SettingsLocation where = settings::LocateSettings(ctx.programFolder);
            if (where.userFolder) options.outputPath = jap1::DefaultJap1OutputPath(where.folder);
        }
        CheckCommandFiles(
            ctx, {{options.inputPath, Tr("role.jap1-file"), false},
                  {options.remarksTablePath.empty() ? jap1::FindRemarksConversionTable(ctx.programFolder)
                                                    : options.remarksTablePath,
                   Tr("role.remarks-table"), false},
                  {options.outputPath.empty() ? jap1::DefaultJap1OutputPath(ctx.programFolder)
                                              : options.outputPath,
                   Tr("role.output"), true}});
        CliCallbacks callbacks;
        const jap1::Jap1Result result = jap1::ConvertJap1Csv(options, callbacks);
        if (result.cancelled) ReportCancelled(result.records, result.keptPath, result.outputPath);
        if (result.remarksTablePath.empty())
            std::cout << Tr(Message("jap1.remarks-none").Arg("file", jap1::kRemarksTableName)) << '\n';
        else
            std::cout << Tr(Message("jap1.remarks-used")
                                .Arg("file", result.remarksTablePath)
                                .Arg("count", result.remarksPairs))
                      << '\n';
        if (result.records == 0)
            ReportNoContacts(options.inputPath, callbacks, result.outputReplaced, result.outputPath);
        std::cout << jap1::CompletionMessage(result, "\n") << '\n';
    });
}

}  // namespace trelvo::cli
