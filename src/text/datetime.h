// Calendar date and time of a contact, and the arithmetic the time-zone rules need.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace trelvo::text {

struct DateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend bool operator==(const DateTime&, const DateTime&) = default;
};

bool IsValidDate(int year, int month, int day);

// Reads a date in year/month/day order ("/" or "-" between the parts) with an optional time
// "H:MM" or "H:MM:SS" after blanks. A year of one or two digits is taken in the window
// 1930-2029. nullopt when the text is not a date or the date does not exist.
std::optional<DateTime> ParseYmdDateTime(std::string_view text);

// The same point in time `minutes` later (earlier when negative), across days, months and
// years.
DateTime AddMinutes(const DateTime& t, long long minutes);

// The calendar date (proleptic Gregorian) that lies `days` days after 1970-01-01.
void CivilFromDays(long long days, int& y, int& m, int& d);

// "yyyy/mm/dd HH:MM".
std::string FormatYmdHm(const DateTime& t);

// Formats with the letters yyyy, yy, mm (month, or minutes right after hh/HH and a ':'),
// dd, hh/HH, nn, ss; every other character is copied. "yyyymmdd_hhmm" gives
// 20261205_1405, "YYYYMMDD" is the same as "yyyymmdd".
std::string FormatDateTimePattern(const DateTime& t, std::string_view pattern);

// The local time now.
DateTime LocalNow();

}  // namespace trelvo::text
