// trelvo5 import zlog: a zLog contest log (.ZLO / .ZLOX) to the CSV that Turbo HAMLOG imports.
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <system_error>

#include "cli/cli_context.h"
#include "core/errors.h"
#include "core/platform.h"
#include "hamlog/db_location.h"
#include "hamlog/hamlog_messages.h"
#include "hamlog/hdb_header.h"
#include "hamlog/hdb_library.h"
#include "hamlog/master_list.h"
#include "importers/zlog/prefectures.h"
#include "importers/zlog/zlog_import.h"
#include "settings/app_settings.h"
#include "settings/file_search.h"
#include "text/chars.h"
#include "text/datetime.h"
#include "text/io.h"
#include "text/numfmt.h"
#include "tools/contest_code_table.h"

namespace trelvo::cli {
namespace {

struct ZlogArgs {
    std::string file, output;
    bool toOtherZone = false;
    std::string qslIssue;
    CLI::Option* qslIssueOpt = nullptr;
    bool qth = false;
    int frontCut = 0, backCut = 0, leadChars = 0;
    std::string codeTable;
    std::string rcvnumTo = "remarks1", memoTo = "none", contestTo = "none";
    std::string extra, extraTo;
    CLI::Option* extraOpt = nullptr;
    std::string qraFrom;
    CLI::Option* qraFromOpt = nullptr;
    std::string modeNames;
    std::string db, widths;
    std::string freq = "band";
    bool honourNoQsl = false;
};

zlog::RemarksTarget Target(const std::string& s) {
    return s == "remarks1"   ? zlog::RemarksTarget::Remarks1
           : s == "remarks2" ? zlog::RemarksTarget::Remarks2
                             : zlog::RemarksTarget::None;
}

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path abs = std::filesystem::absolute(PathFromUtf8(path), ec);
    return ec ? path : PathToUtf8(abs.lexically_normal());
}

// --widths, --db, the usable database of the settings, or the Turbo HAMLOG 5 widths.
hamlog::HdbFieldLengths Widths(const ZlogArgs& a, const std::string& iniDb, const CliContext& ctx,
                               CliCallbacks& cb) {
    if (!a.widths.empty()) return ParseWidths(a.widths);
    hamlog::HdbFieldLengths w{};
    if (!a.db.empty()) {
        if (!hamlog::PathHasHdb(a.db))
            throw FileError(a.db, Message("cli.db-not-hdb").Arg("message", hamlog::kMsgLocationInvalid));
        std::optional<hamlog::HdbCheckError> problem;
        if (!hamlog::ReadHdbFieldLengths(a.db, w, &problem)) {
            const bool inUse = problem && problem->problem() == hamlog::HdbProblem::kInUse;
            throw FileError(a.db,
                            Message("cli.reason-detail")
                                .Arg("message", inUse ? hamlog::kMsgHamlogInUse : hamlog::kMsgCannotOpenDb)
                                .Arg("detail", problem ? Message("cli.text").Arg("text", problem->what())
                                                       : Message("zlog.header-unreadable")));
        }
        return w;
    }
    if (!iniDb.empty()) {
        hamlog::HamlogLocation loc;
        hamlog::SetHamlogDbPath(loc, iniDb);
        const hamlog::LocationStatus status = hamlog::CheckHamlogLocation(loc, ctx.programFolder);
        if (status == hamlog::LocationStatus::kValid) return loc.HdbFieldLen;
        const char* why = hamlog::LocationMessage(status);
        cb.Warning(Message("cli.settings-db-unusable")
                       .Arg("file", iniDb)
                       .Arg("reason", text::ReplaceAll(why ? why : "", "\r\n", " ")));
    }
    return hamlog::DefaultHdbFieldLengths();
}

zlog::ZlogModeNames ModeNames(const ZlogArgs& a, settings::IniStore& ini) {
    zlog::ZlogModeNames names = zlog::LoadZlogModeNames(ini);
    if (a.modeNames.empty()) return names;
    const std::vector<std::string> given = text::Split(a.modeNames, ',');
    if (given.size() != 6 && given.size() != 8)
        throw Error(Message("zlog.mode-names-count").Arg("count", given.size()));
    for (std::size_t i = 0; i < given.size(); ++i) names[i] = given[i];
    return names;
}

// The master list beside --db or the database of the settings, for --qth.
zlog::MasterIndex Master(const ZlogArgs& a, const std::string& iniDb) {
    const std::string db = !a.db.empty() ? a.db : iniDb;
    if (db.empty()) throw Error(Message("zlog.qth-needs-master").Arg("message", hamlog::kMsgLocationNotSet));
    if (!hamlog::PathHasHdb(db)) throw FileError(db, hamlog::kMsgLocationInvalid);
    const std::string mst = hamlog::MstPathFor(AbsolutePath(db));
    hamlog::MasterList list;
    try {
        list.MasterCount = hamlog::ReadMasterCodes(mst, hamlog::kMasterRecordLength, 1, list);
    } catch (const FileError&) {
        throw FileError(db, Message("zlog.qth-mst-missing")
                                .Arg("message", text::ReplaceAll(hamlog::kMsgMstMissing, "\r\n", " ")));
    }
    return zlog::MasterIndex(list);
}

void Run(const ZlogArgs& a, CliContext& ctx) {
    CliCallbacks cb;
    settings::IniStore ini = ctx.Ini();
    const settings::ShellSettings s = settings::LoadShellSettings(ini, ctx.programFolder);

    zlog::ZlogOptions o;
    o.inputPath = a.file;
    const zlog::ZloHeader header = zlog::ReadZloHeader(a.file);  // the file must open before anything else
    o.modeNames = ModeNames(a, ini);
    o.toOtherZone = a.toOtherZone;
    o.qslIssueOn = a.qslIssueOpt->count() > 0;
    o.qslIssueText = o.qslIssueOn && a.qslIssue != "true" ? a.qslIssue : s.marks.issue;
    o.honourNoQsl = a.honourNoQsl;
    o.frontCut = a.frontCut;
    o.backCut = a.backCut;
    o.leadChars = a.leadChars;
    o.rcvNumTarget = Target(a.rcvnumTo);
    o.memoTarget = Target(a.memoTo);
    o.contestNameTarget = Target(a.contestTo);
    // --extra alone goes to Remarks1, the panel's first choice.
    o.extraInfoOn = a.extraOpt->count() > 0;
    o.extraText = a.extra;
    o.extraTarget = Target(a.extraTo.empty() ? "remarks1" : a.extraTo);
    o.freq = a.freq == "exact" ? zlog::FreqSource::Exact : zlog::FreqSource::Band;
    o.widths = Widths(a, s.hamlogDbPath, ctx, cb);

    zlog::MasterIndex master;
    if (a.qth) {
        master = Master(a, s.hamlogDbPath);
        o.qthConvertOn = true;
        o.master = &master;
    }
    tools::CodeTableLoad table;
    if (!a.codeTable.empty() && !a.qth)
        cb.Warning(Message("zlog.code-table-unused").Arg("file", a.codeTable));
    if (!a.codeTable.empty() && a.qth) {
        table = tools::LoadContestCodeTable(a.codeTable);
        if (!table.table.Loaded()) throw FormatError(a.codeTable, tools::kCodeTableNoData);
        for (const std::string& line : table.errorLines)
            cb.Warning(Message("zlog.code-table-bad-line")
                           .Arg("file", a.codeTable)
                           .Arg("message", tools::kCodeTableDataErrors)
                           .Arg("value", line));
        o.codeTable = &table.table;
    }
    hamlog::HdbLibrary library;
    if (a.qraFromOpt->count() > 0) {
        const std::string db = AbsolutePath(a.qraFrom.empty() ? s.hamlogDbPath : a.qraFrom);
        if (db.empty() || (a.qraFrom.empty() && s.hamlogDbPath.empty()))
            throw Error(Message("zlog.qra-needs-db").Arg("message", hamlog::kMsgLocationNotSet));
        if (!hamlog::PathHasHdb(db)) throw FileError(db, hamlog::kMsgLocationInvalid);
        if (library.HamlogOpen(hamlog::HamlogDbBaseOf(db)) != 0) {
            if (library.LastOpenError() == hamlog::HdbOpenError::kInUse)
                throw FileError(db, std::string(zlog::kMsgCannotOpenHamlog) + " " + hamlog::kMsgHamlogInUse);
            throw Error(Message("zlog.cannot-open-hamlog")
                            .Arg("message", zlog::kMsgCannotOpenHamlog)
                            .Arg("reason", library.LastOpenErrorMessage()));
        }
        o.qraLibrary = &library;
    }

    if (a.output.empty()) {
        EnsureGeneDataFolder(s, ctx.IniPath());
        o.outputPath =
            text::FreeNumberedName(zlog::DefaultZlogOutputPath(s.geneDataFolder, text::LocalNow()));
        o.outputNameProposed = true;
    } else {
        o.outputPath = a.output;
    }
    const std::string qraDb = a.qraFromOpt->count() == 0 ? std::string()
                              : a.qraFrom.empty()        ? s.hamlogDbPath
                                                         : a.qraFrom;
    const std::string qthDb = !a.qth ? std::string() : !a.db.empty() ? a.db : s.hamlogDbPath;
    auto masterOf = [](const std::string& db) {
        return db.empty() ? std::string() : settings::ResolvePathNoCase(hamlog::MstPathFor(AbsolutePath(db)));
    };
    CheckCommandFiles(ctx, {{a.file, Tr("role.zlog-file"), false},
                            {a.codeTable, Tr("role.code-table"), false},
                            {qraDb, Tr("role.qra-db"), false},
                            {masterOf(qraDb), Tr("role.qra-master"), false},
                            {a.db, Tr("role.db-option"), false},
                            {masterOf(qthDb), Tr("role.qth-master"), false},
                            {s.hamlogDbPath, Tr("role.settings-db"), false},
                            {o.outputPath, Tr("role.output"), true}});
    const zlog::ZlogResult r = zlog::ConvertZlogLog(o, cb);
    std::cout << Tr(header.contestName.empty()
                        ? Message("zlog.time-base").Arg("zone", zlog::TimeBaseName(header.timeBase))
                        : Message("zlog.time-base-contest")
                              .Arg("zone", zlog::TimeBaseName(header.timeBase))
                              .Arg("contest", header.contestName))
              << '\n';
    library.HamlogClose();
    if (r.unmappable > 0)
        cb.Warning(Message("cli.unmappable").Arg("file", r.outputPath).Arg("count", r.unmappable));
    if (r.cancelled) ReportCancelled(r.records, r.keptPath, r.outputPath);
    if (r.shrunk)
        throw FileError(a.file, Message("zlog.shrunk").Arg("output", r.outputPath).Arg("count", r.records));
    // A file without contacts makes an empty output, but never in place of an existing one;
    // either way the run ends with the status of a log without contacts, as the other imports.
    if (r.records == 0) ReportNoContacts(a.file, cb, r.outputReplaced, r.outputPath);
    std::cout << Tr(Message("zlog.contacts").Arg("count", r.records)) << '\n'
              << zlog::CompletionMessage(r.outputPath, "\n") << '\n';
}

}  // namespace

void RegisterImportZlogCommand(CLI::App& app, CliContext& ctx) {
    auto a = std::make_shared<ZlogArgs>();
    CLI::App* cmd = ImportGroup(app)->add_subcommand("zlog", Tr("cli.help.zlog"));
    cmd->footer(ExitStatusHelp());
    const std::string io = Tr("help.group.input-output"), conv = Tr("help.group.conversion"),
                      qsl = Tr("help.group.qsl"), fields = Tr("help.group.fields"),
                      remarks = Tr("help.group.remarks");
    cmd->add_option("FILE", a->file, Tr("cli.help.zlog.file"))->required()->group(io);
    cmd->add_option("-o,--output", a->output, Tr("cli.help.zlog.output"))->group(io);
    cmd->add_flag("--to-other-zone", a->toOtherZone, Tr("cli.help.zlog.to-other-zone"))->group(conv);
    cmd->add_option("--freq", a->freq, Tr("cli.help.zlog.freq"))
        ->check(CLI::IsMember({"band", "exact"}))
        ->group(conv);
    cmd->add_option("--mode-names", a->modeNames, Tr("cli.help.zlog.mode-names"))->group(conv);
    cmd->add_flag("--qth", a->qth, Tr("cli.help.zlog.qth"))->group(conv);
    cmd->add_option("--front-cut", a->frontCut, Tr("cli.help.zlog.front-cut"))
        ->check(CLI::NonNegativeNumber)
        ->group(conv);
    cmd->add_option("--back-cut", a->backCut, Tr("cli.help.zlog.back-cut"))
        ->check(CLI::NonNegativeNumber)
        ->group(conv);
    cmd->add_option("--lead-chars", a->leadChars, Tr("cli.help.zlog.lead-chars"))
        ->check(CLI::NonNegativeNumber)
        ->group(conv);
    cmd->add_option("--code-table", a->codeTable, Tr("cli.help.zlog.code-table"))->group(conv);
    a->qraFromOpt =
        cmd->add_option("--qra-from", a->qraFrom, Tr("cli.help.zlog.qra-from"))->expected(0, 1)->group(conv);
    a->qslIssueOpt = cmd->add_flag("--qsl-issue", a->qslIssue, Tr("cli.help.adif.qsl-issue"))
                         ->option_text("[=MARK]")
                         ->group(qsl);
    cmd->add_flag("--honour-no-qsl", a->honourNoQsl, Tr("cli.help.zlog.honour-no-qsl"))->group(qsl);
    const auto targets = CLI::IsMember({"remarks1", "remarks2", "none"});
    cmd->add_option("--rcvnum-to", a->rcvnumTo, Tr("cli.help.zlog.rcvnum-to"))
        ->check(targets)
        ->group(remarks);
    cmd->add_option("--memo-to", a->memoTo, Tr("cli.help.zlog.memo-to"))->check(targets)->group(remarks);
    cmd->add_option("--contest-to", a->contestTo, Tr("cli.help.zlog.contest-to"))
        ->check(targets)
        ->group(remarks);
    a->extraOpt = cmd->add_option("--extra", a->extra, Tr("cli.help.adif.fixed-text"))->group(remarks);
    CLI::Option* extraTo = cmd->add_option("--extra-to", a->extraTo, Tr("cli.help.zlog.extra-to"))
                               ->check(CLI::IsMember({"remarks1", "remarks2"}))
                               ->group(remarks);
    extraTo->needs(a->extraOpt);
    CLI::Option* db = cmd->add_option("--db", a->db, Tr("cli.help.zlog.db"))->group(fields);
    CLI::Option* widths = cmd->add_option("--widths", a->widths, Tr("cli.help.widths"))->group(fields);
    db->excludes(widths);
    cmd->callback([a, &ctx]() { Run(*a, ctx); });
}

}  // namespace trelvo::cli
