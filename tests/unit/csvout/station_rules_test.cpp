#include "csvout/station_rules.h"

#include <gtest/gtest.h>

using namespace trelvo::csvout;

namespace {
HamlogCsvRecord Classify(const std::string& call, bool jst = false, int width = -1) {
    HamlogCsvRecord r;
    r.Date = "24/05/01";
    r.Time = "12:00U";
    ClassifyStation(call, jst, r, width);
    return r;
}
}  // namespace

TEST(StationRules, ExamplesOfTheClassification) {
    struct Case {
        const char* call;
        const char* cls;
        const char* result;
    } cases[] = {
        // (Most shapes are also checked through the commands, with and without JST.)
        {"JA1ABC", "0", "JA1ABC"},
        {"ja1abc", "0", "JA1ABC"},
        {"8J1RL", "8", "8J1RL"},
        {"8J1R", "8", "8J1R"},
        {"J", "8", "J"},
        {"", "8", ""},
        {"W1AW/JA1", "0", "W1AW/JA1"},
        {"KH0/JA1ABC", "8", "KH0/JA1ABC"},
        {"8J1RL/P", "0", "8J1RL/P"},
        {"JA1ABC/QRP/1", "0", "JA1ABC/1/QRP"},
        {"W1AW", "8", "W1AW"},
        {"JA1ABC/KH6", "8", "JA1ABC/KH6"},
    };
    for (const Case& c : cases) {
        HamlogCsvRecord r = Classify(c.call);
        EXPECT_EQ(r.StationClass, c.cls) << c.call;
        EXPECT_EQ(r.Call, c.result) << c.call;
    }
    EXPECT_EQ(Classify("JA1ABC/QRP/1").PortablePart, "1");
    EXPECT_EQ(Classify("JA1ABC").PortablePart, "");
}

TEST(StationRules, CallWidthCut) {
    // Without "/" the cut comes before the tests; "/QRP" goes back after the cut.
    EXPECT_EQ(Classify("JA1ABC/QRP", false, 6).Call, "JA1ABC/QRP");
    EXPECT_EQ(Classify("8J1RLX", false, 4).StationClass, "8");  // cut to 8J1R: special list
    // With "/" the tests use the uncut parts and the whole callsign is cut.
    HamlogCsvRecord r = Classify("W1AW/JA1", false, 6);
    EXPECT_EQ(r.Call, "W1AW/J");
    EXPECT_EQ(r.StationClass, "0");
    EXPECT_EQ(Classify("JA1ABC/QRP", false, 0).Call, "/QRP");
}
