// No contact lost: a database written out as the CSV that Turbo HAMLOG V5 reads and read back
// into a new database holds the same live records, field for field.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "export/hamlog_export.h"
#include "hamlog/hdb_library.h"
#include "hamlog/hdb_writer.h"
#include "test_support.h"

using namespace trelvo;
using trelvo::testing::ScratchDir;

namespace {

// Every live record as "field<TAB>field...", in record order.
std::vector<std::string> LiveRecords(const std::string& hdb) {
    hamlog::HdbLibrary lib;
    EXPECT_EQ(0, lib.HamlogOpen(hdb.substr(0, hdb.size() - 4))) << hdb;
    std::vector<std::string> out;
    std::string buffer;
    for (int n = 1; n <= lib.Vdbf_rcount(); ++n) {
        if (lib.THW_read(n) != 0) continue;
        std::string line;
        for (int field = 0; field < hamlog::kHamlogFieldCount; ++field) {
            if (field == 1) continue;
            lib.ThwString(buffer, field);
            line += buffer + '\t';
        }
        out.push_back(line);
    }
    return out;
}

void ExpectRoundTrip(const std::string& original, const ScratchDir& dir) {
    hamlog::HdbLibrary lib;
    NullCallbacks quiet;
    exports::ExportOptions o;
    o.kind = exports::ExportKind::kCsv5;
    o.dbPath = original;
    o.outputPath = dir.File("back.csv");
    const exports::ExportResult r = exports::ExportHamlogData(lib, o, quiet);
    const std::vector<std::string> before = LiveRecords(original);
    EXPECT_EQ(static_cast<long long>(before.size()), r.converted);

    hamlog::HdbWriteOptions w;
    w.overwrite = true;
    hamlog::CreateHdbFromCsv(o.outputPath, dir.File("Back.HDB"), w, quiet);
    const std::vector<std::string> after = LiveRecords(dir.File("Back.HDB"));
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < before.size(); ++i) ASSERT_EQ(before[i], after[i]) << "live record " << i + 1;
}

TEST(ExportRoundTrip, TheShippedExampleDatabase) {
    ScratchDir dir;
    const std::filesystem::path root =
        std::filesystem::path(TRELVO5_TEST_DATA_DIR).parent_path().parent_path();
    ExpectRoundTrip((root / "examples" / "hamlog" / "Hamlog.HDB").string(), dir);
}

TEST(ExportRoundTrip, TenThousandGeneratedContacts) {
    ScratchDir dir;
    const std::string path = dir.File("Gen.HDB");
    hamlog::HdbWriteOptions options;
    hamlog::HdbWriter writer(path, options);
    const char* ja[] = {"JA", "JH", "JR", "7K", "8N", "JS"};
    const char* dx[] = {"W", "VK", "DL", "HL", "BV"};
    const char* names[] = {"山田 太郎", "佐藤花子", "ｶﾀｶﾅ", "Bruce", ""};
    const char* qths[] = {"神奈川県横浜市", "Sydney NSW", "大阪府大阪市北区", ""};
    const char* qsl[] = {"J* ", "J**", "N  ", "   ", " * ", "  *"};
    const char* modes[] = {"CW", "SSB", "FM", "FT8", "RTTY"};
    const char* freqs[] = {"7.012", "14.205", "430.100", "1.910", "*10G", "5760/1"};
    for (int i = 0; i < 10000; ++i) {
        hamlog::HdbContact c;
        const std::string suffix = {static_cast<char>('A' + i % 26), static_cast<char>('A' + i / 26 % 26),
                                    static_cast<char>('A' + i / 676 % 26)};
        c.dx = i % 4 == 0;
        if (c.dx) {
            c.call = std::string(dx[i % 5]) + std::to_string(i % 10) + suffix;
            if (i % 12 == 0)
                c.call = "KH6/" + c.call;
            else if (i % 20 == 0)
                c.call = "DL/" + c.call + "/P";
        } else {
            c.call = std::string(ja[i % 6]) + std::to_string(i % 10) + suffix;
            if (i % 7 == 1)
                c.call += "/" + std::to_string(i % 10);
            else if (i % 11 == 1)
                c.call += "/QRP";
        }
        c.when = {1930 + i % 100, i % 12 + 1, i % 28 + 1, i % 24, i % 60, 0};
        c.utc = i % 3 == 0;
        c.hisRst = i % 2 ? "599" : "59";
        c.myRst = "-12";
        c.freq = freqs[i % 6];
        c.mode = modes[i % 5];
        c.code = i % 9 == 0 ? "501A" : (i % 2 ? "1101" : "100101");
        c.gridLoc = "PM95";
        c.qsl = qsl[i % 6];
        c.name = names[i % 5];
        c.qth = qths[i % 4];
        c.remarks1 = "No." + std::to_string(i) + " 移動";
        c.remarks2 = i % 2 ? "" : "SOTA JA/KN-001";
        c.deleted = i % 17 == 5;
        writer.Append(c);
    }
    writer.Close();
    ExpectRoundTrip(path, dir);
}

}  // namespace
