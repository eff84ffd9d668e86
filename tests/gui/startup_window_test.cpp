// Start-up, the settings location and the commands whose cancel must leave things as they were.
#include <unistd.h>

#include <QDir>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>

#include "settings/settings_location.h"
#include "window_fixture.h"

using namespace trelvo;
using namespace trelvo::testing;

namespace {

TEST_F(WindowTest, AFailedStartUpShowsOnlyANumber) {
    // A file where the GeneData folder is to be created.
    WriteBytes(dir.File("GeneData"), "x");
    Make();
    EXPECT_EQ(form->Form_Load(), app::LoadOutcome::Failed);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    const QString m = QString::fromStdString(dialogs.messages[0]);
    EXPECT_TRUE(QRegularExpression("^LOAD Error - \\d+$").match(m).hasMatch()) << m.toStdString();
    EXPECT_NE(m, "LOAD Error - 9000");  // the system's own number
    EXPECT_FALSE(std::filesystem::exists(Ini()));
}

TEST_F(WindowTest, ACancelledDatabaseChoiceKeepsTheStoredLocation) {
    // Stored, but its ".mst" is missing: the start-up clears the location for the run.
    const std::string hdb = dir.File("Old.HDB");
    WriteBytes(hdb, "");
    WriteBytes(Ini(), "[HAMLOG-FOL]\r\nHAMLOG-FN=" + hdb + "\r\n");
    Start();
    EXPECT_TRUE(form->Model().Location.HamlogDbBase.empty());
    const std::string iniBefore = ReadBytes(Ini());
    Item("SetHlpos")->trigger();  // cancelled
    ASSERT_EQ(dialogs.opened.size(), 1u);
    EXPECT_EQ(dialogs.opened[0].startFolder, dir.Path());
    EXPECT_EQ(form->Model().Location.HamlogDbBase, dir.File("Old"));
    EXPECT_EQ(ReadBytes(Ini()), iniBefore);
}

TEST_F(WindowTest, TheJap1RemarksTableIsReadFromTheProgramFolderBeforeTheChoice) {
    // The search finds a table in the current folder, but the program's folder has none.
    std::filesystem::create_directory(dir.File("elsewhere"));
    WriteBytes(dir.File("elsewhere/remconv.txt"), "A,B\r\n");
    const QString before = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(dir.File("elsewhere")));
    Start();
    dialogs.messages.clear();
    Item("JAP1CSV")->trigger();
    QDir::setCurrent(before);
    EXPECT_TRUE(dialogs.opened.empty());
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].find(dir.File("remconv.txt")), std::string::npos) << dialogs.messages[0];
    EXPECT_EQ(form->Model().ConversionMode, 0);
    EXPECT_TRUE(MenuOn());
}

// The program copied into a folder its user cannot write: both front ends keep their
// settings in the user's folder instead.
class ReadOnlyProgramFolderTest : public ::testing::Test {
protected:
    ScratchDir dir;
    QStringList prefix;  // runs the programs as another user when the tests run as root

    void SetUp() override {
        if (geteuid() == 0) {
            if (QStandardPaths::findExecutable("setpriv").isEmpty())
                GTEST_SKIP()
                    << "running as root, where a read-only folder can still be written, and no setpriv";
            prefix = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
        }
        namespace fs = std::filesystem;
        fs::create_directories(dir.File("bin"));
        for (const char* exe : {TRELVO5_CLI_PATH, TRELVO5_GUI_PATH})
            fs::copy_file(exe, fs::path(dir.File("bin")) / fs::path(exe).filename());
        fs::create_directories(dir.File("home"));
        fs::permissions(dir.Path(), fs::perms::all);
        fs::permissions(dir.File("home"), fs::perms::all);
        fs::permissions(dir.File("bin"),
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::permissions(dir.File("bin"), std::filesystem::perms::all, ec);
    }
    QProcessEnvironment Env() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", QString::fromStdString(dir.File("home")));
        env.remove("XDG_CONFIG_HOME");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir.File("home")));
        // The window is killed at the end: the socket it leaves goes with the scratch folder.
        env.insert("TMPDIR", QString::fromStdString(dir.File("home")));
        return env;
    }
    void Start(QProcess& p, const std::string& exe, const QStringList& args) const {
        p.setProcessEnvironment(Env());
        p.setWorkingDirectory(QString::fromStdString(dir.File("home")));
        QStringList all = prefix;
        all << QString::fromStdString(dir.File("bin/" + exe)) << args;
        p.start(all.front(), all.mid(1));
    }
};

TEST_F(ReadOnlyProgramFolderTest, SettingsGoToTheUsersFolder) {
    const std::string userIni = dir.File("home/.config/trelvo5/TRELVO5.INI");

    QProcess cli;
    Start(cli, "trelvo5", {"settings"});
    ASSERT_TRUE(cli.waitForFinished(60000));
    const std::string out = cli.readAllStandardOutput().toStdString();
    EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    EXPECT_NE(out.find("settings file\t" + userIni), std::string::npos) << out;
    EXPECT_NE(out.find(dir.File("home/.config/trelvo5/GeneData")), std::string::npos) << out;

    // The window writes the GeneData folder into its settings while it starts, then waits
    // on its first message; it is ended once the file is there.
    QProcess gui;
    Start(gui, "trelvo5-gui", {});
    ASSERT_TRUE(gui.waitForStarted(30000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(userIni); }, 60000))
        << gui.readAllStandardError().toStdString();
    gui.kill();
    gui.waitForFinished(10000);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("home/.config/trelvo5/GeneData")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("bin/TRELVO5.INI")));
    settings::IniStore ini(userIni);
    EXPECT_EQ(ini.ReadOr("GeneData", "GeneDataFol", ""), dir.File("home/.config/trelvo5/GeneData/"));
}

}  // namespace
