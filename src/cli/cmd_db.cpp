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
        if (!lib.CountWarning().empty())
            std::cerr << Tr(Message("cli.warning").Arg("message", lib.CountWarningMessage())) << '\n';
        return;
    }
    if (lib.LastOpenError() == HdbOpenError::kInUse) throw FileError(dbPath, kMsgHamlogInUse);
    throw Error(lib.LastOpenErrorMessage());
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
    if (!d || s.size() < 8) throw Error(Message("db.bad-date").Arg("value", s));
    // The header keeps the year as one byte counted from 1900.
    if (d->year < kDbfFirstYear || d->year > kDbfLastYear)
        throw Error(Message("db.date-year")
                        .Arg("first", kDbfFirstYear)
                        .Arg("last", kDbfLastYear)
                        .Arg("year", d->year));
    return d;
}

void Info(const std::string& given, const CliContext& ctx) {
    const std::string dbPath = AbsoluteDbPath(given);
    HdbLibrary lib;
    OpenOrThrow(lib, dbPath);
    const HdbHeader h = lib.Header();  // a copy: the library forgets it when closed
    auto show = [](const std::string& what, const std::string& v) { std::cout << what << '\t' << v << '\n'; };
    show(Tr("db.info.database"), lib.Path());
    show(Tr("db.info.records"), Tr(Message("db.info.records-value")
                                       .Arg("count", lib.Vdbf_rcount())
                                       .Arg("live", lib.LiveCount())
                                       .Arg("deleted", lib.DeletedCount())));
    char date[32];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", h.updateYear, h.updateMonth, h.updateDay);
    show(Tr("db.info.last-update"), date);
    show(Tr("db.info.layout"), Tr(Message("db.info.layout-value")
                                      .Arg("version", h.version)
                                      .Arg("header", h.headerLength)
                                      .Arg("record", h.recordLength)));
    lib.HamlogClose();

    HamlogLocation loc;
    SetHamlogDbPath(loc, dbPath);
    loc.HdbFieldLen = h.FieldLengths();  // from the header the library has checked
    for (std::size_t i = 0; i < 16 && i < h.fields.size(); ++i)
        show(Tr(Message("db.info.field").Arg("number", i + 1)),
             h.fields[i].name + '\t' + std::to_string(loc.HdbFieldLen[i + 1]));
    show(Tr("db.info.callsign-width"), std::to_string(loc.HdbFieldLen[0]));

    if (!CheckMstBeside(loc, dbPath, ctx.programFolder)) {
        show(Tr("db.info.master-file"),
             Tr(Message("db.info.not-found")
                    .Arg("file", PathToUtf8(PathFromUtf8(loc.HamlogMstPath).filename()))));
        std::cerr << Tr(Message("cli.warning").Arg("message", text::ReplaceAll(kMsgMstMissing, "\r\n", " ")))
                  << '\n';
        return;
    }
    const std::string mst = settings::SearchFilePath(loc.HamlogMstPath, ctx.programFolder);
    show(Tr("db.info.master-file"), mst);
    MasterList list;
    const int count = ReadMasterCodes(loc.HamlogMstPath, kMasterRecordLength, 0, list);
    std::string head = text::ReadFileBytes(mst).substr(0, kDbfFixedHeaderBytes);
    // The list is read from the third record on, up to a "500A" code.
    std::string inFile = head.size() == kDbfFixedHeaderBytes
                             ? " " + Tr(Message("db.info.master-in-file").Arg("count", GetLe32(head, 4)))
                             : "";
    show(Tr("db.info.master-codes"), std::to_string(count) + inFile);
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
            if (!WriteStdStream(StdStream::kOut, out)) throw Error(Message("db.cannot-write-output"));
            out.clear();
        }
    }
    lib.HamlogClose();
    if (!WriteStdStream(StdStream::kOut, out)) throw Error(Message("db.cannot-write-output"));
}

void Modes(const std::string& given, bool save, const CliContext& ctx) {
    const std::string dbPath = AbsoluteDbPath(given);
    if (!PathHasHdb(dbPath)) throw FileError(dbPath, kMsgLocationInvalid);
    settings::IniStore ini = ctx.Ini();
    if (save)
        RefuseSameFiles({{dbPath, Tr("role.database"), false}, {ini.Path(), Tr("role.settings-file"), true}});
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
        throw Error(
            Message("zlog.cannot-open-hamlog")
                .Arg("message", kMsgCannotOpenDb)
                .Arg("reason",
                     probe.LastOpenError() == HdbOpenError::kInUse
                         ? Message("cli.text").Arg("text", std::string(kMsgHamlogInUse) + ": " + dbPath)
                         : probe.LastOpenErrorMessage()));
    }
    if (callbacks.CancelRequested()) throw Aborted(Message("db.modes-cancelled"));
    if (r.overflow) callbacks.Warning(kMsgTooManyModes);
    std::cout << Tr("db.info.records") << '\t' << r.recordCount << '\n';
    std::cout << Tr("db.modes.modes") << '\t' << table.ModeCount << '\n';
    for (int i = 0; i < table.ModeCount; ++i)
        std::cout << "Mode" << i + 1 << "N\t" << table.ModeNames[static_cast<std::size_t>(i)] << '\n';
    if (save) {
        if (!SaveModeTable(ini, table))
            throw FileError(ini.Path(), Message("db.modes-not-saved").Arg("reason", ini.WriteError()));
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
    CheckInputFile(a.csv, Tr("role.csv-file"));
    if (!a.codes.empty()) CheckInputFile(a.codes, Tr("role.codes-file"));
    const std::vector<CommandFile> files = {{a.csv, Tr("role.csv-file"), false},
                                            {a.codes, Tr("role.codes-file"), false},
                                            {a.hdb, Tr("role.database"), true},
                                            {a.master, Tr("role.master-file"), true}};
    RefuseSameFiles(files);
    RemoveStaleWorkFiles(files);
    std::vector<MasterEntry> codes;
    if (!a.codes.empty()) codes = ReadMasterEntries(a.codes);
    for (const std::string& target : {a.hdb, a.master}) {
        std::string existing =
            target.empty() || a.force ? std::string() : settings::ResolvePathNoCase(target);
        if (!existing.empty()) throw FileError(existing, Message("db.file-exists"));
    }
    CliCallbacks callbacks;
    std::uint32_t n = 0;
    try {
        n = CreateHdbAndMaster(a.csv, a.hdb, o, a.master, codes, callbacks);
    } catch (const Aborted& e) {
        throw Aborted(Message("db.create-cancelled").Arg("reason", ErrorText(e, UiLang())));
    }
    std::cout << Tr("db.info.database") << '\t'
              << Tr(Message("db.created").Arg("file", a.hdb).Arg("count", n)) << '\n';
    if (!a.master.empty())
        std::cout << Tr("db.info.master-file") << '\t'
                  << Tr(Message("db.created").Arg("file", a.master).Arg("count", codes.size())) << '\n';
}

}  // namespace

void RegisterDbCommand(CLI::App& app, CliContext& ctx) {
    CLI::App* db = app.add_subcommand("db", Tr("cli.help.db"));
    db->require_subcommand(1);
    db->footer(ExitStatusHelp());

    struct Args {
        std::string path;
        bool save = false;
        CreateArgs create;
    };
    auto args = std::make_shared<Args>();  // owned by the callbacks below
    std::string* path = &args->path;
    const std::string io = Tr("help.group.input-output"), fields = Tr("help.group.fields");
    CLI::App* info = db->add_subcommand("info", Tr("cli.help.db.info"));
    info->footer(ExitStatusHelp());
    info->add_option("HDB", *path, Tr("cli.help.db.hdb"))->required()->group(io);
    info->callback([args, &ctx]() { Info(args->path, ctx); });

    CLI::App* dump = db->add_subcommand("dump", Tr("cli.help.db.dump"));
    dump->footer(ExitStatusHelp());
    dump->add_option("HDB", *path, Tr("cli.help.db.hdb"))->required()->group(io);
    dump->callback([args]() { Dump(args->path); });

    CLI::App* modes = db->add_subcommand("modes", Tr("cli.help.db.modes"));
    modes->footer(ExitStatusHelp());
    modes->add_option("HDB", *path, Tr("cli.help.db.hdb"))->required()->group(io);
    modes->add_flag("--save", args->save, Tr("cli.help.db.save"))->group(io);
    modes->callback([args, &ctx]() { Modes(args->path, args->save, ctx); });

    CreateArgs* a = &args->create;
    CLI::App* create = db->add_subcommand("create", Tr("cli.help.db.create"));
    create->footer(ExitStatusHelp());
    create->add_option("HDB", a->hdb, Tr("cli.help.db.create.hdb"))->required()->group(io);
    create->add_option("--from", a->csv, Tr("cli.help.db.create.from"))->required()->group(io);
    create->add_option("--widths", a->widths, Tr("cli.help.db.create.widths"))->group(fields);
    CLI::Option* master =
        create->add_option("--master", a->master, Tr("cli.help.db.create.master"))->group(io);
    create->add_option("--from-codes", a->codes, Tr("cli.help.db.create.from-codes"))
        ->needs(master)
        ->group(io);
    create->add_option("--date", a->date, Tr("cli.help.db.create.date"))->group(io);
    create->add_flag("--force", a->force, Tr("cli.help.db.create.force"))->group(io);
    create->callback([args]() { Create(args->create); });
}

}  // namespace trelvo::cli
