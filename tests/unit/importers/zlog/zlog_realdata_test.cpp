// The contest log saved by zLog for Windows in the shared real-data folder, against the ADIF
// export zLog made of the same contacts. Skipped where the files are absent.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "importers/zlog/zlog_import.h"
#include "test_support.h"
#include "text/chars.h"
#include "text/cp932.h"
#include "text/datetime.h"

using namespace trelvo::zlog;
using trelvo::testing::ReadBytes;
using trelvo::testing::ScratchDir;
using trelvo::text::AddMinutes;
using trelvo::text::FormatDateTimePattern;

namespace {

const std::string kDir = TRELVO5_REALDATA_DIR;

// The CSV lines as their fifteen values.
std::vector<std::vector<std::string>> CsvRows(const std::string& path) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(trelvo::text::Cp932ToUtf8(ReadBytes(path)));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> v = trelvo::text::Split(line, ',');
        for (std::string& s : v) s = s.substr(1, s.size() - 2);
        rows.push_back(v);
    }
    return rows;
}

}  // namespace

TEST(ZlogRealData, AllJaLogAgreesWithZlogsOwnExports) {
    const std::string zlo = kDir + "/allja1.ZLO";
    if (!std::filesystem::exists(zlo) || !std::filesystem::exists(kDir + "/allja1.adis"))
        GTEST_SKIP() << "no real zLog log in " << kDir;
    ScratchDir dir;
    ZlogOptions o;
    o.inputPath = zlo;
    o.outputPath = dir.File("out.csv");
    o.widths = trelvo::hamlog::DefaultHdbFieldLengths();
    o.widths[12] = 8;  // room for "Other"
    trelvo::NullCallbacks cb;
    const ZlogResult r = ConvertZlogLog(o, cb);
    EXPECT_EQ(r.header.timeBase, "J");
    EXPECT_EQ(r.header.contestName, "ALL JA コンテスト");
    const auto rows = CsvRows(o.outputPath);
    ASSERT_EQ(r.records, 1000);
    ASSERT_EQ(rows.size(), 1000u);

    // The ADIF export holds all 1000 contacts in UTC, the later ones as FT4 or FT8 (which a .ZLO can
    // only call "other"), with seconds, and the received number in an application field.
    const std::map<std::string, std::string> bands = {{"160m", "1.9"}, {"80m", "3.5"}, {"40m", "7"},
                                                      {"20m", "14"},   {"15m", "21"},  {"10m", "28"},
                                                      {"6m", "50"}};
    const std::string adis = ReadBytes(kDir + "/allja1.adis");
    const std::regex tag("<([A-Za-z0-9_]+):(\\d+)>");
    std::map<std::string, std::string> q;
    std::size_t n = 0;
    for (std::size_t at = adis.find("<eoh>") + 5; at < adis.size();) {
        const std::size_t lt = adis.find('<', at);
        if (lt == std::string::npos) break;
        std::smatch m;
        const std::string rest = adis.substr(lt, 40);
        if (trelvo::text::StartsWith(trelvo::text::ToUpper(rest), "<EOR>")) {
            ASSERT_LT(n, rows.size());
            const auto& v = rows[n++];
            // QSO_DATE and TIME_ON are UTC; the CSV writes the date and time in JST.
            const std::string d = q["QSO_DATE"], t = q["TIME_ON"];
            const auto utc =
                trelvo::text::ParseYmdDateTime(d.substr(0, 4) + "/" + d.substr(4, 2) + "/" + d.substr(6, 2) +
                                               " " + t.substr(0, 2) + ":" + t.substr(2, 2));
            ASSERT_TRUE(utc.has_value()) << q["CALL"];
            const std::string jst = FormatDateTimePattern(AddMinutes(*utc, 540), "yyyy/mm/dd hh:nn");
            EXPECT_EQ(v[0], q["CALL"]) << n;
            EXPECT_EQ(v[1] + " " + v[2], jst + "J") << q["CALL"];
            EXPECT_EQ(v[3], q["RST_SENT"]) << q["CALL"];
            EXPECT_EQ(v[4], q["RST_RCVD"]) << q["CALL"];
            EXPECT_EQ(v[5], bands.at(q["BAND"])) << q["CALL"];
            EXPECT_EQ(v[6], q["MODE"] == "FT4" || q["MODE"] == "FT8" ? "Other" : q["MODE"]) << q["CALL"];
            EXPECT_EQ(v[12], q["SRX"].empty() ? q["APP_N1MM_EXCHANGE1"] : q["SRX"]) << q["CALL"];
            q.clear();
            at = lt + 5;
            continue;
        }
        ASSERT_TRUE(std::regex_search(rest, m, tag) && m.position(0) == 0) << rest;
        const std::size_t len = std::stoul(m[2]);
        q[trelvo::text::ToUpper(m[1].str())] = adis.substr(lt + m.length(0), len);
        at = lt + m.length(0) + len;
    }
    EXPECT_EQ(n, 1000u);
}
