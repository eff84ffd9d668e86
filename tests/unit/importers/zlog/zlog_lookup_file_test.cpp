// The name lookup over a database file large enough that the records of one station lie far
// apart: the index jumps around the file and every jump must land on the right record.
#include <gtest/gtest.h>

#include <random>

#include "hamlog/hdb_library.h"
#include "hamlog/hdb_writer.h"
#include "importers/zlog/qra_lookup.h"
#include "test_support.h"
#include "text/chars.h"

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

TEST(ZlogQraLookupFile, TheIndexAnswersAsTheWalkThroughTheDatabase) {
    // Random calls from a small alphabet (so that base calls repeat across portables, cases
    // and spaces), names empty, blank or Japanese; every call of the database and variants
    // of it looked up both ways.
    trelvo::testing::ScratchDir dir;
    std::mt19937 rng(3);
    const std::vector<std::string> parts = {"JA1A", "ja1a", "JA1AB", "7J1", "1", "P",
                                            "QRP",  "KH0",  "東京",  "ｱ",   " "};
    const std::vector<std::string> names = {"", " ", "Taro", " Hanako ", "山田", "ﾀﾛｳ", "A  B"};
    std::vector<std::string> calls;
    for (int i = 0; i < 600; ++i) {
        std::string call = parts[rng() % parts.size()];
        const int slashes = static_cast<int>(rng() % 3);
        for (int k = 0; k < slashes; ++k) call += "/" + parts[rng() % parts.size()];
        calls.push_back(call);
    }
    {
        hamlog::HdbWriter w(dir.File("Q.HDB"), {});
        for (const std::string& call : calls) {
            hamlog::HdbContact c;
            c.call = call;
            c.when = {2024, 1, 1, 10, 0, 0};
            c.name = names[rng() % names.size()];
            w.Append(c);
        }
        w.Close();
    }
    hamlog::HdbLibrary lib;
    ASSERT_EQ(lib.HamlogOpen(dir.File("Q")), 0);
    const zlog::QraIndex index(lib);
    ASSERT_TRUE(index.Built());
    std::vector<std::string> probes = {"", "/", "JA9ZZZ", "JA1A/", "/JA1A"};
    for (const std::string& call : calls) {
        probes.push_back(call);
        probes.push_back(text::ToUpper(call));
        probes.push_back(call + "/1");
        probes.push_back("KH0/" + call);
    }
    int named = 0;
    for (const std::string& probe : probes) {
        const std::string walked = zlog::LookupQraName(lib, probe);
        ASSERT_EQ(index.Lookup(probe), walked) << "\"" << probe << "\"";
        named += !walked.empty();
    }
    EXPECT_GT(named, 100);
}
