// CP932 (Shift-JIS as Windows writes it) <-> UTF-8, and the byte measures that go with it.
//
// Inside the program every text is UTF-8; bytes become text only at file boundaries.
// The converter behind these functions is the platform's (iconv on POSIX systems).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace trelvo::text {

// The character shown for input bytes that are not CP932.
inline constexpr std::string_view kReplacementChar = "\xEF\xBF\xBD";  // U+FFFD
// What a character that CP932 cannot hold becomes on output.
inline constexpr char kUnmappableByte = '?';

// Counts of what a conversion could not carry over unchanged.
struct ConversionStats {
    std::size_t invalid = 0;  // input bytes or characters replaced
};

// CP932 bytes to UTF-8. Invalid bytes become U+FFFD, one per byte, and are counted.
// A lone lead byte at the very end is also replaced.
std::string Cp932ToUtf8(std::string_view cp932, ConversionStats* stats = nullptr);
// The same into `out` (not a view of `cp932`), whose memory is reused line after line.
void Cp932ToUtf8Into(std::string_view cp932, std::string& out, ConversionStats* stats = nullptr);

// UTF-8 to CP932 bytes. Characters CP932 cannot hold, and invalid UTF-8, become '?' and are
// counted.
std::string Utf8ToCp932(std::string_view utf8, ConversionStats* stats = nullptr);
// The same into `out`, whose memory is reused (for converters that encode every record).
void Utf8ToCp932Into(std::string_view utf8, std::string& out, ConversionStats* stats = nullptr);
// The same appended to `out`.
void Utf8ToCp932Append(std::string_view utf8, std::string& out, ConversionStats* stats = nullptr);

// CP932 bytes as the round trip through text writes them, Utf8ToCp932(Cp932ToUtf8(cp932)),
// appended to `out` without the text in between: ASCII is copied, a character with two codes
// gets the one the encoder writes, and each byte that is no character becomes '?' and is
// counted (for fields that travel from a CP932 input to a CP932 output as bytes).
// `notCp932` counts those bytes as Cp932ToUtf8 counts them.
void Cp932RecodeAppend(std::string_view cp932, std::string& out, ConversionStats* stats = nullptr,
                       ConversionStats* notCp932 = nullptr);
// The same written at `out`, which has room for twice the bytes of `cp932`; returns the end
// of what was written.
char* Cp932RecodeInto(std::string_view cp932, char* out, ConversionStats* stats = nullptr,
                      ConversionStats* notCp932 = nullptr);

// Cp932RecodeInto for a converter that recodes many values. The characters whose bytes come
// back unchanged are learnt from the platform one lead byte at a time as the text meets them
// (a log uses few), so that a run whose values hold only such characters never builds the
// whole conversion tables; any other character is recoded through them. Gives exactly what
// Cp932RecodeInto and Cp932RecodeAppend give.
class Cp932Recoder {
public:
    // Once the tables are built (another conversion of the run needed them) it learns from
    // them; `askPlatform` makes it ask the platform all the same (for tests).
    explicit Cp932Recoder(bool askPlatform = false) : askPlatform_(askPlatform) {}
    char* Into(std::string_view cp932, char* out, ConversionStats* stats = nullptr,
               ConversionStats* notCp932 = nullptr);
    void Append(std::string_view cp932, std::string& out, ConversionStats* stats = nullptr,
                ConversionStats* notCp932 = nullptr);

private:
    enum : std::uint8_t { kUnknown, kSame, kLead, kOther };
    void Learn(unsigned char b);
    std::array<std::uint8_t, 256> kind_{};
    std::array<std::array<std::uint64_t, 4>, 256> samePairs_{};  // [lead][trail / 64], bit trail % 64
    bool askPlatform_ = false;
};

// True for a byte that starts a double-byte CP932 character (0x81-0x9F, 0xE0-0xFC).
constexpr bool IsCp932LeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Length of the text in CP932 bytes.
std::size_t Cp932ByteLength(std::string_view utf8);

// The first `bytes` CP932 bytes of the text; when the last kept byte lies in 0x81-0x9F or
// 0xE0-0xEF it is taken as a lead byte and dropped too (only that byte is tested, so a
// complete character whose second byte lies in those ranges goes as well). This is how the
// HAMLOG field widths counted in bytes are applied to imported names, QTHs and remarks.
std::string Cp932CutLeadByteRule(std::string_view utf8, std::size_t bytes);

// The longest run of whole characters from the start of the text that takes at most `bytes`
// CP932 bytes: a character that fits is always kept, one that the width would divide goes.
std::string Cp932CutBytes(std::string_view utf8, std::size_t bytes);

// How a text is cut to a width counted in CP932 bytes: at a character boundary (the default),
// or by the old rule that drops a last byte in 0x81-0x9F or 0xE0-0xEF even when it ends a
// whole character (for those who need the bytes earlier versions wrote).
enum class ByteCut { kCharacters, kLegacyLeadByte };
std::string Cp932Cut(std::string_view utf8, std::size_t bytes, ByteCut how);
// The same on CP932 bytes: `out` gets Utf8ToCp932(Cp932Cut(Cp932ToUtf8(cp932), bytes, how)),
// and `stats` counts the '?' that writing that text would count. True when Cp932Cut would
// have kept the text as it was (then characters its encoding turned into '?' before the call
// still count when it is written).
bool Cp932CutCp932(std::string_view cp932, std::size_t bytes, ByteCut how, std::string& out,
                   ConversionStats* stats = nullptr);

// Exactly `bytes` CP932 bytes: cut to the width, or padded with spaces on the right. A
// double-byte character that the cut divides becomes a space, so the width always holds.
std::string Cp932FitBytes(std::string_view utf8, std::size_t bytes);

// True when the bytes are valid UTF-8 and hold at least one non-ASCII character.
bool LooksLikeUtf8(std::string_view bytes);

// True when every byte is below 0x80. Inline, eight bytes at a time: the converters ask it of
// every field, and most log text is plain ASCII.
inline bool IsAscii(std::string_view bytes) {
    const char* p = bytes.data();
    const std::size_t n = bytes.size();
    if (n >= 8) {
        // Eight bytes at a time, the last eight (overlapping) for the rest.
        unsigned long long w;
        for (std::size_t i = 0; i + 8 <= n; i += 8) {
            std::memcpy(&w, p + i, 8);
            if (w & 0x8080808080808080ULL) return false;
        }
        std::memcpy(&w, p + n - 8, 8);
        return (w & 0x8080808080808080ULL) == 0;
    }
    if (n >= 4) {  // the first four and the last four
        std::uint32_t a, b;
        std::memcpy(&a, p, 4);
        std::memcpy(&b, p + n - 4, 4);
        return ((a | b) & 0x80808080u) == 0;
    }
    unsigned char high = 0;
    for (std::size_t i = 0; i < n; ++i) high |= static_cast<unsigned char>(p[i]);
    return high < 0x80;
}

}  // namespace trelvo::text
