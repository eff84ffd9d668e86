// trelvo5 db: look into a Turbo HAMLOG database (info, dump, modes) and create one from the
// HAMLOG import CSV.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/cli_context.h"
#include "core/errors.h"
#include "core/file_checks.h"
#include "core/platform.h"
#include "hamlog/db_location.h"
#include "hamlog/hamlog_messages.h"
#include "hamlog/hdb_library.h"
#include "hamlog/hdb_writer.h"
#include "hamlog/master_list.h"
#include "hamlog/mode_table.h"
#include "settings/app_settings.h"
#include "settings/file_search.h"
#include "text/chars.h"
#include "text/io.h"

namespace trelvo::cli {
namespace {

using namespace trelvo::hamlog;

// The database path made absolute, so that the master file is looked for beside it and not
// along the search path.
std::string AbsoluteDbPath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path abs = std::filesystem::absolute(PathFromUtf8(path), ec);
    return ec ? path : PathToUtf8(abs.lexically_normal());
}

// Opens the database or throws an error that names it and says why; warns when its header's
// record count does not fit the file.
void OpenOrThrow(HdbLibrary& lib, const std::string& dbPath) {
    if (!PathHasHdb(dbPath)) throw FileError(dbPath, kMsgLocationInvalid);
    if (lib.HamlogOpen(HamlogDbBaseOf(dbPath)) == 0) {
        if (!lib.CountWarning().empty()) std::cerr << "trelvo5: warning: " << lib.CountWarning() << '\n';
        return;
    }
    if (lib.LastOpenError() == HdbOpenError::kInUse) throw FileError(dbPath, kMsgHamlogInUse);
    throw Error(lib.LastOpenErrorText());
}

// A field as the dump prints it: trailing spaces and NULs removed, tabs and line ends as
// spaces so that the columns hold.
void AppendCleaned(std::string& line, const std::string& field) {
    std::size_t end = field.size();
    // Fields arrive padded to their buffer widths (up to 254 bytes): skip spaces 8 at a time.
    static constexpr char kEightSpaces[] = "        ";
    while (end >= 8 && std::memcmp(field.data() + end - 8, kEightSpaces, 8) == 0) end -= 8;
    while (end > 0 && (field[end - 1] == ' ' || field[end - 1] == '\0')) --end;
    const std::size_t from = line.size();
    line.append(field, 0, end);
    for (std::size_t i = from; i < line.size(); ++i)
        if (line[i] == '\t' || line[i] == '\r' || line[i] == '\n') line[i] = ' ';
}

std::optional<text::DateTime> ParseDateOption(const std::string& s) {
    if (s.empty()) return std::nullopt;
    auto d = text::ParseYmdDateTime(s);
    if (!d || s.size() < 8) throw Error("--date needs a date as YYYY-MM-DD, not \"" + s + "\"");
    // The header keeps the year as one byte counted from 1900.
    if (d->year < kDbfFirstYear || d->year > kDbfLastYear)
        throw Error("--date: a database header holds the years " + std::to_string(kDbfFirstYear) + " to " +
                    std::to_string(kDbfLastYear) + ", not " + std::to_string(d->year));
    return d;
}

void Info(const std::string& given, const CliContext& ctx) {
    const std::string dbPath = AbsoluteDbPath(given);
    HdbLibrary lib;
    OpenOrThrow(lib, dbPath);
    const HdbHeader h = lib.Header();  // a copy: the library forgets it when closed
    auto show = [](const std::string& what, const std::string& v) { std::cout << what << '\t' << v << '\n'; };
    show("database", lib.Path());
    show("records", std::to_string(lib.Vdbf_rcount()) + " (" + std::to_string(lib.LiveCount()) + " live, " +
                        std::to_string(lib.DeletedCount()) + " deleted)");
    char date[32];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", h.updateYear, h.updateMonth, h.updateDay);
    show("last update", date);
    show("layout", "dBase version " + std::to_string(h.version) + ", header " +
                       std::to_string(h.headerLength) + " bytes, record " + std::to_string(h.recordLength) +
                       " bytes");
    lib.HamlogClose();

    HamlogLocation loc;
    SetHamlogDbPath(loc, dbPath);
    loc.HdbFieldLen = h.FieldLengths();  // from the header the library has checked
    for (std::size_t i = 0; i < 16 && i < h.fields.size(); ++i)
        show("field " + std::to_string(i + 1),
             h.fields[i].name + '\t' + std::to_string(loc.HdbFieldLen[i + 1]));
    show("callsign width", std::to_string(loc.HdbFieldLen[0]));

    if (!CheckMstBeside(loc, dbPath, ctx.programFolder)) {
        show("master file", "not found (" + PathToUtf8(PathFromUtf8(loc.HamlogMstPath).filename()) + ")");
        std::cerr << "trelvo5: warning: " << text::ReplaceAll(kMsgMstMissing, "\r\n", " ") << '\n';
        return;
    }
    const std::string mst = settings::SearchFilePath(loc.HamlogMstPath, ctx.programFolder);
    show("master file", mst);
    MasterList list;
    const int count = ReadMasterCodes(loc.HamlogMstPath, kMasterRecordLength, 0, list);
    std::string head = text::ReadFileBytes(mst).substr(0, kDbfFixedHeaderBytes);
    // The list is read from the third record on, up to a "500A" code.
    std::string inFile =
        head.size() == kDbfFixedHeaderBytes
            ? " (" + std::to_string(GetLe32(head, 4)) + " records in the file; the list starts at the third)"
            : "";
    show("master codes", std::to_string(count) + inFile);
}

void Dump(const std::string& given) {
    const std::string dbPath = AbsoluteDbPath(given);
    HdbLibrary lib;
    OpenOrThrow(lib, dbPath);
    lib.SetQsoOrMaster(kQsoTable);
    const int count = lib.Vdbf_rcount();
    static constexpr int kFields[] = {kFieldCall, kFieldDate, kFieldTime,     kFieldHisRst,  kFieldMyRst,
                                      kFieldFreq, kFieldMode, kFieldCode,     kFieldGridLoc, kFieldQsl,
                                      kFieldName, kFieldQth,  kFieldRemarks1, kFieldRemarks2};
    std::string line, buffer, out;
    for (int n = 1; n <= count; ++n) {
        if (lib.THW_read(n) != 0) continue;
        line = std::to_string(n);
        for (int f : kFields) {
            lib.ThwString(buffer, f);
            line += '\t';
            AppendCleaned(line, buffer);
        }
        line += '\n';
        // Through the console layer: Unicode on a console, UTF-8 when redirected.
        out += line;
        if (out.size() >= (1 << 16)) {
            if (!WriteStdStream(StdStream::kOut, out)) throw Error("cannot write the output");
            out.clear();
        }
    }
    lib.HamlogClose();
    if (!WriteStdStream(StdStream::kOut, out)) throw Error("cannot write the output");
}

void Modes(const std::string& given, bool save, const CliContext& ctx) {
    const std::string dbPath = AbsoluteDbPath(given);
    if (!PathHasHdb(dbPath)) throw FileError(dbPath, kMsgLocationInvalid);
    settings::IniStore ini = ctx.Ini();
    if (save) RefuseSameFiles({{dbPath, "the database", false}, {ini.Path(), "the settings file", true}});
    ModeTable table;
    if (save) {
        // Names beyond the new count keep what the settings file holds.
        settings::ShellSettings s = settings::LoadShellSettings(ini, ctx.programFolder);
        table.ModeNames = s.modeNames;
        table.ModeCount = s.modeCount;
    }
    HdbLibrary lib;
    CliCallbacks callbacks;
    ModeScanResult r = CollectHamlogModes(lib, HamlogDbBaseOf(dbPath), table, callbacks);
    if (r.status == ModeScanStatus::kOpenFailed) {
        HdbLibrary probe;
        probe.HamlogOpen(HamlogDbBaseOf(dbPath));
        throw Error(std::string(kMsgCannotOpenDb) + " " +
                    (probe.LastOpenError() == HdbOpenError::kInUse
                         ? std::string(kMsgHamlogInUse) + ": " + dbPath
                         : probe.LastOpenErrorText()));
    }
    if (callbacks.CancelRequested()) throw Aborted("cancelled; the settings file was not changed");
    if (r.overflow) callbacks.Warning(kMsgTooManyModes);
    std::cout << "records\t" << r.recordCount << '\n';
    std::cout << "modes\t" << table.ModeCount << '\n';
    for (int i = 0; i < table.ModeCount; ++i)
        std::cout << "Mode" << i + 1 << "N\t" << table.ModeNames[static_cast<std::size_t>(i)] << '\n';
    if (save) {
        if (!SaveModeTable(ini, table))
            throw FileError(ini.Path(), "the modes were not saved: the settings file cannot be written (" +
                                            ini.WriteError() + ")");
        std::cout << kMsgModesDone << " (" << ini.Path() << ")\n";
    }
}

struct CreateArgs {
    std::string hdb, csv, widths, master, codes, date;
    bool force = false;
};

void Create(const CreateArgs& a) {
    HdbWriteOptions o;
    if (!a.widths.empty()) o.widths = ParseHdbWidths(a.widths);
    o.overwrite = a.force;
    o.updateDate = ParseDateOption(a.date);
    // Every input is checked, and no output may be one of them, before anything is written.
    CheckInputFile(a.csv, "the CSV file");
    if (!a.codes.empty()) CheckInputFile(a.codes, "the codes file");
    const std::vector<CommandFile> files = {{a.csv, "the CSV file", false},
                                            {a.codes, "the codes file", false},
                                            {a.hdb, "the database", true},
                                            {a.master, "the master file", true}};
    RefuseSameFiles(files);
    RemoveStaleWorkFiles(files);
    std::vector<MasterEntry> codes;
    if (!a.codes.empty()) codes = ReadMasterEntries(a.codes);
    for (const std::string& target : {a.hdb, a.master}) {
        std::string existing =
            target.empty() || a.force ? std::string() : settings::ResolvePathNoCase(target);
        if (!existing.empty()) throw FileError(existing, "the file exists (--force replaces it)");
    }
    CliCallbacks callbacks;
    std::uint32_t n = 0;
    try {
        n = CreateHdbAndMaster(a.csv, a.hdb, o, a.master, codes, callbacks);
    } catch (const Aborted& e) {
        throw Aborted(std::string("cancelled: ") + e.what() +
                      "; nothing was written and files that existed are "
                      "as they were");
    }
    std::cout << "database\t" << a.hdb << " (" << n << " records)\n";
    if (!a.master.empty()) std::cout << "master file\t" << a.master << " (" << codes.size() << " records)\n";
}

}  // namespace

void RegisterDbCommand(CLI::App& app, CliContext& ctx) {
    CLI::App* db =
        app.add_subcommand("db", "Look into a Turbo HAMLOG database (*.HDB with its .mst) or create one");
    db->require_subcommand(1);

    struct Args {
        std::string path;
        bool save = false;
        CreateArgs create;
    };
    auto args = std::make_shared<Args>();  // owned by the callbacks below
    std::string* path = &args->path;
    CLI::App* info = db->add_subcommand("info", "Record counts, field names and widths, master file");
    info->add_option("HDB", *path, "The database (*.HDB)")->required();
    info->callback([args, &ctx]() { Info(args->path, ctx); });

    CLI::App* dump = db->add_subcommand(
        "dump",
        "One line per live record: number, CALL, Date, Time, HisRST, MyRST, Freq, Mode, Code, GridLoc, QSL, "
        "Name, QTH, Remarks1, Remarks2 (tab-separated, UTF-8)");
    dump->add_option("HDB", *path, "The database (*.HDB)")->required();
    dump->callback([args]() { Dump(args->path); });

    CLI::App* modes = db->add_subcommand("modes", "The distinct modes of the database (at most 12)");
    modes->add_option("HDB", *path, "The database (*.HDB)")->required();
    modes->add_flag("--save", args->save,
                    "Store them in the settings file (section ModeName), as the window's mode import does");
    modes->callback([args, &ctx]() { Modes(args->path, args->save, ctx); });

    CreateArgs* a = &args->create;
    CLI::App* create =
        db->add_subcommand("create", "Create a database from a HAMLOG import CSV (and a master file)");
    create->add_option("HDB", a->hdb, "The database to create (*.HDB)")->required();
    create->add_option("--from", a->csv, "HAMLOG import CSV (15 quoted columns, Shift-JIS)")->required();
    create->add_option(
        "--widths", a->widths,
        "Sixteen field widths, CALLS,IGN,DATE,TIME,CODE,GL,QSL,FLAG,HIS,MY,FREQ,MODE,NAME,QTH,RMK1,RMK2 "
        "(default 8,12,4,2,6,6,3,2,3,3,7,4,12,28,54,54)");
    CLI::Option* master = create->add_option("--master", a->master, "Also create this master file (*.mst)");
    create->add_option("--from-codes", a->codes, "Codes for the master file: CODE<TAB>NAME lines (Shift-JIS)")
        ->needs(master);
    create->add_option("--date", a->date,
                       "Last-update date written in the headers, YYYY-MM-DD (default today)");
    create->add_flag("--force", a->force, "Replace files that exist");
    create->callback([args]() { Create(args->create); });
}

}  // namespace trelvo::cli
