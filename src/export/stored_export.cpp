#include "export/stored_export.h"

#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "csvout/station_rules.h"
#include "hamlog/hdb_callsign.h"
#include "text/chars.h"
#include "text/cp932.h"
#include "text/datetime.h"

namespace trelvo::exports {
namespace {

using namespace trelvo::hamlog;

// The text fields in library order, and those that may hold other than ASCII (the writers
// only copy them, encoded; every other field they read as text).
constexpr int kTextFields[] = {kFieldHisRst,  kFieldMyRst, kFieldFreq, kFieldMode,     kFieldCode,
                               kFieldGridLoc, kFieldName,  kFieldQth,  kFieldRemarks1, kFieldRemarks2};
constexpr unsigned kEncodedFields =
    1u << kFieldName | 1u << kFieldQth | 1u << kFieldRemarks1 | 1u << kFieldRemarks2;

// What a field holds besides plain printable ASCII.
struct Kinds {
    bool high = false;     // a byte of 0x80 or more
    bool control = false;  // a byte below 0x20 (NUL, CR and LF among them)
};
Kinds KindsOf(std::string_view s) {
    Kinds k;
    for (char c : s) {
        k.high |= static_cast<unsigned char>(c) >= 0x80;
        k.control |= static_cast<unsigned char>(c) < 0x20;
    }
    return k;
}

// The bits of word `word` of a bitmap that lie in [from, to).
std::uint64_t BitsIn(std::size_t word, std::size_t from, std::size_t to) {
    const std::size_t lo = word * 64;
    const std::size_t a = from > lo ? from - lo : 0, b = to - lo < 64 ? to - lo : 64;
    if (a >= b) return 0;
    return (b == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << b) - 1) & (~std::uint64_t{0} << a);
}

inline void Put(char*& p, std::string_view s) {
    if (!s.empty()) std::memcpy(p, s.data(), s.size());  // an empty view may hold no pointer
    p += s.size();
}
inline void PutTwo(char*& p, int v) {
    *p++ = static_cast<char>('0' + v / 10 % 10);
    *p++ = static_cast<char>('0' + v % 10);
}
// "<TAG:" already in `head`; the length and ">".
inline void PutTag(char*& p, std::string_view head, std::size_t length) {
    Put(p, head);
    if (length < 10) {
        *p++ = static_cast<char>('0' + length);
    } else {
        p = std::to_chars(p, p + 24, length).ptr;
    }
    *p++ = '>';
}
inline void PutTagged(char*& p, std::string_view head, std::string_view value) {
    PutTag(p, head, value.size());
    Put(p, value);
}
inline void PutQuoted(char*& p, std::string_view value) {
    *p++ = ',';
    *p++ = '"';
    Put(p, value);
    *p++ = '"';
}
// Cut to `width` bytes or padded with spaces to it.
inline void PutFit(char*& p, std::string_view value, std::size_t width) {
    const std::size_t n = value.size() < width ? value.size() : width;
    if (n > 0) std::memcpy(p, value.data(), n);
    std::memset(p + n, ' ', width - n);
    p += width;
}

inline unsigned BytePair(char a, char b) {
    return static_cast<unsigned>(static_cast<unsigned char>(a)) << 8 | static_cast<unsigned char>(b);
}

// The text with every "/QRP" taken out, as text::ReplaceAll does it.
std::size_t WithoutQrp(std::string_view s, char* out) {
    std::size_t n = 0, pos = 0;
    for (;;) {
        const std::size_t hit = s.find("/QRP", pos);
        const std::size_t end = hit == std::string_view::npos ? s.size() : hit;
        if (end > pos) std::memcpy(out + n, s.data() + pos, end - pos);
        n += end - pos;
        if (hit == std::string_view::npos) return n;
        pos = hit + 4;
    }
}

}  // namespace

bool StoredRecordWriter::Takes(ExportKind kind, const WriterOptions& o) {
    switch (kind) {
        case ExportKind::kAdif:
            return !o.standard && o.encoding == OutputEncoding::kCp932;
        case ExportKind::kCsv:
        case ExportKind::kCsv5:
        case ExportKind::kBackup:
            return true;
        case ExportKind::kAdx:
            return false;
    }
    return false;
}

bool StoredRecordWriter::Bits::Any(const std::uint64_t* bitmap) const {
    std::uint64_t any = 0;
    for (std::size_t i = 0; i < count; ++i) any |= bitmap[parts[i].word] & parts[i].mask;
    return any != 0;
}

std::string_view StoredRecordWriter::Bits::Trimmed(const char* record, const std::uint64_t* spaces,
                                                   std::size_t offset) const {
    std::size_t begin = 0, end = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t other = ~spaces[parts[i].word] & parts[i].mask;
        if (other) {
            begin = parts[i].word * 64 + static_cast<std::size_t>(std::countr_zero(other));
            break;
        }
    }
    for (std::size_t i = count; i-- > 0;) {
        const std::uint64_t other = ~spaces[parts[i].word] & parts[i].mask;
        if (other) {
            end = parts[i].word * 64 + 64 - static_cast<std::size_t>(std::countl_zero(other));
            break;
        }
    }
    if (end == 0) return std::string_view(record + offset, 0);  // spaces only
    return std::string_view(record + begin, end - begin);
}

StoredRecordWriter::StoredRecordWriter(const HdbHeader& h, ExportKind kind, const WriterOptions& options,
                                       Encoder& encoder)
    : kind_(kind), options_(options), enc_(encoder) {
    auto slice = [&h](int index) {
        const HdbFieldDescriptor& d = h.fields[static_cast<std::size_t>(index)];
        return Slice{static_cast<std::size_t>(d.offset), static_cast<std::size_t>(d.width)};
    };
    callsAt_ = slice(kHdbCalls);
    ignAt_ = slice(kHdbIgn);
    flagAt_ = slice(kHdbFlag);
    dateAt_ = slice(kHdbDate);
    timeAt_ = slice(kHdbTime);
    qslAt_ = slice(kHdbQsl);
    const std::pair<int, int> stored[] = {
        {kFieldHisRst, kHdbHis},    {kFieldMyRst, kHdbMy},     {kFieldFreq, kHdbFreq}, {kFieldMode, kHdbMode},
        {kFieldCode, kHdbCode},     {kFieldGridLoc, kHdbGl},   {kFieldName, kHdbName}, {kFieldQth, kHdbQth},
        {kFieldRemarks1, kHdbRmk1}, {kFieldRemarks2, kHdbRmk2}};
    for (auto [field, index] : stored) slices_[static_cast<std::size_t>(field)] = slice(index);
    // Every stored byte at most three times over (a half-width katakana in UTF-8), and the tags.
    maxLine_ = 3 * static_cast<std::size_t>(h.recordLength) + 1024;
    words_ = (static_cast<std::size_t>(h.recordLength) + 63) / 64;
    marks_.assign(3 * words_, 0);
    auto bits = [](const Slice& s) {
        Bits b;
        for (std::size_t w = s.offset / 64; w * 64 < s.offset + s.width; ++w)
            b.parts[b.count++] = {w, BitsIn(w, s.offset, s.offset + s.width)};
        return b;
    };
    // Every two bytes that stand side by side in the list, commas too: a two-letter text
    // occurs in it exactly when it is one of them.
    const std::string_view list = csvout::JaPrefixList;
    for (std::size_t i = 0; i + 1 < list.size(); ++i) {
        const unsigned pair = BytePair(list[i], list[i + 1]);
        jaPairs_[pair / 64] |= std::uint64_t{1} << (pair % 64);
    }
    callsBits_ = bits(callsAt_);
    ignBits_ = bits(ignAt_);
    for (int field : kTextFields)
        bits_[static_cast<std::size_t>(field)] = bits(slices_[static_cast<std::size_t>(field)]);
}

void StoredRecordWriter::MarkBytes(std::string_view r) {
    std::uint64_t* space = marks_.data();
    std::uint64_t* high = space + words_;
    std::uint64_t* control = high + words_;
    std::size_t i = 0;
#if defined(__SSE2__)
    // A word from four steps of sixteen bytes.
    const __m128i spaces = _mm_set1_epi8(' '), below = _mm_set1_epi8(0x20);
    for (; i + 64 <= r.size(); i += 64) {
        std::uint64_t sp = 0, h = 0, c = 0;
        for (std::size_t k = 0; k < 64; k += 16) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(r.data() + i + k));
            const auto hk = static_cast<unsigned>(_mm_movemask_epi8(x));
            h |= std::uint64_t{hk} << k;
            sp |= std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, spaces)))} << k;
            // A signed comparison: the high bytes are below too.
            c |= std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(x, below))) & ~hk} << k;
        }
        space[i / 64] = sp;
        high[i / 64] = h;
        control[i / 64] = c;
    }
#endif
    for (; i < r.size(); i += 64) {  // the last part of a word, or every word without SSE2
        std::uint64_t sp = 0, h = 0, c = 0;
        for (std::size_t k = 0; k < 64 && i + k < r.size(); ++k) {
            const auto b = static_cast<unsigned char>(r[i + k]);
            sp |= std::uint64_t{b == ' '} << k;
            h |= std::uint64_t{b >= 0x80} << k;
            c |= std::uint64_t{b < 0x20} << k;
        }
        space[i / 64] = sp;
        high[i / 64] = h;
        control[i / 64] = c;
    }
}

bool StoredRecordWriter::Load(std::string_view r) {
    const char* b = r.data();
    const auto* d = reinterpret_cast<const unsigned char*>(b + dateAt_.offset);
    if (d[0] > 99 || d[1] > 99 || d[2] > 99 || d[3] > 99) return false;  // the library gives "??"
    year_ = d[0] * 100 + d[1];
    month_ = d[2];
    day_ = d[3];
    if (!text::IsValidDate(year_, month_, day_)) return false;
    char* y = ymd_;
    for (int i = 0; i < 4; ++i) PutTwo(y, d[i]);

    const auto* t = reinterpret_cast<const unsigned char*>(b + timeAt_.offset);
    hour_ = t[0] <= 99 ? t[0] : -1;
    minute_ = (t[1] & 0x7F) <= 99 ? (t[1] & 0x7F) : -1;
    utc_ = (t[1] & 0x80) != 0;
    char* tp = time_;
    if (hour_ < 0) {
        *tp++ = '?';
        *tp++ = '?';
    } else {
        PutTwo(tp, hour_);
    }
    *tp++ = ':';
    if (minute_ < 0) {
        *tp++ = '?';
        *tp++ = '?';
    } else {
        PutTwo(tp, minute_);
    }
    *tp = utc_ ? 'U' : 'J';

    RebuildHdbCallInto(call_, std::string_view(b + callsAt_.offset, callsAt_.width),
                       std::string_view(b + ignAt_.offset, ignAt_.width),
                       GetLe16(std::string_view(b + flagAt_.offset, flagAt_.width), 0));
    MarkBytes(r);
    const std::uint64_t* space = marks_.data();
    const std::uint64_t* high = space + words_;
    const std::uint64_t* control = high + words_;
    // The call is made of bytes of CALLS and IGN; what it leaves out is spaces and NULs.
    if (callsBits_.Any(high) || ignBits_.Any(high)) return false;
    breaks_ = callsBits_.Any(control) || ignBits_.Any(control);  // at worst a needless look
    fields_[kFieldCall] = text::Trim(call_);

    if (qslAt_.width > 3) return false;
    std::memset(qsl_, ' ', 3);
    std::memcpy(qsl_, b + qslAt_.offset, qslAt_.width);
    for (char c : qsl_) {
        if (c == '\0' || static_cast<unsigned char>(c) >= 0x80) return false;
        if (c == '\r' || c == '\n') breaks_ = true;
    }

    nonAscii_ = 0;
    for (int field : kTextFields) {
        const std::size_t offset = slices_[static_cast<std::size_t>(field)].offset;
        // Spaces are neither high nor control bytes: the whole field tells what its trimmed
        // bytes hold.
        const Bits& f = bits_[static_cast<std::size_t>(field)];
        const std::string_view v = f.Trimmed(b, space, offset);
        if (f.Any(control)) {
            if (v.find('\0') != std::string_view::npos) return false;
            breaks_ = true;
        }
        if (f.Any(high)) {
            if (!(kEncodedFields & (1u << field))) return false;
            nonAscii_ |= 1u << field;
        }
        fields_[static_cast<std::size_t>(field)] = v;
    }
    return true;
}

std::string_view StoredRecordWriter::Encoded(int field) {
    const std::string_view v = fields_[static_cast<std::size_t>(field)];
    if (!(nonAscii_ & (1u << field))) return v;
    scratch_.clear();
    enc_.AppendStored(scratch_, v);
    return scratch_;
}

void StoredRecordWriter::Stored(char*& p, int field) {
    Put(p, Encoded(field));
}

StoredRecordWriter::Outcome StoredRecordWriter::Append(char* out, char*& end, bool& breaks) {
    if (kind_ == ExportKind::kBackup && options_.SelectedMode != kAllModes &&
        options_.SelectedMode != fields_[kFieldMode])
        return Outcome::kPassedOver;
    char* p = out;
    if (!Write(p)) return Outcome::kNotTaken;
    end = p;
    breaks = breaks_;
    return Outcome::kWritten;
}

bool StoredRecordWriter::Write(char*& p) {
    switch (kind_) {
        case ExportKind::kAdif:
            return WriteAdif(p);
        case ExportKind::kCsv:
            return WriteCsv(p, false);
        case ExportKind::kCsv5:
            return WriteCsv(p, true);
        case ExportKind::kBackup:
            return WriteBackup(p);
        case ExportKind::kAdx:
            break;
    }
    return false;
}

bool StoredRecordWriter::WriteAdif(char*& p) {
    // Everything that could send the record to the writers comes first, before the encoder
    // counts anything.
    char date[8], time[4];
    if (utc_) {
        std::memcpy(date, ymd_, 8);
        std::memcpy(time, time_, 2);
        std::memcpy(time + 2, time_ + 3, 2);
    } else {
        // Japan Standard Time: nine hours back, to the day before below 09:00.
        if (hour_ < 0 || hour_ > 23 || minute_ < 0 || minute_ > 59) return false;
        char* dp = date;
        char* tp = time;
        if (hour_ >= 9) {
            std::memcpy(date, ymd_, 8);
            PutTwo(tp, hour_ - 9);
            PutTwo(tp, minute_);
        } else {
            const text::DateTime u = text::AddMinutes({year_, month_, day_, hour_, minute_, 0}, -9 * 60);
            PutTwo(dp, u.year / 100);
            PutTwo(dp, u.year % 100);
            PutTwo(dp, u.month);
            PutTwo(dp, u.day);
            PutTwo(tp, u.hour);
            PutTwo(tp, u.minute);
        }
    }
    const std::string_view freqStored = fields_[kFieldFreq];
    std::optional<std::string> khz;
    if (options_.ExportKhz) {
        khz = KhzText(freqStored);
        if (!khz) return false;  // the writers describe it in the note
    }
    std::optional<CodeTag> code;
    if (!options_.ExportCodeOff) {
        code = AdifCodeTag(fields_[kFieldCode], options_.ExportTownCodeOff, options_.hamlogToAdif);
        // The DXCC number comes from a table file: a long one would not fit MaxLineBytes.
        if (code && code->value.size() > 256) return false;
        if (code && KindsOf(code->value).control) breaks_ = true;
    }

    PutTagged(p, "<CALL:", fields_[kFieldCall]);
    Put(p, "<QSO_DATE:8:d>");
    Put(p, std::string_view(date, 8));
    Put(p, "<TIME_ON:4>");
    Put(p, std::string_view(time, 4));
    PutTagged(p, "<FREQ:", khz ? std::string_view(*khz) : freqStored);
    PutTagged(p, "<BAND:", BandName(freqStored));
    PutTagged(p, "<MODE:", AdifModeName(fields_[kFieldMode]));
    if (code) {
        *p++ = '<';
        Put(p, code->tag);
        PutTag(p, ":", code->length);
        Put(p, enc_(code->value));
    }
    PutTagged(p, "<RST_SENT:", fields_[kFieldHisRst]);
    PutTagged(p, "<RST_RCVD:", fields_[kFieldMyRst]);
    auto bytes = [this, &p](std::string_view head, int field) {
        if (fields_[static_cast<std::size_t>(field)].empty()) return;
        PutTagged(p, head, Encoded(field));
    };
    bytes("<QTH:", kFieldQth);
    bytes("<NAME:", kFieldName);
    if (!fields_[kFieldGridLoc].empty()) PutTagged(p, "<GRIDSQUARE:", fields_[kFieldGridLoc]);
    const std::string_view marks[] = {"<QSL_VIA:1>", "<QSL_SENT:1>", "<QSL_RCVD:1>"};
    for (int i = 0; i < 3; ++i) {
        if (qsl_[i] == ' ') continue;
        Put(p, marks[i]);
        *p++ = qsl_[i];
    }
    bytes("<COMMENT1:", kFieldRemarks1);
    bytes("<COMMENT2:", kFieldRemarks2);
    Put(p, "<eor>");
    return true;
}

bool StoredRecordWriter::WriteCsv(char*& p, bool v5) {
    // The call in upper case, every "/QRP" moved to the end as one.
    const std::string_view stored = fields_[kFieldCall];
    char* callAt = p + 1;
    *p++ = '"';
    for (char c : stored) *p++ = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    // A call is at most CALLS and IGN wide and a slash (dBase widths are below 256 bytes).
    std::string_view call(callAt, stored.size());
    char base[520];
    if (call.size() > sizeof base) return false;
    if (call.find("/QRP") != std::string_view::npos) {
        const std::size_t n = WithoutQrp(call, base);
        std::memcpy(callAt, base, n);
        std::memcpy(callAt + n, "/QRP", 4);
        call = std::string_view(callAt, n + 4);
        p = callAt + call.size();
    }
    *p++ = '"';
    const char* d = ymd_;
    if (v5) {
        const char date[] = {',', '"', d[2], d[3], '/', d[4], d[5], '/', d[6], d[7], '"'};
        Put(p, std::string_view(date, sizeof date));
        PutQuoted(p, std::string_view(time_, 6));
    } else {
        PutQuoted(p, std::string_view(d, 8));
        const char time[] = {time_[0], time_[1], time_[3], time_[4], time_[5]};
        PutQuoted(p, std::string_view(time, sizeof time));
    }
    for (int field : {kFieldHisRst, kFieldMyRst, kFieldFreq, kFieldMode, kFieldCode, kFieldGridLoc})
        PutQuoted(p, fields_[static_cast<std::size_t>(field)]);
    PutQuoted(p, std::string_view(qsl_, 3));
    for (int field : {kFieldName, kFieldQth, kFieldRemarks1, kFieldRemarks2}) {
        *p++ = ',';
        *p++ = '"';
        Stored(p, field);
        *p++ = '"';
    }
    if (v5) PutQuoted(p, StationClass(std::string_view(base, WithoutQrp(call, base))));
    return true;
}

// StationClassOf for an ASCII call, with the two-letter look-ups in the JA prefix list
// answered from jaPairs_.
const char* StoredRecordWriter::StationClass(std::string_view call) const {
    using csvout::OccursInList;
    auto ja = [this](std::string_view key) {
        if (key.size() != 2) return OccursInList(csvout::JaPrefixList, key);
        const unsigned pair = BytePair(key[0], key[1]);
        return ((jaPairs_[pair / 64] >> (pair % 64)) & 1) != 0;
    };
    const std::size_t slash = call.find('/');
    if (slash == std::string_view::npos) {
        if (OccursInList(csvout::SpecialStationList, call)) return csvout::kStationDx;
        return ja(call.substr(0, 2)) ? csvout::kStationJa : csvout::kStationDx;
    }
    const std::string_view before = call.substr(0, slash), after = call.substr(slash + 1);
    const std::string_view key = after.size() < before.size() && after.size() >= 2 ? after : before;
    return ja(key.substr(0, 2)) ? csvout::kStationJa : csvout::kStationDx;
}

bool StoredRecordWriter::WriteBackup(char*& p) {
    // In UTF-8 a text the width cuts is measured in Shift-JIS: left to the writers.
    if (enc_.encoding() == OutputEncoding::kUtf8 && nonAscii_ != 0) return false;
    const std::string_view call = fields_[kFieldCall];
    std::string_view callSign = call, portable;
    const std::size_t slash = call.rfind('/');
    if (slash != std::string_view::npos) {
        callSign = call.substr(0, slash);
        portable = call.substr(slash + 1);
        if (portable.size() > callSign.size()) std::swap(callSign, portable);
    }
    PutFit(p, callSign, 7);
    PutFit(p, portable, 3);
    PutFit(p, fields_[kFieldCode], 6);
    PutFit(p, fields_[kFieldGridLoc], 6);
    PutFit(p, fields_[kFieldFreq], 7);
    PutFit(p, fields_[kFieldMode], 3);
    // Cut at a character boundary: a double-byte character the width divides becomes a space.
    auto fitBytes = [this, &p](int field, std::size_t width) {
        const std::string_view b = Encoded(field);
        std::size_t i = 0;
        while (i < b.size()) {
            const std::size_t n = text::IsCp932LeadByte(static_cast<unsigned char>(b[i])) ? 2 : 1;
            if (i + n > width) break;
            i += n;
        }
        // (A recoded text never ends in a lone lead byte, so i <= b.size(); kept as the
        // writers keep it all the same.)
        const std::size_t kept = i < b.size() ? i : b.size();
        if (kept > 0) std::memcpy(p, b.data(), kept);
        std::memset(p + kept, ' ', width - i);
        p += kept + (width - i);
    };
    fitBytes(kFieldName, 12);
    Put(p, std::string_view(qsl_, 3));
    Put(p, std::string_view(ymd_ + 2, 6));
    const char time[] = {time_[0], time_[1], time_[3], time_[4], time_[5]};
    Put(p, std::string_view(time, sizeof time));
    PutFit(p, fields_[kFieldHisRst], 3);
    PutFit(p, fields_[kFieldMyRst], 3);
    fitBytes(kFieldQth, 28);
    fitBytes(kFieldRemarks1, 54);
    fitBytes(kFieldRemarks2, 54);
    return true;
}

}  // namespace trelvo::exports
