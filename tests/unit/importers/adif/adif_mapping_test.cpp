#include "importers/adif/adif_mapping.h"

#include <gtest/gtest.h>

#include "test_support.h"

using namespace trelvo::adif;
using trelvo::settings::IniStore;
using trelvo::testing::ReadBytes;
using trelvo::testing::ScratchDir;
using trelvo::testing::WriteBytes;

namespace {

AdifMappingModel Model(int rows) {
    std::vector<std::string> names;
    for (int r = 1; r <= rows; ++r) names.push_back("TAG" + std::to_string(r));
    return AdifMappingModel(names);
}

std::string Read(IniStore& ini, const std::string& key) {
    ini.CurrentIniSection = kMappingIniSection;
    std::string v;
    ini.ReadIniValue(key, v);
    return v;
}

}  // namespace

TEST(AdifMapping, ColumnsAreNamedByTitleWithoutRegardToCase) {
    EXPECT_EQ(ColumnFromTitle("qslRCVD"), kColQslRcvd);
    EXPECT_EQ(ColumnFromTitle(""), 0);  // the hidden column has no title to name it by
    EXPECT_EQ(ColumnFromTitle("Remarks3"), 0);
}

TEST(AdifMapping, ClickMovesMarksWithinRowsAndSingleColumns) {
    AdifMappingModel m = Model(4);
    m.Click(1, kColDate);
    m.Click(1, kColCall);  // the row's Date mark moves to CALL
    EXPECT_TRUE(m.IsMarked(1, kColCall));
    EXPECT_FALSE(m.IsMarked(1, kColDate));
    m.Click(3, kColCall);  // another row takes CALL away from row 1
    EXPECT_EQ(m.MarkedRows(kColCall), std::vector<int>{3});
    m.Click(3, kColCall);  // a marked cell is cleared, nothing else happens
    EXPECT_TRUE(m.MarkedRows(kColCall).empty());

    // Code, Remarks1 and Remarks2 keep the marks of other rows.
    m.Click(2, kColRemarks1);
    m.Click(4, kColRemarks1);
    m.Click(1, kColCode);
    m.Click(3, kColCode);
    EXPECT_EQ(m.MarkedRows(kColRemarks1), (std::vector<int>{2, 4}));
    EXPECT_EQ(m.MarkedRows(kColCode), (std::vector<int>{1, 3}));
    // ... but a tag still feeds one column: marking row 4 elsewhere clears its Remarks1 mark.
    m.Click(4, kColMode);
    EXPECT_EQ(m.MarkedRows(kColRemarks1), std::vector<int>{2});

    // A click on the tag name clears its row; the title row, the hidden column and cells
    // outside the grid do nothing.
    m.Click(3, 0);
    EXPECT_EQ(m.MarkedRows(kColCode), std::vector<int>{1});
    m.Click(0, kColName);
    m.Click(2, kColHidden);
    m.Click(5, kColName);
    m.Click(2, 18);
    EXPECT_TRUE(m.MarkedRows(kColName).empty());
    EXPECT_TRUE(m.IsMarked(2, kColRemarks1));
    EXPECT_FALSE(m.IsMarked(2, kColHidden));
}

TEST(AdifMapping, ClosingBuildsTheMapAndStoresTheMarksByRow) {
    ScratchDir dir;
    IniStore ini(dir.File("TRELVO5.INI"));
    AdifMappingModel m = Model(5);
    m.Click(2, kColCall);
    m.Click(1, kColRemarks1);
    m.Click(3, kColRemarks1);
    m.Click(5, kColRemarks1);
    m.Click(4, kColCode);
    m.SetFixedText("via bureau");
    m.SetTarget(FixedTextTarget::Remarks2);
    AdifMapping map = m.Close(ini);

    EXPECT_EQ(map.columnMap[kColCall], 2);
    EXPECT_EQ(map.columnMap[kColRemarks1], 1);
    EXPECT_EQ(map.columnMap[kColCode], 4);
    EXPECT_EQ(map.columnMap[kColDate], 0);
    EXPECT_EQ(map.remarks1Count, 3);
    EXPECT_EQ(map.remarks1Extras, (std::vector<int>{3, 5}));
    EXPECT_EQ(map.codeCount, 1);
    EXPECT_EQ(map.remarks2Count, 0);
    EXPECT_EQ(map.fixedText, "via bureau");
    EXPECT_EQ(map.fixedTextTarget, FixedTextTarget::Remarks2);

    // A second file with other tags opens with the marks on the same rows. (The keys are read
    // from settings written by hand below and through the command.)
    AdifMappingModel again(std::vector<std::string>{"A", "B", "C", "D", "E", "F"});
    again.LoadFromIni(ini);
    EXPECT_TRUE(again.IsMarked(2, kColCall));
    EXPECT_EQ(again.MarkedRows(kColRemarks1), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(again.MarkedRows(kColCode), std::vector<int>{4});
    // The building of the map alone writes nothing.
    const std::string before = ReadBytes(ini.Path());
    EXPECT_EQ(again.BuildMapping().remarks1Extras, (std::vector<int>{3, 5}));
    EXPECT_EQ(ReadBytes(ini.Path()), before);
}

TEST(AdifMapping, ClosingWithoutMarksWritesZeroForEveryColumn) {
    ScratchDir dir;
    IniStore ini(dir.File("TRELVO5.INI"));
    AdifMapping map = Model(2).Close(ini);
    EXPECT_FALSE(map.AnyMapped());
    for (int c = 1; c <= kColumnCount; ++c) EXPECT_EQ(Read(ini, "ADIF2HL" + std::to_string(c)), "0") << c;
    EXPECT_EQ(Read(ini, "ADIF2HLspcode"), "0");
}

TEST(AdifMapping, RestoringIgnoresRowsOutsideTheGridAndUnusedExtras) {
    ScratchDir dir;
    WriteBytes(dir.File("TRELVO5.INI"),
               "[ADIF2HL_CFG]\r\nADIF2HL1=3\r\nADIF2HL3=9\r\nADIF2HL4=0\r\nADIF2HL7=x\r\n"
               "ADIF2HL17=1\r\nADIF2HLsprm2=1\r\nADIF2HLrem2add2=2\r\n"
               "ADIF2HL9=2\r\nADIF2HLspcode=3\r\nADIF2HLcodeadd2=3\r\nADIF2HLcodeadd3=-1\r\n");
    IniStore ini(dir.File("TRELVO5.INI"));
    AdifMappingModel m = Model(3);
    m.LoadFromIni(ini);
    EXPECT_TRUE(m.IsMarked(3, kColCall));
    EXPECT_TRUE(m.MarkedRows(kColDate).empty());
    EXPECT_TRUE(m.MarkedRows(kColFreq).empty());
    // A count of 1 reads no extras, so row 2's stale Remarks2 key stays unread.
    EXPECT_EQ(m.MarkedRows(kColRemarks2), std::vector<int>{1});
    EXPECT_EQ(m.MarkedRows(kColCode), (std::vector<int>{2, 3}));
    // Restored marks are not subject to the click rules: row 3 feeds CALL and Code.
    AdifMapping map = m.BuildMapping();
    EXPECT_EQ(map.columnMap[kColCall], 3);
    EXPECT_EQ(map.codeExtras, std::vector<int>{3});
}

// The automatic mapping: the _INTL field first with its plain twin behind it, the LoTW mark
// behind QSL_RCVD, the award references into Remarks1, no mark for BAND (the run takes it
// when a record has no FREQ); a column chosen by hand drops the twin behind it.
TEST(AdifMapping, AutoMapPrefersIntlFieldsAndKeepsTheirTwinsBehind) {
    AdifMappingModel model({"CALL", "NAME", "NAME_INTL", "BAND", "LOTW_QSL_RCVD", "QSL_RCVD", "SIG",
                            "SIG_INFO", "MY_GRIDSQUARE", "COMMENT"});
    const auto chosen = model.AutoMap();
    ASSERT_FALSE(chosen.empty());
    AdifMapping map = model.BuildMapping();
    EXPECT_EQ(map.columnMap[kColName], 3);
    EXPECT_EQ(map.fallbackMap[kColName], 2);
    EXPECT_EQ(map.columnMap[kColQslRcvd], 6);
    EXPECT_EQ(map.fallbackMap[kColQslRcvd], 5);
    EXPECT_EQ(map.columnMap[kColFreq], 0);
    EXPECT_EQ(model.MarkedRows(kColRemarks1), (std::vector<int>{7, 8, 10}));
    EXPECT_EQ(map.columnMap[kColRemarks2], 9);

    model.Click(2, kColName);  // NAME by hand
    map = model.BuildMapping();
    EXPECT_EQ(map.columnMap[kColName], 2);
    EXPECT_EQ(map.fallbackMap[kColName], 0);
    EXPECT_EQ(map.fallbackMap[kColQslRcvd], 5);
}
