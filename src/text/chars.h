// Character-counted text helpers over UTF-8 strings (a character is one code point, as the
// original program's string functions counted them), plus trimming and case helpers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace trelvo::text {

// Number of characters (code points) in the UTF-8 text.
std::size_t CharCount(std::string_view s);
// The first `n` characters.
std::string CharLeft(std::string_view s, std::size_t n);
// The last `n` characters.
std::string CharRight(std::string_view s, std::size_t n);
// `n` characters from the 1-based character position `start` (all the rest when n is npos).
std::string CharMid(std::string_view s, std::size_t start, std::size_t n = std::string::npos);
// Cut to `n` characters or pad with spaces on the right to exactly `n` characters.
std::string CharFit(std::string_view s, std::size_t n);

// Upper case for ASCII letters and full-width Latin letters; every other byte is left as it
// is, so Japanese text is never touched.
std::string ToUpper(std::string_view s);

// Spaces (only ' ') removed at both ends / the left / the right. Inline: the converters trim
// every value they read.
inline std::string_view TrimLeft(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    s.remove_prefix(i);
    return s;
}
inline std::string_view TrimRight(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && s[n - 1] == ' ') --n;
    s.remove_suffix(s.size() - n);
    return s;
}
inline std::string_view Trim(std::string_view s) {
    return TrimRight(TrimLeft(s));
}
// Blanks (space, tab, CR, LF, NUL) removed at both ends.
std::string_view TrimBlanks(std::string_view s);

// Every occurrence of `from` replaced by `to`.
std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to);
// Split at every `sep`; an empty text gives one empty field.
std::vector<std::string> Split(std::string_view s, char sep);

bool StartsWith(std::string_view s, std::string_view prefix);
bool EndsWith(std::string_view s, std::string_view suffix);
// Case-insensitive comparison of ASCII letters.
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace trelvo::text
