// trelvo5 settings: what the program will use, read from the settings file.
#include <iostream>

#include "core/platform.h"
#include "cli/cli_context.h"
#include "csvout/dxcc_tables.h"
#include "settings/app_settings.h"

namespace trelvo::cli {

void RegisterSettingsCommand(CLI::App& app, CliContext& ctx) {
    CLI::App* cmd = app.add_subcommand("settings", "Show the settings the program will use (read-only)");
    cmd->callback([&ctx]() {
        settings::IniStore ini = ctx.Ini();
        settings::ShellSettings s = settings::LoadShellSettings(ini, ctx.programFolder);
        auto show = [](const char* what, const std::string& v) {
            std::cout << what << '\t' << v << '\n';
        };
        show("settings file", ctx.IniPath() + (FileExists(ctx.IniPath()) ? "" : " (not found: defaults)"));
        show("generated-data folder", s.geneDataFolder);
        show("text editor", s.editorPath);
        show("DigiPan log", s.digipanLogPath);
        show("HAMLOG database", s.hamlogDbPath);
        show("QSL issue mark", s.marks.issue);
        show("QSL sent mark", s.marks.sent);
        show("QSL received mark", s.marks.rcvd);
        show("ADIF sent character", s.marks.adifSent);
        show("ADIF received character", s.marks.adifRcvd);
        std::string modes;
        for (int i = 0; i < s.modeCount; ++i)
            if (!s.modeNames[static_cast<std::size_t>(i)].empty())
                modes += (modes.empty() ? "" : ",") + s.modeNames[static_cast<std::size_t>(i)];
        show("modes", modes);
        show("save folder", s.adifLogFolder);
        csvout::DxccTables t = csvout::DxccTables::Find(ctx.programFolder);
        auto table = [&](const char* what, const csvout::DxccTable& d) {
            show(what, d.Path().empty() ? std::string("(not found)")
                                        : d.Path() + " (" + std::to_string(d.Size()) + " entries)");
        };
        table("DXCC table ADIF->HAMLOG", t.adifToHamlog);
        table("DXCC table HAMLOG->ADIF", t.hamlogToAdif);
    });
}

}  // namespace trelvo::cli
