#include "text/numfmt.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace trelvo::text {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Length of the number at the start of `s` (sign, digits, point, exponent); 0 when none.
std::size_t NumberPrefix(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && IsDigit(s[j])) {
            while (j < s.size() && IsDigit(s[j])) ++j;
            i = j;
        }
    }
    return i;
}

}  // namespace

double LeadingNumber(std::string_view s) {
    std::size_t b = 0;
    while (b < s.size() && IsBlank(s[b])) ++b;
    s = s.substr(b);
    std::size_t n = NumberPrefix(s);
    if (n == 0) return 0.0;
    return std::strtod(std::string(s.substr(0, n)).c_str(), nullptr);
}

std::optional<long long> WholeNumber(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    s = s.substr(b, e - b);
    std::size_t n = NumberPrefix(s);
    if (n == 0 || n != s.size()) return std::nullopt;
    double v = std::strtod(std::string(s).c_str(), nullptr);
    if (!std::isfinite(v) || std::fabs(v) > 9.2e18) return std::nullopt;
    return RoundHalfEven(v);
}

long long RoundHalfEven(double v) {
    return static_cast<long long>(std::nearbyint(v));
}

std::string FormatNumber(double v, std::string_view pattern) {
    std::size_t point = pattern.find('.');
    std::string_view intPat = pattern.substr(0, point);
    std::string_view decPat =
        point == std::string_view::npos ? std::string_view{} : pattern.substr(point + 1);
    std::size_t minInt = 0;
    for (char c : intPat)
        if (c == '0') ++minInt;
    std::size_t decimals = decPat.size();
    std::size_t fixedDecimals = 0;  // zeros count from the point: "##0" keeps 3 once the last is 0
    for (std::size_t i = 0; i < decPat.size(); ++i)
        if (decPat[i] == '0') fixedDecimals = i + 1;

    // Decimal text of the value with 15 significant digits first, so that 0.1357 is
    // rounded as the decimal it was written as, then rounded half away from zero.
    bool negative = v < 0;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15e", std::fabs(v));
    // buf: d.ddddddddddddddde[+-]XX
    std::string mant;
    mant += buf[0];
    mant.append(buf + 2, 15);
    int exp10 = std::atoi(buf + 18);
    // digits of mant represent 0.d1d2... x 10^(exp10+1)
    int intDigits = exp10 + 1;
    // Build integer and fraction digit strings.
    std::string intPart, fracPart;
    if (intDigits > 0) {
        if (static_cast<std::size_t>(intDigits) <= mant.size()) {
            intPart = mant.substr(0, static_cast<std::size_t>(intDigits));
            fracPart = mant.substr(static_cast<std::size_t>(intDigits));
        } else {
            intPart = mant + std::string(static_cast<std::size_t>(intDigits) - mant.size(), '0');
        }
    } else {
        fracPart = std::string(static_cast<std::size_t>(-intDigits), '0') + mant;
    }
    // Round to `decimals`.
    bool roundUp = fracPart.size() > decimals && fracPart[decimals] >= '5';
    fracPart.resize(decimals, '0');
    if (roundUp) {
        std::string all = intPart + fracPart;
        int i = static_cast<int>(all.size()) - 1;
        while (i >= 0 && all[static_cast<std::size_t>(i)] == '9') all[static_cast<std::size_t>(i--)] = '0';
        if (i >= 0)
            all[static_cast<std::size_t>(i)]++;
        else
            all.insert(all.begin(), '1');
        intPart = all.substr(0, all.size() - decimals);
        fracPart = all.substr(all.size() - decimals);
    }
    // Integer digits: strip leading zeros, then pad to the minimum.
    std::size_t nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? std::string() : intPart.substr(nz);
    if (intPart.size() < minInt) intPart.insert(0, minInt - intPart.size(), '0');
    // Optional decimals: drop trailing zeros beyond the fixed ones.
    while (fracPart.size() > fixedDecimals && fracPart.back() == '0') fracPart.pop_back();

    std::string out;
    bool isZero = intPart.find_first_not_of('0') == std::string::npos &&
                  fracPart.find_first_not_of('0') == std::string::npos;
    if (negative && !isZero) out += '-';
    out += intPart;
    if (point != std::string_view::npos) out += '.';
    out += fracPart;
    return out;
}

}  // namespace trelvo::text
