#include "settings/settings_location.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <new>
#include <system_error>

#include "app/main_form_model.h"
#include "core/errors.h"
#include "csvout/dxcc_tables.h"
#include "test_support.h"

using namespace trelvo;
using trelvo::testing::ScratchDir;
using trelvo::testing::WriteBytes;

TEST(SettingsLocation, BesideTheProgramUnlessItsFolderCannotBeUsed) {
    ScratchDir dir;
    std::filesystem::create_directories(dir.File("prog"));
    const std::string user = dir.File("user/trelvo5");

    // A writable program folder keeps everything beside the program.
    settings::SettingsLocation a = settings::LocateSettings(dir.File("prog"), user);
    EXPECT_EQ(a.folder, dir.File("prog"));
    EXPECT_EQ(a.iniPath, dir.File("prog/TRELVO5.INI"));
    EXPECT_FALSE(a.userFolder);
    EXPECT_FALSE(std::filesystem::exists(user));

    // A folder no file can be created in (here: one that is not there) moves both to the
    // user's folder, created on first use.
    settings::SettingsLocation b = settings::LocateSettings(dir.File("gone"), user);
    EXPECT_TRUE(b.userFolder);
    EXPECT_EQ(b.folder, user);
    EXPECT_EQ(b.iniPath, dir.File("user/trelvo5/TRELVO5.INI"));
    EXPECT_TRUE(std::filesystem::is_directory(user));

    // Without a user folder, the program's folder stays (its writes fail quietly).
    EXPECT_EQ(settings::LocateSettings(dir.File("gone"), "").folder, dir.File("gone"));
    // The scratch file of the test is not left behind.
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("prog")));
}

TEST(SettingsLocation, DxccTablesAreFoundInTheInstalledDataFolder) {
    ScratchDir dir;
    std::filesystem::create_directories(dir.File("bin"));
    std::filesystem::create_directories(dir.File("share/trelvo5"));
    WriteBytes(dir.File("share/trelvo5/ADIF2HL.txt"), "291\t100\r\n");
    csvout::DxccTables t = csvout::DxccTables::Find(dir.File("bin"));
    EXPECT_EQ(t.adifToHamlog.Lookup(291), "100");
    // One beside the program wins.
    WriteBytes(dir.File("bin/ADIF2HL.txt"), "291\t200\r\n");
    EXPECT_EQ(csvout::DxccTables::Find(dir.File("bin")).adifToHamlog.Lookup(291), "200");
}

TEST(SettingsLocation, StartUpFailuresHaveANumberPerKind) {
    const struct {
        std::exception_ptr error;
        int number;
    } cases[] = {
        {std::make_exception_ptr(std::system_error(13, std::generic_category())), 13},
        {std::make_exception_ptr(
             std::filesystem::filesystem_error("x", std::make_error_code(std::errc::no_space_on_device))),
         static_cast<int>(std::errc::no_space_on_device)},
        {std::make_exception_ptr(std::bad_alloc()), 7},
        {std::make_exception_ptr(FileError("a.ini", "cannot read")), 9001},
        {std::make_exception_ptr(FormatError("a.ini, line 2", "bad")), 9002},
        {std::make_exception_ptr(DateTimeError("2024/13/40")), 9003},
        {std::make_exception_ptr(Aborted("stopped")), 9004},
        {std::make_exception_ptr(std::runtime_error("other")), 9000},
    };
    for (const auto& c : cases) {
        try {
            std::rethrow_exception(c.error);
        } catch (const std::exception& e) {
            EXPECT_EQ(app::LoadErrorNumber(e), c.number) << e.what();
        }
    }
}
