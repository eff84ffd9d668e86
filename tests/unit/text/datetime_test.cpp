#include "text/datetime.h"

#include <gtest/gtest.h>

using namespace trelvo::text;

TEST(DateTime, TwoDigitYearWindowAndWhatIsNotADate) {
    EXPECT_EQ(ParseYmdDateTime("29/01/01 00:00")->year, 2029);
    EXPECT_EQ(ParseYmdDateTime("30/01/01 00:00")->year, 1930);
    EXPECT_EQ(ParseYmdDateTime("99/12/31")->year, 1999);
    EXPECT_EQ(ParseYmdDateTime("2024-02-29 9:05")->hour, 9);
    for (const char* bad :
         {"", "2024/02/30 00:00", "24/13/01 00:00", "24/01/01 24:00", "24/01/01 12:60", "2024/01", "abc",
          "24/01/01 12:3", "2024/01/01x", "240/01/01 00:00", "24/01-01 00:00"})
        EXPECT_FALSE(ParseYmdDateTime(bad).has_value()) << bad;
}

TEST(DateTime, AddHoursRollsOverDaysMonthsYears) {
    auto t = *ParseYmdDateTime("99/12/31 23:30");
    EXPECT_EQ(FormatYmdHm(AddMinutes(t, 9 * 60)), "2000/01/01 08:30");
    t = *ParseYmdDateTime("00/01/01 05:00");
    EXPECT_EQ(FormatYmdHm(AddMinutes(t, -9 * 60)), "1999/12/31 20:00");
    t = *ParseYmdDateTime("2024/02/28 20:00");
    EXPECT_EQ(FormatYmdHm(AddMinutes(t, 9 * 60)), "2024/02/29 05:00");
    t = *ParseYmdDateTime("2023/03/01 03:00");
    EXPECT_EQ(FormatYmdHm(AddMinutes(t, -9 * 60)), "2023/02/28 18:00");
}

TEST(DateTime, Formatting) {
    DateTime t{2026, 12, 5, 14, 7, 3};
    EXPECT_EQ(FormatDateTimePattern(t, "yyyymmdd_hhmm"), "20261205_1407");
    EXPECT_EQ(FormatDateTimePattern(t, "YYYYMMDD"), "20261205");
    EXPECT_EQ(FormatDateTimePattern(t, "yy/mm/dd hh:mm:ss"), "26/12/05 14:07:03");
    // Every part zero-padded to its width, the year to four digits.
    EXPECT_EQ(FormatYmdHm(DateTime{7, 1, 2, 3, 4}), "0007/01/02 03:04");
    EXPECT_EQ(FormatYmdHm(DateTime{2029, 12, 31, 23, 59}), "2029/12/31 23:59");
    EXPECT_EQ(FormatYmdHm(DateTime{12345, 10, 10, 10, 10}), "2345/10/10 10:10");
}
