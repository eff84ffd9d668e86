#include "csvout/dxcc_tables.h"

#include <gtest/gtest.h>

#include "test_support.h"

using namespace trelvo::csvout;

TEST(DxccTables, ReadsEntriesSkipsCommentsAndCutsToNine) {
    trelvo::testing::ScratchDir dir;
    trelvo::testing::WriteBytes(dir.File("ADIF2HL.txt"),
                                "# comment\r\n\r\n291\t501A\r\n339\t1234567890AB\r\nbad line\r\nx\t1\r\n");
    DxccTable t = DxccTable::Load(dir.File("ADIF2HL.txt"));
    EXPECT_EQ(t.Lookup(291), "501A");
    EXPECT_EQ(t.Lookup(339), "123456789");
    EXPECT_EQ(t.Lookup(1), "");
    EXPECT_EQ(t.Size(), 2u);
    EXPECT_EQ(t.BadLines(), 2);

    DxccTables both = DxccTables::Find(dir.Path());
    EXPECT_EQ(LookupAdifToHamlogCode(both, 291), "501A");
    EXPECT_EQ(LookupHamlogToAdifCode(both, 501), "");  // HL2ADIF.txt is absent
}
