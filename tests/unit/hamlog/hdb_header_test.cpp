// Damaged databases: a file is taken as a Turbo HAMLOG database only when its whole header
// says so, and then by every reader alike.
#include "hamlog/hdb_header.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "hamlog/db_location.h"
#include "hamlog/hdb_library.h"
#include "hamlog/master_list.h"
#include "hand_made_hdb.h"
#include "test_support.h"

using namespace trelvo::hamlog;
using namespace trelvo::testing;

namespace {

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen() & 0xFF);
    return s;
}

std::string Patched(std::string bytes, std::size_t at, const std::string& with) {
    return bytes.replace(at, with.size(), with);
}

// The text of the error CheckHdbHeader throws, or "" when it accepts the file.
std::string Refusal(const std::string& path) {
    try {
        CheckHdbHeader(path);
        return "";
    } catch (const HdbCheckError& e) {
        EXPECT_EQ(e.problem(), HdbProblem::kNotHamlog) << e.what();
        return e.what();
    }
}

}  // namespace

TEST(DamagedDatabases, EachBrokenHeaderIsRefusedNamingTheCheck) {
    ScratchDir dir;
    const std::string good = HandHdb({HandRecord{}, HandRecord{}});
    auto fields15 = DefaultFields();
    fields15.pop_back();
    auto renamed = DefaultFields();
    renamed[12].first = "NAMAE";
    auto noCalls = DefaultFields(), narrowDate = DefaultFields(), narrowTime = DefaultFields(),
         narrowFlag = DefaultFields();
    noCalls[0].second = 0;
    noCalls[1].second = 20;
    narrowDate[2].second = 3;
    narrowTime[3].second = 1;
    narrowFlag[7].second = 1;
    const struct {
        const char* what;
        std::string bytes;
        const char* check;
    } cases[] = {
        {"empty", "", "shorter than a database header"},
        {"random bytes", RandomBytes(4096, 7), "the first byte is 0x"},
        {"random bytes behind a dBase byte", "\x03" + RandomBytes(4095, 8), "header"},
        {"version byte", Patched(good, 0, "\x30"), "the first byte is 0x30"},
        {"32 bytes only", good.substr(0, 32), "runs past the end of the file (32 bytes)"},
        {"cut inside the descriptors", good.substr(0, 300), "runs past the end of the file (300 bytes)"},
        {"header length too long", Patched(good, 8, Le(545 + 32, 2)),
         "does not match its 16 field descriptors"},
        {"header length too short for 16", Patched(good, 8, Le(200, 2)), "cannot hold sixteen fields"},
        {"terminator missing", Patched(good, 544, "\x20"), "does not match its"},
        {"fifteen fields", HandHeader(fields15, 0), "cannot hold sixteen fields"},
        {"fifteen fields, padded", HandHeader(fields15, 0, 32), "does not match its 15 field descriptors"},
        {"a field renamed", HandHeader(renamed, 0),
         "field 13 is named \"NAMAE\", Turbo HAMLOG names it NAME"},
        {"record length one more", Patched(good, 10, Le(210, 2)),
         "add up to 208 bytes, the record length 210"},
        {"a width changed", Patched(good, 48 + 32 * 13, "\x1D"),
         "add up to 209 bytes, the record length 209"},
        {"CALLS no byte", HandHeader(noCalls, 0), "field 1 (CALLS) is 0 bytes wide"},
        {"DATE three bytes", HandHeader(narrowDate, 0), "field 3 (DATE) is 3 bytes wide"},
        {"TIME one byte", HandHeader(narrowTime, 0), "field 4 (TIME) is 1 bytes wide"},
        {"FLAG one byte", HandHeader(narrowFlag, 0), "field 8 (FLAG) is 1 bytes wide"},
        {"month 62", Patched(good, 1, "\x69\x3E\x19"), "last-update date 2005-62-25 is not a date"},
        {"30 February", Patched(good, 1, "\x7C\x02\x1E"), "2024-02-30 is not a date"},
        {"day 0", Patched(good, 3, std::string(1, '\0')), "2024-05-00 is not a date"},
    };
    const std::string path = dir.File("X.HDB");
    for (const auto& c : cases) {
        WriteBytes(path, c.bytes);
        const std::string why = Refusal(path);
        EXPECT_EQ(why.rfind(path + ": not a Turbo HAMLOG database: ", 0), 0u) << c.what << ": " << why;
        EXPECT_NE(why.find(c.check), std::string::npos) << c.what << ": " << why;

        // Never read by any reader: the widths stay, the library refuses, the location says why.
        HdbFieldLengths len{};
        len[1] = 77;
        std::optional<HdbCheckError> problem;
        EXPECT_FALSE(ReadHdbFieldLengths(path, len, &problem)) << c.what;
        EXPECT_EQ(len[1], 77) << c.what;
        HdbLibrary lib;
        EXPECT_EQ(lib.HamlogOpen(dir.File("X")), static_cast<int>(HdbOpenError::kNotHamlog)) << c.what;
        EXPECT_EQ(lib.LastOpenErrorText(), why);
        EXPECT_EQ(lib.Vdbf_rcount(), 0);
        WriteBytes(dir.File("X.mst"), HandMst({}));
        HamlogLocation loc;
        SetHamlogDbPath(loc, path);
        EXPECT_EQ(CheckHamlogLocation(loc, dir.Path()), LocationStatus::kBadHeader) << c.what;
        EXPECT_EQ(loc.HeaderProblem, why);
    }
}

TEST(DamagedDatabases, WhatTurboHamlogAndOtherDbaseWritersLeaveIsAccepted) {
    ScratchDir dir;
    const std::string path = dir.File("X.HDB");
    const std::string good = HandHdb({HandRecord{}, HandRecord{}});
    // The 0x1A version byte, one NUL after the terminator, a leap day, the default file.
    std::string withNul = HandHeader(DefaultFields(), 2, 1);
    withNul += HandRecord{}.Bytes() + HandRecord{}.Bytes();
    for (const std::string& bytes : {good, Patched(good, 0, "\x1A"), withNul,
                                     Patched(good, 1, "\x7C\x02\x1D"), good.substr(0, good.size() - 1)}) {
        WriteBytes(path, bytes);
        EXPECT_EQ(Refusal(path), "");
        HdbFieldLengths len{};
        ASSERT_TRUE(ReadHdbFieldLengths(path, len));
        EXPECT_EQ(len, DefaultHdbFieldLengths());
    }
}

TEST(DamagedDatabases, ACountThatDoesNotFitTheFileIsAWarningAndTheRecordsPresentAreRead) {
    ScratchDir dir;
    const std::string path = dir.File("X.HDB");
    HandRecord second;
    second.calls = "JA2XYZ";
    const std::string two = HandHdb({HandRecord{}, second});
    // The header counts 17 records; one and a half are there.
    WriteBytes(path, Patched(two, 4, Le(17, 4)).substr(0, 545 + 209 + 100));
    CheckedHdb c = CheckHdbHeader(path);
    EXPECT_EQ(c.recordsInFile, 1u);
    EXPECT_EQ(c.usableCount, 1u);
    EXPECT_EQ(c.countWarning, path + ": the header counts 17 records, the file holds 1");
    HdbLibrary lib;
    ASSERT_EQ(lib.HamlogOpen(dir.File("X")), 0);
    EXPECT_EQ(lib.Vdbf_rcount(), 1);
    EXPECT_EQ(lib.RecordsInFile(), 1u);
    EXPECT_NE(lib.THW_read(2), 0);
    EXPECT_EQ(lib.CountWarning(), c.countWarning);

    // More records than counted (a count that was not updated): every record present is read
    // and indexed, with the same warning.
    WriteBytes(path, Patched(two, 4, Le(1, 4)));
    c = CheckHdbHeader(path);
    EXPECT_EQ(c.usableCount, 2u);
    EXPECT_EQ(c.countWarning, path + ": the header counts 1 records, the file holds 2");
    ASSERT_EQ(lib.HamlogOpen(dir.File("X")), 0);
    EXPECT_EQ(lib.Vdbf_rcount(), 2);
    EXPECT_EQ(lib.Vidx_search("JA2XYZ"), 2);
    WriteBytes(path, two);
    EXPECT_EQ(CheckHdbHeader(path).countWarning, "");
}

TEST(DamagedDatabases, AMasterFileIsCheckedBeforeAnyCodeIsCounted) {
    ScratchDir dir;
    const std::string mst = dir.File("X.mst");
    const std::string good = HandMst({{"0101", "a"}, {"0102", "b"}, {"1101", "c"}});
    const struct {
        const char* what;
        std::string bytes;
        const char* check;
    } cases[] = {
        {"random bytes", RandomBytes(1 << 20, 3), "first byte"},
        {"dBase byte then random", "\x03" + RandomBytes(5000, 4), "header length"},
        {"short", good.substr(0, 100), "shorter than its header"},
        {"header length 289", Patched(good, 8, Le(289, 2)), "header length is 289 bytes, not 290"},
        {"record length 57", Patched(good, 10, Le(57, 2)), "record length is 57 bytes, not 56"},
        {"CODE renamed", Patched(good, 32, "KODE"), "field 1 is not CODE of 6 bytes"},
        {"QTH narrower", Patched(good, 64 + 16, "\x20"), "field 2 is not QTH of 34 bytes"},
        {"IDO wider", Patched(good, 32 + 32 * 7 + 16, "\x07"), "add up to 56 bytes"},
        {"seven fields", Patched(good, 32 + 32 * 7, "\x0D"), "fewer than eight fields"},
    };
    MasterList list;
    for (const auto& c : cases) {
        WriteBytes(mst, c.bytes);
        try {
            ReadMasterCodes(mst, kMasterRecordLength, 1, list);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const HdbCheckError& e) {
            const std::string why = e.what();
            EXPECT_EQ(why.rfind(mst + ": not a Turbo HAMLOG master file: ", 0), 0u) << c.what << ": " << why;
            EXPECT_NE(why.find(c.check), std::string::npos) << c.what << ": " << why;
        }
    }
    WriteBytes(mst, good);
    EXPECT_EQ(ReadMasterCodes(mst, kMasterRecordLength, 0, list), 1);
}

TEST(DamagedDatabases, OnlyYearsTheHeaderCanHoldAreWritten) {
    ScratchDir dir;
    for (int year : {1899, 2156, 2200})
        EXPECT_THROW(MakeHdbHeader(DefaultHdbFieldLengths(), 0, year, 1, 1), trelvo::Error) << year;
    for (int year : {1900, 2155}) {
        WriteBytes(dir.File("X.HDB"), MakeHdbHeader(DefaultHdbFieldLengths(), 0, year, 12, 31));
        EXPECT_EQ(CheckHdbHeader(dir.File("X.HDB")).header.updateYear, year);
    }
}
