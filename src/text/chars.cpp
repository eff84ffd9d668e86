#include "text/chars.h"

namespace trelvo::text {
namespace {

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Byte offset of the character with 0-based index `n`, or s.size() when there are fewer.
std::size_t ByteOffsetOfChar(std::string_view s, std::size_t n) {
    std::size_t i = 0;
    while (i < s.size() && n > 0) {
        ++i;
        while (i < s.size() && IsContinuation(s[i])) ++i;
        --n;
    }
    return i;
}

}  // namespace

std::size_t CharCount(std::string_view s) {
    std::size_t n = 0;
    for (char c : s)
        if (!IsContinuation(c)) ++n;
    return n;
}

std::string CharLeft(std::string_view s, std::size_t n) {
    return std::string(s.substr(0, ByteOffsetOfChar(s, n)));
}

std::string CharRight(std::string_view s, std::size_t n) {
    std::size_t count = CharCount(s);
    if (n >= count) return std::string(s);
    return std::string(s.substr(ByteOffsetOfChar(s, count - n)));
}

std::string CharMid(std::string_view s, std::size_t start, std::size_t n) {
    if (start < 1) start = 1;
    std::size_t from = ByteOffsetOfChar(s, start - 1);
    std::string_view rest = s.substr(from);
    if (n == std::string::npos) return std::string(rest);
    return std::string(rest.substr(0, ByteOffsetOfChar(rest, n)));
}

std::string CharFit(std::string_view s, std::size_t n) {
    std::string out = CharLeft(s, n);
    std::size_t have = CharCount(out);
    if (have < n) out.append(n - have, ' ');
    return out;
}

std::string ToUpper(std::string_view s) {
    std::string out(s);
    for (std::size_t i = 0; i < out.size(); ++i) {
        auto c = static_cast<unsigned char>(out[i]);
        if (c >= 'a' && c <= 'z') {
            out[i] = static_cast<char>(c - 'a' + 'A');
        } else if (c == 0xEF && i + 2 < out.size() && static_cast<unsigned char>(out[i + 1]) == 0xBD) {
            // U+FF41..U+FF5A (full-width a-z) are EF BD 81..9A; upper is EF BC A1..BA.
            auto c3 = static_cast<unsigned char>(out[i + 2]);
            if (c3 >= 0x81 && c3 <= 0x9A) {
                out[i + 1] = static_cast<char>(0xBC);
                out[i + 2] = static_cast<char>(c3 + 0x20);
            }
            i += 2;
        }
    }
    return out;
}

std::string_view TrimBlanks(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; };
    std::size_t b = 0, e = s.size();
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(s);
    std::string out;
    out.reserve(s.size());
    std::size_t pos = 0;
    for (;;) {
        std::size_t hit = s.find(from, pos);
        if (hit == std::string_view::npos) break;
        out.append(s.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(s.substr(pos));
    return out;
}

std::vector<std::string> Split(std::string_view s, char sep) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    for (;;) {
        std::size_t hit = s.find(sep, pos);
        if (hit == std::string_view::npos) {
            out.emplace_back(s.substr(pos));
            return out;
        }
        out.emplace_back(s.substr(pos, hit - pos));
        pos = hit + 1;
    }
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

}  // namespace trelvo::text
