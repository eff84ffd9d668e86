// The name lookup over a database file large enough that the records of one station lie far
// apart: the index jumps around the file and every jump must land on the right record.
#include <gtest/gtest.h>

#include "hamlog/hdb_library.h"
#include "hamlog/hdb_writer.h"
#include "importers/zlog/qra_lookup.h"
#include "test_support.h"

using namespace trelvo;

TEST(ZlogQraLookupFile, NamesFromRecordsSpreadOverTheFile) {
    trelvo::testing::ScratchDir dir;
    const int stations = 300, rounds = 4;  // about 1.2 MB of records
    {
        hamlog::HdbWriter w(dir.File("Big.HDB"), {});
        for (int r = 0; r < rounds; ++r)
            for (int s = 0; s < stations; ++s) {
                hamlog::HdbContact c;
                c.call = "JA1" + std::to_string(1000 + s) + (r % 2 ? "/1" : "");
                c.when = {2024, 1, 1, 10, 0, 0};
                c.name =
                    (r == rounds - 1 && s % 3 == 0) ? "" : "N" + std::to_string(s) + "-" + std::to_string(r);
                w.Append(c);
            }
        w.Close();
    }
    hamlog::HdbLibrary lib;
    ASSERT_EQ(lib.HamlogOpen(dir.File("Big")), 0);
    // Back and forth through the stations, so that no two lookups read neighbouring records.
    for (int i = 0; i < stations; ++i) {
        const int s = i % 2 ? stations - 1 - i / 2 : i / 2;
        // The last round's name, or the one before it where the last is empty (space-filled).
        const std::string want = s % 3 == 0 ? "" : "N" + std::to_string(s) + "-" + std::to_string(rounds - 1);
        EXPECT_EQ(zlog::LookupQraName(lib, "JA9" + std::to_string(1000 + s)), "") << s;
        EXPECT_EQ(zlog::LookupQraName(lib, "JA1" + std::to_string(1000 + s)), want) << s;
        EXPECT_EQ(zlog::LookupQraName(lib, "JA1" + std::to_string(1000 + s) + "/7"), want) << s;
    }
}
