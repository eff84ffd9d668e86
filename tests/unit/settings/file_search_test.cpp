#include "settings/file_search.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

using namespace trelvo::settings;
using trelvo::testing::ScratchDir;
using trelvo::testing::WriteBytes;

TEST(FileSearch, ResolvesPathsWithoutRegardToCaseProgramFolderFirst) {
    ScratchDir dir;
    std::filesystem::create_directories(dir.File("my.logs"));
    WriteBytes(dir.File("my.logs/Hamlog.mst"), "x");
    EXPECT_EQ(ResolvePathNoCase(dir.File("my.logs/Hamlog.mst")), dir.File("my.logs/Hamlog.mst"));
    EXPECT_EQ(ResolvePathNoCase(dir.File("MY.LOGS/HAMLOG.MST")), dir.File("my.logs/Hamlog.mst"));
    EXPECT_EQ(ResolvePathNoCase(dir.File("MY.LOGS/other.mst")), "");
    EXPECT_EQ(ResolvePathNoCase(""), "");
    // The split at the first dot lands inside the folder name; the parts are joined again.
    EXPECT_EQ(SearchFilePath(dir.File("MY.LOGS/HAMLOG.MST"), "/nonexistent"), dir.File("my.logs/Hamlog.mst"));
    EXPECT_EQ(SearchFilePath(dir.File("my.logs/none.mst"), "/nonexistent"), "");
    // A bare name is looked for in the program folder.
    EXPECT_EQ(std::filesystem::path(SearchFilePath("hamlog.mst", dir.File("my.logs"))),
              std::filesystem::path(dir.File("my.logs/Hamlog.mst")));
    EXPECT_EQ(SearchFilePath("absent-file-xyz.txt", dir.File("my.logs")), "");
    EXPECT_EQ(SearchFilePath("", dir.File("my.logs")), "");
}
