#include "csvout/hamlog_csv.h"

#include <gtest/gtest.h>

using namespace trelvo::csvout;

// (The field order, the missing escapes, CP932 and CR LF are in every output the commands write.)
TEST(HamlogCsv, ClearedRecordAndAnOverlongQslField) {
    HamlogCsvRecord r;
    r.Call = "X";
    r.QSL = "ABCD";
    EXPECT_NE(FormatHamlogCsvLine(r).find(R"("ABC")"), std::string::npos);
    ClearHamlogCsvRecord(r);
    EXPECT_EQ(FormatHamlogCsvLine(r), R"("","","","","","","","","","   ","","","","","")");
}

TEST(HamlogCsv, QslMarksTakeTheFirstCharacter) {
    std::string issue = "JB", sent = "", rcvd = "受領";
    EXPECT_EQ(MakeQslField(&issue, &sent, &rcvd), "J 受");
    EXPECT_EQ(MakeQslField(nullptr, &issue, nullptr), " J ");
}
