#include "settings/file_search.h"

#include <gtest/gtest.h>
#include <filesystem>

#include "test_support.h"

using namespace trelvo::settings;
using trelvo::testing::ScratchDir;
using trelvo::testing::WriteBytes;

TEST(FileSearch, ResolvesPathsWithoutRegardToCase) {
    ScratchDir dir;
    std::filesystem::create_directories(dir.File("Hamlog"));
    WriteBytes(dir.File("Hamlog/Hamlog.mst"), "x");
    EXPECT_EQ(ResolvePathNoCase(dir.File("Hamlog/Hamlog.mst")), dir.File("Hamlog/Hamlog.mst"));
    EXPECT_EQ(ResolvePathNoCase(dir.File("HAMLOG/HAMLOG.MST")), dir.File("Hamlog/Hamlog.mst"));
    EXPECT_EQ(ResolvePathNoCase(dir.File("HAMLOG/other.mst")), "");
    EXPECT_EQ(ResolvePathNoCase(""), "");
}

TEST(FileSearch, SearchesProgramFolderThenCurrentFolder) {
    ScratchDir dir;
    std::filesystem::create_directories(dir.File("prog"));
    WriteBytes(dir.File("prog/remconv.txt"), "x");
    std::string found = SearchFilePath("remconv.txt", dir.File("prog"));
    EXPECT_EQ(std::filesystem::path(found), std::filesystem::path(dir.File("prog/remconv.txt")));
    EXPECT_EQ(SearchFilePath("absent-file-xyz.txt", dir.File("prog")), "");
    EXPECT_EQ(SearchFilePath("", dir.File("prog")), "");
}

TEST(FileSearch, DotInsideAFolderNameIsHarmless) {
    ScratchDir dir;
    std::filesystem::create_directories(dir.File("my.logs"));
    WriteBytes(dir.File("my.logs/HAMLOG.mst"), "x");
    // The split at the first dot lands inside the folder name; the parts are joined again.
    EXPECT_EQ(SearchFilePath(dir.File("my.logs/HAMLOG.mst"), "/nonexistent"), dir.File("my.logs/HAMLOG.mst"));
    EXPECT_EQ(SearchFilePath(dir.File("MY.LOGS/HAMLOG.MST"), "/nonexistent"), dir.File("my.logs/HAMLOG.mst"));
    EXPECT_EQ(SearchFilePath(dir.File("my.logs/none.mst"), "/nonexistent"), "");
}
