#include "importers/digipan/digipan_values.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "text/chars.h"
#include "text/datetime.h"
#include "text/numfmt.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace trelvo::digipan {
namespace {

constexpr std::size_t kBlock = 1 << 20;

// "," -> " " and ";" -> ",", every other byte unchanged. Neither byte can be the second byte
// of a CP932 character, so the log is edited as bytes.
char Separated(char c) {
    return c == ',' ? ' ' : c == ';' ? ',' : c;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The first byte from `p` on that is `a`, `b` or `c`, or `end` when none is before it.
// Sixteen bytes at a time where the processor has SSE2; values are short, so no call is made.
inline const char* FindStop(const char* p, const char* end, char a, char b, char c) {
#if defined(__SSE2__)
    const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b), vc = _mm_set1_epi8(c);
    for (; end - p >= 16; p += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int mask = _mm_movemask_epi8(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, va), _mm_cmpeq_epi8(x, vb)), _mm_cmpeq_epi8(x, vc)));
        if (mask) return p + __builtin_ctz(static_cast<unsigned>(mask));
    }
#endif
    while (p < end && *p != a && *p != b && *p != c) ++p;
    return p;
}

int TwoDigits(std::string_view s, std::size_t at) {
    return (s[at] - '0') * 10 + (s[at + 1] - '0');
}

// The usual block: every line end in it is CR LF, none split from the block before or after.
// Then the copy is the block with only its separators changed, done in one sweep, and `lines`
// is the count of its LFs.
bool AllLineEndsCrLf(const char* b, std::size_t n, char* translated, std::size_t& lines) {
    // Every CR followed by an LF and every LF after a CR: the LFs stand where the CRs were,
    // one byte on. `afterCr` carries a CR at the end of one step into the next.
    bool ok = true;
    bool afterCr = false;
    std::size_t i = 0;
    lines = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: the separators swapped by masks; every LF must stand where the
    // CR one byte before it (in this step or the last one) does, and the LFs are counted in
    // byte lanes (added up before a lane can pass 255).
    const __m128i comma = _mm_set1_epi8(','), semicolon = _mm_set1_epi8(';');
    const __m128i toSpace = _mm_set1_epi8(',' ^ ' '), toComma = _mm_set1_epi8(';' ^ ',');
    const __m128i crs = _mm_set1_epi8('\r'), lfs = _mm_set1_epi8('\n'), zero = _mm_setzero_si128();
    __m128i lastCr = zero, wrong = zero;
    while (i + 16 <= n) {
        __m128i count = zero;
        for (int step = 0; step < 255 && i + 16 <= n; ++step, i += 16) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
            const __m128i flip = _mm_or_si128(_mm_and_si128(_mm_cmpeq_epi8(x, comma), toSpace),
                                              _mm_and_si128(_mm_cmpeq_epi8(x, semicolon), toComma));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(translated + i), _mm_xor_si128(x, flip));
            const __m128i isLf = _mm_cmpeq_epi8(x, lfs), isCr = _mm_cmpeq_epi8(x, crs);
            count = _mm_sub_epi8(count, isLf);
            const __m128i crBefore = _mm_or_si128(_mm_slli_si128(isCr, 1), _mm_srli_si128(lastCr, 15));
            wrong = _mm_or_si128(wrong, _mm_xor_si128(crBefore, isLf));
            lastCr = isCr;
        }
        const __m128i sums = _mm_sad_epu8(count, zero);
        lines += static_cast<std::size_t>(_mm_cvtsi128_si32(sums)) +
                 static_cast<std::size_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
    }
    ok = _mm_movemask_epi8(wrong) == 0;
    afterCr = (_mm_movemask_epi8(lastCr) & 0x8000) != 0;
#endif
    for (; i < n; ++i) {
        const char c = b[i];
        ok &= (c == '\n') == afterCr;
        afterCr = c == '\r';
        lines += c == '\n';
        translated[i] = Separated(c);
    }
    return ok && !afterCr;
}

}  // namespace

namespace {

// The read size for a file of this size: a block, or less for a small file (the buffers are
// filled with zeros when they are made).
std::size_t ChunkFor(long long fileSize) {
    return fileSize > 0
               ? static_cast<std::size_t>(std::min<long long>(static_cast<long long>(kBlock), fileSize + 1))
               : kBlock;
}

}  // namespace

bool NormaliseSeparators(const std::string& logPath, const std::string& tempPath,
                         ConversionCallbacks& callbacks) {
    text::Cp932LineWriter out(tempPath);
    return NormaliseSeparators(logPath, out, callbacks);
}

bool NormaliseSeparators(const std::string& logPath, text::Cp932LineWriter& out,
                         ConversionCallbacks& callbacks, const std::string_view* bytes) {
    text::ByteReader in(logPath, bytes);
    const std::size_t chunk = ChunkFor(in.FileSize());
    std::vector<char> block(chunk);
    std::vector<char> conv(2 * chunk);  // a lone CR or LF becomes two bytes
    bool afterCr = false;               // the previous byte ended a line with CR: a LF now belongs to it
    bool lineStart = true;              // the next byte starts a line
    bool lineOpen = false;              // a line was started and has not ended yet
    for (;;) {
        const std::size_t n = in.ReadInto(block.data(), chunk);
        if (n == 0) break;
        std::size_t lfs = 0;
        if (!afterCr && AllLineEndsCrLf(block.data(), n, conv.data(), lfs)) {
            // Poll before each line that starts in the block (the line after a last LF starts
            // in the next one), then write the block whole.
            const char* const b = conv.data();
            const bool endsWithLf = b[n - 1] == '\n';
            const std::size_t polls = (lineStart ? 1 : 0) + lfs - (endsWithLf ? 1 : 0);
            for (std::size_t k = 0; k < polls; ++k) {
                if (!callbacks.CancelRequested()) continue;
                // The k-th line that starts here begins after this many LFs.
                const char* p = b;
                for (std::size_t skip = lineStart ? k : k + 1; skip > 0; --skip)
                    p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(b + n - p))) +
                        1;
                out.WriteBytes(std::string_view(b, static_cast<std::size_t>(p - b)));
                out.Close();
                return false;
            }
            lineStart = endsWithLf;
            lineOpen = !lineStart;
            out.WriteBytes(std::string_view(b, n));
            continue;
        }
        char* o = conv.data();
        const char* p = block.data();
        const char* const end = p + n;
        while (p < end) {
            if (afterCr) {
                afterCr = false;
                if (*p == '\n') {
                    ++p;
                    continue;
                }
            }
            if (lineStart) {
                if (callbacks.CancelRequested()) {
                    out.WriteBytes(std::string_view(conv.data(), static_cast<std::size_t>(o - conv.data())));
                    out.Close();
                    return false;
                }
                lineStart = false;
                lineOpen = true;
            }
            while (p < end && *p != '\r' && *p != '\n') *o++ = Separated(*p++);
            if (p == end) break;
            afterCr = *p == '\r';
            ++p;
            *o++ = '\r';
            *o++ = '\n';
            lineStart = true;
            lineOpen = false;
        }
        out.WriteBytes(std::string_view(conv.data(), static_cast<std::size_t>(o - conv.data())));
    }
    if (lineOpen) out.WriteBytes("\r\n");  // a last line without a line end still gets one
    out.Close();
    return true;
}

ValueStream::ValueStream(const std::string& path, const std::string_view* bytes)
    : reader_(path, bytes), chunk_(ChunkFor(reader_.FileSize())), buf_(2 * chunk_) {}

bool ValueStream::Refill() {
    if (eof_) return false;
    const auto drop = static_cast<std::size_t>(keep_ - base_);
    if (drop > 0) {
        std::memmove(buf_.data(), buf_.data() + drop, end_ - drop);
        end_ -= drop;
        pos_ -= drop;
        base_ = keep_;
    }
    // Grows only for a contact longer than the buffer (a quote that is never closed).
    if (buf_.size() - end_ < chunk_) buf_.resize(std::max(2 * buf_.size(), end_ + chunk_));
    const std::size_t n = reader_.ReadInto(buf_.data() + end_, chunk_);
    if (n == 0) {
        eof_ = true;
        return false;
    }
    end_ += n;
    return true;
}

void ValueStream::SkipLineEnd() {
    const char c = buf_[pos_++];
    if (c == '\r' && (pos_ < end_ || Refill()) && buf_[pos_] == '\n') ++pos_;
    ++line_;
}

void ValueStream::ScanQuoted() {
    bool afterCr = false;
    for (;;) {
        const char* b = buf_.data() + pos_;
        const char* e = buf_.data() + end_;
        const char* q = static_cast<const char*>(std::memchr(b, '"', static_cast<std::size_t>(e - b)));
        const char* stop = q ? q : e;
        for (const char* p = b; p < stop; ++p) {
            if (*p == '\r')
                ++line_;
            else if (*p == '\n' && !afterCr)
                ++line_;
            afterCr = *p == '\r';
        }
        pos_ += static_cast<std::size_t>(stop - b);
        if (q || !Refill()) return;  // no closing quote: the value runs to the end of the file
    }
}

void ValueStream::ScanUnquoted() {
    for (;;) {
        const char* b = buf_.data() + pos_;
        const char* e = buf_.data() + end_;
        const char* p = FindStop(b, e, ',', '\r', '\n');
        pos_ += static_cast<std::size_t>(p - b);
        if (p < e || !Refill()) return;
    }
}

bool ValueStream::Next(ValueRef& ref, ValueInfo& info) {
    for (;;) {
        if (pos_ == end_ && !Refill()) {
            if (atLineStart_) return false;
            break;  // a separator just before the end of the file: one more, empty value
        }
        const char c = buf_[pos_];
        if (c == ' ') {
            ++pos_;
        } else if (atLineStart_ && (c == '\r' || c == '\n')) {
            SkipLineEnd();  // a blank line holds no values
        } else {
            break;
        }
    }
    if (atLineStart_) index_ = 0;
    atLineStart_ = false;
    info.line = line_;
    info.index = ++index_;

    if (pos_ < end_ && buf_[pos_] == '"') {
        ++pos_;
        ref.at = base_ + static_cast<long long>(pos_);
        ScanQuoted();
        ref.size = static_cast<std::size_t>(base_ + static_cast<long long>(pos_) - ref.at);
        info.unclosedQuote = pos_ == end_;
        if (pos_ < end_) ++pos_;  // the closing quote
        for (;;) {                // what follows it, up to the separator, is dropped
            while (pos_ < end_ && buf_[pos_] != ',' && buf_[pos_] != '\r' && buf_[pos_] != '\n') ++pos_;
            if (pos_ < end_ || !Refill()) break;
        }
    } else {
        info.unclosedQuote = false;
        ref.at = base_ + static_cast<long long>(pos_);
        ScanUnquoted();
        ref.size = static_cast<std::size_t>(base_ + static_cast<long long>(pos_) - ref.at);
    }
    info.endLine = line_;
    if (pos_ == end_) {  // the scans refilled: nothing is left
        info.lastOnLine = true;
        atLineStart_ = true;
    } else if (buf_[pos_] == ',') {
        ++pos_;
        info.lastOnLine = false;
    } else {
        SkipLineEnd();
        info.lastOnLine = true;
        atLineStart_ = true;
    }
    return true;
}

bool ValueStream::NextLine(ValueRef* refs, int count, LineFacts* facts) {
    for (;;) {
        const Scan scan = ScanLine(refs, count, facts);
        if (scan != Scan::kNeedMore) return scan == Scan::kTaken;
        if (!Refill()) return false;
    }
}

ValueStream::Scan ValueStream::ScanLine(ValueRef* refs, int count, LineFacts* facts) {
    if (!atLineStart_ || pos_ >= end_ || count < 1) return Scan::kNot;
    const char* const b = buf_.data() + pos_;
    const char* const lim = buf_.data() + end_;
    const long long at = base_ + static_cast<long long>(pos_);  // the file offset of b
    // One sweep up to the first quote or control byte, which must be the CR of the line's
    // CR LF: each comma ends a value, and the high bytes and the values that start with a
    // space are noted. (A line with a quote, a NUL, a lone CR or another control byte is
    // left to Next().)
    ValueRef* r = refs;
    ValueRef* const last = refs + (count - 1);
    const char* v = b;  // where the value being read starts
    const char* stop = nullptr;
    unsigned high = 0;
    bool leadingSpace = *b == ' ';
    const char* p = b;
#if defined(__SSE2__)
    // Thirty-two bytes at a time, as bit masks; a comma in the last bit looks at the first
    // byte of the next step for a space.
    const __m128i comma = _mm_set1_epi8(','), quote = _mm_set1_epi8('"'), space = _mm_set1_epi8(' ');
    const auto bits = [](__m128i lo, __m128i hi) {
        return static_cast<unsigned>(_mm_movemask_epi8(lo)) | static_cast<unsigned>(_mm_movemask_epi8(hi))
                                                                  << 16;
    };
    unsigned carry = 0;
    for (; lim - p >= 32; p += 32) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        const unsigned hi = bits(x, y);
        // Below a space as signed bytes: the control bytes, and the high ones taken out again.
        const unsigned stops = (bits(_mm_cmpgt_epi8(space, x), _mm_cmpgt_epi8(space, y)) & ~hi) |
                               bits(_mm_cmpeq_epi8(x, quote), _mm_cmpeq_epi8(y, quote));
        const unsigned keep = stops ? (1u << __builtin_ctz(stops)) - 1 : ~0u;  // the bytes before it
        unsigned commas = bits(_mm_cmpeq_epi8(x, comma), _mm_cmpeq_epi8(y, comma)) & keep;
        const unsigned spaces = bits(_mm_cmpeq_epi8(x, space), _mm_cmpeq_epi8(y, space)) & keep;
        high |= hi & keep;
        leadingSpace |= (((commas << 1) | carry) & spaces) != 0;
        carry = commas >> 31;
        for (; commas; commas &= commas - 1) {
            if (r == last) return Scan::kNot;  // more values than `count`
            const char* const c = p + __builtin_ctz(commas);
            r->at = at + (v - b);
            r->size = static_cast<std::size_t>(c - v);
            ++r;
            v = c + 1;
        }
        if (stops) {
            stop = p + __builtin_ctz(stops);
            break;
        }
    }
    if (!stop && carry && p < lim) leadingSpace |= *p == ' ';
#endif
    for (; !stop && p < lim; ++p) {
        const char c = *p;
        if (static_cast<unsigned char>(c) < 0x20 || c == '"') {
            stop = p;
        } else if (c == ',') {
            if (r == last) return Scan::kNot;
            r->at = at + (v - b);
            r->size = static_cast<std::size_t>(p - v);
            ++r;
            v = p + 1;
            leadingSpace |= v < lim && *v == ' ';
        } else {
            high |= static_cast<unsigned char>(c) & 0x80u;
        }
    }
    if (stop && *stop != '\r') return Scan::kNot;
    // A line begun near the end of what was read in is read on once more before it is left
    // to Next() (a longer one stays with Next(), which keeps only the values of a contact).
    if (!stop || stop + 1 == lim)
        return !eof_ && static_cast<std::size_t>(lim - b) < chunk_ ? Scan::kNeedMore : Scan::kNot;
    if (stop[1] != '\n' || r != last) return Scan::kNot;
    const char* const e = stop;  // the CR
    const char* const nl = stop + 1;
    last->at = at + (v - b);
    last->size = static_cast<std::size_t>(e - v);
    if (leadingSpace) {  // the spaces that start a value are not part of it
        for (ValueRef* k = refs; k <= last; ++k) {
            const char* s = buf_.data() + (k->at - base_);
            for (; k->size > 0 && *s == ' '; ++s, --k->size) ++k->at;
        }
    }
    if (count == 1 && last->size == 0) return Scan::kNot;  // a blank line: Next() skips it
    if (facts) facts->high = high != 0;
    pos_ = static_cast<std::size_t>(nl + 1 - buf_.data());
    ++line_;
    index_ = count;
    return Scan::kTaken;
}

void ValueStream::LineInfo(ValueInfo* info, int count) const {
    for (int k = 0; k < count; ++k) {
        ValueInfo& i = info[static_cast<std::size_t>(k)];
        i.line = i.endLine = line_ - 1;
        i.index = k + 1;
        i.lastOnLine = k == count - 1;
        i.unclosedQuote = false;
    }
}

bool ValueStream::Next(std::string& value, ValueInfo& info) {
    ValueRef ref;
    if (!Next(ref, info)) return false;
    value.assign(View(ref));
    Release();
    return true;
}

bool IsDigipanStamp(std::string_view s) {
    if (s.size() < 12) return false;
    // Twelve digits, eight and four at a time: each byte 0x30 to 0x3F, and 0x39 at most (six
    // more stays below 0x40; no byte carries into the next).
    std::uint64_t a = 0;
    std::uint32_t c = 0;
    std::memcpy(&a, s.data(), 8);
    std::memcpy(&c, s.data() + 8, 4);
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    const auto digits = [](std::uint64_t x, std::uint64_t ones) {
        return (x & 0xF0 * ones) == 0x30 * ones && ((x + 0x06 * ones) & 0xF0 * ones) == 0x30 * ones;
    };
    if (!digits(a, kOnes) || !digits(c, kOnes >> 32)) return false;
    const int year = TwoDigits(s, 0) * 100 + TwoDigits(s, 2);
    return text::IsValidDate(year, TwoDigits(s, 4), TwoDigits(s, 6)) && TwoDigits(s, 8) <= 23 &&
           TwoDigits(s, 10) <= 59;
}

void SetDateTimeFromStamp(std::string_view stamp, csvout::HamlogCsvRecord& record) {
    if (stamp.size() >= 12 && text::IsAscii(stamp.substr(0, 12))) {
        // The usual stamp: characters are bytes, so the texts are cut straight out of it.
        record.Date.assign(stamp.substr(2, 2))
            .append(1, '/')
            .append(stamp.substr(4, 2))
            .append(1, '/')
            .append(stamp.substr(6, 2));
        record.Time.assign(stamp.substr(8, 2)).append(1, ':').append(stamp.substr(10, 2)).append(1, 'U');
        return;
    }
    // "yyyy/mm/dd hh:nn" from the digits, then the two-digit-year date and the time from it.
    std::string s;
    s.reserve(16);
    s += text::CharMid(stamp, 1, 4);
    s += '/';
    s += text::CharMid(stamp, 5, 2);
    s += '/';
    s += text::CharMid(stamp, 7, 2);
    s += ' ';
    s += text::CharMid(stamp, 9, 2);
    s += ':';
    s += text::CharMid(stamp, 11, 2);
    record.Date = text::CharMid(s, 3, 8);
    record.Time = text::CharMid(s, 12, 5) + "U";
}

std::optional<std::string> FrequencyText(std::string_view value, FreqFormat format) {
    // The usual value, whole kHz digits and a point before the three dropped characters
    // ("14070.150"), is formatted from the integer; the result is the same as below.
    if (value.size() > 3 && value.size() <= 13 && text::IsAscii(value)) {
        std::string_view head = value.substr(0, value.size() - 3);
        if (head.back() == '.') head.remove_suffix(1);
        long long khz = 0;  // at most 9 digits
        bool digits = !head.empty();
        for (char c : head) {
            if (!IsDigit(c)) {
                digits = false;
                break;
            }
            khz = khz * 10 + (c - '0');
        }
        if (digits) {
            if (format == FreqFormat::WholeMhz) return std::to_string(khz / 1000);
            std::string out = khz >= 1000 ? std::to_string(khz / 1000) : std::string();
            const int rest = static_cast<int>(khz % 1000);
            out += '.';
            out += static_cast<char>('0' + rest / 100);
            out += static_cast<char>('0' + rest / 10 % 10);
            out += static_cast<char>('0' + rest % 10);
            return out;
        }
    }
    const std::size_t n = text::CharCount(value);
    const double khz = text::LeadingNumber(text::CharLeft(value, n >= 3 ? n - 3 : 0));
    if (!std::isfinite(khz) || std::fabs(khz) >= 1e15) return std::nullopt;
    if (format == FreqFormat::WholeMhz) return std::to_string(text::RoundHalfEven(khz) / 1000);
    return text::FormatNumber(khz / 1000.0, "####.##0");
}

}  // namespace trelvo::digipan
