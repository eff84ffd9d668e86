// trelvo5 settings: what the program will use, read from the settings file.
#include <iostream>

#include "cli/cli_context.h"
#include "core/platform.h"
#include "csvout/dxcc_tables.h"
#include "settings/app_settings.h"

namespace trelvo::cli {

void RegisterSettingsCommand(CLI::App& app, CliContext& ctx) {
    CLI::App* cmd = app.add_subcommand("settings", Tr("cli.help.settings"));
    cmd->footer(ExitStatusHelp());
    cmd->callback([&ctx]() {
        settings::IniStore ini = ctx.Ini();
        settings::ShellSettings s = settings::LoadShellSettings(ini, ctx.programFolder);
        auto show = [](const char* what, const std::string& v) {
            std::cout << Tr(std::string("settings.") + what) << '\t' << v << '\n';
        };
        show("settings-file",
             ctx.IniPath() + (FileExists(ctx.IniPath()) ? "" : " " + Tr("settings.not-found-defaults")));
        show("gene-data-folder", s.geneDataFolder);
        show("editor", s.editorPath);
        show("digipan-log", s.digipanLogPath);
        show("hamlog-db", s.hamlogDbPath);
        show("qsl-issue", s.marks.issue);
        show("qsl-sent", s.marks.sent);
        show("qsl-rcvd", s.marks.rcvd);
        show("adif-sent", s.marks.adifSent);
        show("adif-rcvd", s.marks.adifRcvd);
        std::string modes;
        for (int i = 0; i < s.modeCount; ++i)
            if (!s.modeNames[static_cast<std::size_t>(i)].empty())
                modes += (modes.empty() ? "" : ",") + s.modeNames[static_cast<std::size_t>(i)];
        show("modes", modes);
        show("save-folder", s.adifLogFolder);
        csvout::DxccTables t = csvout::DxccTables::Find(ctx.programFolder);
        auto table = [&](const char* what, const csvout::DxccTable& d) {
            show(what,
                 d.Path().empty()
                     ? Tr("settings.table-not-found")
                     : Tr(Message("settings.table-entries").Arg("file", d.Path()).Arg("count", d.Size())));
        };
        table("dxcc-adif-hamlog", t.adifToHamlog);
        table("dxcc-hamlog-adif", t.hamlogToAdif);
    });
}

}  // namespace trelvo::cli
