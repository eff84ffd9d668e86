// trelvo5 import adif: an ADIF log to the CSV that Turbo HAMLOG imports.
#include <iostream>
#include <map>
#include <set>

#include "cli/cli_context.h"
#include "core/errors.h"
#include "core/platform.h"
#include "csvout/dxcc_tables.h"
#include "hamlog/db_location.h"
#include "hamlog/hamlog_messages.h"
#include "hamlog/hdb_header.h"
#include "hamlog/hdb_library.h"
#include "importers/adif/adif_known.h"
#include "importers/adif/adif_mapping.h"
#include "importers/adif/adif_reader.h"
#include "settings/app_settings.h"
#include "settings/file_search.h"
#include "text/chars.h"
#include "text/numfmt.h"

namespace trelvo::cli {
namespace {

// What a flag given without "=MARK" holds; the mark then comes from the settings.
constexpr const char* kFromSettings = "true";

struct AdifArgs {
    std::string file, output;
    std::vector<std::string> map;
    std::string freq = "as-is";
    std::string qslIssue, qslSent, qslRcvd;
    CLI::Option* qslIssueOpt = nullptr;
    CLI::Option* qslSentOpt = nullptr;
    CLI::Option* qslRcvdOpt = nullptr;
    std::string adifSent, adifRcvd;
    CLI::Option* adifSentOpt = nullptr;
    CLI::Option* adifRcvdOpt = nullptr;
    bool jst = false;
    std::string fixedText, fixedTextTo;
    std::string db, widths;
    std::string meterToMhz;
    bool lf = false;
    std::string encoding = "auto";
    bool legacyCut = false;
    bool skipKnown = false;
};

std::string ColumnList() {
    std::string s;
    for (int c = 1; c <= adif::kColumnCount; ++c)
        if (c != adif::kColHidden) s += (s.empty() ? "" : ", ") + std::string(adif::ColumnTitle(c));
    return s;
}

// Marks the model as the --map pairs say. Every tag must be in the file's table, a tag goes
// to one column, and every column but Code, Remarks1 and Remarks2 takes one tag.
void ApplyMapOption(const AdifArgs& a, const adif::AdifScanResult& scan, adif::AdifMappingModel& model) {
    std::vector<std::pair<int, int>> cells;  // (row, column)
    std::map<int, std::string> tagOfColumn;
    std::map<int, std::string> columnOfTag;
    for (const std::string& group : a.map) {
        for (const std::string& item : text::Split(group, ',')) {
            const std::string_view pair = text::TrimBlanks(item);
            if (pair.empty()) continue;
            const std::size_t eq = pair.find('=');
            if (eq == std::string_view::npos) throw Error(Message("adif.map.not-pair").Arg("value", pair));
            const std::string tag = text::ToUpper(text::TrimBlanks(pair.substr(0, eq)));
            const std::string title(text::TrimBlanks(pair.substr(eq + 1)));
            const int column = adif::ColumnFromTitle(title);
            if (column == 0)
                throw Error(Message("adif.map.not-column").Arg("value", title).Arg("columns", ColumnList()));
            const int row = tag.empty() ? -1 : scan.table.Find(tag);
            if (row < 1) {
                bool past = false;
                for (const std::string& n : scan.overflowNames) past = past || n == tag;
                if (past)
                    throw Error(Message("adif.map.tag-past-capacity")
                                    .Arg("tag", tag)
                                    .Arg("file", a.file)
                                    .Arg("count", adif::AdifTagTable::kCapacity));
                throw Error(Message("adif.map.no-tag").Arg("file", a.file).Arg("tag", tag));
            }
            if (columnOfTag.count(row) && columnOfTag[row] != std::string(adif::ColumnTitle(column)))
                throw Error(Message("adif.map.tag-twice")
                                .Arg("tag", tag)
                                .Arg("first", columnOfTag[row])
                                .Arg("second", adif::ColumnTitle(column)));
            if (!adif::TakesSeveralTags(column) && tagOfColumn.count(column) && tagOfColumn[column] != tag)
                throw Error(Message("adif.map.column-twice")
                                .Arg("column", adif::ColumnTitle(column))
                                .Arg("first", tagOfColumn[column])
                                .Arg("second", tag));
            columnOfTag[row] = std::string(adif::ColumnTitle(column));
            tagOfColumn[column] = tag;
            cells.emplace_back(row, column);
        }
    }
    for (const auto& [row, column] : cells)
        if (!model.IsMarked(row, column)) model.Click(row, column);
}

// --map auto: the usual tags of the file, printed in the --map form.
void ApplyAutoMap(adif::AdifMappingModel& model, const std::string& file) {
    std::string chosen;
    for (const auto& c : model.AutoMap(adif::IsSendersViewProgram(adif::ReadAdifProgramId(file))))
        chosen += (chosen.empty() ? "" : ",") + c.tag + "=" + std::string(adif::ColumnTitle(c.column)) +
                  (c.fallback.empty() ? "" : " " + Tr(Message("adif.map.else").Arg("tag", c.fallback)));
    std::cout
        << Tr(Message("adif.map.chosen").Arg("map", chosen.empty() ? Tr("adif.map.none-found") : chosen))
        << '\n';
}

// --db, --widths, the database of the settings when it is usable, or the default widths.
// Widths come from a database only when its header passes the checks of opening it.
hamlog::HdbFieldLengths Widths(const AdifArgs& a, CliContext& ctx, settings::IniStore& ini,
                               CliCallbacks& cb) {
    if (!a.widths.empty()) return ParseWidths(a.widths);
    hamlog::HdbFieldLengths w{};
    Message why;
    if (!a.db.empty()) {
        if (!hamlog::ReadCheckedHdbFieldLengths(a.db, w, why))
            throw FileError(
                a.db,
                Message("cli.reason-detail").Arg("message", hamlog::kMsgLocationInvalid).Arg("detail", why));
        return w;
    }
    const std::string stored = ini.ReadOr("HAMLOG-FOL", "HAMLOG-FN", "");
    if (!stored.empty()) {
        hamlog::HamlogLocation loc;
        hamlog::SetHamlogDbPath(loc, stored);
        const hamlog::LocationStatus status = hamlog::CheckHamlogLocation(loc, ctx.programFolder);
        if (status == hamlog::LocationStatus::kValid || status == hamlog::LocationStatus::kInUse ||
            status == hamlog::LocationStatus::kBadHeader) {
            if (!hamlog::ReadCheckedHdbFieldLengths(stored, w, why))
                throw FileError(stored, Message("adif.settings-db-invalid")
                                            .Arg("message", hamlog::kMsgLocationInvalid)
                                            .Arg("ini", ctx.IniPath())
                                            .Arg("detail", why));
            return w;
        }
        const char* message = hamlog::LocationMessage(status);
        cb.Warning(Message("cli.settings-db-unusable")
                       .Arg("file", stored)
                       .Arg("reason", text::ReplaceAll(message ? message : "", "\r\n", " ")));
    }
    return hamlog::DefaultHdbFieldLengths();
}

// A mark: the one given with "=MARK", else the settings' one.
std::string Mark(const std::string& given, const std::string& fromSettings) {
    return given == kFromSettings ? fromSettings : given;
}

void WarnAboutInput(const AdifArgs& a, const adif::AdifInputTraits& t, adif::AdifEncoding used, bool lfUsed,
                    CliCallbacks& cb) {
    if (!lfUsed && t.LfOnly()) cb.Warning(Message("adif.lf-only").Arg("file", a.file));
    if (used == adif::AdifEncoding::Cp932 && t.LooksLikeUtf8())
        cb.Warning(Message("adif.utf8-read-as-cp932").Arg("file", a.file));
}

void Run(const AdifArgs& a, CliContext& ctx) {
    std::optional<bool> answer;
    if (a.meterToMhz == "yes") answer = true;
    if (a.meterToMhz == "no") answer = false;
    CliCallbacks cb(answer);
    settings::IniStore ini = ctx.Ini();

    adif::AdifReadOptions read;
    read.lfEndsLine = a.lf;
    read.detectLineEnds = !a.lf;
    read.encoding = a.encoding == "utf-8"  ? adif::AdifEncoding::Utf8
                    : a.encoding == "auto" ? adif::AdifEncoding::Auto
                                           : adif::AdifEncoding::Cp932;
    if (a.skipKnown && a.db.empty()) throw Error(Message("adif.skip-known-needs-db"));

    CheckInputFile(a.file, Tr("role.adif-file"));
    if (!a.db.empty()) CheckInputFile(a.db, Tr("role.database"));
    const std::string storedDb =
        a.db.empty() && a.widths.empty() ? ini.ReadOr("HAMLOG-FOL", "HAMLOG-FN", "") : "";
    CheckCommandFiles(ctx, {{a.file, Tr("role.adif-file"), false},
                            {a.db, Tr("role.database"), false},
                            {storedDb, Tr("role.settings-db-widths"), false},
                            {csvout::DxccTable::Locate(csvout::kAdifToHamlogTableFile, ctx.programFolder),
                             Tr("role.dxcc-table"), false},
                            {a.output, Tr("role.output"), true}});

    adif::AdifScanResult scan = adif::ScanAdifTags(a.file, read, cb);
    if (scan.cancelled) throw Aborted(Message("adif.cancelled-scan").Arg("file", a.file));
    read = scan.RunOptions();
    std::cout << Tr(Message(a.encoding == "auto" && !scan.adx ? "adif.input-detected" : "adif.input")
                        .Arg("input", adif::DescribeAdifInput(scan)))
              << '\n';
    if (scan.overflowCount > 0) {
        std::string names;
        for (std::size_t i = 0; i < scan.overflowNames.size() && i < 20; ++i)
            names += (i ? ", " : "") + scan.overflowNames[i];
        if (scan.overflowCount > 20) names += ", ...";
        cb.Warning(Message("adif.too-many-tags")
                       .Arg("file", a.file)
                       .Arg("count", scan.table.Count() + scan.overflowCount)
                       .Arg("kept", adif::AdifTagTable::kCapacity)
                       .Arg("left", scan.overflowCount)
                       .Arg("names", names));
    }

    adif::AdifMappingModel model(scan.table.Names());
    if (!model.CanOpen()) {
        WarnAboutInput(a, scan.traits, scan.encoding, scan.lfEndsLine, cb);
        throw FormatError(
            a.file,
            Message("cli.reason-detail")
                .Arg("message", adif::AdifMappingModel::kOpenFailedMessage)
                .Arg("detail", scan.headerSeen ? Message("adif.too-few-tags").Arg("count", scan.table.Count())
                                               : Message("adif.no-eoh")));
    }
    if (a.map.size() == 1 && text::EqualsNoCase(text::TrimBlanks(a.map.front()), "auto"))
        ApplyAutoMap(model, a.file);
    else if (!a.map.empty())
        ApplyMapOption(a, scan, model);
    else {
        model.LoadFromIni(ini);
        if (!model.BuildMapping().AnyMapped()) {
            std::cout << Tr(Message("adif.no-stored-mapping").Arg("section", adif::kMappingIniSection))
                      << '\n';
            ApplyAutoMap(model, a.file);
        }
    }
    if (!a.fixedTextTo.empty()) {
        model.SetFixedText(a.fixedText);
        model.SetTarget(a.fixedTextTo == "remarks1" ? adif::FixedTextTarget::Remarks1
                                                    : adif::FixedTextTarget::Remarks2);
    }
    const adif::AdifMapping mapping = model.BuildMapping();
    if (!mapping.AnyMapped())
        cb.Warning(Message(a.map.empty() ? "adif.nothing-mapped-settings" : "adif.nothing-mapped")
                       .Arg("file", a.file));

    const settings::QslMarks stored = settings::LoadQslMarks(ini);
    adif::AdifLineOptions lo;
    lo.widths = Widths(a, ctx, ini, cb);
    lo.jstForJa = a.jst;
    lo.qslIssueFlag = a.qslIssueOpt->count() > 0;
    lo.qslSentFlag = a.qslSentOpt->count() > 0;
    lo.qslRcvdFlag = a.qslRcvdOpt->count() > 0;
    lo.marks.issue = lo.qslIssueFlag ? Mark(a.qslIssue, stored.issue) : stored.issue;
    lo.marks.sent = lo.qslSentFlag ? Mark(a.qslSent, stored.sent) : stored.sent;
    lo.marks.rcvd = lo.qslRcvdFlag ? Mark(a.qslRcvd, stored.rcvd) : stored.rcvd;
    lo.marks.adifSent = a.adifSentOpt->count() > 0 ? a.adifSent : stored.adifSent;
    lo.marks.adifRcvd = a.adifRcvdOpt->count() > 0 ? a.adifRcvd : stored.adifRcvd;
    const csvout::DxccTables dxcc = csvout::DxccTables::Find(ctx.programFolder);
    lo.dxcc = &dxcc;
    if (a.legacyCut) lo.cut = text::ByteCut::kLegacyLeadByte;

    // --skip-known: the contacts the database already has are left out.
    hamlog::HdbLibrary lib;
    std::optional<adif::KnownContacts> knownContacts;
    adif::AdifKnownCheck known;
    if (a.skipKnown) {
        if (lib.HamlogOpen(hamlog::HamlogDbBaseOf(a.db)) != 0)
            throw FileError(a.db,
                            Message("adif.known-cannot-open").Arg("reason", lib.LastOpenErrorMessage()));
        lib.SetQsoOrMaster(hamlog::kQsoTable);
        knownContacts.emplace(lib);
        known = [&knownContacts](const csvout::HamlogCsvRecord& r) { return knownContacts->Has(r); };
    }

    adif::AdifMeterState meter;
    meter.freq = adif::FreqConversionNamed(a.freq);

    const adif::AdifRunResult r =
        adif::ConvertAdifLog({a.file, a.output, &scan.table, &mapping, read, lo, &meter, known}, cb);
    if (a.skipKnown) lib.HamlogClose();
    if (r.stationCallsigns.size() > 1) {
        std::string list;
        for (const std::string& c : r.stationCallsigns) list += (list.empty() ? "" : ", ") + c;
        cb.Warning(Message("adif.several-stations").Arg("file", a.file).Arg("calls", list));
    }

    if (r.unmappable > 0)
        cb.Warning(Message("cli.unmappable").Arg("file", a.output).Arg("count", r.unmappable));
    if (r.skipped > 0)
        cb.Warning(
            Message("adif.skipped").Arg("file", a.file).Arg("count", r.skipped).Arg("records", r.records));
    WarnAboutInput(a, r.traits, read.encoding, read.lfEndsLine, cb);
    if (r.status == adif::AdifRunResult::Status::Aborted)
        throw Aborted(Message("adif.meter-refused")
                          .Arg("message", adif::kReadDatError)
                          .Arg("rest", CancelledText(r.written, r.keptPath, a.output)));
    if (r.status == adif::AdifRunResult::Status::Cancelled) ReportCancelled(r.written, r.keptPath, a.output);
    if (a.skipKnown)
        std::cout << Tr(Message("adif.known-left-out")
                            .Arg("file", a.db)
                            .Arg("count", r.known)
                            .Arg("records", r.records))
                  << '\n';
    if (r.written == 0 && r.known > 0 && r.known + r.skipped == r.records) {
        cb.Warning(Message(r.outputReplaced ? "adif.all-known.empty-written" : "adif.all-known.kept")
                       .Arg("file", a.file)
                       .Arg("db", a.db)
                       .Arg("output", a.output)
                       .Arg("status", kExitNoContacts));
        throw ExitStatus{kExitNoContacts};
    }
    if (r.written == 0) ReportNoContacts(a.file, cb, r.outputReplaced, a.output);
    // The count is of the lines written: records left out (known, or a date that is not a
    // date) were reported above and are not counted as converted.
    std::cout << adif::AdifCompletionMessage(r.written, a.output) << '\n';
}

}  // namespace

void RegisterImportAdifCommand(CLI::App& app, CliContext& ctx) {
    auto a = std::make_shared<AdifArgs>();
    CLI::App* cmd = ImportGroup(app)->add_subcommand("adif", Tr("cli.help.adif"));
    cmd->footer(ExitStatusHelp());
    const std::string io = Tr("help.group.input-output"), conv = Tr("help.group.conversion"),
                      qsl = Tr("help.group.qsl"), fields = Tr("help.group.fields"),
                      remarks = Tr("help.group.remarks");
    cmd->add_option("FILE", a->file, Tr("cli.help.adif.file"))->required()->group(io);
    cmd->add_option("-o,--output", a->output, Tr("cli.help.adif.output"))->required()->group(io);
    cmd->add_option("--map", a->map, Tr(Message("cli.help.adif.map").Arg("columns", ColumnList())))
        ->allow_extra_args(false)
        ->group(conv);
    cmd->add_option("--freq", a->freq, Tr("cli.help.adif.freq"))
        ->check(CLI::IsMember(std::vector<std::string>(std::begin(adif::kFreqConversionNames),
                                                       std::end(adif::kFreqConversionNames))))
        ->group(conv);
    cmd->add_flag("--jst", a->jst, Tr("cli.help.adif.jst"))->group(conv);
    a->qslIssueOpt = cmd->add_flag("--qsl-issue", a->qslIssue, Tr("cli.help.adif.qsl-issue"))
                         ->option_text("[=MARK]")
                         ->group(qsl);
    a->qslSentOpt = cmd->add_flag("--qsl-sent", a->qslSent, Tr("cli.help.adif.qsl-sent"))
                        ->option_text("[=MARK]")
                        ->group(qsl);
    a->qslRcvdOpt = cmd->add_flag("--qsl-rcvd", a->qslRcvd, Tr("cli.help.adif.qsl-rcvd"))
                        ->option_text("[=MARK]")
                        ->group(qsl);
    a->adifSentOpt = cmd->add_option("--adif-sent", a->adifSent, Tr("cli.help.adif.adif-sent"))->group(qsl);
    a->adifRcvdOpt = cmd->add_option("--adif-rcvd", a->adifRcvd, Tr("cli.help.adif.adif-rcvd"))->group(qsl);
    CLI::Option* ft =
        cmd->add_option("--fixed-text", a->fixedText, Tr("cli.help.adif.fixed-text"))->group(remarks);
    CLI::Option* ftTo = cmd->add_option("--fixed-text-to", a->fixedTextTo, Tr("cli.help.adif.fixed-text-to"))
                            ->check(CLI::IsMember({"remarks1", "remarks2"}))
                            ->group(remarks);
    ft->needs(ftTo);
    ftTo->needs(ft);
    CLI::Option* db = cmd->add_option("--db", a->db, Tr("cli.help.adif.db"))->group(fields);
    CLI::Option* widths = cmd->add_option("--widths", a->widths, Tr("cli.help.widths"))->group(fields);
    db->excludes(widths);
    cmd->add_flag("--legacy-cut", a->legacyCut, Tr("cli.help.adif.legacy-cut"))->group(fields);
    cmd->add_option("--meter-to-mhz", a->meterToMhz, Tr("cli.help.adif.meter-to-mhz"))
        ->check(CLI::IsMember({"yes", "no"}))
        ->group(conv);
    cmd->add_flag("--lf", a->lf, Tr("cli.help.adif.lf"))->group(io);
    cmd->add_option("--encoding", a->encoding, Tr("cli.help.adif.encoding"))
        ->check(CLI::IsMember({"cp932", "utf-8", "auto"}))
        ->group(io);
    cmd->add_flag("--skip-known", a->skipKnown, Tr("cli.help.adif.skip-known"))->needs(db)->group(conv);
    cmd->callback([a, &ctx]() { Run(*a, ctx); });
}

}  // namespace trelvo::cli
