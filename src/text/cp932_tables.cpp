// CP932 <-> UTF-8 through tables. The tables are filled once, on first use, by asking the
// platform's converter about every single byte, every byte pair and every character of the
// Basic Multilingual Plane, so they carry exactly its mapping; converting a log line is then
// a table lookup per character instead of a call into the platform.
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "text/cp932.h"
#include "text/cp932_platform.h"

namespace trelvo::text {
namespace {

constexpr std::uint32_t kNoChar = 0xFFFFFFFF;
constexpr std::uint16_t kUnmappable = 0xFFFF;
constexpr std::uint16_t kDropped = 0xFFFE;  // the platform leaves the character out, silently
// The language-tag characters, which the platform drops (the only characters outside the
// Basic Multilingual Plane it does not reject).
constexpr std::uint32_t kTagsFirst = 0xE0000, kTagsEnd = 0xE0080;
constexpr char32_t kReplacement = 0xFFFD;

// The one code point of a UTF-8 text, or kNoChar when it holds none or more than one.
std::uint32_t SingleCodePoint(const std::string& u) {
    if (u.empty()) return kNoChar;
    const auto b = static_cast<unsigned char>(u[0]);
    const std::size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    if (u.size() != n) return kNoChar;
    std::uint32_t cp = n == 1 ? b : n == 2 ? (b & 0x1Fu) : n == 3 ? (b & 0x0Fu) : (b & 0x07u);
    for (std::size_t i = 1; i < n; ++i) cp = (cp << 6) | (static_cast<unsigned char>(u[i]) & 0x3Fu);
    return cp;
}

char* PutUtf8(char* o, std::uint32_t cp) {
    if (cp < 0x80) {
        *o++ = static_cast<char>(cp);
    } else if (cp < 0x800) {
        *o++ = static_cast<char>(0xC0 | (cp >> 6));
        *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        *o++ = static_cast<char>(0xE0 | (cp >> 12));
        *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        *o++ = static_cast<char>(0xF0 | (cp >> 18));
        *o++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *o++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        *o++ = static_cast<char>(0x80 | (cp & 0x3F));
    }
    return o;
}

// What the platform's encoder makes of one character: one byte (< 0x100), two bytes, kDropped
// or kUnmappable.
std::uint16_t AskEncode(std::uint32_t cp) {
    char buf[4];
    const std::string u(buf, static_cast<std::size_t>(PutUtf8(buf, cp) - buf));
    ConversionStats st;
    const std::string b = detail::PlatformUtf8ToCp932(u, &st);
    if (st.invalid != 0) return kUnmappable;
    if (b.empty()) return kDropped;
    if (b.size() == 1) return static_cast<unsigned char>(b[0]);
    if (b.size() == 2)
        return static_cast<std::uint16_t>(static_cast<unsigned char>(b[0]) << 8 |
                                          static_cast<unsigned char>(b[1]));
    return kUnmappable;
}

// The code point the platform's decoder makes of these bytes as one character, or kNoChar.
std::uint32_t AskDecode(std::string_view bytes) {
    ConversionStats st;
    const std::string u = detail::PlatformCp932ToUtf8(bytes, &st);
    return st.invalid == 0 ? SingleCodePoint(u) : kNoChar;
}

// The encoding of a code point as the tables hold it.
std::uint16_t EncodeAsTables(std::uint32_t cp) {
    if (cp < 0x10000) return cp >= 0xD800 && cp <= 0xDFFF ? kUnmappable : AskEncode(cp);
    if (cp >= kTagsFirst && cp < kTagsEnd) return AskEncode(cp);
    return kUnmappable;
}

struct Tables {
    std::array<std::uint32_t, 256> single{};  // code point of a one-byte character, or kNoChar
    std::array<bool, 256> lead{};             // starts a two-byte character
    std::vector<std::uint32_t> pair;          // [lead * 256 + trail]: code point, or kNoChar
    std::vector<std::uint16_t> encode;        // [BMP code point]: one byte (< 0x100), two bytes,
                                              // kDropped or kUnmappable
    std::array<std::uint16_t, kTagsEnd - kTagsFirst> tags{};  // the same for U+E0000..U+E007F
    // What a Cp932Recoder learns of each byte: a one-byte character encoded back as the byte
    // itself; for a lead byte, the trail bytes whose pairs are encoded back as the same two
    // bytes ([lead][trail / 64], bit trail % 64).
    std::array<bool, 256> sameByte{};
    std::array<std::array<std::uint64_t, 4>, 256> samePairs{};

    Tables() : pair(256 * 256, kNoChar), encode(0x10000, kUnmappable) {
        for (int b = 0; b < 256; ++b)
            single[static_cast<std::size_t>(b)] = AskDecode(std::string(1, static_cast<char>(b)));
        for (int b = 0; b < 256; ++b) {
            if (single[static_cast<std::size_t>(b)] != kNoChar) continue;
            for (int t = 0; t < 256; ++t) {
                const char bytes[2] = {static_cast<char>(b), static_cast<char>(t)};
                const std::uint32_t cp = AskDecode(std::string_view(bytes, 2));
                if (cp == kNoChar) continue;
                pair[static_cast<std::size_t>(b * 256 + t)] = cp;
                lead[static_cast<std::size_t>(b)] = true;
            }
        }
        for (std::uint32_t cp = 0; cp < 0x10000; ++cp)
            if (cp < 0xD800 || cp > 0xDFFF) encode[cp] = AskEncode(cp);
        for (std::uint32_t cp = kTagsFirst; cp < kTagsEnd; ++cp) tags[cp - kTagsFirst] = AskEncode(cp);
        for (unsigned b = 0; b < 256; ++b) {
            const std::uint32_t cp = single[b];
            if (cp != kNoChar) {
                sameByte[b] = cp < 0x80 ? cp == b : Encode(cp) == b;
                continue;
            }
            for (unsigned tr = 0; tr < 256; ++tr) {
                const std::uint32_t p = pair[b * 256u + tr];
                if (p != kNoChar && p >= 0x80 && Encode(p) == (b << 8 | tr))
                    samePairs[b][tr >> 6] |= std::uint64_t{1} << (tr & 63);
            }
        }
    }

    std::uint16_t Encode(std::uint32_t cp) const {
        if (cp < 0x10000) return encode[cp];
        if (cp >= kTagsFirst && cp < kTagsEnd) return tags[cp - kTagsFirst];
        return kUnmappable;
    }
};

// The tables once they are built (a Cp932Recoder then learns from them).
std::atomic<const Tables*> builtTables{nullptr};

const Tables& GetTables() {
    static const Tables tables;
    static const bool noted = (builtTables.store(&tables, std::memory_order_release), true);
    (void)noted;
    return tables;
}

// Length of the valid UTF-8 character at `i`, or 0 when the bytes there are not one
// (overlong forms, surrogates and values above U+10FFFF are not).
std::size_t Utf8CharLength(std::string_view s, std::size_t i, std::uint32_t& cp) {
    const auto b = static_cast<unsigned char>(s[i]);
    const auto at = [&](std::size_t k) {
        return i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : 0u;
    };
    const auto cont = [](unsigned c) { return (c & 0xC0u) == 0x80u; };
    if (b < 0x80) {
        cp = b;
        return 1;
    }
    if (b >= 0xC2 && b <= 0xDF) {
        if (!cont(at(1))) return 0;
        cp = (b & 0x1Fu) << 6 | (at(1) & 0x3Fu);
        return 2;
    }
    if (b >= 0xE0 && b <= 0xEF) {
        const unsigned lo = b == 0xE0 ? 0xA0 : 0x80, hi = b == 0xED ? 0x9F : 0xBF;
        if (at(1) < lo || at(1) > hi || !cont(at(2))) return 0;
        cp = (b & 0x0Fu) << 12 | (at(1) & 0x3Fu) << 6 | (at(2) & 0x3Fu);
        return 3;
    }
    if (b >= 0xF0 && b <= 0xF4) {
        const unsigned lo = b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
        if (at(1) < lo || at(1) > hi || !cont(at(2)) || !cont(at(3))) return 0;
        cp = (b & 0x07u) << 18 | (at(1) & 0x3Fu) << 12 | (at(2) & 0x3Fu) << 6 | (at(3) & 0x3Fu);
        return 4;
    }
    return 0;
}

// What is skipped for bytes that are not a character: the lead byte and the continuation
// bytes its form promises, as far as they are there.
std::size_t InvalidUtf8Length(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    if (n > s.size() - i) n = s.size() - i;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return k;
    return n;
}

// The character that starts at s[i] and how many bytes it takes. A byte that is no
// character, alone or as the first of a pair, reads as U+FFFD of one byte (reading goes on
// after it) and is counted in `invalid` when given.
std::uint32_t ReadCp932Char(const Tables& t, std::string_view s, std::size_t i, std::size_t& n,
                            ConversionStats* invalid) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::uint32_t cp = t.single[b];
    n = 1;
    if (cp == kNoChar && t.lead[b] && i + 1 < s.size()) {
        cp = t.pair[b * 256u + static_cast<unsigned char>(s[i + 1])];
        n = 2;
    }
    if (cp == kNoChar) {
        cp = kReplacement;
        n = 1;
        if (invalid) ++invalid->invalid;
    }
    return cp;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932, ConversionStats* stats) {
    std::string out;
    Cp932ToUtf8Into(cp932, out, stats);
    return out;
}

void Cp932ToUtf8Into(std::string_view cp932, std::string& out, ConversionStats* stats) {
    const std::less<const char*> before;
    if (!cp932.empty() && !before(cp932.data(), out.data()) &&
        before(cp932.data(), out.data() + out.size())) {
        // A view of `out` itself: decoded aside, as writing over it would lose it.
        std::string aside;
        Cp932ToUtf8Into(cp932, aside, stats);
        out.swap(aside);
        return;
    }
    if (IsAscii(cp932)) {
        out.assign(cp932.data(), cp932.size());
        return;
    }
    const Tables& t = GetTables();
    out.resize(cp932.size() * 3);  // no byte gives more than three
    char* o = out.data();
    for (std::size_t i = 0; i < cp932.size();) {
        const auto b = static_cast<unsigned char>(cp932[i]);
        if (b < 0x80 && t.single[b] == b) {
            *o++ = static_cast<char>(b);
            ++i;
            continue;
        }
        std::size_t n = 1;
        const std::uint32_t cp = ReadCp932Char(t, cp932, i, n, stats);
        o = PutUtf8(o, cp);
        i += n;
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
}

std::string Utf8ToCp932(std::string_view utf8, ConversionStats* stats) {
    std::string out;
    Utf8ToCp932Into(utf8, out, stats);
    return out;
}

void Utf8ToCp932Into(std::string_view utf8, std::string& out, ConversionStats* stats) {
    out.clear();
    Utf8ToCp932Append(utf8, out, stats);
}

void Utf8ToCp932Append(std::string_view utf8, std::string& out, ConversionStats* stats) {
    if (IsAscii(utf8)) {
        out.append(utf8.data(), utf8.size());
        return;
    }
    const Tables& t = GetTables();
    const std::size_t start = out.size();
    out.resize(start + utf8.size());  // never longer than the UTF-8 text
    char* o = out.data() + start;
    for (std::size_t i = 0; i < utf8.size();) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            *o++ = utf8[i++];
            continue;
        }
        std::uint32_t cp = 0;
        std::size_t n = Utf8CharLength(utf8, i, cp);
        const std::uint16_t code = n != 0 ? t.Encode(cp) : kUnmappable;
        if (code == kDropped) {
            // nothing written
        } else if (code == kUnmappable) {
            if (n == 0) n = InvalidUtf8Length(utf8, i);
            *o++ = kUnmappableByte;
            if (stats) ++stats->invalid;
        } else if (code < 0x100) {
            *o++ = static_cast<char>(code);
        } else {
            *o++ = static_cast<char>(code >> 8);
            *o++ = static_cast<char>(code & 0xFF);
        }
        i += n;
    }
    out.resize(static_cast<std::size_t>(o - out.data()));
}

namespace {

// The character at s[i] as Cp932RecodeAppend writes it, at `o`; `i` and `o` move past it.
inline void RecodeChar(const Tables& t, std::string_view s, std::size_t& i, char*& o, ConversionStats* stats,
                       ConversionStats* notCp932) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80 && t.single[b] == b) {
        *o++ = static_cast<char>(b);
        ++i;
        return;
    }
    // Read as Cp932ToUtf8 reads, written as Utf8ToCp932Into writes.
    std::size_t n = 1;
    const std::uint32_t cp = ReadCp932Char(t, s, i, n, notCp932);
    i += n;
    if (cp < 0x80) {
        *o++ = static_cast<char>(cp);
        return;
    }
    const std::uint16_t code = t.Encode(cp);
    if (code == kDropped) {
        // nothing written
    } else if (code == kUnmappable) {
        *o++ = kUnmappableByte;
        if (stats) ++stats->invalid;
    } else if (code < 0x100) {
        *o++ = static_cast<char>(code);
    } else {
        *o++ = static_cast<char>(code >> 8);
        *o++ = static_cast<char>(code & 0xFF);
    }
}

// Cp932RecodeAppend's work on text that is not all ASCII, written at `o`.
char* RecodeInto(std::string_view cp932, char* o, ConversionStats* stats, ConversionStats* notCp932) {
    const Tables& t = GetTables();
    for (std::size_t i = 0; i < cp932.size();) RecodeChar(t, cp932, i, o, stats, notCp932);
    return o;
}

}  // namespace

void Cp932RecodeAppend(std::string_view cp932, std::string& out, ConversionStats* stats,
                       ConversionStats* notCp932) {
    if (IsAscii(cp932)) {
        out.append(cp932.data(), cp932.size());
        return;
    }
    const std::size_t start = out.size();
    out.resize(start + cp932.size() * 2);  // a byte that is no character gives one '?'
    char* const o = RecodeInto(cp932, out.data() + start, stats, notCp932);
    out.resize(static_cast<std::size_t>(o - out.data()));
}

char* Cp932RecodeInto(std::string_view cp932, char* out, ConversionStats* stats, ConversionStats* notCp932) {
    if (IsAscii(cp932)) {
        if (!cp932.empty()) std::memcpy(out, cp932.data(), cp932.size());
        return out + cp932.size();
    }
    return RecodeInto(cp932, out, stats, notCp932);
}

char* Cp932Recoder::Into(std::string_view cp932, char* out, ConversionStats* stats,
                         ConversionStats* notCp932) {
    if (IsAscii(cp932)) {
        if (!cp932.empty()) std::memcpy(out, cp932.data(), cp932.size());
        return out + cp932.size();
    }
    char* o = out;
    const char* const s = cp932.data();
    const std::size_t n = cp932.size();
    for (std::size_t i = 0; i < n;) {
        const auto b = static_cast<unsigned char>(s[i]);
        std::uint8_t kind = kind_[b];
        if (kind == kUnknown) {
            Learn(b);
            kind = kind_[b];
        }
        if (kind == kSame) {
            *o++ = s[i++];
            continue;
        }
        if (kind == kLead && i + 1 < n) {
            const auto t = static_cast<unsigned char>(s[i + 1]);
            if ((samePairs_[b][t >> 6] >> (t & 63)) & 1u) {
                o[0] = s[i];
                o[1] = s[i + 1];
                o += 2;
                i += 2;
                continue;
            }
        }
        RecodeChar(GetTables(), cp932, i, o, stats, notCp932);
    }
    return o;
}

void Cp932Recoder::Append(std::string_view cp932, std::string& out, ConversionStats* stats,
                          ConversionStats* notCp932) {
    const std::size_t start = out.size();
    out.resize(start + cp932.size() * 2);
    char* const o = Into(cp932, out.data() + start, stats, notCp932);
    out.resize(static_cast<std::size_t>(o - out.data()));
}

// What the tables would make of byte `b`, asked of the platform as the tables are built: a
// character that is written back as the same byte; a lead byte, with the trail bytes whose
// pairs are written back as the same two bytes; or neither.
void Cp932Recoder::Learn(unsigned char b) {
    const Tables* built = askPlatform_ ? nullptr : builtTables.load(std::memory_order_acquire);
    if (const Tables* t = built) {  // built already: read them
        if (t->single[b] != kNoChar) {
            kind_[b] = t->sameByte[b] ? kSame : kOther;
            return;
        }
        samePairs_[b] = t->samePairs[b];
        kind_[b] = t->lead[b] ? kLead : kOther;
        return;
    }
    const std::uint32_t cp = AskDecode(std::string(1, static_cast<char>(b)));
    if (cp != kNoChar) {
        kind_[b] = (cp < 0x80 ? cp == b : EncodeAsTables(cp) == b) ? kSame : kOther;
        return;
    }
    bool lead = false;
    for (unsigned t = 0; t < 256; ++t) {
        const char bytes[2] = {static_cast<char>(b), static_cast<char>(t)};
        const std::uint32_t pair = AskDecode(std::string_view(bytes, 2));
        if (pair == kNoChar) continue;
        lead = true;
        if (pair >= 0x80 && EncodeAsTables(pair) == (b << 8 | t))
            samePairs_[b][t >> 6] |= std::uint64_t{1} << (t & 63);
    }
    kind_[b] = lead ? kLead : kOther;
}

}  // namespace trelvo::text
