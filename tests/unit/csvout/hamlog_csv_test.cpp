#include "csvout/hamlog_csv.h"

#include <gtest/gtest.h>

using namespace trelvo::csvout;

// (The field order, the missing escapes, CP932, CR LF, the cleared record and the QSL field cut to
// three characters are in every output the commands write.)
TEST(HamlogCsv, QslMarksTakeTheFirstCharacter) {
    std::string issue = "JB", sent = "", rcvd = "受領";
    EXPECT_EQ(MakeQslField(&issue, &sent, &rcvd), "J 受");
    EXPECT_EQ(MakeQslField(nullptr, &issue, nullptr), " J ");
}
