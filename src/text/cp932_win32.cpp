// CP932 conversion through the Windows code-page functions: the platform's mapping, from which
// the conversion tables are built (cp932_tables.cpp).
#include <windows.h>

#include <string>

#include "text/cp932_platform.h"

namespace trelvo::text::detail {
namespace {

constexpr UINT kCp932 = 932;

// Decodes one CP932 character (one or two bytes) at `i`; false when it is not one.
bool DecodeOne(std::string_view in, std::size_t& i, std::wstring& out) {
    auto b = static_cast<unsigned char>(in[i]);
    int n = IsCp932LeadByte(b) ? 2 : 1;
    if (i + static_cast<std::size_t>(n) > in.size()) return false;
    wchar_t w[2];
    int got = MultiByteToWideChar(kCp932, MB_ERR_INVALID_CHARS, in.data() + i, n, w, 2);
    if (got <= 0) return false;
    out.append(w, static_cast<std::size_t>(got));
    i += static_cast<std::size_t>(n);
    return true;
}

std::string WideToUtf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n =
        WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr, nullptr);
    return out;
}

}  // namespace

std::string PlatformCp932ToUtf8(std::string_view cp932, ConversionStats* stats) {
    if (IsAscii(cp932)) return std::string(cp932);
    std::wstring w;
    w.reserve(cp932.size());
    for (std::size_t i = 0; i < cp932.size();) {
        if (!DecodeOne(cp932, i, w)) {
            w.push_back(L'\xFFFD');
            ++i;
            if (stats) ++stats->invalid;
        }
    }
    return WideToUtf8(w);
}

std::string PlatformUtf8ToCp932(std::string_view utf8, ConversionStats* stats) {
    if (IsAscii(utf8)) return std::string(utf8);
    std::string out;
    out.reserve(utf8.size());
    // Character by character, so that one that CP932 cannot hold becomes '?' and is counted.
    for (std::size_t i = 0; i < utf8.size();) {
        auto b = static_cast<unsigned char>(utf8[i]);
        std::size_t n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        if (i + n > utf8.size()) n = utf8.size() - i;
        if (n == 1 && b < 0x80) {
            out.push_back(static_cast<char>(b));
            ++i;
            continue;
        }
        wchar_t w[2];
        int wn =
            MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data() + i, static_cast<int>(n), w, 2);
        char mb[4];
        BOOL usedDefault = FALSE;
        int mn = wn > 0
                     ? WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, w, wn, mb, 4, nullptr, &usedDefault)
                     : 0;
        if (wn <= 0 || mn <= 0 || usedDefault) {
            out.push_back(kUnmappableByte);
            if (stats) ++stats->invalid;
            i += wn <= 0 ? 1 : n;
        } else {
            out.append(mb, static_cast<std::size_t>(mn));
            i += n;
        }
    }
    return out;
}

}  // namespace trelvo::text::detail
