// Hostile outputs and inputs: targets that are devices, FIFOs, standard output or read-only
// files; runs killed by a file-size limit or a second Ctrl+C; outputs that are a file the
// command found by itself; databases and logs whose headers or records lie.
#include <gtest/gtest.h>
#include <sys/sysmacros.h>
#include <utime.h>

#include <cstring>
#include <thread>

#include "process_support.h"

namespace trelvo::process_test {
namespace {

const std::string kIni = "TRELVO5.INI";

void WriteSettings(const WorkDir& w, const std::string& extra = "") {
    WriteAll(w / kIni, "[GeneData]\r\nGeneDataFol=GeneData/\r\n" + extra);
    fs::create_directories(w / "GeneData");
}

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

// A zLog record: date 2024-05-03 12:00, the call, the received number and the memo.
std::string ZloRecord(const std::string& call, const std::string& rcv, const std::string& memo) {
    std::string r(256, '\0');
    const double date = 45415.5;
    std::memcpy(r.data(), &date, sizeof date);
    r[8] = static_cast<char>(call.size());
    r.replace(9, call.size(), call);
    r[52] = static_cast<char>(rcv.size());
    r.replace(53, rcv.size(), rcv);
    r[84] = static_cast<char>(599 & 0xFF);
    r[85] = static_cast<char>(599 >> 8);
    r[86] = r[84];
    r[87] = r[85];
    r[93] = 2;  // 7 MHz
    r[175] = static_cast<char>(memo.size());
    r.replace(176, memo.size(), memo);
    return r;
}

std::string ZloLog(int contacts) {
    std::string s(256, '\0');
    for (int i = 0; i < contacts; ++i) s += ZloRecord("JA1A" + std::string(1, char('A' + i % 26)), "10", "m");
    return s;
}

// A database of `records` contacts made by the program from a CSV.
void MakeDatabase(const WorkDir& w, int records, const std::string& name = "Hamlog.HDB") {
    WriteAll(w / "db.csv", HamlogCsv(records));
    const std::string mst = name.substr(0, name.size() - 4) + ".mst";
    const Result r =
        RunTrelvo(w.Path(), {"db", "create", name, "--from", "db.csv", "--master", mst, "--force"});
    ASSERT_EQ(0, r.exitCode) << r.description;
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
        RunOptions nobody;
        nobody.asNobody = true;
        Result n = RunTrelvo(w.Path(), Jap1To("/dev/null"), nobody);
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
        n = RunTrelvo(w.Path(), Jap1To("/dev/stdout"), nobody);
        EXPECT_EQ(0, n.exitCode) << n.description;
        EXPECT_EQ(expected, n.out);
    }
}

TEST(OutputsThatAreNotFiles, AReadOnlyOutputIsRefusedForEveryUser) {
    WorkDir w("read-only");
    Jap1Inputs(w);
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
    RunOptions nobody;
    nobody.asNobody = true;
    for (const fs::perms mode :
         {fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
          fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read}) {
        fs::permissions(w / "out.csv", mode);
        r = RunTrelvo(w.Path(), Jap1To("out.csv"), nobody);
        EXPECT_EQ(1, r.exitCode) << r.description;
        EXPECT_EQ("an older output\r\n", ReadAll(w / "out.csv"));
        EXPECT_EQ(before, FilesIn(w.Path()));
    }
}

TEST(OutputsThatAreNotFiles, AFailedExportKeepsTheOldOutputAndNeverSaysItIsDone) {
    WorkDir w("failed-export");
    WriteSettings(w);
    MakeDatabase(w, 3);
    // Record 2 (2024-01-12) gets month 13.
    std::string db = ReadAll(w / "Hamlog.HDB");
    const std::size_t at = db.find(std::string("\x14\x18\x01\x0c", 4));
    ASSERT_NE(std::string::npos, at);
    db[at + 2] = 13;
    WriteAll(w / "Hamlog.HDB", db);
    WriteAll(w / "out.csv", "an older output\r\n");
    const Result r = RunTrelvo(w.Path(), {"--ini", kIni, "export", "csv", "Hamlog.HDB", "-o", "out.csv"});
    EXPECT_EQ(1, r.exitCode) << r.description;
    EXPECT_NE(std::string::npos, r.err.find("record 2")) << r.err;
    EXPECT_EQ(std::string::npos, r.out.find("終了しました")) << r.out;
    EXPECT_EQ("an older output\r\n", ReadAll(w / "out.csv"));
    EXPECT_FALSE(AnyWritingFile(w.Path()));
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

TEST(WorkFiles, AFileSizeLimitOrASecondCtrlCLeavesNoWorkFile) {
    {
        WorkDir w("xfsz");
        Jap1Inputs(w, 20000);
        WriteAll(w / "out.csv", "an older output\r\n");
        RunOptions limited;
        limited.fileSizeLimit = 256 * 1024;
        limited.defaultXfsz = true;
        const Result r = RunTrelvo(w.Path(), Jap1To("out.csv"), limited);
        EXPECT_EQ(1, r.exitCode) << r.description;
        EXPECT_NE(std::string::npos, r.err.find("File too large")) << r.err;
        EXPECT_EQ("an older output\r\n", ReadAll(w / "out.csv"));
        EXPECT_FALSE(AnyWritingFile(w.Path()));
    }
    {
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
    EXPECT_FALSE(AnyWritingFile(w.Path()));
    for (const auto& e : fs::directory_iterator(w.Path()))
        EXPECT_EQ(std::string::npos, e.path().filename().string().find(".keep")) << e.path();
}

// ---------------------------------------------------------------- outputs that are inputs found

TEST(OutputsThatAreInputs, FilesACommandFindsItselfAreComparedByIdentity) {
    WorkDir w("found-inputs");
    WriteSettings(w, "[HAMLOG-FOL]\r\nHAMLOG-FN=Hamlog.HDB\r\n");
    MakeDatabase(w, 3);
    WriteAll(w / "z.ZLO", ZloLog(2));
    WriteAll(w / "in.adi", AdifLog(2));
    fs::create_hard_link(w / "Hamlog.HDB", w / "hard.HDB");
    fs::create_hard_link(w / "Hamlog.mst", w / "hard.csv");
    fs::create_symlink("Hamlog.HDB", w / "soft.csv");
    const std::vector<std::vector<std::string>> cases = {
        {"--ini", kIni, "import", "zlog", "z.ZLO", "--db", "Hamlog.HDB", "-o", "hard.HDB"},
        {"--ini", kIni, "import", "zlog", "z.ZLO", "--qth", "--db", "Hamlog.HDB", "-o", "hard.csv"},
        {"--ini", kIni, "import", "zlog", "z.ZLO", "--qra-from", "Hamlog.HDB", "-o", "Hamlog.mst"},
        {"--ini", kIni, "import", "adif", "in.adi", "--map", "auto", "-o", "soft.csv"},
        {"--ini", kIni, "export", "csv", "-o", "hard.csv"},
    };
    const std::string db = ReadAll(w / "Hamlog.HDB"), mst = ReadAll(w / "Hamlog.mst");
    for (const auto& args : cases) {
        SCOPED_TRACE(args[3] + " -o " + args.back());
        const Result r = RunTrelvo(w.Path(), args);
        EXPECT_EQ(1, r.exitCode) << r.description;
        EXPECT_NE(std::string::npos, r.err.find("is the same file as")) << r.err;
        EXPECT_EQ(db, ReadAll(w / "Hamlog.HDB"));
        EXPECT_EQ(mst, ReadAll(w / "Hamlog.mst"));
    }
}

// ---------------------------------------------------------------- headers and records that lie

TEST(LyingInputs, ADatabaseHeaderCountingOtherRecordsFailsTheExportUnlessAllowed) {
    WorkDir w("lying-count");
    WriteSettings(w);
    MakeDatabase(w, 20);
    const std::string good = ReadAll(w / "Hamlog.HDB");
    auto lines = [](const std::string& s) { return std::count(s.begin(), s.end(), '\n'); };
    std::string five = good;
    five[4] = 5;
    WriteAll(w / "Hamlog.HDB", five);
    Result r = RunTrelvo(w.Path(), {"export", "csv", "Hamlog.HDB", "-o", "out.csv"});
    EXPECT_EQ(1, r.exitCode) << r.description;
    EXPECT_NE(std::string::npos, r.err.find("the header counts 5 records, the file holds 20")) << r.err;
    EXPECT_EQ(20, lines(ReadAll(w / "out.csv")));
    r = RunTrelvo(w.Path(), {"export", "csv", "Hamlog.HDB", "-o", "out.csv", "--allow-truncated"});
    EXPECT_EQ(0, r.exitCode) << r.description;
    // The last record cut short: the 19 whole ones.
    WriteAll(w / "Hamlog.HDB", good.substr(0, good.size() - 30));
    r = RunTrelvo(w.Path(), {"export", "adif", "Hamlog.HDB", "-o", "out.adi"});
    EXPECT_EQ(1, r.exitCode) << r.description;
    EXPECT_NE(std::string::npos, r.err.find("the header counts 20 records, the file holds 19")) << r.err;
    const std::string adi = ReadAll(w / "out.adi");
    std::size_t eor = 0;
    for (std::size_t at = adi.find("<eor>"); at != std::string::npos; at = adi.find("<eor>", at + 1)) ++eor;
    EXPECT_EQ(19u, eor);
    // A callsign field 0 bytes wide.
    std::string noCall = good;
    noCall[32 + 16] = 0;
    noCall[32 + 32 + 16] = static_cast<char>(static_cast<unsigned char>(noCall[32 + 32 + 16]) +
                                             static_cast<unsigned char>(good[32 + 16]));
    WriteAll(w / "Hamlog.HDB", noCall);
    r = RunTrelvo(w.Path(), {"export", "csv", "Hamlog.HDB", "-o", "none.csv"});
    EXPECT_EQ(1, r.exitCode) << r.description;
    EXPECT_FALSE(fs::exists(w / "none.csv"));
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
    std::string zlox = ReadAll(fs::path(TRELVO5_SOURCE_DIR) / "fuzz/corpus/zlog/contest.ZLOX");
    ASSERT_EQ("ZLOX", zlox.substr(0, 4));
    zlox[3] = 'Y';
    WriteAll(w / "damaged.ZLOX", zlox);
    r = RunTrelvo(w.Path(), {"--ini", kIni, "import", "zlog", "damaged.ZLOX", "-o", "damaged.csv"});
    EXPECT_EQ(1, r.exitCode) << r.description;
    EXPECT_NE(std::string::npos, r.err.find("ZLOX mark")) << r.err;
    EXPECT_FALSE(fs::exists(w / "damaged.csv"));

    // --widths with no room for the callsign.
    r = RunTrelvo(w.Path(), {"--ini", kIni, "import", "zlog", "breaks.ZLO", "-o", "w0.csv", "--widths",
                             "0,12,4,2,6,6,6,12,128,2,6,6,16,1,1,10,10"});
    EXPECT_EQ(1, r.exitCode) << r.description;
    EXPECT_FALSE(fs::exists(w / "w0.csv"));
}

// ---------------------------------------------------------------- messages that give the reason

TEST(Messages, RefusalsKeepTheKnownTextAndGiveTheReason) {
    WorkDir w("reasons");
    WriteSettings(w);
    MakeDatabase(w, 2);
    WriteAll(w / "z.ZLO", ZloLog(1));
    WriteAll(w / "Junk.HDB", std::string(600, 'x'));
    struct Case {
        std::vector<std::string> args;
        std::string known, reason;
    };
    const std::vector<Case> cases = {
        {{"--ini", kIni, "import", "zlog", "z.ZLO", "--db", "Junk.HDB", "-o", "o.csv"},
         "Turbo HAMLOGデータがOpen出来ません。",
         "the first byte is 0x78"},
        {{"--ini", kIni, "import", "zlog", "z.ZLO", "--db", "Gone.HDB", "-o", "o.csv"},
         "Turbo HAMLOGデータがOpen出来ません。",
         "cannot open"},
        {{"--ini", kIni, "export", "csv", "-o", "o.csv"},
         "Turbo HAMLOGのデータ場所指定が出来ておりません",
         "names none"},
        {{"--ini", kIni, "export", "csv", "Hamlog.txt", "-o", "o.csv"},
         "Turbo HAMLOGのデータ場所指定が出来ておりません",
         "does not end in .HDB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const Result r = RunTrelvo(w.Path(), c.args);
        EXPECT_EQ(1, r.exitCode) << r.description;
        EXPECT_NE(std::string::npos, r.err.find(c.known)) << r.err;
        EXPECT_NE(std::string::npos, r.err.find(c.reason)) << r.err;
        EXPECT_EQ(std::string::npos, r.err.find("使用中")) << r.err;
    }
    if (!CanRunAsNobody()) return;
    OpenToEveryone(w);
    fs::permissions(w / "Hamlog.HDB", fs::perms::owner_read | fs::perms::owner_write);
    RunOptions nobody;
    nobody.asNobody = true;
    const Result r = RunTrelvo(w.Path(), {"export", "csv", "Hamlog.HDB", "-o", "o.csv"}, nobody);
    EXPECT_EQ(1, r.exitCode) << r.description;
    EXPECT_NE(std::string::npos, r.err.find("Permission denied")) << r.err;
}

}  // namespace
}  // namespace trelvo::process_test
