#include "importers/adif/adif_reader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <unordered_set>

#include "core/errors.h"
#include "core/file_checks.h"
#include "core/platform.h"
#include "text/chars.h"
#include "text/cp932.h"
#include "text/io.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace trelvo::adif {
namespace {

constexpr std::size_t kBlock = 1 << 20;
// How many of the names that did not fit in the table are kept for the report.
constexpr std::size_t kOverflowNamesKept = 1000;

Message OpenFailure() {
    if (errno == 0) return Message("io.cannot-open");
    return Message("cli.reason-detail")
        .Arg("message", Message("io.cannot-open"))
        .Arg("detail", SystemErrorMessage(errno));
}

// The bytes of the input: the file, or bytes already in memory (the fuzzers run the reader so),
// read block by block. A read error throws with the file's name.
class InputBytes {
public:
    InputBytes(const std::string& path, const std::string_view* bytes) : path_(path) {
        if (bytes) {
            memory_ = *bytes;
            inMemory_ = true;
            return;
        }
        errno = 0;
        f_ = OpenFile(path, "rb");
        if (!f_) throw FileError(path, OpenFailure());
    }
    ~InputBytes() { Close(); }
    InputBytes(const InputBytes&) = delete;
    InputBytes& operator=(const InputBytes&) = delete;

    // Up to `n` bytes into `to`; 0 at the end (and after Close).
    std::size_t Read(char* to, std::size_t n) {
        if (inMemory_) {
            n = std::min(n, memory_.size() - at_);
            if (n) std::memcpy(to, memory_.data() + at_, n);
            at_ += n;
            return n;
        }
        if (!f_) return 0;
        const std::size_t got = std::fread(to, 1, n, f_);
        if (got == 0 && std::ferror(f_)) throw FileError(path_, Message("io.cannot-read"));
        return got;
    }
    void Rewind() {
        at_ = 0;
        if (f_) std::rewind(f_);
    }
    // Nothing more is read.
    void Close() {
        if (f_) std::fclose(f_);
        f_ = nullptr;
        at_ = memory_.size();
    }

private:
    std::string path_;
    std::FILE* f_ = nullptr;
    bool inMemory_ = false;
    std::string_view memory_;
    std::size_t at_ = 0;
};

// Follows the bytes of a file and tells whether they are valid UTF-8 and hold non-ASCII
// text. Sequences may be split across the blocks it is fed.
class Utf8Check {
public:
    void Feed(const unsigned char* p, std::size_t n) {
        if (!valid_) return;
        std::size_t i = 0;
        while (i < n) {
            if (need_ == 0) {
                while (i + 8 <= n) {
                    unsigned long long w;
                    std::memcpy(&w, p + i, 8);
                    if (w & 0x8080808080808080ULL) break;
                    i += 8;
                }
                if (i >= n) break;
                const unsigned char b = p[i++];
                if (b < 0x80) continue;
                nonAscii_ = true;
                lo_ = 0x80;
                hi_ = 0xBF;
                if (b >= 0xC2 && b <= 0xDF) {
                    need_ = 1;
                } else if (b >= 0xE0 && b <= 0xEF) {
                    need_ = 2;
                    if (b == 0xE0) lo_ = 0xA0;
                    if (b == 0xED) hi_ = 0x9F;
                } else if (b >= 0xF0 && b <= 0xF4) {
                    need_ = 3;
                    if (b == 0xF0) lo_ = 0x90;
                    if (b == 0xF4) hi_ = 0x8F;
                } else {
                    valid_ = false;
                    return;
                }
            } else {
                const unsigned char b = p[i++];
                if (b < lo_ || b > hi_) {
                    valid_ = false;
                    return;
                }
                lo_ = 0x80;
                hi_ = 0xBF;
                --need_;
            }
        }
    }
    void Finish() {
        if (need_ != 0) valid_ = false;
    }
    bool Valid() const { return valid_; }
    bool NonAscii() const { return nonAscii_; }

private:
    int need_ = 0;
    unsigned char lo_ = 0x80, hi_ = 0xBF;
    bool valid_ = true;
    bool nonAscii_ = false;
};

// True when the file starts (after a UTF-8 byte-order mark and blanks) with an XML
// declaration or an <ADX> element: ADIF's XML form. The file position is left at the start.
bool IsAdxStart(InputBytes& in) {
    char head[512];
    const std::size_t n = in.Read(head, sizeof head);
    in.Rewind();
    std::string_view h(head, n);
    if (h.substr(0, 3) == "\xEF\xBB\xBF") h.remove_prefix(3);
    while (!h.empty() && (h[0] == ' ' || h[0] == '\t' || h[0] == '\r' || h[0] == '\n')) h.remove_prefix(1);
    auto starts = [&h](std::string_view w) {
        if (h.size() < w.size()) return false;
        for (std::size_t i = 0; i < w.size(); ++i)
            if (std::toupper(static_cast<unsigned char>(h[i])) != w[i]) return false;
        return true;
    };
    return starts("<?XML") || starts("<ADX");
}

bool IsAdxFile(const std::string& path, const std::string_view* bytes = nullptr) {
    try {
        InputBytes in(path, bytes);
        return IsAdxStart(in);
    } catch (const Error&) {
        return false;  // the reading proper says why
    }
}

// XML character references and the five named entities; anything else is left as it is.
std::string XmlText(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        const std::size_t semi = s.find(';', i);
        if (semi == std::string_view::npos || semi - i > 10) {
            out += s[i];
            continue;
        }
        const std::string_view ent = s.substr(i + 1, semi - i - 1);
        unsigned long cp = 0;
        if (ent == "amp")
            cp = '&';
        else if (ent == "lt")
            cp = '<';
        else if (ent == "gt")
            cp = '>';
        else if (ent == "quot")
            cp = '"';
        else if (ent == "apos")
            cp = '\'';
        else if (ent.size() > 1 && ent[0] == '#') {
            const bool hex = ent[1] == 'x' || ent[1] == 'X';
            const std::string digits(ent.substr(hex ? 2 : 1));
            char* end = nullptr;
            cp = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
            if (digits.empty() || *end != '\0' || cp == 0 || cp > 0x10FFFF) cp = 0;
        }
        if (cp == 0) {
            out += s[i];
            continue;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
        i = semi;
    }
    return out;
}

// The value of attribute `name` in the text of a start tag, or empty.
std::string XmlAttribute(std::string_view tag, std::string_view name) {
    for (std::size_t at = tag.find(name); at != std::string_view::npos; at = tag.find(name, at + 1)) {
        std::size_t i = at + name.size();
        while (i < tag.size() && tag[i] == ' ') ++i;
        if (i >= tag.size() || tag[i] != '=' || (at > 0 && tag[at - 1] != ' ')) continue;
        ++i;
        while (i < tag.size() && tag[i] == ' ') ++i;
        if (i >= tag.size() || (tag[i] != '"' && tag[i] != '\'')) continue;
        const std::size_t close = tag.find(tag[i], i + 1);
        if (close == std::string_view::npos) return {};
        return XmlText(tag.substr(i + 1, close - i - 1));
    }
    return {};
}

// The records of an ADX file written as the plain form, held in memory: a "<EOH>" line, then one line per
// <RECORD> with one "<NAME:length>value" per field (APP fields as APP_PROGRAMID_FIELDNAME, USERDEF fields by
// their FIELDNAME). A "<" inside a value, which the plain form cannot carry, becomes "＜".
std::string AdxToPlain(InputBytes& in) {
    std::string xml;
    // The whole text is kept anyway: a small block to read it through.
    std::vector<char> block(64 * 1024);
    std::size_t n;
    while ((n = in.Read(block.data(), block.size())) > 0) xml.append(block.data(), n);
    std::string plain = "<EOH>\r\n";
    std::size_t at = 0;
    for (;;) {
        std::size_t rec = xml.find("<RECORD", at);
        // Not <RECORDS>: the name ends there.
        while (rec != std::string::npos && rec + 7 < xml.size() && xml[rec + 7] != '>' &&
               xml[rec + 7] != '/' && xml[rec + 7] != ' ' && xml[rec + 7] != '\t' && xml[rec + 7] != '\r' &&
               xml[rec + 7] != '\n')
            rec = xml.find("<RECORD", rec + 7);
        if (rec == std::string::npos) break;
        const std::size_t open = xml.find('>', rec);
        if (open == std::string::npos) break;
        std::size_t end = xml.find("</RECORD>", open);
        if (end == std::string::npos) end = xml.size();
        if (xml[open - 1] == '/') {  // <RECORD/>
            at = open + 1;
            continue;
        }
        std::size_t i = open + 1;
        while (i < end) {
            const std::size_t lt = xml.find('<', i);
            if (lt == std::string::npos || lt >= end) break;
            const std::size_t gt = xml.find('>', lt);
            if (gt == std::string::npos || gt > end) break;
            if (xml[lt + 1] == '/' || xml[lt + 1] == '!' || xml[lt + 1] == '?' || xml[gt - 1] == '/') {
                i = gt + 1;
                continue;
            }
            const std::string_view tag(xml.data() + lt + 1, gt - lt - 1);
            const std::string_view element = tag.substr(0, tag.find_first_of(" \t\r\n"));
            const std::string closing = "</" + std::string(element) + ">";
            const std::size_t close = xml.find(closing, gt + 1);
            if (close == std::string::npos || close > end) {
                i = gt + 1;
                continue;
            }
            std::string name(element);
            if (text::EqualsNoCase(element, "APP"))
                name = "APP_" + XmlAttribute(tag, "PROGRAMID") + "_" + XmlAttribute(tag, "FIELDNAME");
            else if (text::EqualsNoCase(element, "USERDEF"))
                name = XmlAttribute(tag, "FIELDNAME");
            std::string value = text::ReplaceAll(
                XmlText(std::string_view(xml).substr(gt + 1, close - gt - 1)), "<", "\xEF\xBC\x9C");
            value = text::ReplaceAll(text::ReplaceAll(value, "\r", " "), "\n", " ");
            plain += "<" + name + ":" + std::to_string(value.size()) + ">" + value;
            i = close + closing.size();
        }
        plain += "<EOR>\r\n";
        at = end;
    }
    return plain;
}

// The index of the first `c` in p[from, n), or n. Sixteen bytes at a time where the
// processor has SSE2; names and values are short, so no call is made.
inline std::size_t FindByte(const char* p, std::size_t from, std::size_t n, char c) {
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(c);
    for (; i + 16 <= n; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(x, wanted));
        if (mask) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
    if (i < n && n >= 16) {
        // The rest: the last sixteen bytes, without those before i.
        const std::size_t last = n - 16;
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + last));
        const unsigned mask =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, wanted))) >> (i - last) << (i - last);
        return mask ? last + static_cast<std::size_t>(__builtin_ctz(mask)) : n;
    }
#endif
    while (i < n && p[i] != c) ++i;
    return i;
}

// Lines of the file. A line ends at CR, CR LF, and with `lfEndsLine` also at a lone LF; a
// last line without a line end still counts. Lines that are not kept are only searched for
// "<EOH>" (in any case), so text before the header never has to be held.
class LineSource {
public:
    LineSource(const std::string& path, bool lfEndsLine, bool detect = false,
               const std::string_view* bytes = nullptr)
        : path_(path), lf_(lfEndsLine), detect_(detect), in_(path, bytes) {
        buf_.resize(bytes ? std::min(kBlock, bytes->size() + 1) : kBlock);
        if (IsAdxStart(in_)) {
            // ADIF's XML form: read as the plain form it stands for, one record a line.
            plain_ = AdxToPlain(in_);
            in_.Close();
            adx_ = true;
            lf_ = false;
            detect_ = false;
        }
    }
    bool Adx() const { return adx_; }
    bool LfEndsLine() const { return lf_; }
    const std::string& Path() const { return path_; }
    LineSource(const LineSource&) = delete;
    LineSource& operator=(const LineSource&) = delete;

    // Appends the next line to `out` when `keep`, else only tells whether it holds "<EOH>";
    // false at the end of the file.
    bool Next(std::string& out, bool keep, bool& hasEoh) {
        hasEoh = false;
        int match = 0;
        bool any = false;
        for (;;) {
            if (pos_ == end_ && !Fill()) {
                if (any) ++lineNumber_;
                return any;
            }
            if (skipLf_) {
                skipLf_ = false;
                if (buf_[pos_] == '\n') {
                    ++pos_;
                    continue;
                }
            }
            any = true;
            const char* s = buf_.data() + pos_;
            const std::size_t n = end_ - pos_;
            const char* hit = FindEnd(s, n);
            const std::size_t len = hit ? static_cast<std::size_t>(hit - s) : n;
            if (keep)
                out.append(s, len);
            else if (!hasEoh)
                hasEoh = ScanForEoh(s, len, match);
            pos_ += len;
            if (hit) {
                ++pos_;
                skipLf_ = *hit == '\r';
                ++lineNumber_;
                return true;
            }
        }
    }

    // The bytes of the block from the next line's start on (at least one); nothing is taken:
    // TakeLine does that, or Next reads the line as usual.
    bool PeekBlock(char*& p, std::size_t& n) {
        for (;;) {
            if (pos_ == end_ && !Fill()) return false;
            if (!skipLf_) break;
            skipLf_ = false;
            if (buf_[pos_] == '\n') ++pos_;
        }
        p = buf_.data() + pos_;
        n = end_ - pos_;
        return true;
    }
    // Takes the line at PeekBlock's bytes, `len` bytes long, and its line end.
    void TakeLine(std::size_t len) {
        pos_ += len;
        skipLf_ = buf_[pos_] == '\r';
        ++pos_;
        ++lineNumber_;
    }

    // After PeekBlock: false when an earlier look at its bytes (Passed) found no record there
    // that SpreadRecord can read.
    bool SpreadMayStartHere() const { return pos_ >= noSpreadUntil_; }
    // The first `n` bytes from the line's start hold no such record.
    void Passed(std::size_t n) { noSpreadUntil_ = pos_ + n; }
    // Takes `n` bytes holding `lines` whole lines, the last ended by a CR when `cr`.
    void TakeLines(std::size_t n, long long lines, bool cr) {
        pos_ += n;
        skipLf_ = cr;
        lineNumber_ += lines;
    }

    AdifInputTraits Traits() const {
        AdifInputTraits t = traits_;
        t.nonAscii = utf8_.NonAscii();
        t.validUtf8 = utf8_.Valid();
        return t;
    }
    long long LineNumber() const { return lineNumber_; }

private:
    // The next line end in the block from pos_ on, or nullptr. The position of the next CR
    // and LF found is kept, so a block without one is searched once, not once per line.
    const char* FindEnd(const char* s, std::size_t n) {
        const std::size_t from = static_cast<std::size_t>(s - buf_.data());
        auto next = [&](char c, std::size_t& at) {
            if (at < from || at == kUnknown) {
                const void* hit = std::memchr(s, c, n);
                at = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - buf_.data()) : end_;
            }
            return at;
        };
        std::size_t e = next('\r', crAt_);
        if (lf_) e = std::min(e, next('\n', lfAt_));
        return e < end_ ? buf_.data() + e : nullptr;
    }

    // "<EOH>" in any case; `match` carries a partial match from the previous piece of the line.
    static bool ScanForEoh(const char* s, std::size_t n, int& match) {
        static constexpr char kPattern[] = "<EOH>";
        for (std::size_t i = 0; i < n; ++i) {
            if (match == 0) {  // nothing begun: on to the next "<"
                i = FindByte(s, i, n, '<');
                if (i >= n) break;
                match = 1;
                continue;
            }
            char c = s[i];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            if (c == kPattern[match]) {
                if (++match == 5) return true;
            } else {
                match = c == '<' ? 1 : 0;
            }
        }
        return false;
    }

    bool Fill() {
        if (adx_) {
            // The plain form of an ADX file, block by block from memory.
            const std::size_t n = std::min(buf_.size(), plain_.size() - plainAt_);
            if (n == 0) return false;
            std::memcpy(buf_.data(), plain_.data() + plainAt_, n);
            plainAt_ += n;
            pos_ = 0;
            end_ = n;
            crAt_ = lfAt_ = kUnknown;
            noSpreadUntil_ = 0;
            traits_.crSeen = traits_.lfSeen = true;
            utf8_.Feed(reinterpret_cast<const unsigned char*>(buf_.data()), n);
            return true;
        }
        if (inputDone_) return false;
        const std::size_t n = in_.Read(buf_.data(), buf_.size());
        if (n == 0) {
            in_.Close();
            inputDone_ = true;
            utf8_.Finish();
            return false;
        }
        pos_ = 0;
        end_ = n;
        crAt_ = lfAt_ = kUnknown;
        noSpreadUntil_ = 0;
        if (detect_) {
            // The first block tells the line ends: without a CR in it, LF ends lines.
            detect_ = false;
            lf_ = std::memchr(buf_.data(), '\r', n) == nullptr;
        }
        if (!traits_.crSeen) traits_.crSeen = std::memchr(buf_.data(), '\r', n) != nullptr;
        if (!traits_.lfSeen) traits_.lfSeen = std::memchr(buf_.data(), '\n', n) != nullptr;
        utf8_.Feed(reinterpret_cast<const unsigned char*>(buf_.data()), n);
        return true;
    }

    std::string path_;
    bool lf_;
    bool detect_;
    bool adx_ = false;
    std::string plain_;  // an ADX file's records in the plain form
    std::size_t plainAt_ = 0;
    InputBytes in_;
    bool inputDone_ = false;
    std::vector<char> buf_;
    std::size_t pos_ = 0, end_ = 0;
    static constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);
    std::size_t crAt_ = kUnknown, lfAt_ = kUnknown;
    std::size_t noSpreadUntil_ = 0;  // in the block: no SpreadRecord before it
    bool skipLf_ = false;
    long long lineNumber_ = 0;
    AdifInputTraits traits_;
    Utf8Check utf8_;
};

constexpr unsigned long long kHighBits = 0x8080808080808080ULL;
constexpr unsigned long long kOnes = 0x0101010101010101ULL;

// Upper case in place, one character at a time: ASCII letters and the full-width Latin
// letters; the second byte of a double-byte character is never taken for a letter. Returns
// whether the text holds an LF (found on the same pass).
bool UpperCase(char* p, std::size_t n, AdifEncoding enc) {
    std::size_t i = 0;
    bool lf = false;
    while (i < n) {
#if defined(__SSE2__)
        // Plain ASCII sixteen bytes at a time.
        {
            const __m128i aLess1 = _mm_set1_epi8('a' - 1), zPlus1 = _mm_set1_epi8('z' + 1);
            const __m128i bit = _mm_set1_epi8(0x20), newline = _mm_set1_epi8('\n');
            __m128i lfs = _mm_setzero_si128();
            for (; i + 16 <= n; i += 16) {
                __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
                if (_mm_movemask_epi8(x)) break;
                const __m128i lower = _mm_and_si128(_mm_cmpgt_epi8(x, aLess1), _mm_cmplt_epi8(x, zPlus1));
                lfs = _mm_or_si128(lfs, _mm_cmpeq_epi8(x, newline));
                x = _mm_xor_si128(x, _mm_and_si128(lower, bit));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), x);
            }
            if (_mm_movemask_epi8(lfs)) lf = true;
        }
#endif
        // Plain ASCII eight bytes at a time: the bytes from 'a' to 'z' lose their 0x20 bit.
        for (; i + 8 <= n; i += 8) {
            unsigned long long w;
            std::memcpy(&w, p + i, 8);
            if (w & kHighBits) break;
            if (!lf) lf = ((w ^ (kOnes * '\n')) - kOnes) & ~(w ^ (kOnes * '\n')) & kHighBits;
            const unsigned long long fromA = w + kOnes * (0x80 - 'a');
            const unsigned long long pastZ = w + kOnes * (0x80 - 'z' - 1);
            w ^= ((fromA & ~pastZ) & kHighBits) >> 2;
            std::memcpy(p + i, &w, 8);
        }
        // Then character by character over the next sixteen bytes (i starts a character:
        // everything before it has been walked), where the text is not plain ASCII.
        const std::size_t stop = std::min(n, i + 16);
        while (i < stop) {
            const auto c = static_cast<unsigned char>(p[i]);
            if (c < 0x80) {
                if (c >= 'a' && c <= 'z') p[i] = static_cast<char>(c - 32);
                if (c == '\n') lf = true;
                ++i;
            } else if (enc == AdifEncoding::Cp932) {
                if (text::IsCp932LeadByte(c) && i + 1 < n) {
                    const auto t = static_cast<unsigned char>(p[i + 1]);
                    if (c == 0x82 && t >= 0x81 && t <= 0x9A) p[i + 1] = static_cast<char>(t - 0x21);
                    if (t == '\n') lf = true;  // not a second byte, but taken as one here
                    i += 2;
                } else {
                    ++i;
                }
            } else {
                // UTF-8: U+FF41..U+FF5A are EF BD 81..9A, their capitals EF BC A1..BA.
                if (c == 0xEF && i + 2 < n && static_cast<unsigned char>(p[i + 1]) == 0xBD) {
                    const auto t = static_cast<unsigned char>(p[i + 2]);
                    if (t >= 0x81 && t <= 0x9A) {
                        p[i + 1] = static_cast<char>(0xBC);
                        p[i + 2] = static_cast<char>(t + 0x20);
                    }
                }
                ++i;
            }
        }
    }
    return lf;
}

// Calls f(i) for each i, in order, where s[i] is `a` and s[i + 1] is `b`, until f returns
// false. Sixteen positions at a time where the processor has SSE2.
template <typename F>
void ForEachPair(std::string_view s, char a, char b, F&& f) {
    const char* p = s.data();
    const std::size_t n = s.size();
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i first = _mm_set1_epi8(a), second = _mm_set1_epi8(b);
    for (; i + 17 <= n; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
        unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(x, first), _mm_cmpeq_epi8(y, second))));
        while (mask) {
            if (!f(i + static_cast<std::size_t>(__builtin_ctz(mask)))) return;
            mask &= mask - 1;
        }
    }
#endif
    for (; i + 1 < n; ++i)
        if (p[i] == a && p[i + 1] == b && !f(i)) return;
}

// Which of "<EOH>" and "<EOR>" the (upper-cased) line holds.
void FindMarkers(std::string_view line, bool& eoh, bool& eor) {
    eoh = eor = false;
    ForEachPair(line, '<', 'E', [&](std::size_t at) {
        if (at + 5 > line.size()) return false;
        const char* p = line.data() + at + 1;
        if (p[1] == 'O' && p[3] == '>') {
            if (p[2] == 'H')
                eoh = true;
            else if (p[2] == 'R')
                eor = true;
        }
        return !(eoh && eor);
    });
}

// True when byte `at` of Shift-JIS text starts a character. A byte below 0x40 is never part
// of a double-byte character, so the byte after one starts a character; otherwise the text
// is walked from its start.
bool StartsCharacter(std::string_view s, std::size_t at, AdifEncoding enc) {
    if (enc != AdifEncoding::Cp932 || at == 0 || static_cast<unsigned char>(s[at - 1]) < 0x40) return true;
    std::size_t i = 0;
    while (i < at) i += text::IsCp932LeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
    return i == at;
}

// Removes every "<EOR>" (prescan) or "EOR>" (run) from the upper-cased buffer in one pass from
// left to right: what the removal joins is not searched again. In Shift-JIS text a match
// must start a character. Neither pattern can overlap itself, so the "R>" that ends each
// match finds the same occurrences.
void RemoveEor(std::string& s, bool withLt, AdifEncoding enc) {
    const std::size_t len = withLt ? 5 : 4;
    thread_local std::vector<std::size_t> hits;
    hits.clear();
    std::size_t next = 0;  // a match must start here or later
    ForEachPair(s, 'R', '>', [&](std::size_t r) {
        const std::size_t gt = r + 1;
        if (gt + 1 < len) return true;
        const std::size_t at = gt + 1 - len;
        if (at >= next && (!withLt || s[at] == '<') && s[gt - 3] == 'E' && s[gt - 2] == 'O' &&
            s[gt - 1] == 'R' && StartsCharacter(s, at, enc)) {
            hits.push_back(at);
            next = gt + 1;
        }
        return true;
    });
    std::size_t out = 0, from = 0;
    char* p = s.data();
    for (std::size_t at : hits) {
        if (out != from) std::memmove(p + out, p + from, at - from);
        out += at - from;
        from = at + len;
    }
    if (out != from) std::memmove(p + out, p + from, s.size() - from);
    out += s.size() - from;
    s.resize(out);
}

// Text of the file as UTF-8. `scratch` holds a decoded copy when one is needed.
[[gnu::noinline]] std::string_view DecodeCp932(std::string_view raw, std::string& scratch) {
    text::Cp932ToUtf8Into(raw, scratch);
    return scratch;
}
inline std::string_view AsUtf8(std::string_view raw, bool ascii, AdifEncoding enc, std::string& scratch) {
    if (ascii || enc != AdifEncoding::Cp932) return raw;
    return DecodeCp932(raw, scratch);
}

// Short texts compared byte by byte (tag names are a few characters long).
bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}

// The same with the ASCII letters of `b` taken as capitals.
inline bool SameTextUpper(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char c = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 32) : b[i];
        if (a[i] != c) return false;
    }
    return true;
}

// A record as the readers hand it on: its text, whether that is upper-cased yet, and whether
// it is known to be plain ASCII (then no name or value of it needs a look for other bytes).
struct RecordText {
    std::string_view text;
    bool upper = true;
    bool ascii = false;
};

// The next `c` at `from` or later in the record, or the end of its text.
struct ByteFind {
    std::string_view buf;
    bool ascii;
    std::size_t operator()(char c, std::size_t from) const {
        return FindByte(buf.data(), from, buf.size(), c);
    }
    // Whether `s`, a part of the record, is plain ASCII.
    bool Ascii(std::string_view s) const { return ascii || text::IsAscii(s); }
};

// A name or value of a tag, and whether it is plain ASCII.
struct TagText {
    std::string_view bytes;
    bool ascii = true;
};

// The value of the tag whose name ends at `colon`: after the first ">" from there up to the
// next "<", trimmed of spaces. Without a ">" the value is empty. Found when asked.
struct TagValue {
    const ByteFind& find;
    std::size_t colon;
    TagText operator()() const {
        const std::string_view buf = find.buf;
        // The ">" mostly closes a length of a few digits: looked for byte by byte first.
        std::size_t i = colon;
        const std::size_t near = std::min(buf.size(), colon + 8);
        while (i < near && buf[i] != '>') ++i;
        if (i == near) i = find('>', i);
        if (i >= buf.size()) return {};
        const std::size_t start = ++i;
        i = find('<', i);
        const std::string_view value = text::Trim(std::string_view(buf.data() + start, i - start));
        return {value, find.Ascii(value)};
    }
};

// The name of a tag upper-cased (when the record is not yet). The byte after the "<" starts a
// character, so the name alone is upper-cased as the whole line would be.
TagText UpperName(TagText raw, bool upper, AdifEncoding enc, std::string& scratch) {
    if (upper) return raw;
    bool lower = !raw.ascii;
    for (std::size_t i = 0; i < raw.bytes.size() && !lower; ++i)
        lower = raw.bytes[i] >= 'a' && raw.bytes[i] <= 'z';
    if (!lower) return raw;
    scratch.assign(raw.bytes);
    UpperCase(scratch.data(), scratch.size(), enc);
    return {scratch, raw.ascii};
}

// A table name ready to be compared with the bytes after a "<" sixteen at a time: the name
// and its ":", the letters of the bytes taken as capitals. Only plain ASCII names of up to 15
// bytes without small letters are kept (then the bytes that match are that name, its end the
// first ":", and nothing to trim); `mask` is 0 for the others.
struct NameKey {
    std::array<char, 16> bytes{};
    unsigned mask = 0;
    std::size_t len = 0;

    void Set(std::string_view name) {
        mask = 0;
        if (name.size() + 1 > bytes.size()) return;
        for (char c : name)
            if (static_cast<unsigned char>(c) >= 0x80 || (c >= 'a' && c <= 'z')) return;
        bytes.fill('\0');
        std::memcpy(bytes.data(), name.data(), name.size());
        bytes[name.size()] = ':';
        len = name.size();
        mask = (1u << (len + 1)) - 1;
    }
    // Whether p (sixteen bytes readable) starts with the name and its ":".
    bool Matches(const char* p) const {
        if (mask == 0) return false;
#if defined(__SSE2__)
        __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i lower = _mm_and_si128(_mm_cmpgt_epi8(x, _mm_set1_epi8('a' - 1)),
                                            _mm_cmplt_epi8(x, _mm_set1_epi8('z' + 1)));
        x = _mm_sub_epi8(x, _mm_and_si128(lower, _mm_set1_epi8(0x20)));
        const __m128i key = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data()));
        return (static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, key))) & mask) == mask;
#else
        for (std::size_t i = 0; i <= len; ++i) {
            const char c = p[i] >= 'a' && p[i] <= 'z' ? static_cast<char>(p[i] - 32) : p[i];
            if (c != bytes[i]) return false;
        }
        return true;
#endif
    }
};

// Which table entry the next tag most likely is: the one that came after this tag the last
// time (files repeat their tag order, with tags that some records have and others not), else
// the entry after it. The one that came after it before that is the second guess (a Japanese
// station's record has other tags after the QSL marks than a foreign one's). Spares most
// look-ups of a name: the names it is told (Know) are compared with the bytes of the record
// straight away.
class TagGuess {
public:
    int Next() const { return guess_; }
    void Saw(int k) {
        if (k < 0 || k > AdifTagTable::kCapacity) return;
        if (last_ >= 0) {
            int& f = follows_[static_cast<std::size_t>(last_)];
            if (f != k) {
                before_[static_cast<std::size_t>(last_)] = f;
                f = k;
            }
        }
        last_ = k;
        const int f = follows_[static_cast<std::size_t>(k)];
        guess_ = f != 0 ? f : k + 1;
        second_ = before_[static_cast<std::size_t>(k)];
    }
    void Know(int k, std::string_view name) {
        if (k >= 0 && k <= AdifTagTable::kCapacity) keys_[static_cast<std::size_t>(k)].Set(name);
    }
    // The key of the guessed entry, or nullptr.
    const NameKey* Expected() const {
        return guess_ <= AdifTagTable::kCapacity ? &keys_[static_cast<std::size_t>(guess_)] : nullptr;
    }
    // The key of the second guess (nullptr when there is none); TakeSecond makes it the guess.
    const NameKey* Second() const {
        return second_ != 0 && second_ != guess_ ? &keys_[static_cast<std::size_t>(second_)] : nullptr;
    }
    void TakeSecond() { guess_ = second_; }

private:
    std::array<int, AdifTagTable::kCapacity + 1> follows_{};  // 0: not known
    std::array<int, AdifTagTable::kCapacity + 1> before_{};   // what followed before that; 0: nothing
    std::array<NameKey, AdifTagTable::kCapacity + 1> keys_{};
    int last_ = -1, guess_ = 1, second_ = 0;
};

// Calls f(name, value, guessed) for every tag of a record, `value()` giving its value: a name
// starts after a "<" met outside a name and ends at the first ":" after it (a "<" inside a
// name is part of it). `guessed`: the name is the one `guess` expected (compared straight in
// the bytes), else nullptr or another name.
template <typename F>
void ForEachTag(const RecordText& r, TagGuess* guess, F&& f) {
    const ByteFind find{r.text, r.ascii};
    const std::string_view buf = r.text;
    const std::size_t n = buf.size();
    std::size_t i = 0;
    for (;;) {
        i = find('<', i);
        if (i >= n) return;
        const std::size_t start = ++i;
        if (guess && start + 16 <= n) {
            const NameKey* key = guess->Expected();
            if (key && !key->Matches(buf.data() + start)) {
                key = guess->Second();
                if (key && key->Matches(buf.data() + start))
                    guess->TakeSecond();
                else
                    key = nullptr;
            }
            if (key) {
                i = start + key->len;
                f(TagText{std::string_view(buf.data() + start, key->len), true}, TagValue{find, i}, true);
                ++i;
                continue;
            }
        }
        i = find(':', i);
        if (i >= n) return;
        const std::string_view name = text::Trim(std::string_view(buf.data() + start, i - start));
        f(TagText{name, find.Ascii(name)}, TagValue{find, i}, false);
        ++i;
    }
}

enum class WholeLine { No, Record, Empty };

// Whether the line at p, met where no record has begun, is a record by itself that the general
// reading would take as just its bytes up to its "<EOR>" (prescan) or "EOR>" (run): the only
// "R>" in it, in any case, ends "<EOR>", nothing follows it, no "<EOH>" is in it (in any case),
// and in the prescan's Shift-JIS the "<" starts a character. Upper-casing only changes
// letters, so what the upper-cased line holds the line holds in some case. p[0, avail) are the
// bytes read; the same pass finds the line's end (CR, and LF when `lfEndsLine`): `n` is set to
// the line's length, or to kNoLine when it does not end in them or holds "<EOH>". `cut` is set
// to the length of the record, `ascii` to whether the line is plain ASCII. Sixteen bytes at a
// time where the processor has SSE2. (A "<EOH>" found reading on past the line's end would
// hold that end, so the look for one need not stop there.)
constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);
WholeLine WholeRecordLine(const char* p, std::size_t avail, bool lfEndsLine, bool run, AdifEncoding enc,
                          std::size_t& n, std::size_t& cut, bool& ascii) {
    const auto lower = [p](std::size_t i) { return static_cast<char>(p[i] | 0x20); };
    n = kNoLine;
    std::size_t gt = 0, pairs = 0;
    unsigned char high = 0;
    // The pair at i, i + 1: an "R>" counts, a "<E" must not start "<EOH>".
    const auto pair = [&](std::size_t i) {
        if (p[i + 1] == '>') {
            ++pairs;
            gt = i + 1;
            return true;
        }
        return !(i + 4 < avail && lower(i + 2) == 'o' && lower(i + 3) == 'h' && p[i + 4] == '>');
    };
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i bit = _mm_set1_epi8(0x20), r = _mm_set1_epi8('r'), e = _mm_set1_epi8('e');
    const __m128i lt = _mm_set1_epi8('<'), gtc = _mm_set1_epi8('>');
    const __m128i cr = _mm_set1_epi8('\r'), lf = lfEndsLine ? _mm_set1_epi8('\n') : cr;
    for (; i + 17 <= avail; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
        const auto ends = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, cr), _mm_cmpeq_epi8(x, lf))));
        const unsigned inLine = ends ? (ends & (0u - ends)) - 1 : 0xFFFFu;
        if (static_cast<unsigned>(_mm_movemask_epi8(x)) & inLine) high = 0x80;
        const __m128i rgt = _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(x, bit), r), _mm_cmpeq_epi8(y, gtc));
        const __m128i le = _mm_and_si128(_mm_cmpeq_epi8(x, lt), _mm_cmpeq_epi8(_mm_or_si128(y, bit), e));
        auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(rgt, le))) & inLine;
        while (mask) {
            if (!pair(i + static_cast<std::size_t>(__builtin_ctz(mask)))) return WholeLine::No;
            mask &= mask - 1;
        }
        if (ends) {
            n = i + static_cast<std::size_t>(__builtin_ctz(ends));
            break;
        }
    }
#endif
    for (; n == kNoLine && i < avail; ++i) {
        if (p[i] == '\r' || (lfEndsLine && p[i] == '\n')) {
            n = i;
            break;
        }
        high |= static_cast<unsigned char>(p[i]);
        if (i + 1 < avail && ((lower(i) == 'r' && p[i + 1] == '>') || (p[i] == '<' && lower(i + 1) == 'e')) &&
            !pair(i))
            return WholeLine::No;
    }
    if (n == kNoLine || pairs != 1 || gt + 1 != n || gt < 4 || p[gt - 4] != '<' || lower(gt - 3) != 'e' ||
        lower(gt - 2) != 'o')
        return WholeLine::No;
    if (!run && enc == AdifEncoding::Cp932 && gt > 4 && static_cast<unsigned char>(p[gt - 5]) >= 0x40)
        return WholeLine::No;
    cut = run ? gt - 3 : gt - 4;
    ascii = high < 0x80;
    return cut == 0 ? WholeLine::Empty : WholeLine::Record;
}

// Whether a line of `seg` ends inside a character: its last byte would start a double-byte
// character (Shift-JIS) or a full-width letter's bytes go on past it (UTF-8). Upper-casing the
// lines one by one then differs from upper-casing them joined.
bool EndsInsideCharacter(std::string_view seg, AdifEncoding enc) {
    if (seg.empty()) return false;
    if (enc != AdifEncoding::Cp932) {
        const std::size_t from = seg.size() >= 2 ? seg.size() - 2 : 0;
        return seg.find('\xEF', from) != std::string_view::npos;
    }
    if (!text::IsCp932LeadByte(static_cast<unsigned char>(seg.back()))) return false;
    std::size_t i = 0;
    while (i + 1 < seg.size()) i += text::IsCp932LeadByte(static_cast<unsigned char>(seg[i])) ? 2 : 1;
    return i + 1 == seg.size();
}

// How far SpreadRecord read: `used` bytes holding `lines` lines, the last ended by a CR when `cr`.
struct SpreadEnd {
    std::size_t used = 0;
    long long lines = 0;
    bool cr = false;
};

// A record that starts a line and ends on a later one, read in one go from the read block
// p[0, n) instead of line by line. The lines' bytes are joined into `joined` (empty on
// entry); `cut` is the length of the record in it. Taken only where the line by line reading
// would hand on the same record: the first "R>" (in any case) in the block ends "<EOR>" on
// its line, a line end follows it inside the block, no line holds "<EOH>" (in any case) or,
// where only CR ends lines, an LF of its own, no line ends inside a character, and the lines
// joined hold no other "R>"; in the prescan's Shift-JIS the "<" of "<EOR>" starts a
// character. Otherwise No, with `end.used` set to how many bytes from p on no record of this
// kind starts in.
WholeLine SpreadRecord(const char* p, std::size_t n, bool lfEndsLine, bool run, AdifEncoding enc,
                       std::string& joined, std::size_t& cut, bool& ascii, SpreadEnd& end) {
    constexpr std::size_t kLimit = 16384;  // a record longer than this is read line by line
    n = std::min(n, kLimit);
    const auto lower = [p](std::size_t i) { return static_cast<char>(p[i] | 0x20); };
    const auto eoh = [&](std::size_t at) {
        return at + 4 < n && lower(at + 2) == 'o' && lower(at + 3) == 'h' && p[at + 4] == '>';
    };
    // One pass up to the first "R>": every "<E" before it must not start "<EOH>"; the CRs and
    // LFs before it are kept in `ends`, whether a byte is 0x80 or above in `high`.
    std::array<std::uint32_t, 256> ends;
    std::size_t endCount = 0;
    bool tooMany = false;
    unsigned char high = 0;
    std::size_t gt = n;
    std::size_t i = 0;
    const auto keepEnds = [&](unsigned mask, std::size_t base) {
        for (; mask; mask &= mask - 1) {
            if (endCount == ends.size()) {
                tooMany = true;
                return;
            }
            ends[endCount++] =
                static_cast<std::uint32_t>(base + static_cast<std::size_t>(__builtin_ctz(mask)));
        }
    };
#if defined(__SSE2__)
    const __m128i bit = _mm_set1_epi8(0x20), r = _mm_set1_epi8('r'), letterE = _mm_set1_epi8('e');
    const __m128i lt = _mm_set1_epi8('<'), gtc = _mm_set1_epi8('>');
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    for (; i + 17 <= n && gt == n; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
        const auto rgt = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(x, bit), r), _mm_cmpeq_epi8(y, gtc))));
        auto le = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(x, lt), _mm_cmpeq_epi8(_mm_or_si128(y, bit), letterE))));
        auto lineEnds = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, cr), _mm_cmpeq_epi8(x, lf))));
        auto highBytes = static_cast<unsigned>(_mm_movemask_epi8(x));
        if (rgt) {
            const unsigned before = (rgt & (0u - rgt)) - 1;  // the bytes before that "R"
            gt = i + static_cast<std::size_t>(__builtin_ctz(rgt)) + 1;
            le &= before;
            lineEnds &= before;
            highBytes &= before;
        }
        if (highBytes) high = 0x80;
        for (; le; le &= le - 1) {
            if (eoh(i + static_cast<std::size_t>(__builtin_ctz(le)))) {
                end.used = gt < n ? gt + 1 : i + 16;
                return WholeLine::No;
            }
        }
        keepEnds(lineEnds, i);
    }
#endif
    for (; i + 1 < n && gt == n; ++i) {
        if (p[i] == '<' && lower(i + 1) == 'e' && eoh(i)) {
            end.used = i + 1;
            return WholeLine::No;
        }
        if (lower(i) == 'r' && p[i + 1] == '>') {
            gt = i + 1;
            break;
        }
        high |= static_cast<unsigned char>(p[i]);
        if (p[i] == '\r' || p[i] == '\n') keepEnds(1, i);
    }
    end.used = gt < n ? gt + 1 : n;
    if (tooMany || gt + 1 >= n || gt < 4 || p[gt - 4] != '<' || lower(gt - 3) != 'e' || lower(gt - 2) != 'o')
        return WholeLine::No;
    const char last = p[gt + 1];
    if (last != '\r' && !(lfEndsLine && last == '\n')) return WholeLine::No;
    if (endCount == ends.size()) return WholeLine::No;
    ends[endCount++] = static_cast<std::uint32_t>(gt + 1);
    // The lines up to the one that ends with that "<EOR>" (which holds no line end).
    long long lines = 0;
    std::size_t at = 0, lastLine = 0;
    bool afterCr = false;
    for (std::size_t k = 0; k < endCount; ++k) {
        const std::size_t e = ends[k];
        const bool isLf = p[e] == '\n';
        if (afterCr && isLf && e == at) {  // CR LF: one line end
            afterCr = false;
            at = e + 1;
            continue;
        }
        if (isLf && !lfEndsLine) return WholeLine::No;  // an LF inside a line
        const std::string_view seg(p + at, e - at);
        if (EndsInsideCharacter(seg, enc)) return WholeLine::No;
        if (!joined.empty() && !seg.empty() && (joined.back() | 0x20) == 'r' && seg.front() == '>')
            return WholeLine::No;  // an "R>" made by joining two lines
        lastLine = joined.size();
        joined.append(seg);
        ++lines;
        afterCr = !isLf;
        at = e + 1;
    }
    const std::size_t size = joined.size();
    // The "<" of "<EOR>" starts a character when it starts its line: no line ends inside one.
    if (!run && enc == AdifEncoding::Cp932 && size - 5 > lastLine &&
        !StartsCharacter(std::string_view(joined).substr(lastLine), size - 5 - lastLine, enc))
        return WholeLine::No;
    cut = run ? size - 4 : size - 5;
    ascii = high < 0x80;
    end.used = gt + 2;
    end.lines = lines;
    end.cr = last == '\r';
    return cut == 0 ? WholeLine::Empty : WholeLine::Record;
}

enum class ReadEnd { EndOfFile, Cancelled, Stopped };

// The line and record rules shared by both passes. A finished record loses every "<EOR>"
// in the prescan and every "EOR>" in the run, where the "<" left behind ends the last value.
// onRecord(record) returns false to stop. A line that is a record by itself is handed on
// from the read block, upper-cased in place.
template <typename OnRecord>
ReadEnd ReadRecords(LineSource& src, AdifEncoding enc, bool run, bool headerless,
                    ConversionCallbacks& callbacks, bool& headerSeen, OnRecord&& onRecord) {
    std::string buffer;  // the record so far; each line is read onto its end
    bool header = headerless;
    long long recordLine = 0;  // the line on which the record so far starts
    for (;;) {
        if (callbacks.CancelRequested()) return ReadEnd::Cancelled;
        // Most lines are a record by themselves: read in the block, without a copy. The run
        // upper-cases it in place; the prescan only the names it looks at.
        char* line = nullptr;
        std::size_t avail = 0;
        if (header && buffer.empty() && src.PeekBlock(line, avail)) {
            std::size_t len = 0, cut = 0;
            bool ascii = false;
            const WholeLine whole = WholeRecordLine(line, avail, src.LfEndsLine(), run, enc, len, cut, ascii);
            if (whole != WholeLine::No || len == 0) {  // an empty line adds nothing to a record
                src.TakeLine(len);
                if (whole != WholeLine::Record) continue;
                if (run) UpperCase(line, cut, enc);
                if (!onRecord(RecordText{{line, cut}, run, ascii})) return ReadEnd::Stopped;
                continue;
            }
            // A record over several lines, joined in one go.
            if (src.SpreadMayStartHere()) {
                SpreadEnd spread;
                const WholeLine joined =
                    SpreadRecord(line, avail, src.LfEndsLine(), run, enc, buffer, cut, ascii, spread);
                if (joined == WholeLine::No) {
                    buffer.clear();
                    src.Passed(spread.used);
                } else {
                    src.TakeLines(spread.used, spread.lines, spread.cr);
                    if (joined == WholeLine::Record) {
                        if (run) UpperCase(buffer.data(), cut, enc);
                        if (!onRecord(RecordText{{buffer.data(), cut}, run, ascii})) return ReadEnd::Stopped;
                    }
                    buffer.clear();
                    continue;
                }
            }
        }
        const std::size_t mark = buffer.size();
        bool hasEoh = false, hasEor = false;
        if (!src.Next(buffer, header, hasEoh)) {
            // A last record without <EOR> is left out, as the record layout says; say so when it
            // holds a field. Tags without a length after the last record (LoTW ends its reports
            // with <APP_LoTW_EOF>) are no record.
            bool holdsField = false;
            ForEachTag(RecordText{buffer}, nullptr, [&](TagText name, const TagValue&, bool) {
                if (name.bytes.find('>') == std::string_view::npos) holdsField = true;
            });
            if (run && header && holdsField)
                callbacks.Warning(
                    Message("adif.last-record-no-eor").Arg("file", src.Path()).Arg("line", recordLine));
            return ReadEnd::EndOfFile;
        }
        if (mark == 0 || buffer.find_first_not_of(" \t\r\n") == std::string::npos)
            recordLine = src.LineNumber();
        bool hasLf = false;
        if (header) {
            hasLf = UpperCase(buffer.data() + mark, buffer.size() - mark, enc);
            FindMarkers(std::string_view(buffer).substr(mark), hasEoh, hasEor);
        }
        if (hasEoh) {
            header = headerSeen = true;
            buffer.resize(mark);
            continue;
        }
        if (!header) continue;
        if (!hasEor) {
            if (hasLf)
                buffer.erase(
                    std::remove(buffer.begin() + static_cast<std::ptrdiff_t>(mark), buffer.end(), '\n'),
                    buffer.end());
            continue;
        }
        RemoveEor(buffer, !run, enc);
        if (!buffer.empty() && !onRecord(RecordText{buffer})) return ReadEnd::Stopped;
        buffer.clear();
    }
}

AdifEncoding Resolve(const std::string& path, AdifEncoding enc, const std::string_view* bytes) {
    if (IsAdxFile(path, bytes)) return AdifEncoding::Utf8;  // XML: UTF-8
    return enc == AdifEncoding::Auto ? DetectAdifEncoding(path, bytes) : enc;
}

// The first character's code is "A" (65) or more: a single-byte character from "A" on,
// half-width katakana included; a double-byte character's code counts as below.
bool FirstCharFromA(std::string_view v, std::size_t& len) {
    const auto b = static_cast<unsigned char>(v[0]);
    len = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    if (len > v.size()) len = v.size();
    if (b < 0x80) return b >= 'A';
    if (len == 3 && b == 0xEF) {
        const auto b1 = static_cast<unsigned char>(v[1]), b2 = static_cast<unsigned char>(v[2]);
        return (b1 == 0xBD && b2 >= 0xA1) || (b1 == 0xBE && b2 <= 0x9F);  // U+FF61..U+FF9F
    }
    return false;
}

// The columns whose slot holds the file's bytes when the record keeps them
// (AdifRecordState::cp932Bytes).
bool KeepsBytes(int c) {
    return c == kColName || c == kColQth || c == kColRemarks1 || c == kColRemarks2;
}

// A set of the columns 1..kColumnCount, visited in increasing order.
class ColumnSet {
public:
    static_assert(kColumnCount < 32);
    void Add(int c) { bits_ |= 1u << c; }
    bool empty() const { return bits_ == 0; }
    struct Iterator {
        unsigned bits;
        int operator*() const { return std::countr_zero(bits); }
        Iterator& operator++() {
            bits &= bits - 1;
            return *this;
        }
        bool operator!=(const Iterator& o) const { return bits != o.bits; }
    };
    Iterator begin() const { return {bits_}; }
    Iterator end() const { return {0}; }
    ColumnSet& operator|=(ColumnSet o) {
        bits_ |= o.bits_;
        return *this;
    }

private:
    unsigned bits_ = 0;
};

// What the run does with the value of each table entry.
struct EntryPlan {
    ColumnSet columns;          // columns fed by this entry
    std::vector<int> remarks1;  // Remarks1 extra slots fed by it
    std::vector<int> remarks2;
    ColumnSet fallbacks;  // columns this entry fills in a record where their tag gave nothing
    enum class Kind {
        Plain,
        QslVia,
        JccJcg,
        Aja,
        Dxcc,
        Submode,
        Band,
        StationCall,
        Cnty,
        State
    } kind = Kind::Plain;
    bool needsText = true;   // some column, rule or fallback takes the value as text
    bool recordKey = false;  // a tag every record has once (IsRecordKey)
    bool used = false;       // Used(), once the plan is made
    bool Used() const {
        return kind != Kind::Plain || !columns.empty() || !remarks1.empty() || !remarks2.empty() ||
               !fallbacks.empty();
    }
};

}  // namespace

AdifTagTable::AdifTagTable() {
    names_.reserve(kCapacity + 1);
    names_.emplace_back();
}

int AdifTagTable::Find(std::string_view name) const {
    // The length and the last byte first: names of one length mostly differ in their ends
    // (the _SENT/_RCVD and _INTL pairs), and the whole comparison is made once.
    for (std::size_t i = 0; i < names_.size(); ++i) {
        const std::string& n = names_[i];
        if (n.size() == name.size() && (n.empty() || n.back() == name.back()) && n == name)
            return static_cast<int>(i);
    }
    return -1;
}

bool AdifTagTable::Add(const std::string& name) {
    if (Count() >= kCapacity) return false;
    if (Find(name) < 0) names_.push_back(name);
    return true;
}

std::string ReadAdifProgramId(const std::string& path) {
    errno = 0;
    std::FILE* f = OpenFile(path, "rb");
    if (!f) throw FileError(path, OpenFailure());
    std::string head(64 * 1024, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), f));
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) throw FileError(path, Message("io.cannot-read"));
    std::string upper = head;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::size_t eoh = upper.find("<EOH>");
    const std::size_t at = upper.find("<PROGRAMID:");
    if (eoh == std::string::npos || at == std::string::npos || at > eoh) return {};
    const std::size_t gt = upper.find('>', at);
    if (gt == std::string::npos || gt > eoh) return {};
    std::size_t end = head.find_first_of("<\r\n", gt + 1);
    if (end == std::string::npos) end = head.size();
    return std::string(text::Trim(std::string_view(head).substr(gt + 1, end - gt - 1)));
}

bool IsSendersViewProgram(std::string_view programId) {
    return text::EqualsNoCase(text::Trim(programId), "eQSL.cc DownloadInBox");
}

AdifEncoding DetectAdifEncoding(const std::string& path, const std::string_view* bytes) {
    InputBytes in(path, bytes);
    Utf8Check check;
    std::vector<char> buf(bytes ? std::min(kBlock, bytes->size() + 1) : kBlock);
    std::size_t n;
    while (check.Valid() && (n = in.Read(buf.data(), buf.size())) > 0)
        check.Feed(reinterpret_cast<const unsigned char*>(buf.data()), n);
    check.Finish();
    return check.Valid() && check.NonAscii() ? AdifEncoding::Utf8 : AdifEncoding::Cp932;
}

namespace {

// The prescan's table of tag names: each name in order of first appearance, those past the
// table's room counted and kept for the report.
class TagCollector {
public:
    TagCollector(AdifScanResult& result, AdifEncoding enc) : result_(result), enc_(enc) {
        guess_.Know(0, "");
    }

    TagGuess& Guess() { return guess_; }

    // The name of a tag (not yet upper-cased unless `upper`); `guessed`: it is the guessed one.
    void Take(TagText raw, bool upper, bool guessed) {
        const int g = guess_.Next();
        if (guessed) {
            guess_.Saw(g);
            return;
        }
        if (raw.ascii && g <= result_.table.Count() &&
            (upper ? SameText(result_.table.Name(g), raw.bytes)
                   : SameTextUpper(result_.table.Name(g), raw.bytes))) {
            guess_.Saw(g);
            return;
        }
        Look(raw, upper);
    }

private:
    [[gnu::noinline]] void Look(TagText raw, bool upper) {
        const TagText up = UpperName(raw, upper, enc_, upperScratch_);
        const std::string_view name = AsUtf8(up.bytes, up.ascii, enc_, scratch_);
        const int g = guess_.Next();
        if (g <= result_.table.Count() && SameText(result_.table.Name(g), name)) {
            guess_.Saw(g);
            return;
        }
        const int at = result_.table.Find(name);
        if (at >= 0) {
            guess_.Saw(at);
            return;
        }
        if (result_.table.Add(std::string(name))) {
            guess_.Know(result_.table.Count(), name);
            guess_.Saw(result_.table.Count());
            return;
        }
        if (overflow_.size() < kOverflowNamesKept * 10 && overflow_.insert(std::string(name)).second) {
            ++result_.overflowCount;
            if (result_.overflowNames.size() < kOverflowNamesKept) result_.overflowNames.emplace_back(name);
        }
    }

    AdifScanResult& result_;
    const AdifEncoding enc_;
    std::unordered_set<std::string> overflow_;
    std::string scratch_, upperScratch_;
    TagGuess guess_;
};

}  // namespace

AdifScanResult ScanAdifTags(const std::string& path, const AdifReadOptions& options,
                            ConversionCallbacks& callbacks, const AdifScanCounter& counter) {
    if (path.empty()) throw Error(std::string(kNoInputMessage));
    // A file without <EOH> is read a second time as records from its first byte.
    for (bool headerless = options.headerless;; headerless = true) {
        AdifScanResult result;
        result.encoding = Resolve(path, options.encoding, options.inputBytes);
        const AdifEncoding enc = result.encoding;
        LineSource src(path, options.lfEndsLine, options.detectLineEnds, options.inputBytes);
        TagCollector tags(result, enc);
        const ReadEnd end = ReadRecords(
            src, enc, false, headerless, callbacks, result.headerSeen, [&](const RecordText& record) {
                ++result.records;
                ForEachTag(record, &tags.Guess(), [&](TagText raw, const TagValue&, bool guessed) {
                    tags.Take(raw, record.upper, guessed);
                });
                if (counter) counter(result.records, result.table.Count());
                callbacks.Progress(result.records);
                return true;
            });
        result.cancelled = end == ReadEnd::Cancelled;
        result.traits = src.Traits();
        result.lfEndsLine = src.LfEndsLine();
        result.headerless = headerless;
        result.adx = src.Adx();
        if (result.cancelled || result.headerSeen || headerless) return result;
    }
}

AdifReadOptions AdifScanResult::RunOptions() const {
    AdifReadOptions o;
    o.lfEndsLine = lfEndsLine;
    o.detectLineEnds = false;
    o.encoding = encoding;
    o.headerless = headerless;
    return o;
}

Message DescribeAdifInput(const AdifScanResult& scan) {
    if (scan.adx) return Message("adif.input.adx");  // its records carry no line ends, and it has a header
    const char* lines = !scan.traits.lfSeen && !scan.traits.crSeen ? "adif.input.one-line"
                        : scan.lfEndsLine && !scan.traits.crSeen   ? "adif.input.lf"
                        : scan.traits.lfSeen                       ? "adif.input.crlf"
                                                                   : "adif.input.cr";
    return Message(scan.headerless ? "adif.input.describe-no-header" : "adif.input.describe")
        .Arg("encoding",
             Message(scan.encoding == AdifEncoding::Utf8 ? "adif.input.utf8" : "adif.input.cp932"))
        .Arg("lines", Message(lines));
}

// The tags every record has once: one of them twice means two records were read as one.
namespace {

bool IsRecordKey(std::string_view name) {
    return SameText(name, "CALL") || SameText(name, "QSO_DATE") || SameText(name, "TIME_ON");
}

// A JCC, JCG or Ku code as HAMLOG keeps them: digits, a town code ending in one letter.
bool IsJapaneseAreaCode(std::string_view s) {
    if (s.empty() || s.size() > 6) return false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const bool digit = s[i] >= '0' && s[i] <= '9';
        const bool townLetter = i == 5 && s[i] >= 'A' && s[i] <= 'Z';
        if (!digit && !townLetter) return false;
    }
    return true;
}

bool HasDigit(std::string_view s) {
    return s.find_first_of("0123456789") != std::string_view::npos;
}

}  // namespace

namespace {

// What the run does with the entries of the tag table, from the map of the mapping window.
struct RunPlan {
    std::vector<EntryPlan> entries;  // one per table entry, 0..Count()
    ColumnSet fallbackColumns;       // columns another tag fills where their own gave nothing
    bool modeFromMode = false;       // the Mode column takes MODE (a SUBMODE then names it)
    bool dateMapped = false, timeMapped = false;
};

// The plan of a run; sizes the extra remarks slots of `state` as the map asks.
RunPlan MakeRunPlan(const AdifTagTable& table, const AdifMapping& mapping, AdifRecordState& state) {
    RunPlan plan;
    std::vector<EntryPlan>& entries = plan.entries;
    entries.resize(static_cast<std::size_t>(table.Count() + 1));
    // An empty name finds entry 0, which feeds every column that no tag is mapped to.
    for (int c = 1; c <= kColumnCount; ++c) {
        const int k = mapping.columnMap[static_cast<std::size_t>(c)];
        if (k >= 0 && k <= table.Count()) entries[static_cast<std::size_t>(k)].columns.Add(c);
    }
    const auto extras = [&](int count, const std::vector<int>& rows, std::vector<std::string>& slots,
                            std::vector<int> EntryPlan::*feeds) {
        slots.assign(static_cast<std::size_t>(std::max(0, count - 1)), std::string());
        for (std::size_t i = 0; i < slots.size() && i < rows.size(); ++i)
            if (rows[i] >= 0 && rows[i] <= table.Count())
                (entries[static_cast<std::size_t>(rows[i])].*feeds).push_back(static_cast<int>(i));
    };
    extras(mapping.remarks1Count, mapping.remarks1Extras, state.remarks1Extras, &EntryPlan::remarks1);
    extras(mapping.remarks2Count, mapping.remarks2Extras, state.remarks2Extras, &EntryPlan::remarks2);
    for (int c = 1; c <= kColumnCount; ++c) {
        const int k = mapping.fallbackMap[static_cast<std::size_t>(c)];
        if (k > 0 && k <= table.Count()) entries[static_cast<std::size_t>(k)].fallbacks.Add(c);
    }
    const int modeRow = mapping.columnMap[kColMode];
    plan.modeFromMode = modeRow > 0 && modeRow <= table.Count() && table.Name(modeRow) == "MODE";
    for (int k = 0; k <= table.Count(); ++k) {
        const std::string_view n = table.Name(k);  // compared by length first
        EntryPlan& p = entries[static_cast<std::size_t>(k)];
        if (n == "SUBMODE" && plan.modeFromMode)
            p.kind = EntryPlan::Kind::Submode;
        else if (n == "BAND")
            p.kind = EntryPlan::Kind::Band;
        else if (n == "STATION_CALLSIGN")
            p.kind = EntryPlan::Kind::StationCall;
        else if (n == "CNTY")
            p.kind = EntryPlan::Kind::Cnty;
        else if (n == "STATE")
            p.kind = EntryPlan::Kind::State;
        else if (n == "JCC" || n == "JCG")
            p.kind = EntryPlan::Kind::JccJcg;
        else if (n == "AJA")
            p.kind = EntryPlan::Kind::Aja;
        else if (n == "DXCC")
            p.kind = EntryPlan::Kind::Dxcc;
        else if (n == "QSL_VIA")
            p.kind = EntryPlan::Kind::QslVia;
        p.recordKey = k > 0 && IsRecordKey(n);
    }
    for (EntryPlan& p : entries) {
        p.needsText = p.kind != EntryPlan::Kind::Plain;
        for (const ColumnSet& set : {p.columns, p.fallbacks})
            for (const int c : set) p.needsText = p.needsText || !KeepsBytes(c);
        p.used = p.Used();
        plan.fallbackColumns |= p.fallbacks;
    }
    plan.dateMapped = mapping.columnMap[kColDate] != 0;
    plan.timeMapped = mapping.columnMap[kColTime] != 0;
    return plan;
}

// What the rule of an entry's kind makes of its value, the same over the strings of the long
// way (AdifRecordState) and the views of the short way (AdifRecordView): the JCC/JCG, AJA and
// DXCC codes, the submode, the band, CNTY and STATE into `cnty` and `prefecture`; a station
// callsign goes to `stationCall`.
template <typename Values, typename Text, typename StationCall>
void TakeRule(const EntryPlan& p, std::string_view value, Values& v, Text& cnty, Text& prefecture,
              StationCall&& stationCall) {
    switch (p.kind) {
        case EntryPlan::Kind::JccJcg:
        case EntryPlan::Kind::Aja: {
            std::string_view code = value;
            std::size_t len = 0;
            if (!code.empty() && FirstCharFromA(code, len)) code.remove_prefix(len);
            const bool aja = p.kind == EntryPlan::Kind::Aja;
            (aja ? v.ajaValue : v.jccValue) = code;
            if (!code.empty()) (aja ? v.ajaFlag : v.jccFlag) = true;
            break;
        }
        case EntryPlan::Kind::Dxcc:
            if (!v.jccFlag && !v.ajaFlag) {
                v.dxccValue = value;
                if (!value.empty()) v.dxccFlag = true;
            }
            break;
        case EntryPlan::Kind::Submode:
            // The sidebands of SSB are no modes of their own in HAMLOG.
            if (value != "USB" && value != "LSB") v.submode = value;
            break;
        case EntryPlan::Kind::Band:
            v.band = value;
            break;
        case EntryPlan::Kind::Cnty:
            cnty = value;
            break;
        case EntryPlan::Kind::State:
            prefecture = value;
            break;
        case EntryPlan::Kind::StationCall:
            stationCall(value);
            break;
        default:
            break;
    }
}

// One record after another into lines of the import CSV: the values into the record state
// (CollectValues, TakeValue), the rules that join values (FinishRecord), then the line
// (WriteRecord).
class RecordConverter {
public:
    RecordConverter(const AdifRunOptions& o, const AdifTagTable& table, const AdifMapping& mapping,
                    AdifMeterState& meter, AdifEncoding enc, const LineSource& src,
                    text::Cp932LineWriter& out, ConversionCallbacks& callbacks, AdifRunResult& result)
        : o_(o),
          table_(table),
          meter_(meter),
          enc_(enc),
          src_(src),
          out_(out),
          callbacks_(callbacks),
          result_(result),
          plan_(MakeRunPlan(table, mapping, state_)),
          seenIn_(static_cast<std::size_t>(table.Count() + 1), 0) {
        for (int k = 0; k <= table.Count(); ++k) guess_.Know(k, table.Name(k));
        line_ = o.line;
        line_.qslColumnMapped = mapping.columnMap[kColQsl] != 0;
        line_.fixedText = mapping.fixedText;
        line_.fixedTextTarget = mapping.fixedTextTarget;
        view_.remarksExtras = !state_.remarks1Extras.empty() || !state_.remarks2Extras.empty();
        fast_ = !o.known && o.recordWriter;
        writer_.emplace(line_);
        viewSeenIn_.assign(seenIn_.size(), 0);
    }

    // False when the run stops (the meter question was answered No).
    bool Convert(const RecordText& record) {
        ++result_.records;
        if (fast_ && CollectViews(record) && WriteView()) {
            callbacks_.Progress(result_.records);
            return true;
        }
        CollectValues(record);
        FinishRecord();
        if (!WriteRecord()) return false;
        state_.Clear();
        callbacks_.Progress(result_.records);
        return true;
    }

private:
    static constexpr std::size_t kStationCallsKept = 10;

    Message Where() const {
        return Message("adif.where")
            .Arg("file", o_.inputPath)
            .Arg("record", result_.records)
            .Arg("line", src_.LineNumber());
    }

    // The table entry of a tag (-1: none), the guess told of it; `name` is its name as text.
    int EntryOf(TagText raw, bool guessed, std::string_view& name) {
        name = AsUtf8(raw.bytes, raw.ascii, enc_, nameScratch_);
        const int g = guess_.Next();
        const int k =
            guessed || (g <= table_.Count() && SameText(table_.Name(g), name)) ? g : table_.Find(name);
        if (k >= 0) guess_.Saw(k);
        return k;
    }

    void CollectValues(const RecordText& record) {
        const std::string_view buf = record.text;
        repeated_.clear();
        nulRemoved_ = false;
        // NUL bytes are rare: one look at the whole record spares a search of every value.
        const bool mayHoldNul = std::memchr(buf.data(), '\0', buf.size()) != nullptr;
        // The values that only travel to the output keep their bytes (not in a record with
        // NUL bytes, whose removal could join the bytes around them into other characters).
        state_.cp932Bytes = enc_ == AdifEncoding::Cp932 && !mayHoldNul;
        for (int c : plan_.fallbackColumns) fallbackValues_[static_cast<std::size_t>(c)].clear();
        cnty_.clear();
        prefecture_.clear();
        ForEachTag(record, &guess_, [&](TagText raw, const TagValue& valueAt, bool guessed) {
            std::string_view name;
            const int k = EntryOf(raw, guessed, name);
            if (k < 0) return;
            // A key tag twice in one record: two records were read as one (a tag or <EOR>
            // never closed).
            const EntryPlan& p = plan_.entries[static_cast<std::size_t>(k)];
            if (p.recordKey) {
                long long& seen = seenIn_[static_cast<std::size_t>(k)];
                if (seen == result_.records && repeated_.empty()) repeated_ = std::string(name);
                seen = result_.records;
            }
            if (!p.Used()) return;
            const TagText bytes = valueAt();
            if (state_.cp932Bytes) {
                bytes_ = bytes.bytes;
                value_ = p.needsText ? AsUtf8(bytes.bytes, bytes.ascii, enc_, valueScratch_)
                                     : std::string_view();  // not read
            } else {
                value_ = AsUtf8(bytes.bytes, bytes.ascii, enc_, valueScratch_);
                if (mayHoldNul && value_.find('\0') != std::string_view::npos) {
                    valueText_.assign(value_);
                    std::erase(valueText_, '\0');
                    value_ = valueText_;
                    nulRemoved_ = true;
                }
                bytes_ = value_;
            }
            TakeValue(p);
        });
    }

    // The value of one tag into the columns, rules and extras its entry feeds: the columns that
    // keep bytes get bytes_, the others the text value_.
    void TakeValue(const EntryPlan& p) {
        const std::string_view value = value_;
        AdifRecordState& state = state_;
        for (int c : p.columns)
            if (p.kind != EntryPlan::Kind::QslVia || !value.empty())
                state.slots[static_cast<std::size_t>(c)] = KeepsBytes(c) ? bytes_ : std::string_view(value);
        TakeRule(p, value, state, cnty_, prefecture_, [&](std::string_view call) {
            std::vector<std::string>& calls = result_.stationCallsigns;
            if (!call.empty() && calls.size() < kStationCallsKept &&
                std::find(calls.begin(), calls.end(), call) == calls.end())
                calls.emplace_back(call);
        });
        for (int i : p.remarks1) state.remarks1Extras[static_cast<std::size_t>(i)] = bytes_;
        for (int i : p.remarks2) state.remarks2Extras[static_cast<std::size_t>(i)] = bytes_;
        for (int c : p.fallbacks)
            fallbackValues_[static_cast<std::size_t>(c)] = KeepsBytes(c) ? bytes_ : std::string_view(value);
    }

    // The short way: the values as views into the record (view_), as CollectValues and
    // FinishRecord would set them. False, with nothing reported or counted, for a record that
    // needs the long way: a NUL byte, a value that must be decoded to be text, a key tag twice.
    bool CollectViews(const RecordText& record) {
        const std::string_view buf = record.text;
        if (std::memchr(buf.data(), '\0', buf.size())) return false;
        AdifRecordView& v = view_;
        v.slots.fill({});
        v.jccValue = v.ajaValue = v.dxccValue = v.submode = v.band = {};
        v.jccFlag = v.ajaFlag = v.dxccFlag = false;
        v.cp932Bytes = enc_ == AdifEncoding::Cp932;
        for (int c : plan_.fallbackColumns) fallbackViews_[static_cast<std::size_t>(c)] = {};
        cntyView_ = prefectureView_ = {};
        stationCalls_.clear();
        bool ok = true;
        ForEachTag(record, &guess_, [&](TagText raw, const TagValue& valueAt, bool guessed) {
            if (!ok) return;
            std::string_view name;
            const int k = EntryOf(raw, guessed, name);
            if (k < 0) return;
            const EntryPlan& p = plan_.entries[static_cast<std::size_t>(k)];
            if (p.recordKey) {
                long long& seen = viewSeenIn_[static_cast<std::size_t>(k)];
                if (seen == result_.records) ok = false;
                seen = result_.records;
            }
            if (!p.used) return;
            const TagText value = valueAt();
            if (enc_ == AdifEncoding::Cp932 && p.needsText && !value.ascii) {
                ok = false;
                return;
            }
            TakeView(p, value.bytes);
        });
        if (!ok) return false;
        for (int c : plan_.fallbackColumns) {
            std::string_view& slot = v.slots[static_cast<std::size_t>(c)];
            if (text::Trim(slot).empty()) slot = fallbackViews_[static_cast<std::size_t>(c)];
        }
        if (!v.jccFlag && !v.ajaFlag && v.dxccValue == "339") {
            const std::string_view code = IsJapaneseAreaCode(cntyView_) ? cntyView_ : prefectureView_;
            if (IsJapaneseAreaCode(code)) {
                v.jccValue = code;
                v.jccFlag = true;
            }
        }
        return true;
    }

    // TakeValue over views: the value is the same for the columns that keep bytes and the
    // others (ASCII, or a UTF-8 file's text).
    void TakeView(const EntryPlan& p, std::string_view value) {
        AdifRecordView& v = view_;
        for (int c : p.columns)
            if (p.kind != EntryPlan::Kind::QslVia || !value.empty())
                v.slots[static_cast<std::size_t>(c)] = value;
        TakeRule(p, value, v, cntyView_, prefectureView_,
                 [&](std::string_view call) { stationCalls_.push_back(call); });
        for (int c : p.fallbacks) fallbackViews_[static_cast<std::size_t>(c)] = value;
    }

    // The line of the views, when the short way can write it and nothing is to be said of it.
    bool WriteView() {
        AdifRecordWriter& writer = *writer_;
        if (!writer.Format(view_, meter_)) return false;
        if ((plan_.dateMapped && !HasDigit(writer.Date())) || (plan_.timeMapped && !HasDigit(writer.Time())))
            return false;  // warned of the long way
        for (const std::string_view call : stationCalls_) {
            std::vector<std::string>& calls = result_.stationCallsigns;
            if (!call.empty() && calls.size() < kStationCallsKept &&
                std::find(calls.begin(), calls.end(), call) == calls.end())
                calls.emplace_back(call);
        }
        out_.AppendCp932(writer.Line(), writer.Unmappable());
        out_.EndLine();
        ++result_.written;
        return true;
    }

    // The rules over the values of the whole record, and what the record itself showed.
    void FinishRecord() {
        for (int c : plan_.fallbackColumns) {
            std::string& slot = state_.slots[static_cast<std::size_t>(c)];
            if (text::Trim(slot).empty()) slot = fallbackValues_[static_cast<std::size_t>(c)];
        }
        // A Japanese contact written the standard way: the JCC/JCG/Ku code in CNTY, the
        // prefecture in STATE (ADIF's subdivisions of DXCC 339). They stand for the JCC tag.
        if (!state_.jccFlag && !state_.ajaFlag && state_.dxccValue == "339") {
            const std::string& code = IsJapaneseAreaCode(cnty_) ? cnty_ : prefecture_;
            if (IsJapaneseAreaCode(code)) {
                state_.jccValue = code;
                state_.jccFlag = true;
            }
        }
        if (!repeated_.empty())
            callbacks_.Warning(Message("adif.tag-twice").Arg("where", Where()).Arg("tag", repeated_));
        if (nulRemoved_) callbacks_.Warning(Message("adif.nul-removed").Arg("where", Where()));
    }

    // The line of the record, unless the database has it; false when the meter question was
    // answered No.
    bool WriteRecord() {
        bool ok = true;
        try {
            ok = MakeAdifCsvRecord(state_, line_, meter_, callbacks_, record_);
            const bool noDate = plan_.dateMapped && !HasDigit(record_.Date);
            const bool noTime = plan_.timeMapped && !HasDigit(record_.Time);
            if (ok && (noDate || noTime))
                callbacks_.Warning(Message(noDate && noTime ? "adif.no-date-time"
                                           : noDate         ? "adif.no-date"
                                                            : "adif.no-time")
                                       .Arg("where", Where())
                                       .Arg("date", record_.Date)
                                       .Arg("time", record_.Time));
            if (ok && o_.known && o_.known(record_)) {
                ++result_.known;
            } else if (ok) {
                csvout::WriteHamlogCsvLine(out_, record_);
                ++result_.written;
            }
        } catch (const DateTimeError& e) {
            ++result_.skipped;
            callbacks_.Warning(
                Message("adif.record-not-written")
                    .Arg("where", Where())
                    .Arg("reason", e.message() ? *e.message() : Message("cli.text").Arg("text", e.what())));
        }
        return ok;
    }

    const AdifRunOptions& o_;
    const AdifTagTable& table_;
    AdifMeterState& meter_;
    const AdifEncoding enc_;
    const LineSource& src_;
    text::Cp932LineWriter& out_;
    ConversionCallbacks& callbacks_;
    AdifRunResult& result_;
    AdifRecordState state_;
    RunPlan plan_;
    AdifLineOptions line_;
    csvout::HamlogCsvRecord record_;
    std::array<std::string, kColumnCount + 1> fallbackValues_;
    std::vector<long long> seenIn_;  // the record each key tag was last seen in
    std::string cnty_, prefecture_, repeated_;
    std::string nameScratch_, valueScratch_, valueText_;
    std::string_view value_;  // the value as text (in the record, or in one of the scratches)
    std::string_view bytes_;  // the value as the file has it (or value_ when that is the text)
    TagGuess guess_;
    bool nulRemoved_ = false;
    // The short way (AdifRecordWriter): not for a run that asks which contacts are known.
    AdifRecordView view_;
    std::optional<AdifRecordWriter> writer_;
    bool fast_ = false;
    std::array<std::string_view, kColumnCount + 1> fallbackViews_{};
    std::string_view cntyView_, prefectureView_;
    std::vector<std::string_view> stationCalls_;
    std::vector<long long> viewSeenIn_;
};

}  // namespace

AdifRunResult ConvertAdifLog(const AdifRunOptions& o, ConversionCallbacks& callbacks) {
    const AdifReadOptions& read = o.read;
    if (o.inputPath.empty()) throw Error(std::string(kNoInputMessage));
    if (!read.inputBytes) {
        CheckInputFile(o.inputPath, Message("role.adif-file"));
        RefuseSameFiles(
            {{o.inputPath, Message("role.adif-file"), false}, {o.outputPath, Message("role.output"), true}});
    }
    const AdifEncoding enc = Resolve(o.inputPath, read.encoding, read.inputBytes);
    const AdifTagTable noTable;
    const AdifMapping noMapping;
    AdifMeterState freshMeter;

    text::Cp932LineWriter out(o.outputPath, read.outputSink);
    LineSource src(o.inputPath, read.lfEndsLine, read.detectLineEnds, read.inputBytes);
    AdifRunResult result;
    RecordConverter converter(o, o.table ? *o.table : noTable, o.mapping ? *o.mapping : noMapping,
                              o.meter ? *o.meter : freshMeter, enc, src, out, callbacks, result);
    bool headerSeen = false;
    const ReadEnd end = ReadRecords(src, enc, true, read.headerless, callbacks, headerSeen,
                                    [&](const RecordText& record) { return converter.Convert(record); });
    {
        const text::Cp932LineWriter::RunEnd closed =
            out.CloseImport(end != ReadEnd::EndOfFile, result.written);
        result.keptPath = closed.keptPath;
        result.outputReplaced = closed.outputReplaced;
    }
    result.unmappable = out.Unmappable();
    result.traits = src.Traits();
    if (end == ReadEnd::Stopped)
        result.status = AdifRunResult::Status::Aborted;
    else if (end == ReadEnd::Cancelled)
        result.status = AdifRunResult::Status::Cancelled;
    return result;
}

std::vector<std::string> SplitAdifRecords(std::string_view bytes, const AdifReadOptions& options, bool run,
                                          std::vector<std::string>* tags, std::vector<long long>* lines) {
    NullCallbacks callbacks;
    LineSource src("records", options.lfEndsLine, options.detectLineEnds, &bytes);
    std::vector<std::string> records;
    bool headerSeen = false;
    const AdifEncoding enc =
        options.encoding == AdifEncoding::Utf8 ? AdifEncoding::Utf8 : AdifEncoding::Cp932;
    std::string scratch;
    AdifTagTable table;
    TagGuess guess;
    guess.Know(0, "");
    const auto piece = [](std::string& out, std::string_view s, bool ascii) {
        out += std::to_string(s.size()) + (ascii ? "a" : "n") + ":";
        out += s;
    };
    ReadRecords(src, enc, run, options.headerless, callbacks, headerSeen, [&](const RecordText& record) {
        std::string& text = records.emplace_back(record.text);
        if (lines) lines->push_back(src.LineNumber());
        if (!record.upper) UpperCase(text.data(), text.size(), enc);
        if (tags) {
            std::string& out = tags->emplace_back();
            ForEachTag(record, &guess, [&](TagText raw, const TagValue& valueAt, bool guessed) {
                const TagText name = UpperName(raw, record.upper, enc, scratch);
                piece(out, name.bytes, name.ascii);
                // The names are followed as the passes follow them; a name taken for the
                // guessed one must be it.
                int k = guessed ? guess.Next() : table.Find(name.bytes);
                if (guessed && table.Name(k) != name.bytes) out += "(not the guessed name)";
                if (k < 0 && table.Add(std::string(name.bytes))) {
                    k = table.Count();
                    guess.Know(k, name.bytes);
                }
                guess.Saw(k);
                if (run) {
                    const TagText value = valueAt();
                    piece(out, value.bytes, value.ascii);
                }
            });
        }
        return true;
    });
    return records;
}

std::string AdifCompletionMessage(long long records, const std::string& outputPath) {
    return std::to_string(records) + " 件の変換が正常終了しました。\n" + outputPath +
           " をTurbo HAMLOGから読み込んで下さい";
}

}  // namespace trelvo::adif
