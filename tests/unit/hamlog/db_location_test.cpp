#include "hamlog/db_location.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include "hamlog/hdb_library.h"
#include "hand_made_hdb.h"
#include "settings/file_search.h"
#include "test_support.h"

using namespace trelvo::hamlog;
using namespace trelvo::testing;

TEST(DbLocation, DerivesBaseAndMasterPathsTheWayWindowsUsersWroteThem) {
    // Only the file's extension changes; folders keep their names, dots and letter case.
    for (const auto& [db, mst] : std::initializer_list<std::pair<const char*, const char*>>{
             {"/home/ham/Hamlog/Hamlog.HDB", "/home/ham/Hamlog/Hamlog.mst"},
             {"C:\\Hamlog\\hamlog.hdb", "C:\\Hamlog\\hamlog.mst"},
             {"/data/old.hdb/Hamlog.HDB", "/data/old.hdb/Hamlog.mst"},
             {"/data/old.hdb/log.dat", "/data/old.hdb/log.mst"},
             {"/data/v1.2/Hamlog", "/data/v1.2/Hamlog.mst"},
             {"/ハム/ｌｏｇ.HDB", "/ハム/ｌｏｇ.mst"}})
        EXPECT_EQ(MstPathFor(db), mst) << db;
    EXPECT_TRUE(PathHasHdb("/data/old.hdb/log.dat"));  // a folder name counts
    EXPECT_TRUE(PathHasHdb("/x/log.Hdb"));
    EXPECT_FALSE(PathHasHdb("/x/log.mst"));
    EXPECT_EQ(HamlogDbBaseOf("/x/Hamlog.HDB"), "/x/Hamlog");
    EXPECT_EQ(HamlogDbBaseOf("/ハム/ログ.HDB"), "/ハム/ログ");  // characters, not bytes
    EXPECT_EQ(HamlogDbBaseOf("a.b"), "");
}

// The master file is found without regard to case, the exact name winning over the others.
TEST(DbLocation, CheckFindsTheMasterFileWithoutRegardToCaseAndReadsTheWidths) {
    ScratchDir dir;
    WriteBytes(dir.File("hamlog.hdb"), HandHdb({}));
    WriteBytes(dir.File("Hamlog.Mst"), HandMst({}));
    HamlogLocation loc;
    SetHamlogDbPath(loc, dir.File("hamlog.hdb"));
    EXPECT_EQ(loc.HamlogDbBase, dir.File("hamlog"));
    EXPECT_EQ(CheckHamlogLocation(loc, dir.Path()), LocationStatus::kValid);
    EXPECT_EQ(loc.HamlogMstPath, MstPathFor(dir.File("hamlog.hdb")));
    EXPECT_EQ(trelvo::settings::SearchFilePath(loc.HamlogMstPath, dir.Path()), dir.File("Hamlog.Mst"));
    EXPECT_EQ(loc.HdbFieldLen, DefaultHdbFieldLengths());
    EXPECT_EQ(LocationMessage(LocationStatus::kValid), nullptr);
    WriteBytes(dir.File("hamlog.mst"), HandMst({}));
    EXPECT_EQ(trelvo::settings::SearchFilePath(loc.HamlogMstPath, dir.Path()), dir.File("hamlog.mst"));

    HamlogLocation none;
    EXPECT_EQ(CheckHamlogLocation(none, dir.Path()), LocationStatus::kNotSet);

    HamlogLocation wrong;
    SetHamlogDbPath(wrong, dir.File("Hamlog.mst"));
    wrong.HamlogMstPath = "stale";
    EXPECT_EQ(CheckHamlogLocation(wrong, dir.Path()), LocationStatus::kNotHdb);
    EXPECT_EQ(wrong.HamlogMstPath, "");
}

#ifndef _WIN32
TEST(DbLocation, ADatabaseHeldOpenExclusivelyIsReportedAsInUse) {
    ScratchDir dir;
    const std::string hdb = dir.File("Hamlog.HDB");
    WriteBytes(hdb, HandHdb({HandRecord{}}));
    WriteBytes(dir.File("Hamlog.mst"), HandMst({}));
    HamlogLocation loc;
    SetHamlogDbPath(loc, hdb);
    HdbLibrary lib;

    // An exclusive flock, as Samba and many programs take it.
    int holder = ::open(hdb.c_str(), O_RDWR);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(CheckHamlogLocation(loc, dir.Path()), LocationStatus::kInUse);
    EXPECT_EQ(lib.HamlogOpen(loc.HamlogDbBase), static_cast<int>(HdbOpenError::kInUse));
    ::close(holder);
    EXPECT_EQ(CheckHamlogLocation(loc, dir.Path()), LocationStatus::kValid);

    // A write lock over the file, as Wine and dBase programs take it.
    holder = ::open(hdb.c_str(), O_RDWR);
    ASSERT_GE(holder, 0);
    struct flock lk {};
    lk.l_type = F_WRLCK;
    lk.l_whence = SEEK_SET;
    ASSERT_EQ(fcntl(holder, F_OFD_SETLK, &lk), 0);
    HdbFieldLengths len{};
    EXPECT_FALSE(ReadHdbFieldLengths(hdb, len));
    EXPECT_EQ(lib.HamlogOpen(loc.HamlogDbBase), static_cast<int>(HdbOpenError::kInUse));
    ::close(holder);
    EXPECT_EQ(lib.HamlogOpen(loc.HamlogDbBase), 0);
    EXPECT_EQ(ReadBytes(hdb), HandHdb({HandRecord{}}));
}
#endif
