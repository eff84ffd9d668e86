// Hostile outputs and inputs: targets that are devices, FIFOs, standard output or read-only
// files; runs ended by a second Ctrl+C; databases and logs whose headers or records lie.
#include <gtest/gtest.h>
#include <sys/sysmacros.h>
#include <utime.h>

#include <thread>

#include "process_support.h"

namespace trelvo::process_test {
namespace {

// A folder every user may write, for runs as nobody.
void OpenToEveryone(const WorkDir& w) {
    for (const auto& e : fs::recursive_directory_iterator(w.Path()))
        fs::permissions(e.path(),
                        e.is_directory() ? fs::perms::all : fs::perms::all & ~fs::perms::others_exec);
    fs::permissions(w.Path(), fs::perms::all);
}

std::vector<std::string> Jap1To(const std::string& out) {
    return {"--ini", kIni, "import", "jap1", "jap1.txt", "--remconv", "none.txt", "-o", out};
}

void Jap1Inputs(const WorkDir& w, int records = 3) {
    WriteSettings(w);
    WriteAll(w / "jap1.txt", Jap1Log(records));
    WriteAll(w / "none.txt", "");
}

bool IsCharDevice(const fs::path& p) {
    struct stat st {};
    return lstat(p.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

RunOptions AsNobody() {
    RunOptions nobody;
    nobody.asNobody = true;
    return nobody;
}

// ---------------------------------------------------------------- outputs that are not files

TEST(OutputsThatAreNotFiles, DevicesFifosAndStandardOutputAreWrittenWhereTheyAre) {
    WorkDir w("devices");
    Jap1Inputs(w);
    ASSERT_EQ(0, RunTrelvo(w.Path(), Jap1To("plain.csv")).exitCode);
    const std::string expected = ReadAll(w / "plain.csv");

    if (geteuid() == 0) {
        // Private device nodes: the full device (every write fails) and the null device.
        ASSERT_EQ(0, mknod((w / "full").c_str(), S_IFCHR | 0666, makedev(1, 7)));
        ASSERT_EQ(0, mknod((w / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)));
        Result r = RunTrelvo(w.Path(), Jap1To("full"));
        EXPECT_EQ(1, r.exitCode) << r.description;
        EXPECT_NE(std::string::npos, r.err.find("No space left on device")) << r.err;
        EXPECT_TRUE(IsCharDevice(w / "full"));
        r = RunTrelvo(w.Path(), Jap1To("null"));
        EXPECT_EQ(0, r.exitCode) << r.description;
        EXPECT_TRUE(IsCharDevice(w / "null"));
        EXPECT_FALSE(AnyWritingFile(w.Path()));
    }

    // A FIFO gets the same bytes as a file, and stays a FIFO.
    ASSERT_EQ(0, mkfifo((w / "fifo").c_str(), 0666));
    std::string fromFifo;
    std::thread reader([&] { fromFifo = ReadAll(w / "fifo"); });
    const Result r = RunTrelvo(w.Path(), Jap1To("fifo"));
    reader.join();
    EXPECT_EQ(0, r.exitCode) << r.description;
    EXPECT_EQ(expected, fromFifo);
    EXPECT_TRUE(fs::is_fifo(w / "fifo"));

    // "-" is standard output: it holds the data alone, the command's own lines go to stderr.
    const Result dash = RunTrelvo(w.Path(), Jap1To("-"));
    EXPECT_EQ(0, dash.exitCode) << dash.description;
    EXPECT_EQ(expected, dash.out);
    EXPECT_NE(std::string::npos, dash.err.find("正常終了")) << dash.err;
    EXPECT_FALSE(fs::exists(w / "-"));

    // An ordinary user cannot create files in /dev: /dev/null and /dev/stdout still work.
    if (CanRunAsNobody()) {
        OpenToEveryone(w);
        Result n = RunTrelvo(w.Path(), Jap1To("/dev/null"), AsNobody());
        EXPECT_EQ(0, n.exitCode) << n.description;
        EXPECT_TRUE(IsCharDevice("/dev/null"));
        // /dev/stdout into a pipe, and into a file the shell opened.
        const std::string cmd = "cd '" + w.Path().string() +
                                "' && /usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups -- '" +
                                Program() + "' --ini " + kIni +
                                " import jap1 jap1.txt --remconv none.txt -o /dev/stdout";
        std::FILE* pipe = popen((cmd + " 2>/dev/null").c_str(), "r");
        ASSERT_NE(nullptr, pipe);
        std::string piped;
        char buf[4096];
        for (std::size_t got; (got = std::fread(buf, 1, sizeof buf, pipe)) > 0;) piped.append(buf, got);
        EXPECT_EQ(0, pclose(pipe));
        EXPECT_EQ(expected, piped);
        n = RunTrelvo(w.Path(), Jap1To("/dev/stdout"), AsNobody());
        EXPECT_EQ(0, n.exitCode) << n.description;
        EXPECT_EQ(expected, n.out);
    }
}

TEST(OutputsThatAreNotFiles, AReadOnlyOutputIsRefusedForEveryUser) {
    WorkDir w("read-only");
    Jap1Inputs(w);
    MakeDatabase(w, 2);
    WriteAll(w / "out.csv", "an older output\r\n");
    fs::permissions(w / "out.csv", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::set<std::string> before = FilesIn(w.Path());
    Result r = RunTrelvo(w.Path(), Jap1To("out.csv"));
    EXPECT_EQ(1, r.exitCode) << r.description;
    EXPECT_NE(std::string::npos, r.err.find("read-only")) << r.err;
    EXPECT_EQ("an older output\r\n", ReadAll(w / "out.csv"));
    // The same for a database replaced with --force.
    WriteAll(w / "in.csv", HamlogCsv(2));
    r = RunTrelvo(w.Path(), {"db", "create", "out.csv", "--from", "in.csv", "--force"});
    EXPECT_EQ(1, r.exitCode) << r.description;
    EXPECT_EQ("an older output\r\n", ReadAll(w / "out.csv"));
    fs::remove(w / "in.csv");
    if (!CanRunAsNobody()) return;
    // As an ordinary user in a folder that user may write: a root-owned file of mode 444 and
    // one of mode 644 can be renamed over, but are not the user's to replace.
    OpenToEveryone(w);
    for (const fs::perms mode :
         {fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
          fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read}) {
        fs::permissions(w / "out.csv", mode);
        r = RunTrelvo(w.Path(), Jap1To("out.csv"), AsNobody());
        EXPECT_EQ(1, r.exitCode) << r.description;
        EXPECT_EQ("an older output\r\n", ReadAll(w / "out.csv"));
        EXPECT_EQ(before, FilesIn(w.Path()));
    }
    // A database the user may not read: the system's reason.
    fs::permissions(w / "Hamlog.HDB", fs::perms::owner_read | fs::perms::owner_write);
    r = RunTrelvo(w.Path(), {"export", "csv", "Hamlog.HDB", "-o", "o.csv"}, AsNobody());
    EXPECT_EQ(1, r.exitCode) << r.description;
    EXPECT_NE(std::string::npos, r.err.find("Permission denied")) << r.err;
}

TEST(OutputsThatAreNotFiles, TwoZlogRunsInOneMinuteWriteTwoFiles) {
    WorkDir w("zlog-names");
    WriteSettings(w);
    WriteAll(w / "a.ZLO", ZloLog(2));
    WriteAll(w / "b.ZLO", ZloLog(3));
    Result a = RunTrelvo(w.Path(), {"--ini", kIni, "import", "zlog", "a.ZLO"});
    Result b = RunTrelvo(w.Path(), {"--ini", kIni, "import", "zlog", "b.ZLO"});
    ASSERT_EQ(0, a.exitCode) << a.description;
    ASSERT_EQ(0, b.exitCode) << b.description;
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(w / "GeneData"))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    if (names.size() == 2 && names[0].substr(0, 21) != names[1].substr(0, 21))
        GTEST_SKIP() << "the minute changed between the runs";
    ASSERT_EQ(2u, names.size());
    EXPECT_EQ(names[0] + "_2", names[1]);
    const std::string first = ReadAll(w / "GeneData" / names[0]);
    EXPECT_EQ(2, std::count(first.begin(), first.end(), '\n'));
}

// ---------------------------------------------------------------- work files left behind

TEST(WorkFiles, ASecondCtrlCLeavesNoWorkFile) {
    WorkDir w("two-ctrl-c");
    Jap1Inputs(w, 200000);
    Process p(w.Path(), Jap1To("out.csv"));
    while (p.Running() && PendingSize(w / "out.csv") == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    kill(p.Pid(), SIGINT);
    kill(p.Pid(), SIGINT);
    p.Wait();
    EXPECT_TRUE(p.Exited()) << p.Describe();
    EXPECT_EQ(3, p.ExitCode()) << p.Describe();
    EXPECT_FALSE(AnyWritingFile(w.Path()));
}

TEST(WorkFiles, StaleWorkFilesOlderThanADayAreRemovedWithAWord) {
    WorkDir w("stale");
    Jap1Inputs(w);
    WriteAll(w / "out.csv.k3j9x0qa.writing", "left by a killed run");
    WriteAll(w / "out.csv.abcdefgh.writing", "a run going on now");
    WriteAll(w / "notes.writing", "not ours");
    const time_t twoDaysAgo = time(nullptr) - 2 * 24 * 3600;
    const utimbuf old{twoDaysAgo, twoDaysAgo};
    utime((w / "out.csv.k3j9x0qa.writing").c_str(), &old);
    utime((w / "notes.writing").c_str(), &old);
    const Result r = RunTrelvo(w.Path(), Jap1To("out.csv"));
    EXPECT_EQ(0, r.exitCode) << r.description;
    EXPECT_NE(std::string::npos, r.err.find("out.csv.k3j9x0qa.writing")) << r.err;
    EXPECT_FALSE(fs::exists(w / "out.csv.k3j9x0qa.writing"));
    EXPECT_TRUE(fs::exists(w / "out.csv.abcdefgh.writing"));
    EXPECT_TRUE(fs::exists(w / "notes.writing"));
}

TEST(WorkFiles, ADatabaseAndItsMasterGoInPlaceTogetherOrNotAtAll) {
    WorkDir w("pair");
    WriteSettings(w);
    WriteAll(w / "in.csv", HamlogCsv(3));
    WriteAll(w / "codes.txt", "0101\tplace\r\n");
    WriteAll(w / "Old.mst", "the old master file");
    fs::create_directories(w / "Old.HDB");  // the database cannot be renamed over a folder
    Result r = RunTrelvo(w.Path(), {"db", "create", "Old.HDB", "--from", "in.csv", "--master", "Old.mst",
                                    "--from-codes", "codes.txt", "--force"});
    EXPECT_EQ(1, r.exitCode) << r.description;
    EXPECT_EQ("the old master file", ReadAll(w / "Old.mst"));
    EXPECT_NE(std::string::npos, r.err.find("the master file is as it was")) << r.err;
    // No master file before: the new one does not stay without its database.
    fs::create_directories(w / "New.HDB");
    r = RunTrelvo(w.Path(), {"db", "create", "New.HDB", "--from", "in.csv", "--master", "New.mst",
                             "--from-codes", "codes.txt", "--force"});
    EXPECT_EQ(1, r.exitCode) << r.description;
    EXPECT_FALSE(fs::exists(w / "New.mst"));
    // A master file that cannot go in place leaves the old database as it was.
    WriteAll(w / "Kept.HDB", "the old database");
    fs::create_directories(w / "Kept.mst");
    r = RunTrelvo(w.Path(), {"db", "create", "Kept.HDB", "--from", "in.csv", "--master", "Kept.mst",
                             "--from-codes", "codes.txt", "--force"});
    EXPECT_EQ(1, r.exitCode) << r.description;
    EXPECT_EQ("the old database", ReadAll(w / "Kept.HDB"));
    EXPECT_FALSE(AnyWritingFile(w.Path()));
    for (const auto& e : fs::directory_iterator(w.Path()))
        EXPECT_EQ(std::string::npos, e.path().filename().string().find(".keep")) << e.path();
}

// ---------------------------------------------------------------- headers and records that lie

TEST(LyingInputs, ADatabaseHeaderCountingOtherRecordsFailsTheExportUnlessAllowed) {
    WorkDir w("lying-count");
    WriteSettings(w);
    MakeDatabase(w, 20);
    std::string db = ReadAll(w / "Hamlog.HDB");
    db[4] = 5;
    WriteAll(w / "Hamlog.HDB", db);
    Result r = RunTrelvo(w.Path(), {"export", "csv", "Hamlog.HDB", "-o", "out.csv"});
    EXPECT_EQ(1, r.exitCode) << r.description;
    EXPECT_NE(std::string::npos, r.err.find("the header counts 5 records, the file holds 20")) << r.err;
    const std::string out = ReadAll(w / "out.csv");
    EXPECT_EQ(20, std::count(out.begin(), out.end(), '\n'));
    r = RunTrelvo(w.Path(), {"export", "csv", "Hamlog.HDB", "-o", "out.csv", "--allow-truncated"});
    EXPECT_EQ(0, r.exitCode) << r.description;
}

TEST(LyingInputs, ZlogFieldsWithLineBreaksAndDamagedOrShrinkingFiles) {
    WorkDir w("lying-zlog");
    WriteSettings(w);
    std::string log(256, '\0');
    log += ZloRecord("JA1AAA", "10\r\n", "two\r\nlines");
    log += ZloRecord("JA1BBB", "11", std::string("nul\0in", 6));
    WriteAll(w / "breaks.ZLO", log);
    Result r = RunTrelvo(
        w.Path(), {"--ini", kIni, "import", "zlog", "breaks.ZLO", "--memo-to", "remarks2", "-o", "out.csv"});
    EXPECT_EQ(0, r.exitCode) << r.description;
    const std::string out = ReadAll(w / "out.csv");
    EXPECT_EQ(2, std::count(out.begin(), out.end(), '\n')) << out;
    EXPECT_EQ(std::string::npos, out.find('\0'));
    EXPECT_NE(std::string::npos, out.find("two  lines")) << out;
    EXPECT_NE(std::string::npos, r.err.find("5 line breaks or NUL characters")) << r.err;

    // A .ZLOX whose mark is damaged is not read as 256-byte records.
    // The fuzz seed starts with the two bytes of the fuzz target's options.
    std::string zlox = ReadAll(fs::path(TRELVO5_SOURCE_DIR) / "fuzz/corpus/zlog/contest.ZLOX").substr(2);
    ASSERT_EQ("ZLOX", zlox.substr(0, 4));
    zlox[3] = 'Y';
    WriteAll(w / "damaged.ZLOX", zlox);
    r = RunTrelvo(w.Path(), {"--ini", kIni, "import", "zlog", "damaged.ZLOX", "-o", "damaged.csv"});
    EXPECT_EQ(1, r.exitCode) << r.description;
    EXPECT_NE(std::string::npos, r.err.find("ZLOX mark")) << r.err;
    EXPECT_FALSE(fs::exists(w / "damaged.csv"));
}

}  // namespace
}  // namespace trelvo::process_test
