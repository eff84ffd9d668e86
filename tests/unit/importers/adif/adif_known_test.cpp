// The contacts a database already holds, as --skip-known looks them up.
#include "importers/adif/adif_known.h"

#include <gtest/gtest.h>

#include "hamlog/memory_library.h"

using namespace trelvo::adif;
using trelvo::csvout::HamlogCsvRecord;
using trelvo::hamlog::MemoryHamlogLibrary;
using trelvo::hamlog::MemoryHamlogRecord;
namespace hl = trelvo::hamlog;

namespace {

MemoryHamlogRecord Stored(const char* call, const char* date, const char* time, const char* freq,
                          const char* mode) {
    MemoryHamlogRecord r;
    r.fields[hl::kFieldCall] = call;
    r.fields[hl::kFieldDate] = date;
    r.fields[hl::kFieldTime] = time;
    r.fields[hl::kFieldFreq] = freq;
    r.fields[hl::kFieldMode] = mode;
    return r;
}

HamlogCsvRecord Contact(const char* call, const char* date, const char* time, const char* freq,
                        const char* mode) {
    HamlogCsvRecord r;
    r.Call = call;
    r.Date = date;
    r.Time = time;
    r.Freq = freq;
    r.Mode = mode;
    return r;
}

}  // namespace

TEST(KnownContacts, SameCallBandAndModeWithinTenMinutes) {
    MemoryHamlogLibrary lib;
    lib.records.push_back(Stored("JA1ABC", "20240501", "18:30J", "14.074", "FT8"));  // 09:30 UTC
    lib.records.push_back(Stored("JA1ABC/1", "20240501", "09:30U", "7", "CW"));
    lib.records.push_back(Stored("W1AW", "20231231", "23:55U", "14.080", "FT4"));
    ASSERT_EQ(lib.HamlogOpen("db"), 0);
    lib.SetQsoOrMaster(hl::kQsoTable);
    KnownContacts known(lib);
    EXPECT_TRUE(known.Has(Contact("JA1ABC", "24/05/01", "09:40U", "14.0755", "FT8")));   // JST against UTC
    EXPECT_FALSE(known.Has(Contact("JA1ABC", "24/05/01", "09:41U", "14.0755", "FT8")));  // 11 minutes
    EXPECT_FALSE(known.Has(Contact("JA1ABC", "24/05/01", "09:30U", "7.074", "FT8")));    // other band
    EXPECT_FALSE(known.Has(Contact("JA1ABC", "24/05/01", "09:30U", "14.074", "FT4")));   // other mode
    EXPECT_TRUE(known.Has(Contact("JA1ABC/1", "2024/05/01", "18:35J", "7.012", "CW")));  // "7" is 40 m
    EXPECT_FALSE(known.Has(Contact("JA1ABC", "24/05/01", "09:30U", "7.012", "CW")));  // not the portable call
    EXPECT_TRUE(known.Has(Contact("W1AW", "24/01/01", "00:04U", "14.080", "FT4")));   // across the year
    EXPECT_FALSE(known.Has(Contact("W1AW", "", ":U", "14.080", "FT4")));              // no date: never known
}

TEST(KnownContacts, TimesAndBandsAsBothSidesWriteThem) {
    EXPECT_EQ(UtcMinutes("24/05/01", "09:30U"), UtcMinutes("20240501", "18:30J"));
    EXPECT_EQ(UtcMinutes("2024/05/01", "09:30U"), UtcMinutes("20240501", "09:30U"));
    EXPECT_EQ(*UtcMinutes("29/12/31", "00:00U") + 1440, *UtcMinutes("2030/01/01", "00:00U"));  // 29 is 2029
    EXPECT_FALSE(UtcMinutes("24/13/01", "09:30U"));
    EXPECT_FALSE(UtcMinutes("24/05/01", "9:30U"));
    EXPECT_EQ(BandKey("430"), BandKey("433.000"));
    EXPECT_EQ(BandKey("10"), BandKey("10.136"));
    EXPECT_NE(BandKey("14.074"), BandKey("7.074"));
    EXPECT_EQ(BandKey("*10"), "*10");
}
