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
            throw FileError(a.db, std::string(hamlog::kMsgLocationInvalid) + " (the name does not end in .HDB)");
        std::optional<hamlog::HdbCheckError> problem;
        if (!hamlog::ReadHdbFieldLengths(a.db, w, &problem)) {
            const bool inUse = problem && problem->problem() == hamlog::HdbProblem::kInUse;
            throw FileError(a.db, std::string(inUse ? hamlog::kMsgHamlogInUse : hamlog::kMsgCannotOpenDb) +
                                      " (" + (problem ? problem->what() : "the header cannot be read") + ")");
        }
        return w;
    }
    if (!iniDb.empty()) {
        hamlog::HamlogLocation loc;
        hamlog::SetHamlogDbPath(loc, iniDb);
        const hamlog::LocationStatus status = hamlog::CheckHamlogLocation(loc, ctx.programFolder);
        if (status == hamlog::LocationStatus::kValid) return loc.HdbFieldLen;
        const char* why = hamlog::LocationMessage(status);
        cb.Warning("the Turbo HAMLOG database of the settings (" + iniDb + ") is not usable (" +
                   text::ReplaceAll(why ? why : "", "\r\n", " ") +
                   "): the default Turbo HAMLOG 5 field widths are used");
    }
    return hamlog::DefaultHdbFieldLengths();
}

zlog::ZlogModeNames ModeNames(const ZlogArgs& a, settings::IniStore& ini) {
    zlog::ZlogModeNames names = zlog::LoadZlogModeNames(ini);
    if (a.modeNames.empty()) return names;
    const std::vector<std::string> given = text::Split(a.modeNames, ',');
    if (given.size() != 6 && given.size() != 8)
        throw Error(
            "--mode-names: give six names CW,SSB,FM,AM,RTTY,Other or eight with FT4,FT8 at the end, not " +
            std::to_string(given.size()));
    for (std::size_t i = 0; i < given.size(); ++i) names[i] = given[i];
    return names;
}

// The master list beside --db or the database of the settings, for --qth.
zlog::MasterIndex Master(const ZlogArgs& a, const std::string& iniDb) {
    const std::string db = !a.db.empty() ? a.db : iniDb;
    if (db.empty())
        throw Error(
            "--qth needs the master file (*.mst) of a Turbo HAMLOG database: give --db HDB or set the "
            "database "
            "in the settings (" +
            std::string(hamlog::kMsgLocationNotSet) + ")");
    if (!hamlog::PathHasHdb(db)) throw FileError(db, hamlog::kMsgLocationInvalid);
    const std::string mst = hamlog::MstPathFor(AbsolutePath(db));
    hamlog::MasterList list;
    try {
        list.MasterCount = hamlog::ReadMasterCodes(mst, hamlog::kMasterRecordLength, 1, list);
    } catch (const FileError&) {
        throw FileError(db, text::ReplaceAll(hamlog::kMsgMstMissing, "\r\n", " ") +
                                " (--qth reads the area codes there)");
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
        cb.Warning(a.codeTable + ": the code table is read only with --qth; it is not used");
    if (!a.codeTable.empty() && a.qth) {
        table = tools::LoadContestCodeTable(a.codeTable);
        if (!table.table.Loaded()) throw FormatError(a.codeTable, tools::kCodeTableNoData);
        for (const std::string& line : table.errorLines)
            cb.Warning(a.codeTable + ": " + tools::kCodeTableDataErrors + ": \"" + line +
                       "\" is not KEY,VALUE,DESCRIPTION");
        o.codeTable = &table.table;
    }
    hamlog::HdbLibrary library;
    if (a.qraFromOpt->count() > 0) {
        const std::string db = AbsolutePath(a.qraFrom.empty() ? s.hamlogDbPath : a.qraFrom);
        if (db.empty() || (a.qraFrom.empty() && s.hamlogDbPath.empty()))
            throw Error("--qra-from without a database needs the database set in the settings (" +
                        std::string(hamlog::kMsgLocationNotSet) + ")");
        if (!hamlog::PathHasHdb(db)) throw FileError(db, hamlog::kMsgLocationInvalid);
        if (library.HamlogOpen(hamlog::HamlogDbBaseOf(db)) != 0) {
            if (library.LastOpenError() == hamlog::HdbOpenError::kInUse)
                throw FileError(db, std::string(zlog::kMsgCannotOpenHamlog) + " " + hamlog::kMsgHamlogInUse);
            throw Error(std::string(zlog::kMsgCannotOpenHamlog) + " " + library.LastOpenErrorText());
        }
        o.qraLibrary = &library;
    }

    if (a.output.empty()) {
        EnsureGeneDataFolder(s, ctx.IniPath());
        o.outputPath = zlog::FreeOutputPath(zlog::DefaultZlogOutputPath(s.geneDataFolder, text::LocalNow()));
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
    CheckCommandFiles(ctx, {{a.file, "the zLog file", false},
                            {a.codeTable, "the code table", false},
                            {qraDb, "the database of --qra-from", false},
                            {masterOf(qraDb), "the master file of --qra-from", false},
                            {a.db, "the database of --db", false},
                            {masterOf(qthDb), "the master file read for --qth", false},
                            {s.hamlogDbPath, "the database of the settings", false},
                            {o.outputPath, "the output", true}});
    const zlog::ZlogResult r = zlog::ConvertZlogLog(o, cb);
    std::cout << "time base: " << zlog::TimeBaseName(header.timeBase)
              << (header.contestName.empty() ? std::string() : ", contest: " + header.contestName) << '\n';
    library.HamlogClose();
    if (r.unmappable > 0)
        cb.Warning(r.outputPath + ": " + std::to_string(r.unmappable) +
                   " characters that Shift-JIS cannot hold were written as '?'");
    if (r.cancelled) ReportCancelled(r.records, r.keptPath, r.outputPath);
    if (r.shrunk)
        throw FileError(a.file, "the file became shorter while it was read; " + r.outputPath + " holds only the " +
                                    std::to_string(r.records) + " contacts read");
    // A file without contacts makes an empty output, but never in place of an existing one;
    // either way the run ends with the status of a log without contacts, as the other imports.
    if (r.records == 0) ReportNoContacts(a.file, cb, r.outputReplaced, r.outputPath);
    std::cout << r.records << " contacts\n" << zlog::CompletionMessage(r.outputPath, "\n") << '\n';
}

}  // namespace

void RegisterImportZlogCommand(CLI::App& app, CliContext& ctx) {
    auto a = std::make_shared<ZlogArgs>();
    CLI::App* cmd = ImportGroup(app)->add_subcommand(
        "zlog", "Convert a zLog contest log (*.ZLO, *.ZLOX) into the CSV that Turbo HAMLOG imports");
    cmd->footer(kExitStatusHelp);
    cmd->add_option("FILE", a->file, "The zLog file (.ZLO or .ZLOX, told apart by its contents)")->required();
    cmd->add_option("-o,--output", a->output,
                    "The CSV file to write (default: ZLOG2HL_yyyymmdd_hhmm in the generated-data folder)");
    cmd->add_flag("--to-other-zone", a->toOtherZone,
                  "JST file: move DX stations to UTC; UTC file: move JA stations to JST");
    a->qslIssueOpt = cmd->add_flag("--qsl-issue", a->qslIssue,
                                   "Put the QSL issue mark (=MARK, or the settings' Jmark, default J)")
                         ->option_text("[=MARK]");
    cmd->add_flag("--qth", a->qth,
                  "Turn the received contest number into Code and QTH (area codes from the master file of "
                  "--db or of the settings' database, prefecture numbers from the prefecture table)");
    cmd->add_option("--front-cut", a->frontCut, "Characters removed at the start of the contest number")
        ->check(CLI::NonNegativeNumber);
    cmd->add_option("--back-cut", a->backCut, "Characters removed at the end of the contest number")
        ->check(CLI::NonNegativeNumber);
    cmd->add_option("--lead-chars", a->leadChars,
                    "Only the first N characters (after the cuts) name the place; 0 = all")
        ->check(CLI::NonNegativeNumber);
    cmd->add_option("--code-table", a->codeTable,
                    "With --qth: contest-number code table (*.TBL: KEY,CODE,DESCRIPTION lines)");
    const auto targets = CLI::IsMember({"remarks1", "remarks2", "none"});
    cmd->add_option("--rcvnum-to", a->rcvnumTo, "Where the received number goes (default remarks1)")
        ->check(targets);
    cmd->add_option("--memo-to", a->memoTo, "Where the zLog memo goes (default none)")->check(targets);
    cmd->add_option("--contest-to", a->contestTo, "Where the contest name goes (default none)")
        ->check(targets);
    a->extraOpt = cmd->add_option("--extra", a->extra, "A fixed text appended to the remarks");
    CLI::Option* extraTo = cmd->add_option("--extra-to", a->extraTo,
                                           "Where the --extra text goes: remarks1 (default) or remarks2")
                               ->check(CLI::IsMember({"remarks1", "remarks2"}));
    extraTo->needs(a->extraOpt);
    a->qraFromOpt = cmd->add_option("--qra-from", a->qraFrom,
                                    "Look up operator names in this Turbo HAMLOG database (*.HDB; without a "
                                    "value, the settings' database)")
                        ->expected(0, 1);
    cmd->add_option("--mode-names", a->modeNames,
                    "CW,SSB,FM,AM,RTTY,Other[,FT4,FT8]: the names written for the mode codes (default: "
                    "the settings' [ZLOGcfg] names)");
    CLI::Option* db = cmd->add_option(
        "--db", a->db, "Take the field widths (and, for --qth, the master file) from this database");
    CLI::Option* widths = cmd->add_option("--widths", a->widths, "The seventeen field widths W0,W1,...,W16");
    db->excludes(widths);
    cmd->add_option("--freq", a->freq,
                    "band (default: the band, 7 or 1.9) or exact (the logged frequency of a .ZLOX in MHz, "
                    "7025.0 kHz -> 7.025)")
        ->check(CLI::IsMember({"band", "exact"}));
    cmd->add_flag("--honour-no-qsl", a->honourNoQsl,
                  "Contacts a .ZLOX marks \"no QSL\" get a blank QSL issue mark");
    cmd->callback([a, &ctx]() { Run(*a, ctx); });
}

}  // namespace trelvo::cli
