#include "text/numfmt.h"

#include <gtest/gtest.h>

using namespace trelvo::text;

// (The DigiPan frequencies, "14.070" and ".136", are checked in its tests.)
TEST(NumberFormat, Patterns) {
    EXPECT_EQ(FormatNumber(14.0705, "####.##0"), "14.071");  // half away from zero
    EXPECT_EQ(FormatNumber(99999.9999, "####.##0"), "100000.000");
    EXPECT_EQ(FormatNumber(7.0, "#.#"), "7.");
    EXPECT_EQ(FormatNumber(14.07, "#.#"), "14.1");
    EXPECT_EQ(FormatNumber(3.5, "#.#"), "3.5");
    EXPECT_EQ(FormatNumber(0.135, "#.#"), ".1");
    EXPECT_EQ(FormatNumber(-2.25, "0.0"), "-2.3");
    EXPECT_EQ(FormatNumber(12.0, "00"), "12");
    EXPECT_EQ(FormatNumber(5.0, "00"), "05");
}

TEST(NumberFormat, RoundHalfEvenAndWholeNumbers) {
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(502.5), 502);
    EXPECT_EQ(WholeNumber(" 291 "), 291);
    EXPECT_EQ(WholeNumber("2.5"), 2);
    EXPECT_EQ(WholeNumber("12abc"), std::nullopt);
    EXPECT_EQ(WholeNumber(""), std::nullopt);
    EXPECT_EQ(WholeNumber("-"), std::nullopt);
}

TEST(NumberFormat, LeadingNumber) {
    EXPECT_DOUBLE_EQ(LeadingNumber("14070.5 kHz"), 14070.5);
    EXPECT_DOUBLE_EQ(LeadingNumber("  -3.5e2x"), -350.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("20M"), 20.0);
    EXPECT_DOUBLE_EQ(LeadingNumber("abc"), 0.0);
    EXPECT_DOUBLE_EQ(LeadingNumber(".5"), 0.5);
    EXPECT_DOUBLE_EQ(LeadingNumber("1e"), 1.0);
}
