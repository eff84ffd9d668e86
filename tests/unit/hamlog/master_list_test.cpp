#include "hamlog/master_list.h"

#include <gtest/gtest.h>

#include "core/errors.h"
#include "hamlog/hdb_header.h"
#include "hamlog/memory_library.h"
#include "hand_made_hdb.h"
#include "test_support.h"
#include "text/cp932.h"

using namespace trelvo::hamlog;
using namespace trelvo::testing;

TEST(HamlogVersion, HexDigitsReadAsDecimalAndRoundedHalfToEven) {
    EXPECT_EQ(HamlogVersionNumber(0x50250), 502);  // 502.5 goes to the even 502
    EXPECT_EQ(HamlogVersionNumber(0x50200), 502);
    EXPECT_EQ(HamlogVersionNumber(0x50300), 503);
    EXPECT_EQ(HamlogVersionNumber(0x50350), 504);  // 503.5 goes to 504
    EXPECT_EQ(HamlogVersionNumber(0x50249), 502);
    EXPECT_EQ(HamlogVersionNumber(0x50251), 503);
    EXPECT_EQ(HamlogVersionNumber(0x5A000), 0);  // reading stops at the first letter: 5 / 100
}

namespace {

// Two records the reader never reaches, then the list.
std::string Mst(std::vector<std::pair<std::string, std::string>> codes) {
    codes.insert(codes.begin(), {{"0101", "skipped"}, {"0102", "skipped"}});
    return HandMst(codes);
}

}  // namespace

TEST(MasterList, ReadsFromTheThirdRecordUpToTheMarker) {
    ScratchDir dir;
    const std::string mst = dir.File("Hamlog.mst");
    WriteBytes(mst, Mst({{"1101", trelvo::text::Utf8ToCp932("神奈川県横浜市")},
                         {"110101", trelvo::text::Utf8ToCp932("横浜市鶴見区")},
                         {"500A", "DX"},
                         {"501A", "DX"}}));
    MasterList list;
    EXPECT_EQ(ReadMasterCodes(mst, 56, 0, list), 2);
    EXPECT_TRUE(list.MasterCodes.empty());  // counting leaves the list alone
    EXPECT_EQ(ReadMasterCodes(mst, 56, 1, list), 2);
    ASSERT_EQ(list.MasterCodes.size(), 3u);
    EXPECT_EQ(list.MasterCodes[1], "1101       ");
    EXPECT_EQ(list.MasterNames[1], "神奈川県横浜市");
    EXPECT_EQ(list.MasterCodes[2], "110101     ");
    EXPECT_EQ(list.MasterNames[2], "横浜市鶴見区");

    // The marker is found in upper case and anywhere in the code.
    WriteBytes(mst, Mst({{"1101", "A"}, {"x500a", "B"}, {"1102", "C"}}));
    EXPECT_EQ(ReadMasterCodes(mst, 56, 0, list), 1);
}

TEST(MasterList, WithoutMarkerReadsEveryWholeRecord) {
    ScratchDir dir;
    const std::string mst = dir.File("HAMLOG.MST");
    WriteBytes(mst, Mst({{"1101", "A"}, {"1102", "B"}, {"1103", "C"}}));
    MasterList list;
    EXPECT_EQ(ReadMasterCodes(dir.File("hamlog.mst"), 56, 1, list), 3);  // found without regard to case
    EXPECT_EQ(list.MasterNames[3], "C");
    // A short tail (the dBase end mark, or a record cut off) is not a record.
    WriteBytes(mst, Mst({{"1101", "A"}, {"1102", "B"}, {"1103", "C"}}) + "\x1A" + " 1104  PART");
    EXPECT_EQ(ReadMasterCodes(mst, 56, 0, list), 3);
    WriteBytes(mst, Mst({}));
    EXPECT_EQ(ReadMasterCodes(mst, 56, 0, list), 0);
    EXPECT_THROW(ReadMasterCodes(dir.File("absent.mst"), 56, 0, list), HdbCheckError);
}

TEST(MasterList, VersionCheckComesBeforeTheMasterCount) {
    ScratchDir dir;
    WriteBytes(dir.File("Hamlog.mst"), Mst({{"1101", "A"}, {"1102", "B"}}));
    MemoryHamlogLibrary lib;
    MasterList list;
    list.MasterCount = -1;

    lib.version = 0x50250;
    VersionCheck v = CheckHamlogVersion(lib, dir.File("Hamlog.mst"), list);
    EXPECT_TRUE(v.tooOld);
    EXPECT_EQ(v.version, 502);
    EXPECT_FALSE(v.masterCounted);
    EXPECT_EQ(list.MasterCount, -1);

    lib.version = 0x50300;
    v = CheckHamlogVersion(lib, dir.File("Hamlog.mst"), list);
    EXPECT_FALSE(v.tooOld);
    EXPECT_TRUE(v.masterCounted);
    EXPECT_EQ(list.MasterCount, 2);

    list.MasterCount = -1;
    v = CheckHamlogVersion(lib, "", list);  // no master path: nothing counted
    EXPECT_FALSE(v.masterCounted);
    EXPECT_EQ(list.MasterCount, -1);
    EXPECT_EQ(lib.TakeLog(), "GetThdllVersion, GetThdllVersion, GetThdllVersion");
}
