#include "hamlog/hdb_callsign.h"

#include <gtest/gtest.h>

using namespace trelvo::hamlog;

TEST(HdbCallsign, SplitsEachKindOfCallsignForTheRecord) {
    struct Case {
        const char* call;
        bool dx;
        const char* calls;
        const char* ign;
        unsigned flag;
        bool cut;
    };
    const Case cases[] = {
        {"JA1ABC", false, "JA1ABC  ", "            ", 0, false},
        {"JA1ABC/1", false, "JA1ABC  ", "           1", 0, false},
        {"JA1ABC/QRP/3", false, "JA1ABC  ", "       QRP/3", 0, false},
        {"KH6/JE3HHT", true, "JE3HHT  ", "         KH6", 8 | 2, false},
        {"KH6/JE3HHT/P", true, "JE3HHT  ", "       KH6/P", 8 | 2, false},
        {"JE3HHT/KH6", true, "JE3HHT  ", "         KH6", 8 | 1, false},
        {"W1AW", true, "W1AW    ", "            ", 8, false},
        {"AB/CD", true, "AB      ", "          CD", 8 | 1, false},  // a tie keeps the part before
        {"8N1TRELVO", false, "8N1TRELV", "O           ", 0, false},
        {"8N1TRELVO/1", false, "8N1TRELV", "O          1", 0, false},
        // No room left between the overflow and the portable part: the portable part is cut.
        {"JA1ABCDEFGHIJK/VERYLONG", false, "JA1ABCDE", "FGHIJK VERYL", 0, true},
        {"ABCDEFGHIJKLMNOPQRSTUV", false, "ABCDEFGH", "IJKLMNOPQRST", 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        HdbCallFields f = SplitHdbCall(c.call, c.dx, 8, 12);
        EXPECT_EQ(f.calls, c.calls);
        EXPECT_EQ(f.ign, c.ign);
        EXPECT_EQ(f.flag, c.flag);
        EXPECT_EQ(f.cut, c.cut);
        if (!c.cut) {
            EXPECT_EQ(RebuildHdbCall(f.calls, f.ign, f.flag), c.call);
        }
    }
}

TEST(HdbCallsign, RoundTripsCallsignsOfEveryShapeInOddWidths) {
    // CALLS 5 and IGN 10: most main calls overflow into IGN.
    const std::pair<const char*, bool> calls[] = {
        {"JA1ABC", false},       {"JA1ABC/1", false},     {"7J1ABC/QRP", false}, {"7J1ABC/QRP", true},
        {"JA1ABC/1/QRP", false}, {"VP2V/W1AW/MM", false}, {"KH6/JE3HHT", true},  {"DL/JA1XYZ/P", true},
        {"VP2V/W1AW/MM", true},  {"W1AW", true},          {"A/B/C/D", true},     {"A/B/C/D", false},
        {"3D2/JA1ABC/P", true}};
    for (const auto& [call, dx] : calls) {
        SCOPED_TRACE(std::string(call) + (dx ? " DX" : " JA"));
        HdbCallFields f = SplitHdbCall(call, dx, 5, 10);
        EXPECT_FALSE(f.cut);
        EXPECT_EQ(f.calls.size(), 5u);
        EXPECT_EQ(f.ign.size(), 10u);
        EXPECT_EQ(RebuildHdbCall(f.calls, f.ign, f.flag), call);
    }
    // A JA station is always written in normal order, so a prefix before the call moves.
    HdbCallFields ja = SplitHdbCall("KH6/JA1ABC", false, 8, 12);
    EXPECT_EQ(ja.flag, 0u);
    EXPECT_EQ(RebuildHdbCall(ja.calls, ja.ign, ja.flag), "JA1ABC/KH6");
}

TEST(HdbCallsign, RebuildTreatsNulPaddingAsSpaces) {
    EXPECT_EQ(RebuildHdbCall(std::string("JA1ABC\0\0", 8), std::string(11, '\0') + "1", 0), "JA1ABC/1");
    EXPECT_EQ(RebuildHdbCall("        ", "            ", 0), "");
    // FLAG says "before" but there is no portable part: just the call.
    EXPECT_EQ(RebuildHdbCall("JE3HHT  ", "            ", 8 | 2), "JE3HHT");
}

TEST(HdbCallsign, BaseCallIsTheLongerPartAroundTheLastSlash) {
    EXPECT_EQ(BaseCallOf("JA1ABC"), "JA1ABC");
    EXPECT_EQ(BaseCallOf("JA1ABC/1"), "JA1ABC");
    EXPECT_EQ(BaseCallOf("7J1/JA1ABC"), "JA1ABC");
    EXPECT_EQ(BaseCallOf("A/B"), "A");
    EXPECT_EQ(BaseCallOf("  JA1ABC/QRP  "), "JA1ABC");
    EXPECT_EQ(BaseCallOf("KH6/JE3HHT/P"), "KH6/JE3HHT");  // only the last "/" splits
    EXPECT_EQ(BaseCallOf(""), "");
}
