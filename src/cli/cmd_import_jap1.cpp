// trelvo5 import jap1: a JAP1 CSV export into the CSV that Turbo HAMLOG imports.
#include <iostream>
#include <memory>

#include "cli/cli_context.h"
#include "importers/jap1/jap1_import.h"
#include "importers/jap1/remarks_table.h"

namespace trelvo::cli {

void RegisterImportJap1Command(CLI::App& app, CliContext& ctx) {
    auto args = std::make_shared<jap1::Jap1Options>();
    CLI::App* cmd = ImportGroup(app)->add_subcommand(
        "jap1", "JAP1 CSV export (*.TXT) -> HAMLOG import CSV (JAP2HL.CSV beside the program unless -o)");
    cmd->footer(kExitStatusHelp);
    cmd->add_option("FILE", args->inputPath, "The JAP1 CSV export (two header lines, then records)")
        ->required();
    cmd->add_option("-o,--output", args->outputPath,
                    "Output file (default: JAP2HL.CSV in the program's folder; replaced on every run)");
    cmd->add_option("--remconv", args->remarksTablePath,
                    "Remarks table (default: remconv.txt found beside the program, in the current folder or "
                    "on PATH; none when not found)");
    cmd->callback([args, &ctx]() {
        jap1::Jap1Options options = *args;
        options.programFolder = ctx.programFolder;
        // An installed program's folder cannot be written: the result goes beside the settings.
        if (options.outputPath.empty()) {
            const settings::SettingsLocation where = settings::LocateSettings(ctx.programFolder);
            if (where.userFolder) options.outputPath = jap1::DefaultJap1OutputPath(where.folder);
        }
        CheckCommandFiles(ctx, {{options.inputPath, "the JAP1 file", false},
                                {options.remarksTablePath.empty()
                                     ? jap1::FindRemarksConversionTable(ctx.programFolder)
                                     : options.remarksTablePath,
                                 "the remarks table", false},
                                {options.outputPath.empty() ? jap1::DefaultJap1OutputPath(ctx.programFolder)
                                                            : options.outputPath,
                                 "the output", true}});
        CliCallbacks callbacks;
        const jap1::Jap1Result result = jap1::ConvertJap1Csv(options, callbacks);
        if (result.cancelled) ReportCancelled(result.records, result.keptPath, result.outputPath);
        if (result.remarksTablePath.empty())
            std::cout << "remarks table: none (" << jap1::kRemarksTableName << " not found)\n";
        else
            std::cout << "remarks table: " << result.remarksTablePath << " (" << result.remarksPairs
                      << " pairs)\n";
        if (result.records == 0)
            ReportNoContacts(options.inputPath, callbacks, result.outputReplaced, result.outputPath);
        std::cout << jap1::CompletionMessage(result, "\n") << '\n';
    });
}

}  // namespace trelvo::cli
