#include "importers/adif/adif_record.h"

#include <algorithm>
#include <cstring>

#include "csvout/station_rules.h"
#include "text/chars.h"
#include "text/cp932.h"
#include "text/numfmt.h"

namespace trelvo::adif {
namespace {

struct Band {
    std::string_view band;
    std::string_view mhz;
};
// Band names in metres and the MHz texts Turbo HAMLOG uses for them ("*" marks the
// microwave bands in HAMLOG's own notation).
constexpr Band kBands[] = {
    {"2200M", "0.135"}, {"160M", "1.9"}, {"80M", "3.5"},  {"40M", "7"},     {"30M", "10"},
    {"20M", "14"},      {"17M", "18"},   {"15M", "21"},   {"12M", "24.9"},  {"10M", "28"},
    {"6M", "50"},       {"2M", "144"},   {"70CM", "430"}, {"23CM", "1200"}, {"13CM", "2400"},
    {"6CM", "5600"},    {"3CM", "*10"},  {"12MM", "*24"}, {"6MM", "*47"},   {"3MM", "*77"},
};

// ADIF's bands that the table above lacks, in the MHz HAMLOG is given for them.
constexpr Band kMoreAdifBands[] = {
    {"2190M", "0.135"}, {"630M", "0.472"}, {"560M", "0.501"}, {"60M", "5.3"},  {"8M", "40"},
    {"5M", "60"},       {"4M", "70"},      {"1.25M", "222"},  {"33CM", "902"}, {"9CM", "3400"},
    {"1.25CM", "*24"},  {"4MM", "*75"},    {"2.5MM", "*120"}, {"2MM", "*142"}, {"1MM", "*241"},
};

std::size_t Width(const AdifLineOptions& o, int i) {
    return static_cast<std::size_t>(std::max(0, o.widths[static_cast<std::size_t>(i)]));
}

// Remarks: the slot, then each extra after two spaces with the ends trimmed, then the fixed
// text when it goes to this column; cut to the byte width unless nothing but spaces is left.
std::string JoinRemarks(const std::string& slot, const std::vector<std::string>& extras, bool fixedHere,
                        const std::string& fixedText, std::size_t widthBytes, text::ByteCut cut) {
    std::string r = slot;
    for (const std::string& e : extras) r = std::string(text::Trim(r + "  " + e));
    if (fixedHere) r = r.empty() ? fixedText : r + "  " + fixedText;
    if (!text::Trim(r).empty()) r = text::Cp932Cut(r, widthBytes, cut);
    return r;
}

// The same from CP932 bytes (the fixed text is UTF-8), into `out` as the bytes to write;
// `stats` counts the characters written as '?' as the text would have counted them.
void JoinRemarksBytes(const std::string& slot, const std::vector<std::string>& extras, bool fixedHere,
                      const std::string& fixedText, std::size_t widthBytes, text::ByteCut cut,
                      std::string& out, text::ConversionStats& stats) {
    std::string r = slot;
    for (const std::string& e : extras) r = std::string(text::Trim(r + "  " + e));
    text::ConversionStats fixedStats;
    if (fixedHere) {
        std::string f;
        text::Utf8ToCp932Into(fixedText, f, &fixedStats);
        r = r.empty() ? f : r + "  " + f;
    }
    if (text::Trim(r).empty()) {
        out = r;
        return;
    }
    if (text::Cp932CutCp932(r, widthBytes, cut, out, &stats)) stats.invalid += fixedStats.invalid;
}

std::string Frequency(std::string_view slot, const AdifLineOptions& o, FreqConversion freq) {
    switch (freq) {
        case FreqConversion::KhzToMhz1: {
            std::string f = text::FormatNumber(text::LeadingNumber(slot) / 1000.0, "#.#");
            if (!f.empty() && f.back() == '.') f.pop_back();
            return f;
        }
        case FreqConversion::KhzToMhz3:
            return text::FormatNumber(text::LeadingNumber(slot) / 1000.0, "####.##0");
        case FreqConversion::BandToMhz: {
            std::string_view mhz = BandTextToMHz(text::ToUpper(slot));
            if (!mhz.empty()) return std::string(mhz);
            return text::CharLeft(slot, Width(o, 11));
        }
        case FreqConversion::AsIs:
        default:
            return text::CharLeft(slot, Width(o, 11));
    }
}

}  // namespace

void AdifRecordState::Clear() {
    for (std::string& s : slots) s.clear();
    for (std::string& s : remarks1Extras) s.clear();
    for (std::string& s : remarks2Extras) s.clear();
    jccValue.clear();
    ajaValue.clear();
    dxccValue.clear();
    jccFlag = ajaFlag = dxccFlag = false;
    submode.clear();
    band.clear();
}

FreqConversion FreqConversionNamed(std::string_view name) {
    for (int i = 0; i < 4; ++i)
        if (kFreqConversionNames[i] == name) return FreqConversionOfOption(i);
    return FreqConversion::AsIs;
}

FreqConversion FreqConversionOfOption(int option) {
    return option >= 0 && option <= 3 ? static_cast<FreqConversion>(option) : FreqConversion::AsIs;
}

std::string_view BandTextToMHz(std::string_view band) {
    for (const Band& b : kBands)
        if (b.band == band) return b.mhz;
    return {};
}

std::string_view AdifBandToMHz(std::string_view band) {
    if (std::string_view mhz = BandTextToMHz(band); !mhz.empty()) return mhz;
    for (const Band& b : kMoreAdifBands)
        if (b.band == band) return b.mhz;
    return {};
}

namespace {

// The first n characters of s into `out`, as text::CharLeft gives them; a text of at most n
// bytes is copied as it is.
void CharLeftInto(std::string_view s, std::size_t n, std::string& out) {
    if (s.size() <= n)
        out.assign(s);
    else
        out = text::CharLeft(s, n);
}

}  // namespace

bool MakeAdifCsvRecord(const AdifRecordState& rec, const AdifLineOptions& o, AdifMeterState& meter,
                       ConversionCallbacks& callbacks, csvout::HamlogCsvRecord& out) {
    csvout::ClearHamlogCsvRecord(out);
    const auto& slot = [&](int c) -> const std::string& { return rec.slots[static_cast<std::size_t>(c)]; };

    // Date "YYYYMMDD" -> "YYYY/MM/DD" -> "YY/MM/DD"; time "HHMM" -> "HH:MM" in UTC.
    const std::string& d = slot(kColDate);
    const std::string& t = slot(kColTime);
    if (text::IsAscii(d) && text::IsAscii(t)) {
        // Characters are bytes: the same cuts without the texts in between.
        const std::string_view dv(d), tv(t);
        const auto part = [](std::string_view s, std::size_t from, std::size_t n) {
            return from < s.size() ? s.substr(from, n) : std::string_view();
        };
        char ymd[16];
        std::size_t k = 0;
        for (const std::string_view piece :
             {part(dv, 0, 4), std::string_view("/"), part(dv, 4, 2), std::string_view("/"), part(dv, 6, 2)})
            for (char c : piece) ymd[k++] = c;
        out.Date.assign(part(std::string_view(ymd, k), 2, 8));
        out.Time.assign(part(tv, 0, 2)).append(":").append(part(tv, 2, 2)).append("U");
    } else {
        const std::string ymd =
            text::CharMid(d, 1, 4) + "/" + text::CharMid(d, 5, 2) + "/" + text::CharMid(d, 7, 2);
        out.Date = text::CharMid(ymd, 3, 8);
        out.Time = text::CharMid(t, 1, 2) + ":" + text::CharMid(t, 3, 2) + "U";
    }

    csvout::ClassifyStation(slot(kColCall), o.jstForJa, out, std::max(0, o.widths[0]));

    const std::string& f = slot(kColFreq);
    if (!meter.meterQuestionAnswered && meter.freq != FreqConversion::BandToMhz &&
        f.find_first_of("Mm") != std::string::npos) {  // what upper case turns into "M"
        if (!callbacks.AskYesNo(std::string(kMeterQuestion))) return false;
        meter.meterQuestionAnswered = true;
        meter.freq = FreqConversion::BandToMhz;
    }
    if (text::Trim(f).empty() && !rec.band.empty()) {
        // No frequency, but the band (eQSL's inbox, for one): its frequency in MHz.
        const std::string_view mhz = AdifBandToMHz(text::ToUpper(rec.band));
        out.Freq = mhz.empty() ? text::CharLeft(rec.band, Width(o, 11)) : std::string(mhz);
    } else {
        out.Freq = Frequency(f, o, meter.freq);
    }

    CharLeftInto(slot(kColHisRst), Width(o, 9), out.HisRST);
    CharLeftInto(slot(kColMyRst), Width(o, 10), out.MyRST);

    if (rec.ajaFlag) {
        out.Code = rec.ajaValue;
    } else if (rec.jccFlag) {
        out.Code = rec.jccValue;
    } else if (!rec.dxccFlag) {
        CharLeftInto(slot(kColCode), Width(o, 5), out.Code);
    } else {
        std::optional<long long> n = text::WholeNumber(rec.dxccValue);
        if (n && *n >= 1 && o.dxcc) out.Code = csvout::LookupAdifToHamlogCode(*o.dxcc, *n);
    }

    CharLeftInto(slot(kColGridLoc), Width(o, 6), out.GridLoc);

    std::string qsl;
    if (!o.qslColumnMapped && o.qslIssueFlag) {
        qsl = csvout::FirstCharOrSpace(o.marks.issue);
    } else if (o.qslColumnMapped) {
        qsl = csvout::FirstCharOrSpace(std::string(text::Trim(slot(kColQsl))));
    } else {
        qsl = " ";
    }
    qsl += (text::Trim(slot(kColQslSent)) == o.marks.adifSent && o.qslSentFlag)
               ? csvout::FirstCharOrSpace(o.marks.sent)
               : std::string(" ");
    qsl += (text::Trim(slot(kColQslRcvd)) == o.marks.adifRcvd && o.qslRcvdFlag)
               ? csvout::FirstCharOrSpace(o.marks.rcvd)
               : std::string(" ");
    out.QSL = qsl;

    if (rec.cp932Bytes) {
        // Bytes in, bytes out: the cuts work on the file's CP932 as they would on its text.
        text::ConversionStats stats;
        if (!slot(kColQth).empty()) text::Cp932CutCp932(slot(kColQth), Width(o, 14), o.cut, out.QTH, &stats);
        if (!slot(kColName).empty())
            text::Cp932CutCp932(slot(kColName), Width(o, 13), o.cut, out.Name, &stats);
        CharLeftInto(rec.submode.empty() ? slot(kColMode) : rec.submode, Width(o, 12), out.Mode);
        JoinRemarksBytes(slot(kColRemarks1), rec.remarks1Extras,
                         o.fixedTextTarget == FixedTextTarget::Remarks1, o.fixedText, Width(o, 15), o.cut,
                         out.Remarks1, stats);
        JoinRemarksBytes(slot(kColRemarks2), rec.remarks2Extras,
                         o.fixedTextTarget == FixedTextTarget::Remarks2, o.fixedText, Width(o, 16), o.cut,
                         out.Remarks2, stats);
        out.cp932Fields =
            csvout::kBytesName | csvout::kBytesQth | csvout::kBytesRemarks1 | csvout::kBytesRemarks2;
        out.cp932Unmappable = stats.invalid;
        return true;
    }
    if (!slot(kColQth).empty()) out.QTH = text::Cp932Cut(slot(kColQth), Width(o, 14), o.cut);
    if (!slot(kColName).empty()) out.Name = text::Cp932Cut(slot(kColName), Width(o, 13), o.cut);

    CharLeftInto(rec.submode.empty() ? slot(kColMode) : rec.submode, Width(o, 12), out.Mode);

    out.Remarks1 =
        JoinRemarks(slot(kColRemarks1), rec.remarks1Extras, o.fixedTextTarget == FixedTextTarget::Remarks1,
                    o.fixedText, Width(o, 15), o.cut);
    out.Remarks2 =
        JoinRemarks(slot(kColRemarks2), rec.remarks2Extras, o.fixedTextTarget == FixedTextTarget::Remarks2,
                    o.fixedText, Width(o, 16), o.cut);
    return true;
}

AdifCsvLine MakeAdifCsvLine(const AdifRecordState& record, const AdifLineOptions& options,
                            AdifMeterState& meter, ConversionCallbacks& callbacks) {
    csvout::HamlogCsvRecord r;
    AdifCsvLine result;
    if (!MakeAdifCsvRecord(record, options, meter, callbacks, r)) {
        result.abort = true;
        return result;
    }
    result.line = csvout::FormatHamlogCsvLine(r);
    return result;
}

}  // namespace trelvo::adif

namespace trelvo::adif {
namespace {

// The first n characters of s, as text::CharLeft gives them, as a part of s.
std::string_view LeftOf(std::string_view s, std::size_t n) {
    if (s.size() <= n) return s;
    if (text::IsAscii(s)) return s.substr(0, n);
    return s.substr(0, text::CharLeft(s, n).size());
}

// A part of s as MakeAdifCsvRecord cuts its date and time: empty from past the end on.
std::string_view Part(std::string_view s, std::size_t from, std::size_t n) {
    return from < s.size() ? s.substr(from, n) : std::string_view();
}

}  // namespace

AdifRecordWriter::AdifRecordWriter(const AdifLineOptions& options)
    : o_(options),
      issue_(csvout::FirstCharOrSpace(options.marks.issue)),
      sent_(csvout::FirstCharOrSpace(options.marks.sent)),
      rcvd_(csvout::FirstCharOrSpace(options.marks.rcvd)) {
    line_.resize(256);
    at_ = line_.data();
    end_ = at_ + line_.size();
    if (options.dxcc) {
        dxccCodes_.resize(kDxccCached);
        dxccKnown_.resize(kDxccCached);
    }
}

namespace {

// A bit for each pair of adjacent bytes in a list: a two-byte key whose bit is clear is not in
// the list, without searching it.
using PairBits = std::array<std::uint64_t, 1024>;
constexpr PairBits PairsOf(std::string_view list) {
    PairBits bits{};
    for (std::size_t i = 0; i + 1 < list.size(); ++i) {
        const unsigned pair =
            static_cast<unsigned char>(list[i]) << 8 | static_cast<unsigned char>(list[i + 1]);
        bits[pair >> 6] |= std::uint64_t{1} << (pair & 63);
    }
    return bits;
}
constexpr PairBits kJaPairs = PairsOf(csvout::JaPrefixList);
constexpr PairBits kSpecialPairs = PairsOf(csvout::SpecialStationList);

bool PairIn(const PairBits& bits, std::string_view s) {
    const unsigned pair = static_cast<unsigned char>(s[0]) << 8 | static_cast<unsigned char>(s[1]);
    return (bits[pair >> 6] >> (pair & 63)) & 1;
}

}  // namespace

bool AdifRecordWriter::InJaList(std::string_view key) const {
    if (key.size() == 2) return PairIn(kJaPairs, key);
    return csvout::OccursInList(csvout::JaPrefixList, key);
}

bool AdifRecordWriter::InSpecialList(std::string_view call) const {
    if (call.size() >= 2 && !PairIn(kSpecialPairs, call)) return false;
    return csvout::OccursInList(csvout::SpecialStationList, call);
}

std::string_view AdifRecordWriter::DxccCode(std::string_view dxcc) {
    // A number of at most three digits: its code from the cache.
    std::size_t n = 0;
    bool digits = !dxcc.empty() && dxcc.size() <= 3 && o_.dxcc;
    for (std::size_t i = 0; digits && i < dxcc.size(); ++i) {
        digits = dxcc[i] >= '0' && dxcc[i] <= '9';
        n = n * 10 + static_cast<std::size_t>(dxcc[i] - '0');
    }
    if (digits) {
        if (n == 0) return {};
        if (!dxccKnown_[n]) {
            dxccCodes_[n] = csvout::LookupAdifToHamlogCode(*o_.dxcc, static_cast<long long>(n));
            dxccKnown_[n] = true;
        }
        return dxccCodes_[n];
    }
    const std::optional<long long> number = text::WholeNumber(dxcc);
    scratch_ =
        number && *number >= 1 && o_.dxcc ? csvout::LookupAdifToHamlogCode(*o_.dxcc, *number) : std::string();
    return scratch_;
}

void AdifRecordWriter::Grow(std::size_t more) {
    const std::size_t used = static_cast<std::size_t>(at_ - line_.data());
    line_.resize(std::max(2 * line_.size(), used + more));
    at_ = line_.data() + used;
    end_ = line_.data() + line_.size();
}

void AdifRecordWriter::Encoded(std::string_view utf8) {
    text::ConversionStats stats;
    encoded_.clear();
    text::Utf8ToCp932Append(utf8, encoded_, &stats);
    unmappable_ += stats.invalid;
    Field(encoded_);
}

void AdifRecordWriter::Kept(std::string_view slot, std::size_t width, bool remarks, bool bytes) {
    // The remarks are cut unless nothing but spaces is left; the name and the QTH unless empty.
    if (remarks ? text::Trim(slot).empty() : slot.empty()) {
        Field(slot);  // spaces or nothing: the same bytes as bytes or as text
        return;
    }
    if (text::IsAscii(slot)) {
        Field(slot.substr(0, std::min(width, slot.size())));
        return;
    }
    if (!bytes) {
        Text(text::Cp932Cut(slot, width, o_.cut));
        return;
    }
    text::ConversionStats stats;
    if (o_.cut == text::ByteCut::kCharacters) {
        // What Cp932CutCp932 gives a text that fits: the text encoded, in a buffer kept.
        scratch_.clear();
        recoder_.Append(slot, scratch_, &stats);
        if (scratch_.size() <= width) {
            unmappable_ += stats.invalid;
            Field(scratch_);
            return;
        }
        stats = {};
    }
    text::Cp932CutCp932(slot, width, o_.cut, scratch_, &stats);
    unmappable_ += stats.invalid;
    Field(scratch_);
}

bool AdifRecordWriter::Station(std::string_view callsign) {
    if (callsign.size() > sizeof call_ || !text::IsAscii(callsign)) return false;
    // Upper case, every "/QRP" taken out (put back after the cut).
    char up[sizeof call_];
    for (std::size_t i = 0; i < callsign.size(); ++i) {
        const char c = callsign[i];
        up[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
    }
    const std::string_view upper(up, callsign.size());
    callLen_ = 0;
    qrp_ = false;
    for (std::size_t from = 0;;) {
        const std::size_t hit = upper.find("/QRP", from);
        const std::string_view piece = upper.substr(from, hit == std::string_view::npos ? hit : hit - from);
        std::memcpy(call_ + callLen_, piece.data(), piece.size());
        callLen_ += piece.size();
        if (hit == std::string_view::npos) break;
        qrp_ = true;
        from = hit + 4;
    }
    const std::string_view call(call_, callLen_);
    const std::size_t width = static_cast<std::size_t>(std::max(0, o_.widths[0]));
    const std::size_t slash = call.find('/');
    if (slash == std::string_view::npos) {
        const std::string_view cut = call.substr(0, width);
        ja_ = !InSpecialList(cut) && InJaList(cut.substr(0, 2));
    } else {
        const std::string_view base = call.substr(0, slash), portable = call.substr(slash + 1);
        ja_ = InJaList(base.size() > portable.size() && portable.size() >= 2 ? portable.substr(0, 2)
                                                                             : base.substr(0, 2));
    }
    callLen_ = std::min(callLen_, width);
    if (!ja_ || !o_.jstForJa) return true;
    // "date hh:mm" nine hours on, as ToJst writes it.
    char stamp[32];
    const std::size_t timeLen = std::min<std::size_t>(timeLen_, 5);
    std::memcpy(stamp, date_, dateLen_);
    stamp[dateLen_] = ' ';
    std::memcpy(stamp + dateLen_ + 1, time_, timeLen);
    char f[16];
    if (!csvout::ShiftStamp(std::string_view(stamp, dateLen_ + 1 + timeLen), 9, f)) return false;
    std::memcpy(date_, f, 10);
    dateLen_ = 10;
    std::memcpy(time_, f + 11, 5);
    time_[5] = 'J';
    timeLen_ = 6;
    return true;
}

bool AdifRecordWriter::Format(const AdifRecordView& rec, const AdifMeterState& meter) {
    if (rec.remarksExtras || o_.fixedTextTarget != FixedTextTarget::None) return false;
    const auto slot = [&](int c) { return rec.slots[static_cast<std::size_t>(c)]; };

    // Date "YYYYMMDD" -> "YY/MM/DD", time "HHMM" -> "HH:MM" + "U"; then the station.
    const std::string_view d = slot(kColDate), t = slot(kColTime);
    if (!text::IsAscii(d) || !text::IsAscii(t)) return false;
    char ymd[16];
    std::size_t k = 0;
    for (const std::string_view piece :
         {Part(d, 0, 4), std::string_view("/"), Part(d, 4, 2), std::string_view("/"), Part(d, 6, 2)})
        for (char c : piece) ymd[k++] = c;
    const std::string_view date = Part(std::string_view(ymd, k), 2, 8);
    if (!date.empty()) std::memcpy(date_, date.data(), date.size());
    dateLen_ = date.size();
    timeLen_ = 0;
    for (const std::string_view piece :
         {Part(t, 0, 2), std::string_view(":"), Part(t, 2, 2), std::string_view("U")})
        for (char c : piece) time_[timeLen_++] = c;
    if (!Station(slot(kColCall))) return false;

    const std::string_view f = slot(kColFreq);
    if (!meter.meterQuestionAnswered && meter.freq != FreqConversion::BandToMhz &&
        f.find_first_of("Mm") != std::string_view::npos)
        return false;  // the question is asked the long way

    at_ = line_.data();
    Put("\"");
    unmappable_ = 0;
    if (qrp_) Put(std::string_view(call_, callLen_));
    Field(qrp_ ? std::string_view("/QRP") : std::string_view(call_, callLen_));
    Field(Date());
    Field(Time());
    Text(LeftOf(slot(kColHisRst), Width(o_, 9)));
    Text(LeftOf(slot(kColMyRst), Width(o_, 10)));
    if (text::Trim(f).empty() && !rec.band.empty()) {
        const std::string_view mhz = AdifBandToMHz(text::ToUpper(rec.band));
        Text(mhz.empty() ? LeftOf(rec.band, Width(o_, 11)) : mhz);
    } else if (meter.freq == FreqConversion::AsIs) {
        Text(LeftOf(f, Width(o_, 11)));
    } else {
        Text(adif::Frequency(f, o_, meter.freq));
    }
    Text(LeftOf(rec.submode.empty() ? slot(kColMode) : rec.submode, Width(o_, 12)));
    if (rec.ajaFlag) {
        Text(rec.ajaValue);
    } else if (rec.jccFlag) {
        Text(rec.jccValue);
    } else if (!rec.dxccFlag) {
        Text(LeftOf(slot(kColCode), Width(o_, 5)));
    } else {
        Text(DxccCode(rec.dxccValue));
    }
    Text(LeftOf(slot(kColGridLoc), Width(o_, 6)));

    if (!o_.qslColumnMapped && o_.qslIssueFlag) {
        qsl_ = issue_;
    } else if (o_.qslColumnMapped) {
        const std::string_view q = text::Trim(slot(kColQsl));
        qsl_.assign(q.empty() ? std::string_view(" ") : LeftOf(q, 1));
    } else {
        qsl_.assign(" ");
    }
    if (o_.qslSentFlag && text::Trim(slot(kColQslSent)) == o_.marks.adifSent)
        qsl_ += sent_;
    else
        qsl_ += ' ';
    if (o_.qslRcvdFlag && text::Trim(slot(kColQslRcvd)) == o_.marks.adifRcvd)
        qsl_ += rcvd_;
    else
        qsl_ += ' ';
    Text(qsl_.size() == 3 && text::IsAscii(qsl_) ? std::string_view(qsl_)
                                                 : std::string_view(text::CharFit(qsl_, 3)));

    Kept(slot(kColName), Width(o_, 13), false, rec.cp932Bytes);
    Kept(slot(kColQth), Width(o_, 14), false, rec.cp932Bytes);
    Kept(slot(kColRemarks1), Width(o_, 15), true, rec.cp932Bytes);
    Kept(slot(kColRemarks2), Width(o_, 16), true, rec.cp932Bytes);
    Put(ja_ ? csvout::kStationJa : csvout::kStationDx);
    Put("\"");
    return true;
}

}  // namespace trelvo::adif
