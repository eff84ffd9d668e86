#include "export/export_writers.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>
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
    throw FormatError("", Message("export.not-a-date").Arg("value", f.StoredDate));
}

// "<TAG:length>value".
void AppendTag(std::string& out, std::string_view tag, std::size_t length, std::string_view value) {
    // The tag is assembled on the stack and appended at once with its value.
    char head[64];
    char* p = head;
    *p++ = '<';
    const std::size_t n = std::min(tag.size(), sizeof head - 26);
    std::memcpy(p, tag.data(), n);
    p += n;
    *p++ = ':';
    p = std::to_chars(p, head + sizeof head - 1, length).ptr;
    *p++ = '>';
    out.append(head, p);
    out.append(value);
}

int Digits(std::string_view s, std::size_t from, std::size_t n) {
    int v = 0;
    for (std::size_t i = from; i < from + n; ++i) v = v * 10 + (s[i] - '0');
    return v;
}

// A JST time part: one or two characters that are a whole number up to `max`; -1 otherwise.
int TimePart(std::string_view part, int max) {
    if (part.size() == 2 && part[0] >= '0' && part[0] <= '9' && part[1] >= '0' && part[1] <= '9') {
        const int v = (part[0] - '0') * 10 + (part[1] - '0');
        return v <= max ? v : -1;
    }
    std::optional<long long> v = text::WholeNumber(part);
    if (!v || *v < 0 || *v > max || part.find('.') != std::string_view::npos) return -1;
    return static_cast<int>(*v);
}

// Plain ASCII (the values are short: a byte loop beats a call).
bool Ascii(std::string_view s) {
    unsigned char any = 0;
    for (char c : s) any |= static_cast<unsigned char>(c);
    return any < 0x80;
}

void AppendTwo(std::string& out, int v) {
    out += static_cast<char>('0' + v / 10 % 10);
    out += static_cast<char>('0' + v % 10);
}

// "YYYYMMDD" from "YYYY-MM-DD".
std::string CompactDate(const std::string& iso) {
    std::string d;
    d.reserve(8);
    d.append(iso, 0, 4).append(iso, 5, 2).append(iso, 8, 2);
    return d;
}

// The text with every ':' removed.
std::string WithoutColons(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (c != ':') out += c;
    return out;
}

// The first three characters of a code as a number, as the whole-number reading takes them.
std::optional<long long> CodeNumber(std::string_view head) {
    if (head.size() == 3 && std::isdigit(static_cast<unsigned char>(head[0])) &&
        std::isdigit(static_cast<unsigned char>(head[1])) &&
        std::isdigit(static_cast<unsigned char>(head[2])))
        return (head[0] - '0') * 100 + (head[1] - '0') * 10 + (head[2] - '0');
    return text::WholeNumber(head);
}

std::string OrSpace(std::string_view mark) {
    std::string_view t = text::Trim(mark);
    return t.empty() ? std::string(" ") : std::string(t);
}

void AppendQuoted(std::string& line, std::string_view value, bool first = false) {
    // Field separators and quotes are ASCII: the value may already be in the output encoding.
    if (!first) line += ',';
    line += '"';
    line += value;
    line += '"';
}

}  // namespace

std::string BandOf(std::string_view freq) {
    return std::string(BandName(freq));
}

std::string_view BandName(std::string_view freq) {
    freq = text::Trim(freq);
    if (freq == "7") return "40m";
    if (freq.size() < 2) return {};
    const std::string_view two = freq.substr(0, 2), three = freq.substr(0, 3);
    // The first two characters decide; for some, the first three choose another band.
    struct Row {
        std::string_view two, band, three[2], threeBand;
    };
    static constexpr Row kBands[] = {
        {"0.", "2200m", {}, {}},
        {"1.", "160m", {"1.2"}, "23cm"},
        {"3.", "80m", {}, {}},
        {"7.", "40m", {}, {}},
        {"70", "40m", {}, {}},
        {"10", "30m", {}, {}},
        {"14", "20m", {"144", "145"}, "2m"},
        {"18", "17m", {}, {}},
        {"21", "15m", {}, {}},
        {"24", "12m", {"240"}, "13cm"},
        {"28", "10m", {}, {}},
        {"29", "10m", {}, {}},
        {"50", "6m", {}, {}},
        {"51", "6m", {}, {}},
        {"52", "6m", {}, {}},
        {"53", "6m", {}, {}},
        {"43", "70cm", {}, {}},
        {"12", "23cm", {}, {}},
        {"56", "6cm", {}, {}},
        {"*1", "3cm", {}, {}},
        {"*2", "12mm", {}, {}},
        {"*4", "6mm", {}, {}},
        {"*7", "3mm", {}, {}},
    };
    for (const Row& r : kBands) {
        if (two != r.two) continue;
        for (std::string_view t : r.three)
            if (!t.empty() && three == t) return r.threeBand;
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
    return std::string(AdifModeName(mode));
}

std::string_view AdifModeName(std::string_view mode) {
    if (mode == "PH") return "SSB";
    if (mode == "RY" || mode == "RTY" || mode == "TTY") return "RTTY";
    if (mode == "STV" || mode == "SST") return "SSTV";
    return mode;
}

UtcDateTime AdifDateTime(const QsoFields& f) {
    if (f.DateISO.size() != 10) BadDate(f);
    const std::string& d = f.DateISO;
    UtcDateTime out;
    if (!Has(f.Time, "J")) {
        out.date = CompactDate(d);
        out.time = text::CharLeft(WithoutColons(f.Time), 4);
        return out;
    }
    const int hour = TimePart(text::CharMid(f.Time, 1, 2), 23);
    const int minute = TimePart(text::CharMid(f.Time, 4, 2), 59);
    if (hour < 0 || minute < 0)
        throw FormatError("", Message("export.not-a-jst-time").Arg("value", text::TrimRight(f.Time)));
    text::DateTime t{Digits(d, 0, 4), Digits(d, 5, 2), Digits(d, 8, 2), hour, minute, 0};
    t = text::AddMinutes(t, -9 * 60);
    out.date.reserve(8);
    AppendTwo(out.date, t.year / 100);
    AppendTwo(out.date, t.year % 100);
    AppendTwo(out.date, t.month);
    AppendTwo(out.date, t.day);
    AppendTwo(out.time, t.hour);
    AppendTwo(out.time, t.minute);
    return out;
}

std::optional<CodeTag> AdifCodeTag(std::string_view codeText, bool townCodeOff,
                                   const csvout::DxccTable* table) {
    const std::string_view code = text::Trim(codeText);
    const std::size_t n = text::CharCount(code);
    if (n >= 1 && n <= 3) return CodeTag{"JCC", n, std::string(code)};
    if (n == 4) {
        const std::string head = text::CharLeft(code, 3);
        std::optional<long long> number = CodeNumber(head);
        if (!number) throw FormatError("", Message("export.code-not-number").Arg("value", code));
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

std::string_view Encoder::operator()(std::string_view utf8) {
    if (encoding_ == OutputEncoding::kUtf8 || Ascii(utf8)) return utf8;
    text::Utf8ToCp932Into(utf8, scratch_, &stats_);
    return scratch_;
}

void Encoder::AppendStored(std::string& out, std::string_view cp932) {
    if (encoding_ == OutputEncoding::kUtf8)
        out += text::Cp932ToUtf8(cp932);
    else
        text::Cp932RecodeAppend(cp932, out, &stats_);
}

void AdifRecord(const QsoFields& f, const WriterOptions& o, Encoder& enc, std::string& out, Message* note) {
    const UtcDateTime when = AdifDateTime(f);
    std::optional<CodeTag> code;
    if (!o.ExportCodeOff) code = AdifCodeTag(f.Code, o.ExportTownCodeOff, o.hamlogToAdif);
    std::string freq = f.Freq;
    if (o.ExportKhz) {
        if (std::optional<std::string> khz = KhzText(f.Freq))
            freq = *khz;
        else if (note)
            *note = Message("export.freq-not-number").Arg("value", f.Freq);
    }
    const std::string band = BandOf(f.Freq);
    const std::string mode = AdifMode(f.Mode);

    out.clear();
    if (o.standard) {
        // Lengths in bytes of the output encoding. The Shift-JIS standard form is ADIF's ADI,
        // which is ASCII: a value that is not is left out and counted.
        const bool asciiOnly = enc.encoding() == OutputEncoding::kCp932;
        for (const AdifField& field : StandardFields(f, o, note)) {
            if (asciiOnly && !Ascii(field.value)) {
                enc.LeftOut();
                continue;
            }
            const std::string_view v = enc(field.value);
            AppendTag(out, field.name, v.size(), v);
        }
        out += "<EOR>";
        return;
    }
    // Lengths in characters, except the four texts measured in CP932 bytes.
    auto chars = [&out, &enc](std::string_view name, std::string_view value) {
        AppendTag(out, name, text::CharCount(value), enc(value));
    };
    auto bytes = [&out, &enc](std::string_view name, std::string_view value) {
        if (value.empty()) return;
        const std::string_view v = enc(value);
        AppendTag(out, name, v.size(), v);
    };
    auto mark = [&chars](std::string_view name, std::string_view value) {
        value = text::Trim(value);
        if (!value.empty()) chars(name, value);
    };
    chars("CALL", f.Call);
    // The date tag carries its type: "<QSO_DATE:8:d>".
    out += "<QSO_DATE:";
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, text::CharCount(when.date)).ptr);
    out += ":d>";
    out += when.date;
    chars("TIME_ON", when.time);
    chars("FREQ", freq);
    chars("BAND", band);
    chars("MODE", mode);
    if (code) AppendTag(out, code->tag, code->length, enc(code->value));
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
}

StandardMode StandardAdifMode(std::string_view hamlogMode) {
    const std::string m = text::ToUpper(text::Trim(hamlogMode));
    struct Row {
        const char* hamlog;
        const char* mode;
        const char* submode;
    };
    // HAMLOG names (often cut to four characters) and ADIF's mode table.
    static constexpr Row kModes[] = {
        {"PH", "SSB", ""},
        {"RY", "RTTY", ""},
        {"RTY", "RTTY", ""},
        {"TTY", "RTTY", ""},
        {"STV", "SSTV", ""},
        {"SST", "SSTV", ""},
        {"LSB", "SSB", "LSB"},
        {"USB", "SSB", "USB"},
        {"FT4", "MFSK", "FT4"},
        {"JS8", "MFSK", "JS8"},
        {"Q65", "MFSK", "Q65"},
        {"FST4", "MFSK", "FST4"},
        {"FST4W", "MFSK", "FST4W"},
        {"MFSK16", "MFSK", "MFSK16"},
        {"MFSK8", "MFSK", "MFSK8"},
        {"FSQ", "MFSK", "FSQCALL"},
        {"PSK", "PSK", "PSK31"},
        {"PSK3", "PSK", "PSK31"},
        {"PSK31", "PSK", "PSK31"},
        {"BPSK", "PSK", "PSK31"},
        {"PSK6", "PSK", "PSK63"},
        {"PSK63", "PSK", "PSK63"},
        {"PSK1", "PSK", "PSK125"},
        {"PSK125", "PSK", "PSK125"},
        {"QPSK", "PSK", "QPSK31"},
        {"C4FM", "DIGITALVOICE", "C4FM"},
        {"DSTA", "DIGITALVOICE", "DSTAR"},
        {"DSTAR", "DIGITALVOICE", "DSTAR"},
        {"D-ST", "DIGITALVOICE", "DSTAR"},
        {"D-STAR", "DIGITALVOICE", "DSTAR"},
        {"DMR", "DIGITALVOICE", "DMR"},
        {"FREE", "DIGITALVOICE", "FREEDV"},
        {"FREEDV", "DIGITALVOICE", "FREEDV"},
        {"M17", "DIGITALVOICE", "M17"},
        {"DV", "DIGITALVOICE", ""},
        {"FT8", "FT8", ""},
        {"JT65", "JT65", ""},
        {"JT9", "JT9", ""},
        {"MSK1", "MSK144", ""},
        {"WSPR", "WSPR", ""},
    };
    for (const Row& r : kModes)
        if (m == r.hamlog) return {r.mode, r.submode};
    return {m, ""};
}

std::string StandardBand(std::string_view freqMhz) {
    const std::string f(text::Trim(freqMhz));
    char* end = nullptr;
    const double mhz = std::strtod(f.c_str(), &end);
    if (f.empty() || !end || *end != '\0') return {};
    struct Edge {
        double low, high;
        const char* band;
    };
    // ADIF's band table.
    static constexpr Edge kBands[] = {
        {0.1357, 0.1378, "2190m"},   {0.472, 0.479, "630m"},      {0.501, 0.504, "560m"},
        {1.8, 2.0, "160m"},          {3.5, 4.0, "80m"},           {5.06, 5.45, "60m"},
        {7.0, 7.3, "40m"},           {10.1, 10.15, "30m"},        {14.0, 14.35, "20m"},
        {18.068, 18.168, "17m"},     {21.0, 21.45, "15m"},        {24.890, 24.99, "12m"},
        {28.0, 29.7, "10m"},         {40.0, 45.0, "8m"},          {50.0, 54.0, "6m"},
        {54.000001, 69.9, "5m"},     {70.0, 71.0, "4m"},          {144.0, 148.0, "2m"},
        {222.0, 225.0, "1.25m"},     {420.0, 450.0, "70cm"},      {902.0, 928.0, "33cm"},
        {1240.0, 1300.0, "23cm"},    {2300.0, 2450.0, "13cm"},    {3300.0, 3500.0, "9cm"},
        {5650.0, 5925.0, "6cm"},     {10000.0, 10500.0, "3cm"},   {24000.0, 24250.0, "1.25cm"},
        {47000.0, 47200.0, "6mm"},   {75500.0, 81000.0, "4mm"},   {119980.0, 123000.0, "2.5mm"},
        {134000.0, 149000.0, "2mm"}, {241000.0, 250000.0, "1mm"},
    };
    for (const Edge& b : kBands)
        if (mhz >= b.low && mhz <= b.high) return b.band;
    return {};
}

std::optional<JapanArea> JapaneseArea(std::string_view codeText) {
    const std::string_view code = text::Trim(codeText);
    auto digits = [](std::string_view s) {
        return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    auto prefecture = [&](std::string_view two) -> std::string {
        if (!digits(two)) return {};
        const int n = (two[0] - '0') * 10 + (two[1] - '0');
        return n >= 1 && n <= 47 ? std::string(two) : std::string();
    };
    const std::size_t n = code.size();
    if (n == 2 && digits(code) && !prefecture(code).empty()) return JapanArea{std::string(code), {}};
    // A shorter code of digits is a JCC as HAMLOG keeps some: the code alone, no prefecture.
    if (n >= 1 && n <= 3 && digits(code)) return JapanArea{{}, std::string(code)};
    // JCC (4 digits below 5000), JCG (5 digits), Ku (6 digits) and a town code (JCG and a letter).
    const bool jcc = n == 4 && digits(code) && code < "5000";
    const bool jcg = n == 5 && digits(code);
    const bool ku = n == 6 && digits(code);
    const bool town = n == 6 && digits(code.substr(0, 5)) && code[5] >= 'A' && code[5] <= 'Z';
    if (!jcc && !jcg && !ku && !town) return std::nullopt;
    return JapanArea{prefecture(code.substr(0, 2)), std::string(code)};
}

std::vector<AdifField> StandardFields(const QsoFields& f, const WriterOptions& o, Message* note) {
    const UtcDateTime when = AdifDateTime(f);
    std::string freq = std::string(text::Trim(f.Freq));
    char* end = nullptr;
    const bool numeric = !freq.empty() && (std::strtod(freq.c_str(), &end), end && *end == '\0');
    std::string band = numeric ? StandardBand(freq) : std::string();
    if (band.empty()) band = BandOf(f.Freq);  // HAMLOG's microwave notation ("*10") and band numbers
    if (!numeric) freq.clear();               // ADIF's FREQ is a number
    if (numeric && o.ExportKhz) {
        if (std::optional<std::string> khz = KhzText(freq))
            freq = *khz;
        else if (note)
            *note = Message("export.freq-not-number").Arg("value", f.Freq);
    }
    const StandardMode mode = StandardAdifMode(f.Mode);

    std::vector<AdifField> out;
    out.reserve(20);
    auto add = [&out](const char* name, std::string value) {
        if (!value.empty()) out.push_back({name, std::move(value)});
    };
    add("CALL", f.Call);
    add("QSO_DATE", when.date);
    add("TIME_ON", when.time);
    add("FREQ", freq);
    add("BAND", band);
    add("MODE", mode.mode);
    add("SUBMODE", mode.submode);
    if (!o.ExportCodeOff) {
        if (std::optional<JapanArea> area = JapaneseArea(f.Code)) {
            add("DXCC", "339");
            add("STATE", area->state);
            add("CNTY", o.ExportTownCodeOff && area->cnty.size() == 6 && area->cnty.back() >= 'A'
                            ? area->cnty.substr(0, 5)
                            : area->cnty);
        } else if (std::optional<CodeTag> code = AdifCodeTag(f.Code, o.ExportTownCodeOff, o.hamlogToAdif);
                   code && code->tag == "DXCC") {
            add("DXCC", code->value);  // nothing when the table has no entry
        }
    }
    add("RST_SENT", f.HisRST);
    add("RST_RCVD", f.MyRST);
    add("QTH", f.QTH);
    add("NAME", f.Name);
    add("GRIDSQUARE", f.GridLoc);
    add("QSL_SENT", StandardQslSent(f));
    add("QSL_RCVD", StandardQslRcvd(f));
    add("COMMENT", f.Remarks1);
    add("NOTES", f.Remarks2);
    return out;
}

namespace {

void AppendXml(std::string& out, std::string_view s) {
    for (char c : s) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                // Control characters other than tab are not allowed in XML 1.0.
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
                    out += ' ';
                else
                    out += c;
        }
    }
}

void AppendElement(std::string& out, std::string_view name, std::string_view value) {
    out += '<';
    out += name;
    out += '>';
    AppendXml(out, value);
    out += "</";
    out += name;
    out += '>';
}

}  // namespace

std::vector<std::string> AdxHeaderLines(std::string_view created) {
    const std::string version = TRELVO5_VERSION;
    std::string header = "<HEADER>";
    AppendElement(header, "ADIF_VER", "3.1.4");
    AppendElement(header, "PROGRAMID", "TRELVO5");
    AppendElement(header, "PROGRAMVERSION", version);
    AppendElement(header, "CREATED_TIMESTAMP", created);
    header += "</HEADER>";
    return {"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "<ADX>", header, "<RECORDS>"};
}

std::vector<std::string> AdxFooterLines() {
    return {"</RECORDS>", "</ADX>"};
}

void AdxRecord(const QsoFields& f, const WriterOptions& o, Encoder& enc, std::string& out, Message* note) {
    out.assign("<RECORD>");
    for (const AdifField& field : StandardFields(f, o, note)) {
        if (Ascii(field.value)) {
            AppendElement(out, field.name, field.value);
        } else if (field.name == "NAME" || field.name == "QTH" || field.name == "COMMENT" ||
                   field.name == "NOTES") {
            AppendElement(out, field.name + "_INTL", field.value);
        } else {
            enc.LeftOut();
        }
    }
    out += "</RECORD>";
}

std::string CsvCall(std::string_view call) {
    std::string c = text::ToUpper(text::Trim(call));
    if (c.find("/QRP") == std::string::npos) return c;
    return text::ReplaceAll(c, "/QRP", "") + "/QRP";
}

const char* StationClassOf(std::string_view callWithoutQrp) {
    using csvout::OccursInList;
    const std::size_t slash = callWithoutQrp.find('/');
    if (slash == std::string_view::npos) {
        if (OccursInList(csvout::SpecialStationList, callWithoutQrp)) return csvout::kStationDx;
        return OccursInList(csvout::JaPrefixList, callWithoutQrp.substr(0, 2)) ? csvout::kStationJa
                                                                               : csvout::kStationDx;
    }
    const std::string_view before = callWithoutQrp.substr(0, slash), after = callWithoutQrp.substr(slash + 1);
    const std::size_t afterChars = text::CharCount(after);
    // The part after decides when it is shorter than the part before and not a single character.
    const std::string_view key = afterChars < text::CharCount(before) && afterChars >= 2 ? after : before;
    return OccursInList(csvout::JaPrefixList, text::CharLeft(key, 2)) ? csvout::kStationJa
                                                                      : csvout::kStationDx;
}

std::string QslMarks(const QsoFields& f) {
    return OrSpace(f.QslIssueMark) + OrSpace(f.QslSentMark) + OrSpace(f.QslRcvdMark);
}

void CsvRecord(const QsoFields& f, bool v5, Encoder& enc, std::string& line) {
    if (f.DateISO.size() != 10) BadDate(f);
    const std::string& d = f.DateISO;
    const std::string call = CsvCall(f.Call);
    line.clear();
    AppendQuoted(line, enc(call), true);
    if (v5) {
        AppendQuoted(line, d.substr(2, 2) + '/' + d.substr(5, 2) + '/' + d.substr(8, 2));
        AppendQuoted(line, enc(f.Time));
    } else {
        AppendQuoted(line, CompactDate(d));
        AppendQuoted(line, enc(WithoutColons(f.Time)));
    }
    for (const std::string* v : {&f.HisRST, &f.MyRST, &f.Freq, &f.Mode, &f.Code, &f.GridLoc})
        AppendQuoted(line, enc(*v));
    AppendQuoted(line, enc(QslMarks(f)));
    for (const std::string* v : {&f.Name, &f.QTH, &f.Remarks1, &f.Remarks2}) AppendQuoted(line, enc(*v));
    if (v5) AppendQuoted(line, StationClassOf(text::ReplaceAll(call, "/QRP", "")));
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

void Encoder::AppendFitBytes(std::string& line, std::string_view utf8, std::size_t width) {
    if (encoding_ == OutputEncoding::kUtf8) {
        line += text::Cp932FitBytes(utf8, width);
        return;
    }
    const std::string_view b = (*this)(utf8);
    // Cut at a character boundary: a double-byte character the cut divides becomes a space.
    std::size_t i = 0;
    while (i < b.size()) {
        const std::size_t n = text::IsCp932LeadByte(static_cast<unsigned char>(b[i])) ? 2 : 1;
        if (i + n > width) break;
        i += n;
    }
    line.append(b.substr(0, i));
    line.append(width - i, ' ');
}

bool BackupRecord(const QsoFields& f, std::string_view selectedMode, Encoder& enc, std::string& line) {
    if (selectedMode != kAllModes && selectedMode != f.Mode) return false;
    if (f.DateISO.size() != 10) BadDate(f);
    std::string callSign, portable;
    SplitBackupCall(f.Call, callSign, portable);
    const std::string& d = f.DateISO;
    line.clear();
    auto chars = [&line, &enc](std::string_view value, std::size_t width) {
        if (text::IsAscii(value)) {
            const std::size_t n = std::min(value.size(), width);
            line.append(value.substr(0, n));
            line.append(width - n, ' ');
        } else {
            line += enc(text::CharFit(value, width));
        }
    };
    chars(callSign, 7);
    chars(portable, 3);
    chars(f.Code, 6);
    chars(f.GridLoc, 6);
    chars(f.Freq, 7);
    chars(f.Mode, 3);
    enc.AppendFitBytes(line, f.Name, 12);
    line += enc(QslMarks(f));
    line.append(d, 2, 2).append(d, 5, 2).append(d, 8, 2);
    chars(WithoutColons(f.Time), 5);
    chars(f.HisRST, 3);
    chars(f.MyRST, 3);
    enc.AppendFitBytes(line, f.QTH, 28);
    enc.AppendFitBytes(line, f.Remarks1, 54);
    enc.AppendFitBytes(line, f.Remarks2, 54);
    return true;
}

}  // namespace trelvo::exports
