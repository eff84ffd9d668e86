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
            if (eq == std::string_view::npos)
                throw Error("--map: \"" + std::string(pair) + "\" is not TAG=COLUMN");
            const std::string tag = text::ToUpper(text::TrimBlanks(pair.substr(0, eq)));
            const std::string title(text::TrimBlanks(pair.substr(eq + 1)));
            const int column = adif::ColumnFromTitle(title);
            if (column == 0)
                throw Error("--map: \"" + title + "\" is not a column; the columns are " + ColumnList());
            const int row = tag.empty() ? -1 : scan.table.Find(tag);
            if (row < 1) {
                bool past = false;
                for (const std::string& n : scan.overflowNames) past = past || n == tag;
                if (past)
                    throw Error("--map: the tag " + tag + " of " + a.file + " comes after the first " +
                                std::to_string(adif::AdifTagTable::kCapacity) +
                                " tag names, which are all the reader keeps");
                throw Error("--map: " + a.file + " has no tag " + tag);
            }
            if (columnOfTag.count(row) && columnOfTag[row] != std::string(adif::ColumnTitle(column)))
                throw Error("--map: the tag " + tag + " is given for two columns (" + columnOfTag[row] +
                            " and " + std::string(adif::ColumnTitle(column)) + "); a tag feeds one column");
            if (!adif::TakesSeveralTags(column) && tagOfColumn.count(column) && tagOfColumn[column] != tag)
                throw Error("--map: the column " + std::string(adif::ColumnTitle(column)) +
                            " is given two tags (" + tagOfColumn[column] + " and " + tag +
                            "); only Code, Remarks1 and Remarks2 take several");
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
                  (c.fallback.empty() ? "" : " (else " + c.fallback + ")");
    std::cout << "map: " << (chosen.empty() ? "(none of the usual tags found)" : chosen) << '\n';
}

// --db, --widths, the database of the settings when it is usable, or the default widths.
// Widths come from a database only when its header passes the checks of opening it.
hamlog::HdbFieldLengths Widths(const AdifArgs& a, CliContext& ctx, settings::IniStore& ini,
                               CliCallbacks& cb) {
    if (!a.widths.empty()) return ParseWidths(a.widths);
    hamlog::HdbFieldLengths w{};
    std::string why;
    if (!a.db.empty()) {
        if (!hamlog::ReadCheckedHdbFieldLengths(a.db, w, why))
            throw FileError(a.db, std::string(hamlog::kMsgLocationInvalid) + " (" + why + ")");
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
                throw FileError(stored, std::string(hamlog::kMsgLocationInvalid) +
                                            " (the Turbo HAMLOG database of the settings file " +
                                            ctx.IniPath() + ": " + why + ")");
            return w;
        }
        const char* message = hamlog::LocationMessage(status);
        cb.Warning("the Turbo HAMLOG database of the settings (" + stored + ") is not usable (" +
                   text::ReplaceAll(message ? message : "", "\r\n", " ") +
                   "): the default Turbo HAMLOG 5 field widths are used");
    }
    return hamlog::DefaultHdbFieldLengths();
}

// A mark: the one given with "=MARK", else the settings' one.
std::string Mark(const std::string& given, const std::string& fromSettings) {
    return given == kFromSettings ? fromSettings : given;
}

void WarnAboutInput(const AdifArgs& a, const adif::AdifInputTraits& t, adif::AdifEncoding used, bool lfUsed,
                    CliCallbacks& cb) {
    if (!lfUsed && t.LfOnly())
        cb.Warning(a.file +
                   ": the lines end in LF only, which this reader takes as part of a line, so the "
                   "whole file was one line; --lf reads such lines");
    if (used == adif::AdifEncoding::Cp932 && t.LooksLikeUtf8())
        cb.Warning(a.file +
                   ": the file is UTF-8 text but was read as Shift-JIS (CP932); --encoding utf-8 "
                   "(or auto) reads it");
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
    if (a.skipKnown && a.db.empty())
        throw Error("--skip-known needs --db: the Turbo HAMLOG database whose contacts are left out");

    CheckInputFile(a.file, "the ADIF file");
    if (!a.db.empty()) CheckInputFile(a.db, "the database");
    const std::string storedDb = a.db.empty() && a.widths.empty() ? ini.ReadOr("HAMLOG-FOL", "HAMLOG-FN", "") : "";
    CheckCommandFiles(ctx, {{a.file, "the ADIF file", false},
                            {a.db, "the database", false},
                            {storedDb, "the database of the settings (read for the field widths)", false},
                            {csvout::DxccTable::Locate(csvout::kAdifToHamlogTableFile, ctx.programFolder),
                             "the DXCC code table", false},
                            {a.output, "the output", true}});

    adif::AdifScanResult scan = adif::ScanAdifTags(a.file, read, cb);
    if (scan.cancelled)
        throw Aborted("cancelled while the tags of " + a.file + " were read; nothing was written");
    read = scan.RunOptions();
    std::cout << "input: " << adif::DescribeAdifInput(scan)
              << (a.encoding == "auto" && !scan.adx ? " (detected; --encoding overrides)" : "") << '\n';
    if (scan.overflowCount > 0) {
        std::string names;
        for (std::size_t i = 0; i < scan.overflowNames.size() && i < 20; ++i)
            names += (i ? ", " : "") + scan.overflowNames[i];
        if (scan.overflowCount > 20) names += ", ...";
        cb.Warning(a.file + ": the file has " + std::to_string(scan.table.Count() + scan.overflowCount) +
                   " tag names; the reader keeps the first " + std::to_string(adif::AdifTagTable::kCapacity) +
                   " and leaves out " + std::to_string(scan.overflowCount) + ": " + names);
    }

    adif::AdifMappingModel model(scan.table.Names());
    if (!model.CanOpen()) {
        WarnAboutInput(a, scan.traits, scan.encoding, scan.lfEndsLine, cb);
        throw FormatError(
            a.file, std::string(adif::AdifMappingModel::kOpenFailedMessage) + " (" +
                        (scan.headerSeen ? std::to_string(scan.table.Count()) +
                                               " distinct tag names after <EOH>; at least two are needed"
                                         : std::string("no <EOH> was found, so no record was read")) +
                        ")");
    }
    if (a.map.size() == 1 && text::EqualsNoCase(text::TrimBlanks(a.map.front()), "auto"))
        ApplyAutoMap(model, a.file);
    else if (!a.map.empty())
        ApplyMapOption(a, scan, model);
    else {
        model.LoadFromIni(ini);
        if (!model.BuildMapping().AnyMapped()) {
            std::cout << "no mapping in the settings (section " << adif::kMappingIniSection
                      << "): the usual tags are mapped, as --map auto does\n";
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
        cb.Warning(
            a.file + ": no tag is mapped to a column" +
            (a.map.empty() ? std::string(" in the settings (section ADIF2HL_CFG)") : std::string()) +
            ", so only the time mark, the QSL marks and the station class are filled; --map sets a mapping");

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
                            "cannot open the database to look up known contacts: " + lib.LastOpenErrorText());
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
        cb.Warning(a.file + ": the contacts were made by several stations (STATION_CALLSIGN " + list +
                   "); a Turbo HAMLOG database keeps the log of one");
    }

    if (r.unmappable > 0)
        cb.Warning(a.output + ": " + std::to_string(r.unmappable) +
                   " characters that Shift-JIS cannot hold were written as '?'");
    if (r.skipped > 0)
        cb.Warning(a.file + ": records not written (see above): " + std::to_string(r.skipped) + " of " +
                   std::to_string(r.records));
    WarnAboutInput(a, r.traits, read.encoding, read.lfEndsLine, cb);
    if (r.status == adif::AdifRunResult::Status::Aborted)
        throw Aborted(std::string(adif::kReadDatError) + ": the frequencies are band names in metres and " +
                      "turning them into MHz was refused (--meter-to-mhz yes or --freq band does it); " +
                      CancelledText(r.written, r.keptPath, a.output));
    if (r.status == adif::AdifRunResult::Status::Cancelled) ReportCancelled(r.written, r.keptPath, a.output);
    if (a.skipKnown)
        std::cout << "already in " << a.db << ", left out: " << r.known << " of " << r.records << '\n';
    if (r.written == 0 && r.known > 0 && r.known + r.skipped == r.records) {
        cb.Warning(a.file + ": every contact is already in " + a.db + "; nothing new to import; " +
                   (r.outputReplaced ? "an empty " + a.output + " was written"
                                     : a.output + " was not replaced and is as it was") +
                   " (exit status " + std::to_string(kExitNoContacts) + ")");
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
    CLI::App* cmd = ImportGroup(app)->add_subcommand(
        "adif", "Convert an ADIF log (*.ADI, *.LOG) into the CSV that Turbo HAMLOG imports");
    cmd->footer(kExitStatusHelp);
    cmd->add_option("FILE", a->file, "The ADIF file")->required();
    cmd->add_option("-o,--output", a->output, "The CSV file to write (replaced when it exists)")->required();
    cmd->add_option("--map", a->map,
                    "TAG=COLUMN,... (columns: " + ColumnList() +
                        "; several tags may go to Code, Remarks1, Remarks2), or \"auto\" for the usual ADIF "
                        "tags; without it the mapping stored in the settings is used")
        ->allow_extra_args(false);
    cmd->add_option("--freq", a->freq,
                    "khz-mhz3 (14070 -> 14.070), khz-mhz1 (14070 -> 14), as-is (default: ADIF's FREQ is in "
                    "MHz), band (20M -> 14)")
        ->check(CLI::IsMember(std::vector<std::string>(std::begin(adif::kFreqConversionNames),
                                                       std::end(adif::kFreqConversionNames))));
    a->qslIssueOpt = cmd->add_flag("--qsl-issue", a->qslIssue,
                                   "Put the QSL issue mark (=MARK, or the settings' Jmark, default J)")
                         ->option_text("[=MARK]");
    a->qslSentOpt =
        cmd->add_flag("--qsl-sent", a->qslSent,
                      "Put the QSL sent mark where the ADIF data says sent (=MARK, or SentMark, default *)")
            ->option_text("[=MARK]");
    a->qslRcvdOpt =
        cmd->add_flag("--qsl-rcvd", a->qslRcvd,
                      "Put the QSL received mark where the ADIF data says received (=MARK, or RcvMark, "
                      "default *)")
            ->option_text("[=MARK]");
    a->adifSentOpt = cmd->add_option("--adif-sent", a->adifSent,
                                     "The QSL_SENT value that means sent (default: ADIFsentMark, Y)");
    a->adifRcvdOpt = cmd->add_option("--adif-rcvd", a->adifRcvd,
                                     "The QSL_RCVD value that means received (default: ADIFrcvMark, Y)");
    cmd->add_flag("--jst", a->jst, "Move the date and time of JA stations to JST");
    CLI::Option* ft = cmd->add_option("--fixed-text", a->fixedText, "A fixed text appended to the remarks");
    CLI::Option* ftTo = cmd->add_option("--fixed-text-to", a->fixedTextTo, "remarks1 or remarks2")
                            ->check(CLI::IsMember({"remarks1", "remarks2"}));
    ft->needs(ftTo);
    ftTo->needs(ft);
    CLI::Option* db =
        cmd->add_option("--db", a->db, "Take the field widths from this Turbo HAMLOG database (*.HDB)");
    CLI::Option* widths = cmd->add_option("--widths", a->widths, "The seventeen field widths W0,W1,...,W16");
    db->excludes(widths);
    cmd->add_option("--meter-to-mhz", a->meterToMhz,
                    "Answer to the question whether band names in metres become MHz (else asked on the "
                    "terminal; without one, no)")
        ->check(CLI::IsMember({"yes", "no"}));
    cmd->add_flag("--lf", a->lf,
                  "A lone LF ends a line too (without it the file tells: LF ends lines when it has no CR)");
    cmd->add_option("--encoding", a->encoding,
                    "auto (default: UTF-8 when the file is valid UTF-8 with non-ASCII text, else Shift-JIS), "
                    "cp932 or utf-8")
        ->check(CLI::IsMember({"cp932", "utf-8", "auto"}));
    cmd->add_flag("--legacy-cut", a->legacyCut,
                  "Cut names, QTHs and remarks to their byte widths by the old rule, which drops a last byte "
                  "in 0x81-0x9F or 0xE0-0xEF even when it ends a whole character");
    cmd->add_flag("--skip-known", a->skipKnown,
                  "Leave out the contacts the database of --db already has (same call, band and mode, "
                  "time within 10 minutes)")
        ->needs(db);
    cmd->callback([a, &ctx]() { Run(*a, ctx); });
}

}  // namespace trelvo::cli
