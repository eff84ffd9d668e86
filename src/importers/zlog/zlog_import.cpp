#include "importers/zlog/zlog_import.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/errors.h"
#include "core/platform.h"
#include "csvout/station_rules.h"
#include "importers/zlog/qra_lookup.h"
#include "text/chars.h"

namespace trelvo::zlog {
namespace {

// OLE dates of 0100-01-01 and 10000-01-01.
constexpr double kFirstOleDate = -657434.0;
constexpr double kEndOleDate = 2958466.0;

void Append(std::string& r, std::string_view x) {
    r += ' ';
    r += x;
}

void Put(csvout::HamlogCsvRecord& out, RemarksTarget target, std::string_view x, bool append) {
    if (target == RemarksTarget::None) return;
    std::string& r = target == RemarksTarget::Remarks1 ? out.Remarks1 : out.Remarks2;
    if (append)
        Append(r, x);
    else
        r = std::string(x);
}

// Cuts the text to its first `w` characters (none for 0).
void Width(std::string& s, int w) {
    const auto n = static_cast<std::size_t>(std::max(0, w));
    if (s.size() <= n) return;
    if (text::IsAscii(s))
        s.resize(n);
    else
        s = text::CharLeft(s, n);
}

// The last `n` digits of v, zero-filled, at p.
void PutDigits(char* p, int n, int v) {
    for (int i = n - 1; i >= 0; --i, v /= 10) p[i] = static_cast<char>('0' + v % 10);
}

std::string_view ModeName(const ZlogOptions& o, ZloKind kind, int code) {
    if (code >= 0 && code <= 4) return o.modeNames[static_cast<std::size_t>(code)];
    if (kind == ZloKind::Zlo) return code == 5 ? std::string_view(o.modeNames[5]) : std::string_view();
    switch (code) {
        case 5:
            return o.modeNames[6];
        case 6:
            return o.modeNames[7];
        case 7:
            return o.modeNames[5];
        default:
            return {};
    }
}

// The contest number turned into Code and QTH.
void ContestNumberToArea(const ZlogOptions& o, csvout::HamlogCsvRecord& out, const std::string& rcvNum) {
    const std::size_t len = text::CharCount(rcvNum);
    const std::size_t front = static_cast<std::size_t>(std::max(0, o.frontCut));
    const std::size_t back = static_cast<std::size_t>(std::max(0, o.backCut));
    std::string x =
        front + back >= len ? std::string() : text::CharMid(rcvNum, front + 1, len - front - back);
    if (o.leadChars > 0) x = text::CharLeft(x, static_cast<std::size_t>(o.leadChars));
    if (o.codeTable && o.codeTable->Loaded())
        if (const std::string* v = o.codeTable->Find(x)) x = *v;
    static const MasterIndex kNoMaster;
    const MasterIndex& master = o.master ? *o.master : kNoMaster;
    const int q = QTHget(master, x);
    if (q > 0) {
        const auto i = static_cast<std::size_t>(q);
        out.Code = std::string(text::Trim(master.List().MasterCodes[i]));
        out.QTH = std::string(text::Trim(master.List().MasterNames[i]));
    } else if (q < 0) {
        const std::string_view t = Todoufuken(q);
        out.Code = std::string(t.substr(0, 2));
        out.QTH = text::CharMid(t, 3, 4);
    }
}

}  // namespace

std::optional<text::DateTime> OleDateToDateTime(double v) {
    if (!std::isfinite(v) || v < kFirstOleDate || v >= kEndOleDate) return std::nullopt;
    const double whole = std::trunc(v);
    long long days = static_cast<long long>(whole);
    long long secs = std::llround(std::fabs(v - whole) * 86400.0);
    if (secs >= 86400) {
        secs -= 86400;
        ++days;
    }
    text::DateTime t;
    text::CivilFromDays(days - 25569, t.year, t.month, t.day);
    if (t.year < 100 || t.year > 9999) return std::nullopt;
    t.hour = static_cast<int>(secs / 3600);
    t.minute = static_cast<int>(secs / 60 % 60);
    t.second = static_cast<int>(secs % 60);
    return t;
}

bool MakeZlogCsvRecord(const ZloRecord& rec, const ZloHeader& header, const ZlogOptions& o,
                       csvout::HamlogCsvRecord& out) {
    csvout::ClearHamlogCsvRecord(out);
    const std::optional<text::DateTime> when = OleDateToDateTime(rec.date);
    if (when) {
        char d[10] = {'0', '0', '0', '0', '/', '0', '0', '/', '0', '0'};
        PutDigits(d, 4, when->year);
        PutDigits(d + 5, 2, when->month);
        PutDigits(d + 8, 2, when->day);
        out.Date.assign(d, 10);
        char t[5] = {'0', '0', ':', '0', '0'};
        PutDigits(t, 2, when->hour);
        PutDigits(t + 3, 2, when->minute);
        out.Time.assign(t, 5);
        out.Time += header.timeBase;
    }

    std::string call = text::ToUpper(rec.call);
    const bool qrp = call.find("/QRP") != std::string::npos;
    if (qrp) call = text::ReplaceAll(call, "/QRP", "");
    csvout::ClassifyStation(call, false, out);
    const bool ja = out.StationClass == csvout::kStationJa;
    if (o.toOtherZone && when) {
        if (ja && header.timeBase == "U")
            csvout::ToJst(out);
        else if (!ja && header.timeBase == "J")
            csvout::ToUtc(out);
    }
    if (o.qraIndex)
        out.Name.assign(o.qraIndex->Lookup(out.Call));
    else if (o.qraLibrary)
        out.Name = LookupQraName(*o.qraLibrary, out.Call);
    if (qrp) out.Call += "/QRP";

    out.HisRST = rec.rstSent;
    out.MyRST = rec.rstRcvd;
    out.Freq = std::string(BandText(rec.band));
    if (o.freq == FreqSource::Exact && !rec.freqKhz.empty()) {
        std::string mhz = KhzTextToMhz(rec.freqKhz);
        if (!mhz.empty()) out.Freq = std::move(mhz);
    }
    out.Mode = std::string(ModeName(o, header.kind, rec.mode));

    const bool noQsl = o.honourNoQsl && rec.qsl == QslState::NoQsl;
    const std::string mark = o.qslIssueOn && !o.qslIssueText.empty() && !noQsl ? o.qslIssueText : " ";
    // Turbo HAMLOG's marks are capitals: a "j" typed in the box is written as "J".
    out.QSL = text::ToUpper(text::CharLeft(mark + "  ", 3));

    Put(out, o.rcvNumTarget, rec.rcvNum, false);
    Put(out, o.memoTarget, rec.memo, true);
    Put(out, o.contestNameTarget, header.contestName, true);
    if (o.extraInfoOn)
        Put(out, o.extraTarget == RemarksTarget::Remarks2 ? RemarksTarget::Remarks2 : RemarksTarget::Remarks1,
            o.extraText, true);

    const auto& w = o.widths;
    Width(out.Call, w[0]);
    Width(out.Freq, w[11]);
    Width(out.Mode, w[12]);
    Width(out.MyRST, w[10]);
    Width(out.HisRST, w[9]);

    if (o.qthConvertOn && !rec.rcvNum.empty()) ContestNumberToArea(o, out, rec.rcvNum);

    for (auto [r, width] : {std::pair{&out.Remarks1, w[15]}, std::pair{&out.Remarks2, w[16]}}) {
        r->erase(0, r->size() - text::TrimLeft(*r).size());
        Width(*r, width);
    }
    return when.has_value();
}

namespace {

bool NamedZlox(const std::string& path) {
    if (path.size() < 5) return false;
    std::string ext = path.substr(path.size() - 5);
    for (char& c : ext)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return ext == ".ZLOX";
}

}  // namespace

ZlogResult ConvertZlogLog(const ZlogOptions& o, ConversionCallbacks& cb) {
    ZlogResult result;
    result.outputPath = o.outputPath;
    ZloReader reader(o.inputPath, o.inputBytes);
    result.header = reader.Header();
    if (result.header.kind != ZloKind::Zlox && NamedZlox(o.inputPath))
        throw FormatError(o.inputPath, Message("zlog.zlox-mark-missing"));
    const long long recordSize = static_cast<long long>(reader.RecordSize());
    // One rule for every short file, an empty one included: without a whole header it is
    // not a zLog file. A header followed by less than a record converts to an empty output.
    if (reader.FileSize() < recordSize)
        throw FormatError(o.inputPath,
                          Message("zlog.too-short").Arg("size", reader.FileSize()).Arg("record", recordSize));
    if (o.outputPath == o.inputPath) throw FileError(o.outputPath, Message("zlog.output-is-input"));

    text::Cp932LineWriter out(o.outputPath, o.outputSink);
    out.BlankBreaksInLines();  // a memo or a number holding a line break would split the line
    if (o.outputNameProposed) out.TakeFreeNameAtClose();
    if (reader.TailBytes() > 0)
        cb.Warning(Message("zlog.tail-bytes")
                       .Arg("file", o.inputPath)
                       .Arg("count", reader.TailBytes())
                       .Arg("record", recordSize));
    if (result.header.kind == ZloKind::Zlox &&
        static_cast<long long>(result.header.zloxCount) != reader.ContactCount() &&
        static_cast<long long>(result.header.zloxCount) != reader.ContactCount() + 1)
        cb.Warning(Message("zlog.count-mismatch")
                       .Arg("file", o.inputPath)
                       .Arg("header", result.header.zloxCount)
                       .Arg("count", reader.ContactCount()));

    // The names of the look-up database read once, not once per contact.
    std::optional<QraIndex> qra;
    ZlogOptions withIndex = o;
    if (o.qraLibrary && !o.qraIndex) withIndex.qraIndex = &qra.emplace(*o.qraLibrary);

    ZloRecord rec;
    csvout::HamlogCsvRecord line;
    while (true) {
        if (cb.CancelRequested()) {
            result.cancelled = true;
            break;
        }
        if (!reader.Next(rec)) break;
        const long long n = reader.Number();
        const auto where = [&] { return Message("zlog.where").Arg("file", o.inputPath).Arg("record", n); };
        if (rec.memoLengthByte > kMemoMaxBytes) {
            ++result.memoCuts;
            cb.Warning(Message("zlog.memo-too-long")
                           .Arg("where", where())
                           .Arg("count", rec.memoLengthByte)
                           .Arg("max", kMemoMaxBytes));
        }
        if (!MakeZlogCsvRecord(rec, result.header, withIndex, line)) {
            ++result.badDates;
            cb.Warning(Message("zlog.bad-date").Arg("where", where()).Arg("call", line.Call));
        }
        csvout::WriteHamlogCsvLine(out, line);
        ++result.records;
        cb.Progress(n);
    }
    if (!result.cancelled && reader.Number() < reader.ContactCount()) {
        result.shrunk = true;
        cb.Warning(Message("zlog.shrunk-warning")
                       .Arg("file", o.inputPath)
                       .Arg("count", reader.Number())
                       .Arg("total", reader.ContactCount()));
    }
    {
        const text::Cp932LineWriter::RunEnd closed = out.CloseImport(result.cancelled, result.records);
        result.keptPath = closed.keptPath;
        result.outputReplaced = closed.outputReplaced;
        result.outputPath = out.Path();
    }
    result.unmappable = out.Unmappable();
    if (out.BlankedBreaks() > 0)
        cb.Warning(Message("zlog.blanked-breaks").Arg("file", o.inputPath).Arg("count", out.BlankedBreaks()));
    return result;
}

std::string DefaultZlogOutputPath(const std::string& geneDataFolder, const text::DateTime& now) {
    return geneDataFolder + kOutputPrefix + text::FormatDateTimePattern(now, "yyyymmdd_hhmm");
}

std::string CompletionMessage(const std::string& outputPath, std::string_view lineBreak) {
    return "zLog→Turbo HAMLOG用CSVファイル" + std::string(lineBreak) + outputPath + "を保存しました";
}

Message TimeBaseName(std::string_view timeBase) {
    return Message(timeBase == "J" ? "zlog.zone.jst" : "zlog.zone.utc");
}

ZlogModeNames LoadZlogModeNames(settings::IniStore& ini) {
    ZlogModeNames names;
    for (std::size_t i = 0; i < kModeNameCount; ++i)
        names[i] = ini.ReadOr(kIniSection, kModeKeys[i], kModeDefaults[i]);
    return names;
}

void StoreZlogModeNames(settings::IniStore& ini, const ZlogModeNames& names) {
    ini.CurrentIniSection = kIniSection;
    for (std::size_t i = 0; i < kModeNameCount; ++i) ini.WriteIniValue(kModeKeys[i], names[i]);
}

}  // namespace trelvo::zlog
