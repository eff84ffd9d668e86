#include "export/export_writers.h"

#include <charconv>
#include <system_error>

#include "core/errors.h"
#include "csvout/hamlog_csv.h"
#include "csvout/station_rules.h"
#include "text/chars.h"
#include "text/cp932.h"
#include "text/datetime.h"
#include "text/numfmt.h"

namespace trelvo::exports {
namespace {

bool Has(std::string_view s, std::string_view what) {
    return s.find(what) != std::string_view::npos;
}

[[noreturn]] void BadDate(const QsoFields& f) {
    throw FormatError("", "the date \"" + f.StoredDate + "\" is not a date");
}

// "<TAG:length>value".
void AppendTag(std::string& out, std::string_view tag, std::size_t length, std::string_view value) {
    out += '<';
    out += tag;
    out += ':';
    out += std::to_string(length);
    out += '>';
    out += value;
}

// The length of a value in a standard record: bytes of the output encoding.
std::size_t EncodedLength(std::string_view value, OutputEncoding encoding) {
    return encoding == OutputEncoding::kUtf8 ? value.size() : text::Cp932ByteLength(value);
}

int Digits(std::string_view s, std::size_t from, std::size_t n) {
    int v = 0;
    for (std::size_t i = from; i < from + n; ++i) v = v * 10 + (s[i] - '0');
    return v;
}

// A JST time part: one or two characters that are a whole number up to `max`; -1 otherwise.
int TimePart(std::string_view part, int max) {
    std::optional<long long> v = text::WholeNumber(part);
    if (!v || *v < 0 || *v > max || part.find('.') != std::string_view::npos) return -1;
    return static_cast<int>(*v);
}

std::string OrSpace(std::string_view mark) {
    std::string_view t = text::Trim(mark);
    return t.empty() ? std::string(" ") : std::string(t);
}

void AppendQuoted(std::string& line, std::string_view value, bool first = false) {
    if (!first) line += ',';
    line += '"';
    line += value;
    line += '"';
}

}  // namespace

std::string BandOf(std::string_view freq) {
    freq = text::Trim(freq);
    if (freq == "7") return "40m";
    if (freq.size() < 2) return {};
    const std::string_view two = freq.substr(0, 2), three = freq.substr(0, 3);
    // The first two characters decide; for some, the first three choose another band.
    struct Row {
        const char* two;
        const char* band;
        const char* three[2];
        const char* threeBand;
    };
    static constexpr Row kBands[] = {
        {"0.", "2200m", {}, nullptr},        {"1.", "160m", {"1.2"}, "23cm"}, {"3.", "80m", {}, nullptr},
        {"7.", "40m", {}, nullptr},          {"70", "40m", {}, nullptr},      {"10", "30m", {}, nullptr},
        {"14", "20m", {"144", "145"}, "2m"}, {"18", "17m", {}, nullptr},      {"21", "15m", {}, nullptr},
        {"24", "12m", {"240"}, "13cm"},      {"28", "10m", {}, nullptr},      {"29", "10m", {}, nullptr},
        {"50", "6m", {}, nullptr},           {"51", "6m", {}, nullptr},       {"52", "6m", {}, nullptr},
        {"53", "6m", {}, nullptr},           {"43", "70cm", {}, nullptr},     {"12", "23cm", {}, nullptr},
        {"56", "6cm", {}, nullptr},          {"*1", "3cm", {}, nullptr},      {"*2", "12mm", {}, nullptr},
        {"*4", "6mm", {}, nullptr},          {"*7", "3mm", {}, nullptr},
    };
    for (const Row& r : kBands) {
        if (two != r.two) continue;
        for (const char* t : r.three)
            if (t && three == t) return r.threeBand;
        return r.band;
    }
    return {};
}

std::optional<std::string> KhzText(std::string_view freq) {
    freq = text::Trim(freq);
    if (freq.empty() || Has(freq, "/") || Has(freq, "*")) return std::string(freq);
    float v = 0;
    const char* end = freq.data() + freq.size();
    auto [ptr, ec] = std::from_chars(freq.data(), end, v, std::chars_format::general);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    const float khz = v * 1000.0f;
    char buf[64];
    auto [p, e] = std::to_chars(buf, buf + sizeof buf, khz, std::chars_format::fixed);
    if (e != std::errc()) return std::nullopt;
    return std::string(buf, p);
}

std::string AdifMode(std::string_view mode) {
    if (mode == "PH") return "SSB";
    if (mode == "RY" || mode == "RTY" || mode == "TTY") return "RTTY";
    if (mode == "STV" || mode == "SST") return "SSTV";
    return std::string(mode);
}

UtcDateTime AdifDateTime(const QsoFields& f) {
    if (f.DateISO.size() != 10) BadDate(f);
    const std::string& d = f.DateISO;
    UtcDateTime out;
    if (!Has(f.Time, "J")) {
        out.date = d.substr(0, 4) + d.substr(5, 2) + d.substr(8, 2);
        out.time = text::CharLeft(text::ReplaceAll(f.Time, ":", ""), 4);
        return out;
    }
    const int hour = TimePart(text::CharMid(f.Time, 1, 2), 23);
    const int minute = TimePart(text::CharMid(f.Time, 4, 2), 59);
    if (hour < 0 || minute < 0)
        throw FormatError("", "the JST time \"" + std::string(text::TrimRight(f.Time)) + "\" is not a time");
    text::DateTime t{Digits(d, 0, 4), Digits(d, 5, 2), Digits(d, 8, 2), hour, minute, 0};
    t = text::AddMinutes(t, -9 * 60);
    out.date = text::FormatDateTimePattern(t, "yyyymmdd");
    out.time = text::FormatDateTimePattern(t, "hhnn");
    return out;
}

std::optional<CodeTag> AdifCodeTag(std::string_view codeText, bool townCodeOff,
                                   const csvout::DxccTable* table) {
    const std::string_view code = text::Trim(codeText);
    const std::size_t n = text::CharCount(code);
    if (n >= 1 && n <= 3) return CodeTag{"JCC", n, std::string(code)};
    if (n == 4) {
        const std::string head = text::CharLeft(code, 3);
        std::optional<long long> number = text::WholeNumber(head);
        if (!number)
            throw FormatError("", "the code \"" + std::string(code) + "\" does not start with a number");
        if (*number < 500) return CodeTag{"JCC", 4, std::string(code)};
        const std::string found = table ? table->Lookup(*number) : std::string();
        return CodeTag{"DXCC", text::CharCount(found), std::string(text::Trim(found))};
    }
    if (n == 5) return CodeTag{"JCG", 5, std::string(code)};
    if (n == 6) {
        const char last = code.back();
        if (!townCodeOff) {
            if (last >= '0' && last <= '9') return CodeTag{"AJA", 6, std::string(code)};
            return CodeTag{"JCG", 6, std::string(code)};
        }
        if (last >= 'A' && last <= 'Z') return CodeTag{"JCG", 5, text::CharLeft(code, 5)};
        return CodeTag{"AJA", 6, std::string(code)};
    }
    return std::nullopt;
}

std::string StandardQslSent(const QsoFields& f) {
    const bool issue = !text::Trim(f.QslIssueMark).empty();
    if (!text::Trim(f.QslSentMark).empty()) return "Y";
    if (!issue) return text::Trim(f.QslRcvdMark).empty() ? "" : "N";
    return f.QslIssueMark == "N" ? "N" : "Q";
}

std::string StandardQslRcvd(const QsoFields& f) {
    const bool issue = !text::Trim(f.QslIssueMark).empty();
    if (!text::Trim(f.QslRcvdMark).empty()) return "Y";
    if (!issue) return text::Trim(f.QslSentMark).empty() ? "" : "N";
    return f.QslIssueMark == "N" ? "I" : "N";
}

std::vector<std::string> AdifHeaderLines(const WriterOptions& o, std::string_view created) {
    if (!o.standard) return {"<EOH>"};
    std::string version = TRELVO5_VERSION;
    std::vector<std::string> lines = {"Turbo HAMLOG database exported by TRELVO5 " + version};
    auto tag = [&lines](std::string_view name, std::string_view value) {
        std::string l;
        AppendTag(l, name, value.size(), value);
        lines.push_back(l);
    };
    tag("ADIF_VER", "3.1.4");
    tag("PROGRAMID", "TRELVO5");
    tag("PROGRAMVERSION", version);
    tag("CREATED_TIMESTAMP", created);
    lines.push_back("<EOH>");
    return lines;
}

std::string AdifRecord(const QsoFields& f, const WriterOptions& o, std::string* note) {
    const UtcDateTime when = AdifDateTime(f);
    std::optional<CodeTag> code;
    if (!o.ExportCodeOff) code = AdifCodeTag(f.Code, o.ExportTownCodeOff, o.hamlogToAdif);
    std::string freq = f.Freq;
    if (o.ExportKhz) {
        if (std::optional<std::string> khz = KhzText(f.Freq))
            freq = *khz;
        else if (note)
            *note = "the frequency \"" + f.Freq + "\" is not a number; written as stored";
    }
    const std::string band = BandOf(f.Freq);
    const std::string mode = AdifMode(f.Mode);

    std::string out;
    out.reserve(256);
    if (o.standard) {
        auto tag = [&out, &o](std::string_view name, std::string_view value) {
            AppendTag(out, name, EncodedLength(value, o.encoding), value);
        };
        auto optional = [&tag](std::string_view name, std::string_view value) {
            if (!value.empty()) tag(name, value);
        };
        tag("CALL", f.Call);
        tag("QSO_DATE", when.date);
        tag("TIME_ON", when.time);
        tag("FREQ", freq);
        optional("BAND", band);
        tag("MODE", mode);
        if (code) optional(code->tag, code->value);
        tag("RST_SENT", f.HisRST);
        tag("RST_RCVD", f.MyRST);
        optional("QTH", f.QTH);
        optional("NAME", f.Name);
        optional("GRIDSQUARE", f.GridLoc);
        optional("QSL_SENT", StandardQslSent(f));
        optional("QSL_RCVD", StandardQslRcvd(f));
        optional("COMMENT", f.Remarks1);
        optional("NOTES", f.Remarks2);
        out += "<EOR>";
        return out;
    }
    auto chars = [&out](std::string_view name, std::string_view value) {
        AppendTag(out, name, text::CharCount(value), value);
    };
    auto bytes = [&out](std::string_view name, std::string_view value) {
        if (!value.empty()) AppendTag(out, name, text::Cp932ByteLength(value), value);
    };
    auto mark = [&chars](std::string_view name, std::string_view value) {
        value = text::Trim(value);
        if (!value.empty()) chars(name, value);
    };
    chars("CALL", f.Call);
    out += "<QSO_DATE:" + std::to_string(text::CharCount(when.date)) + ":d>" + when.date;
    chars("TIME_ON", when.time);
    chars("FREQ", freq);
    chars("BAND", band);
    chars("MODE", mode);
    if (code) AppendTag(out, code->tag, code->length, code->value);
    chars("RST_SENT", f.HisRST);
    chars("RST_RCVD", f.MyRST);
    bytes("QTH", f.QTH);
    bytes("NAME", f.Name);
    if (!f.GridLoc.empty()) chars("GRIDSQUARE", f.GridLoc);
    mark("QSL_VIA", f.QslIssueMark);
    mark("QSL_SENT", f.QslSentMark);
    mark("QSL_RCVD", f.QslRcvdMark);
    bytes("COMMENT1", f.Remarks1);
    bytes("COMMENT2", f.Remarks2);
    out += "<eor>";
    return out;
}

std::string CsvCall(std::string_view call) {
    csvout::HamlogCsvRecord r;
    csvout::ClassifyStation(text::Trim(call), false, r);
    return r.Call;
}

std::string QslMarks(const QsoFields& f) {
    return OrSpace(f.QslIssueMark) + OrSpace(f.QslSentMark) + OrSpace(f.QslRcvdMark);
}

std::string CsvRecord(const QsoFields& f, bool v5) {
    if (f.DateISO.size() != 10) BadDate(f);
    const std::string& d = f.DateISO;
    csvout::HamlogCsvRecord r;
    csvout::ClassifyStation(text::Trim(f.Call), false, r);
    std::string line;
    line.reserve(256);
    AppendQuoted(line, r.Call, true);
    if (v5) {
        AppendQuoted(line, d.substr(2, 2) + '/' + d.substr(5, 2) + '/' + d.substr(8, 2));
        AppendQuoted(line, f.Time);
    } else {
        AppendQuoted(line, d.substr(0, 4) + d.substr(5, 2) + d.substr(8, 2));
        AppendQuoted(line, text::ReplaceAll(f.Time, ":", ""));
    }
    for (const std::string* v : {&f.HisRST, &f.MyRST, &f.Freq, &f.Mode, &f.Code, &f.GridLoc})
        AppendQuoted(line, *v);
    AppendQuoted(line, QslMarks(f));
    for (const std::string* v : {&f.Name, &f.QTH, &f.Remarks1, &f.Remarks2}) AppendQuoted(line, *v);
    if (v5) AppendQuoted(line, r.StationClass);
    return line;
}

void SplitBackupCall(std::string_view call, std::string& callSign, std::string& portable) {
    const std::size_t slash = call.rfind('/');
    if (slash == std::string_view::npos) {
        callSign = std::string(call);
        portable.clear();
        return;
    }
    std::string_view before = call.substr(0, slash), after = call.substr(slash + 1);
    if (text::CharCount(after) > text::CharCount(before)) std::swap(before, after);
    callSign = std::string(before);
    portable = std::string(after);
}

std::optional<std::string> BackupRecord(const QsoFields& f, std::string_view selectedMode) {
    if (selectedMode != kAllModes && selectedMode != f.Mode) return std::nullopt;
    if (f.DateISO.size() != 10) BadDate(f);
    std::string callSign, portable;
    SplitBackupCall(f.Call, callSign, portable);
    const std::string& d = f.DateISO;
    std::string line;
    line.reserve(220);
    line += text::CharFit(callSign, 7);
    line += text::CharFit(portable, 3);
    line += text::CharFit(f.Code, 6);
    line += text::CharFit(f.GridLoc, 6);
    line += text::CharFit(f.Freq, 7);
    line += text::CharFit(f.Mode, 3);
    line += text::Cp932FitBytes(f.Name, 12);
    line += QslMarks(f);
    line += d.substr(2, 2) + d.substr(5, 2) + d.substr(8, 2);
    line += text::CharFit(text::ReplaceAll(f.Time, ":", ""), 5);
    line += text::CharFit(f.HisRST, 3);
    line += text::CharFit(f.MyRST, 3);
    line += text::Cp932FitBytes(f.QTH, 28);
    line += text::Cp932FitBytes(f.Remarks1, 54);
    line += text::Cp932FitBytes(f.Remarks2, 54);
    return line;
}

}  // namespace trelvo::exports
