// trelvo5 export: a Turbo HAMLOG database to ADIF, CSV, CSV for V5 or the old backup text.
#include <filesystem>
#include <iostream>
#include <limits>
#include <memory>

#include "cli/cli_context.h"
#include "core/errors.h"
#include "core/platform.h"
#include "csvout/dxcc_tables.h"
#include "export/hamlog_export.h"
#include "hamlog/db_location.h"
#include "hamlog/hamlog_messages.h"
#include "hamlog/hdb_library.h"
#include "settings/app_settings.h"
#include "settings/file_search.h"
#include "text/chars.h"
#include "text/datetime.h"
#include "text/io.h"

namespace trelvo::cli {
namespace {

struct ExportArgs {
    std::string db, output;
    std::string fromDate, toDate, fromRecord, toRecord;
    bool khz = false, noCode = false, noTownCode = false, standard = false;
    std::string mode = exports::kAllModes;
    std::string encoding = "cp932";
    std::string timestamp;
    bool allowTruncated = false;
    CLI::Option* fromRecordOpt = nullptr;
    CLI::Option* toRecordOpt = nullptr;
    CLI::Option* fromDateOpt = nullptr;
};

std::string Absolute(const std::string& path) {
    std::error_code ec;
    std::filesystem::path abs = std::filesystem::absolute(PathFromUtf8(path), ec);
    return ec ? path : PathToUtf8(abs.lexically_normal());
}

// The database named on the command line, or the one of the settings, after the location
// check: ".HDB" in the path, the master file beside it, a header that can be read. Every
// refusal keeps the message users know and adds the real reason.
std::string CheckedDatabase(const ExportArgs& a, const CliContext& ctx) {
    std::string path = a.db;
    const std::string noLocation = exports::kMsgNoDatabaseLocation;
    if (path.empty()) {
        settings::IniStore ini = ctx.Ini();
        path = settings::LoadShellSettings(ini, ctx.programFolder).hamlogDbPath;
        if (path.empty())
            throw Error(Message("export.no-db-given").Arg("message", noLocation).Arg("ini", ini.Path()));
    }
    if (!hamlog::PathHasHdb(path))
        throw FileError(path, Message("cli.db-not-hdb").Arg("message", noLocation));
    if (settings::ResolvePathNoCase(Absolute(path)).empty())
        throw FileError(path, Message("export.db-no-such-file").Arg("message", noLocation));
    hamlog::HamlogLocation loc;
    hamlog::SetHamlogDbPath(loc, Absolute(path));
    const hamlog::LocationStatus status = hamlog::CheckHamlogLocation(loc, ctx.programFolder);
    if (status == hamlog::LocationStatus::kValid) return Absolute(path);
    const char* known = hamlog::LocationMessage(status);
    std::string why = known ? text::ReplaceAll(known, "\r\n", " ") : std::string(hamlog::kMsgCannotOpenDb);
    if (!loc.HeaderProblem.empty())
        throw FileError(
            path, Message("cli.reason-detail").Arg("message", why).Arg("detail", loc.HeaderProblemMessage));
    throw FileError(path, why);
}

// Without -o: the name the window's save dialog proposes, with the kind's extension, in the
// folder of the last export (the generated-data folder the first time).
std::string ProposedOutput(exports::ExportKind kind, const CliContext& ctx) {
    settings::IniStore ini = ctx.Ini();
    const settings::ShellSettings s = settings::LoadShellSettings(ini, ctx.programFolder);
    const std::string folder = ini.ReadOr(exports::kIniSaveSection, exports::kIniSaveKey, "");
    const exports::ExportSaveDialog look = exports::SaveDialogFor(kind, text::LocalNow());
    const std::size_t star = look.filter.rfind("*.");
    const std::string ext = star == std::string::npos ? std::string() : look.filter.substr(star + 1);
    std::string dir = folder;
    if (dir.empty()) {
        EnsureGeneDataFolder(s, ctx.IniPath());
        dir = s.geneDataFolder;
    }
    // No dialog asks before a proposed name replaces a file (two runs in one minute, or the
    // backup's fixed name): the first free "NAME_2.EXT", "NAME_3.EXT", ... is taken instead.
    return text::FreeNumberedName(JoinPath(dir, look.proposedName + ext));
}

void Run(exports::ExportKind kind, const ExportArgs& a, const CliContext& ctx) {
    exports::ExportOptions o;
    o.kind = kind;
    o.dbPath = CheckedDatabase(a, ctx);
    o.outputPath = a.output.empty() ? ProposedOutput(kind, ctx) : a.output;
    o.outputNameProposed = a.output.empty();
    o.programFolder = ctx.programFolder;
    o.createdTimestamp = a.timestamp;
    o.writer.ExportKhz = a.khz;
    o.writer.ExportCodeOff = a.noCode;
    o.writer.ExportTownCodeOff = a.noTownCode;
    o.writer.standard = a.standard;
    o.writer.SelectedMode = a.mode;
    o.writer.encoding =
        a.encoding == "utf-8" ? exports::OutputEncoding::kUtf8 : exports::OutputEncoding::kCp932;
    if (a.fromDateOpt->count() > 0) {
        o.range = exports::RangeMode::kDates;
        o.dateFrom = a.fromDate;
        o.dateTo = a.toDate;
        if (auto why = exports::ValidateExportRange(a.fromDate, a.toDate)) throw Error(*why);
    } else if (a.fromRecordOpt->count() > 0 || a.toRecordOpt->count() > 0) {
        o.range = exports::RangeMode::kRecords;
        o.recordFrom = a.fromRecord;
        // A bound left out is the first or the last record (the pass stops at the last one).
        o.recordTo =
            a.toRecordOpt->count() > 0 ? a.toRecord : std::to_string(std::numeric_limits<int>::max());
    }
    if (!a.timestamp.empty()) {
        const std::string& t = a.timestamp;
        bool ok = t.size() == 15 && t[8] == ' ';
        for (std::size_t i = 0; ok && i < t.size(); ++i) ok = i == 8 || (t[i] >= '0' && t[i] <= '9');
        if (!ok) throw Error(Message("export.bad-timestamp").Arg("value", t));
    }

    CheckCommandFiles(
        ctx, {{o.dbPath, Tr("role.database"), false},
              {settings::ResolvePathNoCase(hamlog::MstPathFor(o.dbPath)), Tr("role.master-file"), false},
              {kind == exports::ExportKind::kAdif
                   ? csvout::DxccTable::Locate(csvout::kHamlogToAdifTableFile, ctx.programFolder)
                   : std::string(),
               Tr("role.dxcc-table"), false},
              {o.outputPath, Tr("role.output"), true}});
    hamlog::HdbLibrary lib;
    CliCallbacks callbacks;
    const exports::ExportResult r = exports::ExportHamlogData(lib, o, callbacks);
    if (!r.failure.empty()) throw Error(r.failure);
    if (r.cancelled) ReportCancelled(r.converted, r.keptPath, o.outputPath);
    std::cout << exports::CompletionMessage(r, "\n") << '\n';
    if (!r.countMismatch.empty() && !a.allowTruncated) {
        std::cerr << Tr(Message("cli.error")
                            .Arg("reason", Message("export.count-mismatch").Arg("detail", r.countMismatch)))
                  << '\n';
        throw ExitStatus{kExitFailed};
    }
}

}  // namespace

void RegisterExportCommand(CLI::App& app, CliContext& ctx) {
    CLI::App* group = app.add_subcommand("export", Tr("cli.help.export"));
    group->require_subcommand(1);
    group->footer(ExitStatusHelp());
    const struct {
        exports::ExportKind kind;
        const char* help;
    } kinds[] = {
        {exports::ExportKind::kAdif, "cli.help.export.adif"},
        {exports::ExportKind::kCsv, "cli.help.export.csv"},
        {exports::ExportKind::kCsv5, "cli.help.export.csv5"},
        {exports::ExportKind::kBackup, "cli.help.export.backup"},
        {exports::ExportKind::kAdx, "cli.help.export.adx"},
    };
    const std::string io = Tr("help.group.input-output"), range = Tr("help.group.range"),
                      format = Tr("help.group.format");
    for (const auto& k : kinds) {
        auto args = std::make_shared<ExportArgs>();  // owned by the callback below
        ExportArgs& a = *args;
        CLI::App* cmd = group->add_subcommand(exports::KindName(k.kind), Tr(k.help));
        cmd->footer(ExitStatusHelp());
        cmd->add_option("HDB", a.db, Tr("cli.help.export.hdb"))->group(io);
        cmd->add_option("-o,--output", a.output, Tr("cli.help.export.output"))->group(io);
        a.fromDateOpt =
            cmd->add_option("--from-date", a.fromDate, Tr("cli.help.export.from-date"))->group(range);
        CLI::Option* to = cmd->add_option("--to-date", a.toDate, Tr("cli.help.export.to-date"))->group(range);
        a.fromDateOpt->needs(to);
        to->needs(a.fromDateOpt);
        a.fromRecordOpt =
            cmd->add_option("--from-record", a.fromRecord, Tr("cli.help.export.from-record"))->group(range);
        a.toRecordOpt =
            cmd->add_option("--to-record", a.toRecord, Tr("cli.help.export.to-record"))->group(range);
        a.fromDateOpt->excludes(a.fromRecordOpt)->excludes(a.toRecordOpt);
        to->excludes(a.fromRecordOpt)->excludes(a.toRecordOpt);
        // Each kind lists only the options it reads.
        if (k.kind == exports::ExportKind::kAdif || k.kind == exports::ExportKind::kAdx) {
            cmd->add_flag("--khz", a.khz, Tr("cli.help.export.khz"))->group(format);
            CLI::Option* noCode =
                cmd->add_flag("--no-code", a.noCode, Tr("cli.help.export.no-code"))->group(format);
            CLI::Option* noTown =
                cmd->add_flag("--no-town-code", a.noTownCode, Tr("cli.help.export.no-town-code"))
                    ->group(format);
            noCode->excludes(noTown);
            cmd->add_flag("--standard", a.standard, Tr("cli.help.export.standard"))->group(format);
            cmd->add_option("--timestamp", a.timestamp, Tr("cli.help.export.timestamp"))->group(format);
        }
        if (k.kind == exports::ExportKind::kBackup)
            cmd->add_option("--mode", a.mode, Tr("cli.help.export.mode"))->group(range);
        cmd->add_option("--encoding", a.encoding,
                        Tr(k.kind == exports::ExportKind::kAdif  ? "cli.help.export.encoding-adif"
                           : k.kind == exports::ExportKind::kAdx ? "cli.help.export.encoding-adx"
                                                                 : "cli.help.export.encoding"))
            ->check(CLI::IsMember({"cp932", "utf-8"}))
            ->group(format);
        cmd->add_flag("--allow-truncated", a.allowTruncated, Tr("cli.help.export.allow-truncated"))
            ->group(io);
        const exports::ExportKind kind = k.kind;
        cmd->callback([args, kind, &ctx]() { Run(kind, *args, ctx); });
    }
}

}  // namespace trelvo::cli
