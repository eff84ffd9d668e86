#include "text/cp932.h"

#include <algorithm>
#include <cstring>

namespace trelvo::text {

bool LooksLikeUtf8(std::string_view s) {
    bool nonAscii = false;
    for (std::size_t i = 0; i < s.size();) {
        auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        nonAscii = true;
        std::size_t n;
        unsigned cp;
        if (b >= 0xC2 && b <= 0xDF) {
            n = 2;
            cp = b & 0x1Fu;
        } else if (b >= 0xE0 && b <= 0xEF) {
            n = 3;
            cp = b & 0x0Fu;
        } else if (b >= 0xF0 && b <= 0xF4) {
            n = 4;
            cp = b & 0x07u;
        } else {
            return false;
        }
        if (i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k) {
            auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3Fu);
        }
        if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n;
    }
    return nonAscii;
}

std::size_t Cp932ByteLength(std::string_view utf8) {
    if (IsAscii(utf8)) return utf8.size();
    return Utf8ToCp932(utf8).size();
}

namespace {

// Cuts encoded bytes to a width by `how`; false when the text is kept as it was (short enough
// for a cut at a character boundary).
bool CutEncoded(std::string& b, std::size_t bytes, ByteCut how) {
    if (how == ByteCut::kCharacters) {
        if (b.size() <= bytes) return false;
        std::size_t i = 0;
        while (i < bytes) {
            const std::size_t n = IsCp932LeadByte(static_cast<unsigned char>(b[i])) ? 2 : 1;
            if (i + n > bytes) break;
            i += n;
        }
        b.resize(i);
        return true;
    }
    if (b.size() > bytes) b.resize(bytes);
    if (!b.empty()) {
        auto last = static_cast<unsigned char>(b.back());
        if ((last >= 0x81 && last <= 0x9F) || (last >= 0xE0 && last <= 0xEF)) b.pop_back();
    }
    // A lead byte outside the tested ranges (0xF0-0xFC) may still end the text: drop it
    // rather than decode half a character.
    std::size_t i = 0, completeEnd = 0;
    while (i < b.size()) {
        std::size_t n = IsCp932LeadByte(static_cast<unsigned char>(b[i])) ? 2 : 1;
        if (i + n > b.size()) break;
        i += n;
        completeEnd = i;
    }
    b.resize(completeEnd);
    return true;
}

}  // namespace

std::string Cp932CutLeadByteRule(std::string_view utf8, std::size_t bytes) {
    return Cp932Cut(utf8, bytes, ByteCut::kLegacyLeadByte);
}

std::string Cp932CutBytes(std::string_view utf8, std::size_t bytes) {
    return Cp932Cut(utf8, bytes, ByteCut::kCharacters);
}

std::string Cp932Cut(std::string_view utf8, std::size_t bytes, ByteCut how) {
    if (IsAscii(utf8)) return std::string(utf8.substr(0, bytes));
    std::string b = Utf8ToCp932(utf8);
    if (!CutEncoded(b, bytes, how)) return std::string(utf8);
    return Cp932ToUtf8(b);
}

bool Cp932CutCp932(std::string_view cp932, std::size_t bytes, ByteCut how, std::string& out,
                   ConversionStats* stats) {
    out.clear();
    if (IsAscii(cp932)) {
        out.assign(cp932.substr(0, std::min(bytes, cp932.size())));
        return how == ByteCut::kCharacters && cp932.size() <= bytes;
    }
    std::string b;
    ConversionStats whole;
    Cp932RecodeAppend(cp932, b, &whole);  // what the cut sees: the text encoded
    if (!CutEncoded(b, bytes, how)) {
        out.swap(b);  // the text as it was, encoded when written
        if (stats) stats->invalid += whole.invalid;
        return true;
    }
    Cp932RecodeAppend(b, out, stats);
    return false;
}

std::string Cp932FitBytes(std::string_view utf8, std::size_t bytes) {
    std::string b = IsAscii(utf8) ? std::string(utf8) : Utf8ToCp932(utf8);
    if (b.size() >= bytes) {
        // Walk characters so a divided double-byte character is found.
        std::size_t i = 0;
        while (i < bytes) {
            std::size_t n = IsCp932LeadByte(static_cast<unsigned char>(b[i])) ? 2 : 1;
            if (i + n > bytes) break;
            i += n;
        }
        b.resize(i);
    }
    b.append(bytes - b.size(), ' ');
    return Cp932ToUtf8(b);
}

}  // namespace trelvo::text
