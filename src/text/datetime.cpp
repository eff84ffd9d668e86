#include "text/datetime.h"

#include <cctype>
#include <cstdio>
#include <ctime>

namespace trelvo::text {
namespace {

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days since 1970-01-01 (proleptic Gregorian), and back.
long long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// Reads 1..maxDigits digits at `i`; returns the digit count (0 when none).
int ReadNumber(std::string_view s, std::size_t& i, int maxDigits, int& value) {
    int n = 0;
    value = 0;
    while (i < s.size() && n < maxDigits && std::isdigit(static_cast<unsigned char>(s[i]))) {
        value = value * 10 + (s[i] - '0');
        ++i;
        ++n;
    }
    return n;
}

}  // namespace

void CivilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

bool IsValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= DaysInMonth(year, month);
}

std::optional<DateTime> ParseYmdDateTime(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    DateTime t;
    int yDigits = ReadNumber(s, i, 4, t.year);
    if (yDigits == 0 || yDigits == 3) return std::nullopt;
    if (i >= s.size() || (s[i] != '/' && s[i] != '-')) return std::nullopt;
    char sep = s[i++];
    if (ReadNumber(s, i, 2, t.month) == 0) return std::nullopt;
    if (i >= s.size() || s[i] != sep) return std::nullopt;
    ++i;
    if (ReadNumber(s, i, 2, t.day) == 0) return std::nullopt;
    if (yDigits <= 2) t.year += t.year < 30 ? 2000 : 1900;
    if (!IsValidDate(t.year, t.month, t.day)) return std::nullopt;
    std::size_t afterDate = i;
    while (i < s.size() && s[i] == ' ') ++i;
    if (i < s.size()) {
        if (i == afterDate) return std::nullopt;
        if (ReadNumber(s, i, 2, t.hour) == 0) return std::nullopt;
        if (i >= s.size() || s[i] != ':') return std::nullopt;
        ++i;
        if (ReadNumber(s, i, 2, t.minute) != 2) return std::nullopt;
        if (i < s.size() && s[i] == ':') {
            ++i;
            if (ReadNumber(s, i, 2, t.second) != 2) return std::nullopt;
        }
        while (i < s.size() && s[i] == ' ') ++i;
        if (i != s.size()) return std::nullopt;
        if (t.hour > 23 || t.minute > 59 || t.second > 59) return std::nullopt;
    }
    return t;
}

DateTime AddMinutes(const DateTime& t, long long minutes) {
    long long total = DaysFromCivil(t.year, t.month, t.day) * 1440 + t.hour * 60 + t.minute + minutes;
    long long days = total >= 0 ? total / 1440 : -((-total + 1439) / 1440);
    long long rest = total - days * 1440;
    DateTime r = t;
    CivilFromDays(days, r.year, r.month, r.day);
    r.hour = static_cast<int>(rest / 60);
    r.minute = static_cast<int>(rest % 60);
    return r;
}

std::string FormatYmdHm(const DateTime& t) {
    const int parts[] = {t.year % 10000, t.month % 100, t.day % 100, t.hour % 100, t.minute % 100};
    if (parts[0] >= 0 && parts[1] >= 0 && parts[2] >= 0 && parts[3] >= 0 && parts[4] >= 0) {
        // Digit by digit: the importers call this once per contact.
        std::string out = "0000/00/00 00:00";
        const std::size_t last[] = {3, 6, 9, 12, 15};  // the last digit of each part
        const std::size_t width[] = {4, 2, 2, 2, 2};
        for (std::size_t k = 0; k < 5; ++k) {
            int v = parts[k];
            for (std::size_t i = 0; i < width[k]; ++i, v /= 10)
                out[last[k] - i] = static_cast<char>('0' + v % 10);
        }
        return out;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d", t.year % 10000, t.month % 100, t.day % 100,
                  t.hour % 100, t.minute % 100);
    return buf;
}

std::string FormatDateTimePattern(const DateTime& t, std::string_view p) {
    std::string out;
    bool afterHour = false;
    auto two = [&](int v) {
        char b[8];
        std::snprintf(b, sizeof b, "%02d", v % 100);
        out += b;
    };
    for (std::size_t i = 0; i < p.size();) {
        auto at = [&](std::string_view tok) {
            if (p.size() - i < tok.size()) return false;
            for (std::size_t k = 0; k < tok.size(); ++k)
                if (std::tolower(static_cast<unsigned char>(p[i + k])) != tok[k]) return false;
            return true;
        };
        if (at("yyyy")) {
            char b[8];
            std::snprintf(b, sizeof b, "%04d", t.year % 10000);
            out += b;
            i += 4;
            afterHour = false;
        } else if (at("yy")) {
            two(t.year % 100);
            i += 2;
            afterHour = false;
        } else if (at("mm")) {
            two(afterHour ? t.minute : t.month);
            i += 2;
            afterHour = false;
        } else if (at("dd")) {
            two(t.day);
            i += 2;
            afterHour = false;
        } else if (at("hh")) {
            two(t.hour);
            i += 2;
            afterHour = true;
        } else if (at("nn")) {
            two(t.minute);
            i += 2;
            afterHour = false;
        } else if (at("ss")) {
            two(t.second);
            i += 2;
            afterHour = false;
        } else {
            if (p[i] != ':') afterHour = false;
            out += p[i++];
        }
    }
    return out;
}

DateTime LocalNow() {
    std::time_t now = std::time(nullptr);
    std::tm tmv{};
#ifdef _WIN32
    localtime_s(&tmv, &now);
#else
    localtime_r(&now, &tmv);
#endif
    DateTime t;
    t.year = tmv.tm_year + 1900;
    t.month = tmv.tm_mon + 1;
    t.day = tmv.tm_mday;
    t.hour = tmv.tm_hour;
    t.minute = tmv.tm_min;
    t.second = tmv.tm_sec;
    return t;
}

}  // namespace trelvo::text
