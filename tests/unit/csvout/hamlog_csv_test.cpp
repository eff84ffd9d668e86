#include "csvout/hamlog_csv.h"

#include <gtest/gtest.h>

#include "test_support.h"
#include "text/cp932.h"

using namespace trelvo::csvout;

TEST(HamlogCsv, EmptyRecordLine) {
    HamlogCsvRecord r;
    r.Call = "X";
    ClearHamlogCsvRecord(r);
    EXPECT_EQ(FormatHamlogCsvLine(r), R"("","","","","","","","","","   ","","","","","")");
}

TEST(HamlogCsv, FieldOrderAndNoEscaping) {
    HamlogCsvRecord r;
    r.Call = "JA1ABC";
    r.Date = "24/05/01";
    r.Time = "12:34U";
    r.Freq = "14.070";
    r.HisRST = "599";
    r.MyRST = "579";
    r.Mode = "RTTY";
    r.Code = "1001";
    r.GridLoc = "PM95";
    r.QSL = "J*";
    r.QTH = "東京都";
    r.Name = "Ta\"ro, Jr";
    r.Remarks1 = "r1";
    r.Remarks2 = "r2";
    r.StationClass = "0";
    EXPECT_EQ(FormatHamlogCsvLine(r),
              R"("JA1ABC","24/05/01","12:34U","599","579","14.070","RTTY","1001","PM95","J* ","Ta"ro, Jr","東京都","r1","r2","0")");
    r.QSL = "ABCD";
    EXPECT_NE(FormatHamlogCsvLine(r).find(R"("ABC")"), std::string::npos);
}

TEST(HamlogCsv, WrittenAsCp932WithCrLf) {
    trelvo::testing::ScratchDir dir;
    HamlogCsvRecord r;
    r.Name = "山田";
    {
        trelvo::text::Cp932LineWriter w(dir.File("o.csv"));
        WriteHamlogCsvLine(w, r);
        WriteHamlogCsvLine(w, r);
        w.Close();
    }
    std::string line = R"("","","","","","","","","","   ",")" + trelvo::text::Utf8ToCp932("山田") + R"(","","","","")" "\r\n";
    EXPECT_EQ(trelvo::testing::ReadBytes(dir.File("o.csv")), line + line);
}

TEST(HamlogCsv, QslMarksTakeTheFirstCharacter) {
    std::string issue = "JB", sent = "", rcvd = "受領";
    EXPECT_EQ(MakeQslField(&issue, &sent, &rcvd), "J 受");
    EXPECT_EQ(MakeQslField(nullptr, &issue, nullptr), " J ");
}
