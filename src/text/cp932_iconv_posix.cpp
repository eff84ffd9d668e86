// CP932 conversion through iconv.
#include <cerrno>
#include <iconv.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include <stdexcept>

#include "text/cp932.h"

namespace trelvo::text {
namespace {

// One conversion descriptor per direction and thread, opened on first use and reset
// before each conversion, so a converter that runs for a million lines opens it once.
class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~IconvHandle() { iconv_close(cd_); }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    iconv_t get() const {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        return cd_;
    }

private:
    iconv_t cd_;
};

iconv_t Decoder() {
    thread_local IconvHandle h("UTF-8", "CP932");
    return h.get();
}

iconv_t Encoder() {
    thread_local IconvHandle h("CP932", "UTF-8");
    return h.get();
}

// Runs iconv over the whole input; on a byte sequence it cannot convert calls
// `onInvalid(out, in, left)` which must append a substitute and advance the input.
template <typename OnInvalid>
std::string Run(iconv_t cd, std::string_view input, std::size_t factor, OnInvalid onInvalid) {
    std::string out;
    out.resize(input.size() * factor + 16);
    char* inp = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    std::size_t used = 0;
    while (inLeft > 0) {
        char* outp = out.data() + used;
        std::size_t outLeft = out.size() - used;
        std::size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        used = out.size() - outLeft;
        if (r != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2 + 16);
        } else {  // EILSEQ or EINVAL (incomplete sequence at the end)
            std::string sub = onInvalid(inp, inLeft);
            if (out.size() - used < sub.size()) out.resize(out.size() * 2 + sub.size());
            out.replace(used, sub.size(), sub);
            used += sub.size();
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    out.resize(used);
    return out;
}

// Every conversion above, made once per character and kept in tables: the decoder's answer
// for each single byte and each lead/trail pair, the encoder's for each character the decoder
// produces. The converters then look characters up instead of calling iconv per text; a
// character the tables do not hold still goes through iconv, so the results are iconv's.
class Cp932Tables {
public:
    // A decoded character: UTF-8 bytes in the low 24 bits, their count in the top 8; 0 when
    // iconv rejects the bytes; kWide when the decoder gave more than three bytes.
    static constexpr std::uint32_t kWide = 0xFFFFFFFFu;
    // An encoded character: 0x100 | byte, or the double-byte code; kAsk when not tabled,
    // kUnmappable when iconv has no CP932 form for it.
    static constexpr std::uint16_t kAsk = 0;
    static constexpr std::uint16_t kUnmappable = 0xFFFF;

    static const Cp932Tables& Get() {
        static const Cp932Tables tables;
        return tables;
    }

    std::array<std::uint32_t, 256> single{};
    std::array<std::int16_t, 256> leadIndex{};  // -1: not a lead byte
    std::vector<std::uint32_t> pair;            // leadIndex * 256 + trail
    std::vector<std::uint16_t> encode;          // by BMP code point

private:
    static std::uint32_t Pack(const std::string& u) {
        if (u.empty()) return 0;
        if (u.size() > 3) return kWide;
        std::uint32_t v = static_cast<std::uint32_t>(u.size()) << 24;
        for (std::size_t i = 0; i < u.size(); ++i)
            v |= static_cast<std::uint32_t>(static_cast<unsigned char>(u[i])) << (8 * i);
        return v;
    }
    // iconv's whole answer for `in`, or empty when it rejects or leaves any of it.
    static std::string Convert(iconv_t cd, const std::string& in, int* err) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char out[16];
        char* inp = const_cast<char*>(in.data());
        std::size_t inLeft = in.size();
        char* outp = out;
        std::size_t outLeft = sizeof out;
        errno = 0;
        std::size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
        *err = r == static_cast<std::size_t>(-1) ? errno : 0;
        if (*err || inLeft != 0) return {};
        return std::string(out, sizeof out - outLeft);
    }

    Cp932Tables() : encode(0x10000, kAsk) {
        IconvHandle dec("UTF-8", "CP932"), enc("CP932", "UTF-8");
        leadIndex.fill(-1);
        int err = 0, leads = 0;
        for (int b = 0; b < 256; ++b) {
            single[static_cast<std::size_t>(b)] =
                Pack(Convert(dec.get(), std::string(1, static_cast<char>(b)), &err));
            if (err == EINVAL) leadIndex[static_cast<std::size_t>(b)] = static_cast<std::int16_t>(leads++);
        }
        pair.assign(static_cast<std::size_t>(leads) * 256, 0);
        for (int b = 0; b < 256; ++b) {
            const int li = leadIndex[static_cast<std::size_t>(b)];
            if (li < 0) continue;
            for (int t = 0; t < 256; ++t) {
                const std::string two{static_cast<char>(b), static_cast<char>(t)};
                pair[static_cast<std::size_t>(li) * 256 + static_cast<std::size_t>(t)] =
                    Pack(Convert(dec.get(), two, &err));
            }
        }
        // The encoder's answer for every character the decoder produces.
        auto tableEncoding = [&](std::uint32_t packed) {
            if (packed == 0 || packed == kWide) return;
            const std::size_t len = packed >> 24;
            std::string u;
            for (std::size_t i = 0; i < len; ++i) u += static_cast<char>((packed >> (8 * i)) & 0xFF);
            unsigned cp = DecodeOne(u);
            if (cp >= encode.size() || encode[cp] != kAsk) return;
            const std::string b = Convert(enc.get(), u, &err);
            if (b.size() == 1)
                encode[cp] = static_cast<std::uint16_t>(0x100 | static_cast<unsigned char>(b[0]));
            else if (b.size() == 2)
                encode[cp] = static_cast<std::uint16_t>((static_cast<unsigned char>(b[0]) << 8) |
                                                        static_cast<unsigned char>(b[1]));
            else if (err == EILSEQ)
                encode[cp] = kUnmappable;
        };
        for (std::uint32_t v : single) tableEncoding(v);
        for (std::uint32_t v : pair) tableEncoding(v);
    }

public:
    // The code point of one complete UTF-8 character (the caller has checked it).
    static unsigned DecodeOne(std::string_view u) {
        const auto b0 = static_cast<unsigned char>(u[0]);
        if (u.size() == 1) return b0;
        unsigned cp = u.size() == 2 ? (b0 & 0x1Fu) : u.size() == 3 ? (b0 & 0x0Fu) : (b0 & 0x07u);
        for (std::size_t i = 1; i < u.size(); ++i)
            cp = (cp << 6) | (static_cast<unsigned char>(u[i]) & 0x3Fu);
        return cp;
    }
};

// Length of the valid UTF-8 character at s[i] (shortest form, no surrogates, at most
// U+10FFFF), or 0.
std::size_t Utf8CharLength(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b < 0x80) return 1;
    if (b >= 0xC2 && b <= 0xDF)
        n = 2;
    else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const auto c = static_cast<unsigned char>(s[i + k]);
        if (c < (k == 1 ? lo : 0x80) || c > (k == 1 ? hi : 0xBF)) return 0;
    }
    return n;
}

void AppendPacked(std::string& out, std::uint32_t v) {
    const std::size_t len = v >> 24;
    for (std::size_t i = 0; i < len; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string DecodeWithIconv(std::string_view cp932, ConversionStats* stats) {
    return Run(Decoder(), cp932, 3, [&](char*& inp, std::size_t& left) {
        ++inp;
        --left;
        if (stats) ++stats->invalid;
        return std::string(kReplacementChar);
    });
}

std::string EncodeWithIconv(std::string_view utf8, ConversionStats* stats) {
    return Run(Encoder(), utf8, 1, [&](char*& inp, std::size_t& left) {
        // Skip one whole UTF-8 character (or one stray byte).
        auto b = static_cast<unsigned char>(*inp);
        std::size_t n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        if (n > left) n = left;
        for (std::size_t i = 1; i < n; ++i) {
            if ((static_cast<unsigned char>(inp[i]) & 0xC0) != 0x80) {
                n = i;
                break;
            }
        }
        inp += n;
        left -= n;
        if (stats) ++stats->invalid;
        return std::string(1, kUnmappableByte);
    });
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932, ConversionStats* stats) {
    if (IsAscii(cp932)) return std::string(cp932);
    const Cp932Tables& t = Cp932Tables::Get();
    std::string out;
    out.reserve(cp932.size() * 3 / 2 + 4);
    std::size_t invalid = 0;
    const std::size_t n = cp932.size();
    for (std::size_t i = 0; i < n;) {
        const auto b = static_cast<unsigned char>(cp932[i]);
        std::uint32_t v;
        std::size_t used = 1;
        const int li = t.leadIndex[b];
        if (li >= 0 && i + 1 < n &&
            (v = t.pair[static_cast<std::size_t>(li) * 256 + static_cast<unsigned char>(cp932[i + 1])]) !=
                0) {
            used = 2;
        } else {
            v = li >= 0 ? 0 : t.single[b];
        }
        if (v == Cp932Tables::kWide) return DecodeWithIconv(cp932, stats);
        if (v == 0) {
            out += kReplacementChar;
            ++invalid;
        } else {
            AppendPacked(out, v);
        }
        i += used;
    }
    if (stats) stats->invalid += invalid;
    return out;
}

std::string Utf8ToCp932(std::string_view utf8, ConversionStats* stats) {
    if (IsAscii(utf8)) return std::string(utf8);
    const Cp932Tables& t = Cp932Tables::Get();
    std::string out;
    out.reserve(utf8.size());
    std::size_t invalid = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80 &&
            t.encode[static_cast<unsigned char>(utf8[i])] == (0x100 | static_cast<unsigned char>(utf8[i]))) {
            std::size_t j = i + 1;  // a run of ASCII that stays as it is, copied at once
            while (j < utf8.size() && static_cast<unsigned char>(utf8[j]) < 0x80 &&
                   t.encode[static_cast<unsigned char>(utf8[j])] ==
                       (0x100 | static_cast<unsigned char>(utf8[j])))
                ++j;
            out.append(utf8, i, j - i);
            i = j;
            continue;
        }
        const std::size_t len = Utf8CharLength(utf8, i);
        if (len == 0) return EncodeWithIconv(utf8, stats);  // not UTF-8: iconv's own handling
        const unsigned cp = Cp932Tables::DecodeOne(utf8.substr(i, len));
        const std::uint16_t e = cp < t.encode.size() ? t.encode[cp] : Cp932Tables::kAsk;
        if (e == Cp932Tables::kAsk) {
            ConversionStats one;
            out += EncodeWithIconv(utf8.substr(i, len), &one);
            invalid += one.invalid;
        } else if (e == Cp932Tables::kUnmappable) {
            out += kUnmappableByte;
            ++invalid;
        } else if (e & 0xFF00 && e >> 8 != 0x01) {
            out += static_cast<char>(e >> 8);
            out += static_cast<char>(e & 0xFF);
        } else {
            out += static_cast<char>(e & 0xFF);
        }
        i += len;
    }
    if (stats) stats->invalid += invalid;
    return out;
}

}  // namespace trelvo::text
