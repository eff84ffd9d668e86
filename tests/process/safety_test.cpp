// The command under real conditions: runs at the same time, Ctrl+C, a full disk, outputs that
// name inputs, settings and standard output that cannot be written, damaged inputs.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>

#include <cstring>

#include "process_support.h"

namespace trelvo::process_test {
namespace {

const std::string kIni = "TRELVO5.INI";

// A work folder with settings that put the generated data in GeneData/.
void WriteSettings(const WorkDir& w) {
    WriteAll(w / kIni, "[GeneData]\r\nGeneDataFol=GeneData/\r\n");
    fs::create_directories(w / "GeneData");
}

std::vector<std::string> Digipan(const std::string& log, const std::string& out) {
    return {"--ini", kIni, "import", "digipan", log, "-o", out};
}

// ---------------------------------------------------------------- concurrency

TEST(Concurrency, TwoDigipanRunsNeverSwapContacts) {
    WorkDir w("two-digipan");
    WriteSettings(w);
    WriteAll(w / "a.LOG", DigipanLog(40000, 1));
    WriteAll(w / "b.LOG", DigipanLog(40000, 2));
    // What each log gives on its own.
    ASSERT_EQ(0, RunTrelvo(w.Path(), Digipan("a.LOG", "single-a.csv")).exitCode);
    ASSERT_EQ(0, RunTrelvo(w.Path(), Digipan("b.LOG", "single-b.csv")).exitCode);

    Process a(w.Path(), Digipan("a.LOG", "a.csv"));
    Process b(w.Path(), Digipan("b.LOG", "b.csv"));
    a.Wait();
    b.Wait();
    int done = 0;
    for (auto [p, name] : {std::pair<Process*, std::string>{&a, "a"}, {&b, "b"}}) {
        if (p->ExitCode() == 0) {
            ++done;
            EXPECT_EQ(ReadAll(w / ("single-" + name + ".csv")), ReadAll(w / (name + ".csv"))) << name;
        } else {
            EXPECT_EQ(1, p->ExitCode()) << p->Describe();
            EXPECT_NE(std::string::npos, p->Err().find("another conversion is using the work file"))
                << p->Describe();
            EXPECT_FALSE(fs::exists(w / (name + ".csv")));
        }
    }
    EXPECT_GE(done, 1);
}

TEST(Concurrency, AHeldWorkFileRefusesTheRunAfterAWait) {
    WorkDir w("held-temp");
    WriteSettings(w);
    WriteAll(w / "a.LOG", DigipanLog(3));
    const int fd = open((w / "GeneData/temp.dat").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(0, flock(fd, LOCK_EX));
    const Result r = RunTrelvo(w.Path(), Digipan("a.LOG", "a.csv"));
    close(fd);
    EXPECT_EQ(1, r.exitCode) << r.description;
    EXPECT_NE(std::string::npos, r.err.find("another conversion is using the work file")) << r.err;
    EXPECT_FALSE(fs::exists(w / "a.csv"));
    // Once it is free the same run goes through.
    EXPECT_EQ(0, RunTrelvo(w.Path(), Digipan("a.LOG", "a.csv")).exitCode);
}

TEST(Concurrency, AWorkFileThatIsALinkIsNotFollowed) {
    WorkDir w("temp-link");
    WriteSettings(w);
    WriteAll(w / "a.LOG", DigipanLog(3));
    WriteAll(w / "precious.txt", "keep me\r\n");
    fs::create_symlink(w / "precious.txt", w / "GeneData/temp.dat");
    const Result r = RunTrelvo(w.Path(), Digipan("a.LOG", "a.csv"));
    EXPECT_EQ(1, r.exitCode) << r.description;
    EXPECT_NE(std::string::npos, r.err.find("symbolic link")) << r.err;
    EXPECT_EQ("keep me\r\n", ReadAll(w / "precious.txt"));
}

TEST(Concurrency, FourDatabaseCreationsLeaveOneWholePair) {
    WorkDir w("four-creates");
    constexpr int kRuns = 4;
    auto args = [](int i, const std::string& folder) {
        return std::vector<std::string>{"db",
                                        "create",
                                        folder + "Hamlog.HDB",
                                        "--from",
                                        "in" + std::to_string(i) + ".csv",
                                        "--master",
                                        folder + "Hamlog.mst",
                                        "--from-codes",
                                        "codes" + std::to_string(i) + ".txt",
                                        "--date",
                                        "2024-01-02",
                                        "--force"};
    };
    for (int i = 0; i < kRuns; ++i) {
        WriteAll(w / ("in" + std::to_string(i) + ".csv"), HamlogCsv(3000 + 500 * i, i));
        WriteAll(w / ("codes" + std::to_string(i) + ".txt"), "0101\tplace " + std::to_string(i) + "\r\n");
        fs::create_directories(w / ("single" + std::to_string(i)));
        ASSERT_EQ(0, RunTrelvo(w.Path(), args(i, "single" + std::to_string(i) + "/")).exitCode);
    }
    fs::create_directories(w / "shared");
    std::vector<std::unique_ptr<Process>> runs;
    for (int i = 0; i < kRuns; ++i) runs.push_back(std::make_unique<Process>(w.Path(), args(i, "shared/")));
    for (auto& p : runs) {
        p->Wait();
        EXPECT_EQ(0, p->ExitCode()) << p->Describe();
    }
    EXPECT_FALSE(AnyWritingFile(w.Path()));
    const std::string hdb = ReadAll(w / "shared/Hamlog.HDB"), mst = ReadAll(w / "shared/Hamlog.mst");
    int matches = 0;
    for (int i = 0; i < kRuns; ++i) {
        const std::string folder = "single" + std::to_string(i) + "/";
        if (ReadAll(w / (folder + "Hamlog.HDB")) == hdb) {
            ++matches;
            EXPECT_EQ(ReadAll(w / (folder + "Hamlog.mst")), mst) << "the master file is from another run";
        }
    }
    EXPECT_EQ(1, matches) << "the database is none of the single runs";
}

// ---------------------------------------------------------------- interruption

// Starts the command, waits until its pending output has grown, sends SIGINT.
void InterruptWhenGrowing(Process& p, const fs::path& target) {
    while (p.Running() && PendingSize(target) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (p.Running()) kill(p.Pid(), SIGINT);
    p.Wait();
}

// A zLog file of `contacts` records (JST, 7 MHz CW).
std::string ZlogFile(int contacts) {
    std::string header(256, '\0');
    header[84] = '\xE4';
    header[85] = '\xFD';
    std::string record(256, '\0');
    const double when = 45444.5;  // 2024-06-01 12:00
    std::memcpy(record.data(), &when, sizeof when);
    record[8] = 6;
    record.replace(9, 6, "JA1ABC");
    record[84] = static_cast<char>(599 & 0xFF), record[85] = static_cast<char>(599 >> 8);
    record[86] = record[84], record[87] = record[85];
    record[93] = 2;
    std::string s = header;
    s.reserve(256 * static_cast<std::size_t>(contacts + 1));
    for (int i = 0; i < contacts; ++i) s += record;
    return s;
}

TEST(Interruption, CtrlCNeverReplacesTheOutputAndKeepsTheWholeLinesAside) {
    struct Case {
        const char* name;
        std::string input;
        std::vector<std::string> args;
        std::vector<std::string> setup;  // a command run first (the database of the export)
    };
    const std::vector<Case> cases = {
        {"digipan", DigipanLog(60000), Digipan("in.txt", "out.csv"), {}},
        {"jap1",
         Jap1Log(60000),
         {"--ini", kIni, "import", "jap1", "in.txt", "-o", "out.csv", "--remconv", "none.txt"},
         {}},
        {"adif",
         AdifLog(50000),
         {"--ini", kIni, "import", "adif", "in.txt", "--map", "auto", "-o", "out.csv"},
         {}},
        {"zlog", ZlogFile(200000), {"--ini", kIni, "import", "zlog", "in.txt", "-o", "out.csv"}, {}},
        {"export",
         HamlogCsv(100000),
         {"--ini", kIni, "export", "adif", "Hamlog.HDB", "-o", "out.csv"},
         {"db", "create", "Hamlog.HDB", "--from", "in.txt", "--master", "Hamlog.mst"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WorkDir w(std::string("sigint-") + c.name);
        WriteSettings(w);
        WriteAll(w / "in.txt", c.input);
        WriteAll(w / "none.txt", "");
        if (!c.setup.empty()) {
            ASSERT_EQ(0, RunTrelvo(w.Path(), c.setup).exitCode);
        }
        std::vector<std::string> single = c.args;
        const auto o = std::find(single.begin(), single.end(), "-o");
        *(o + 1) = "single.csv";
        ASSERT_EQ(0, RunTrelvo(w.Path(), single).exitCode);
        const std::string whole = ReadAll(w / "single.csv");

        WriteAll(w / "out.csv", "an older output\r\n");
        Process p(w.Path(), c.args);
        InterruptWhenGrowing(p, w / "out.csv");
        ASSERT_EQ(3, p.ExitCode()) << p.Describe();
        EXPECT_NE(std::string::npos, p.Err().find("cancelled after")) << p.Err();
        EXPECT_EQ("an older output\r\n", ReadAll(w / "out.csv")) << "the output was replaced";
        const std::string kept = ReadAll(w / "out(中止).csv");
        ASSERT_FALSE(kept.empty());
        EXPECT_NE(std::string::npos, p.Err().find("kept in out(中止).csv")) << p.Err();
        EXPECT_LT(kept.size(), whole.size());
        EXPECT_EQ(whole.substr(0, kept.size()), kept) << "not the first lines of the whole run";
        EXPECT_EQ("\r\n", kept.substr(kept.size() - 2));
        const auto lines = std::count(kept.begin(), kept.end(), '\n') - (c.name == std::string("export"));
        EXPECT_NE(std::string::npos, p.Err().find("after " + std::to_string(lines) + " records")) << p.Err();
        EXPECT_FALSE(AnyWritingFile(w.Path()));
    }
}

TEST(Interruption, CtrlCDuringDatabaseCreationKeepsTheOldDatabase) {
    WorkDir w("sigint-db");
    WriteAll(w / "small.csv", HamlogCsv(5));
    WriteAll(w / "big.csv", HamlogCsv(100000));
    ASSERT_EQ(0, RunTrelvo(w.Path(), {"db", "create", "Hamlog.HDB", "--from", "small.csv"}).exitCode);
    const std::string old = ReadAll(w / "Hamlog.HDB");
    Process p(w.Path(), {"db", "create", "Hamlog.HDB", "--from", "big.csv", "--force"});
    InterruptWhenGrowing(p, w / "Hamlog.HDB");
    EXPECT_EQ(3, p.ExitCode()) << p.Describe();
    EXPECT_NE(std::string::npos, p.Err().find("nothing was written")) << p.Err();
    EXPECT_EQ(old, ReadAll(w / "Hamlog.HDB"));
    EXPECT_FALSE(AnyWritingFile(w.Path()));
}

TEST(Interruption, AWriteErrorRemovesTheTemporaryAndKeepsTheOldOutput) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"jap1.txt", {"--ini", kIni, "import", "jap1", "jap1.txt", "-o", "out.csv", "--remconv", "none.txt"}},
        {"in.adi", {"--ini", kIni, "import", "adif", "in.adi", "--map", "auto", "-o", "out.csv"}},
        {"in.csv", {"db", "create", "out.csv", "--from", "in.csv", "--force"}},
    };
    for (const auto& [input, args] : cases) {
        SCOPED_TRACE(input);
        WorkDir w("fsize");
        WriteSettings(w);
        WriteAll(w / "none.txt", "");
        WriteAll(w / "jap1.txt", Jap1Log(20000));
        WriteAll(w / "in.adi", AdifLog(20000));
        WriteAll(w / "in.csv", HamlogCsv(20000));
        WriteAll(w / "out.csv", "an older output\r\n");
        RunOptions limited;
        limited.fileSizeLimit = 256 * 1024;
        const Result r = RunTrelvo(w.Path(), args, limited);
        EXPECT_EQ(1, r.exitCode) << r.description;
        EXPECT_NE(std::string::npos, r.err.find("cannot write")) << r.err;
        EXPECT_NE(std::string::npos, r.err.find("kept")) << r.err;
        EXPECT_EQ("an older output\r\n", ReadAll(w / "out.csv"));
        EXPECT_FALSE(AnyWritingFile(w.Path()));
    }
}

TEST(Interruption, AFullDiskRemovesTheTemporaryAndKeepsTheOldOutput) {
    if (geteuid() != 0) GTEST_SKIP() << "a small file system can only be mounted as root";
    WorkDir w("disk-full");
    fs::create_directories(w / "small");
    if (mount("tmpfs", (w / "small").c_str(), "tmpfs", 0, "size=128k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(errno);
    WriteSettings(w);
    WriteAll(w / "jap1.txt", Jap1Log(20000));
    WriteAll(w / "none.txt", "");
    WriteAll(w / "small/out.csv", "an older output\r\n");
    const Result r = RunTrelvo(w.Path(), {"--ini", kIni, "import", "jap1", "jap1.txt", "-o", "small/out.csv",
                                          "--remconv", "none.txt"});
    const std::string kept = ReadAll(w / "small/out.csv");
    const bool leftovers = AnyWritingFile(w / "small");
    umount((w / "small").c_str());
    EXPECT_EQ(1, r.exitCode) << r.description;
    EXPECT_NE(std::string::npos, r.err.find("No space left on device")) << r.err;
    EXPECT_EQ("an older output\r\n", kept);
    EXPECT_FALSE(leftovers);
}

TEST(Interruption, StandardOutputThatCannotBeWrittenFailsTheCommand) {
    WorkDir w("stdout-full");
    WriteSettings(w);
    WriteAll(w / "in.csv", HamlogCsv(3));
    ASSERT_EQ(0, RunTrelvo(w.Path(), {"db", "create", "Hamlog.HDB", "--from", "in.csv"}).exitCode);
    RunOptions full;
    full.stdoutToFull = true;
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--ini", kIni, "settings"},
                                                 {"db", "info", "Hamlog.HDB"},
                                                 {"db", "dump", "Hamlog.HDB"}}) {
        const Result r = RunTrelvo(w.Path(), args, full);
        EXPECT_EQ(1, r.exitCode) << args.back() << "\n" << r.description;
        EXPECT_NE(std::string::npos, r.err.find("cannot write the output")) << r.err;
    }
}

// ---------------------------------------------------------------- outputs equal to inputs

TEST(OutputsEqualInputs, EveryCommandRefusesToWriteOverItsOwnFiles) {
    struct Case {
        std::vector<std::string> args;
        std::string kept;  // a file that must be unchanged
    };
    const std::vector<Case> cases = {
        {{"--ini", kIni, "import", "jap1", "jap1.txt", "--remconv", "rem.txt", "-o", "rem.txt"}, "rem.txt"},
        {{"--ini", kIni, "import", "jap1", "jap1.txt", "-o", "./jap1.txt"}, "jap1.txt"},
        {{"--ini", kIni, "import", "jap1", "jap1.txt", "-o", kIni}, kIni},
        {{"db", "create", "in.csv", "--from", "in.csv", "--force"}, "in.csv"},
        {{"db", "create", "new.HDB", "--from", "in.csv", "--master", "codes.txt", "--from-codes", "codes.txt",
          "--force"},
         "codes.txt"},
        {{"db", "create", "Hamlog.HDB", "--from", "in.csv", "--master", "Hamlog.HDB", "--force"},
         "Hamlog.HDB"},
        {{"--ini", kIni, "import", "digipan", "a.LOG", "-o", "a.LOG"}, "a.LOG"},
        {{"--ini", kIni, "import", "digipan", "a.LOG", "-o", "GeneData/temp.dat"}, "a.LOG"},
        {{"--ini", kIni, "import", "adif", "in.adi", "--map", "auto", "-o", "in.adi"}, "in.adi"},
        {{"--ini", kIni, "import", "adif", "in.adi", "--map", "auto", "--db", "Hamlog.HDB", "-o",
          "Hamlog.HDB"},
         "Hamlog.HDB"},
        {{"--ini", kIni, "import", "adif", "in.adi", "--map", "auto", "-o", "link.csv"}, "in.adi"},
        {{"--ini", kIni, "export", "adif", "Hamlog.HDB", "-o", "Hamlog.HDB"}, "Hamlog.HDB"},
        {{"--ini", kIni, "export", "csv", "Hamlog.HDB", "-o", "Hamlog.mst"}, "Hamlog.mst"},
        {{"--ini", kIni, "import", "zlog", "z.ZLO", "-o", "z.ZLO"}, "z.ZLO"},
    };
    for (const Case& c : cases) {
        WorkDir w("same-file");
        WriteSettings(w);
        WriteAll(w / "jap1.txt", Jap1Log(3));
        WriteAll(w / "rem.txt", "QSL OK,thanks\r\n");
        WriteAll(w / "in.csv", HamlogCsv(3));
        WriteAll(w / "codes.txt", "0101\tplace\r\n");
        WriteAll(w / "a.LOG", DigipanLog(3));
        WriteAll(w / "in.adi", AdifLog(3));
        fs::create_symlink("in.adi", w / "link.csv");
        fs::copy_file(fs::path(TRELVO5_SOURCE_DIR) / "tests/golden/cases/zlog/bad-dates/input/dates.ZLO",
                      w / "z.ZLO");
        ASSERT_EQ(0, RunTrelvo(w.Path(),
                               {"db", "create", "Hamlog.HDB", "--from", "in.csv", "--master", "Hamlog.mst"})
                         .exitCode);
        const std::string before = ReadAll(w / c.kept);
        const std::set<std::string> filesBefore = FilesIn(w.Path());
        const Result r = RunTrelvo(w.Path(), c.args);
        SCOPED_TRACE(c.args[c.args.size() - 1] + " / " + c.args[c.args.size() - 2]);
        EXPECT_EQ(1, r.exitCode) << r.description;
        EXPECT_NE(std::string::npos, r.err.find("is the same file as")) << r.err;
        EXPECT_EQ(before, ReadAll(w / c.kept));
        EXPECT_EQ(filesBefore, FilesIn(w.Path()));
    }
}

TEST(OutputsEqualInputs, AnInputThatIsAFolderLeavesTheOutputAlone) {
    WorkDir w("input-folder");
    WriteSettings(w);
    fs::create_directories(w / "folder.txt");
    WriteAll(w / "out.csv", "an older output\r\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--ini", kIni, "import", "jap1", "folder.txt", "-o", "out.csv"},
          {"--ini", kIni, "import", "adif", "folder.txt", "-o", "out.csv"},
          {"--ini", kIni, "import", "digipan", "folder.txt", "-o", "out.csv"},
          {"db", "create", "out.csv", "--from", "folder.txt", "--force"}}) {
        const Result r = RunTrelvo(w.Path(), args);
        EXPECT_EQ(1, r.exitCode) << r.description;
        EXPECT_NE(std::string::npos, r.err.find("folder.txt")) << r.err;
        EXPECT_EQ("an older output\r\n", ReadAll(w / "out.csv"));
    }
}

// ---------------------------------------------------------------- settings and database widths

TEST(SettingsWrites, AFailedSaveSaysSoAndALinkIsWrittenThrough) {
    WorkDir w("modes-save");
    WriteAll(w / "in.csv", HamlogCsv(3));
    ASSERT_EQ(
        0, RunTrelvo(w.Path(), {"db", "create", "Hamlog.HDB", "--from", "in.csv", "--master", "Hamlog.mst"})
               .exitCode);

    fs::create_directories(w / "folder.INI");
    Result r = RunTrelvo(w.Path(), {"--ini", "folder.INI", "db", "modes", "Hamlog.HDB", "--save"});
    EXPECT_EQ(1, r.exitCode) << r.description;
    EXPECT_EQ(std::string::npos, r.out.find("完了")) << r.out;
    EXPECT_NE(std::string::npos, r.err.find("folder.INI")) << r.err;

    WriteAll(w / "real.INI", "[GeneData]\r\nGeneDataFol=x\r\n");
    fs::create_symlink("real.INI", w / "link.INI");
    r = RunTrelvo(w.Path(), {"--ini", "link.INI", "db", "modes", "Hamlog.HDB", "--save"});
    EXPECT_EQ(0, r.exitCode) << r.description;
    EXPECT_TRUE(fs::is_symlink(w / "link.INI"));
    EXPECT_NE(std::string::npos, ReadAll(w / "real.INI").find("Mode1N=CW"));
    EXPECT_FALSE(AnyWritingFile(w.Path()));
}

TEST(SettingsWrites, WidthsComeOnlyFromADatabaseThatPassesTheChecks) {
    WorkDir w("adif-widths");
    WriteSettings(w);
    WriteAll(w / "in.adi", AdifLog(3));
    WriteAll(w / "short.HDB", std::string(32, '\0'));
    WriteAll(w / "empty.HDB", "");
    for (const char* db : {"short.HDB", "empty.HDB"}) {
        const Result r = RunTrelvo(w.Path(), {"--ini", kIni, "import", "adif", "in.adi", "--map", "auto",
                                              "--db", db, "-o", "out.csv"});
        EXPECT_EQ(1, r.exitCode) << r.description;
        EXPECT_NE(std::string::npos, r.err.find("Turbo HAMLOGの場所指定が正しくありません")) << r.err;
        EXPECT_FALSE(fs::exists(w / "out.csv"));
    }
    WriteAll(w / "db.INI", "[HAMLOG-FOL]\r\nHAMLOG-FN=short.HDB\r\n");
    WriteAll(w / "short.mst", "");
    Result r = RunTrelvo(w.Path(),
                         {"--ini", "db.INI", "import", "adif", "in.adi", "--map", "auto", "-o", "out.csv"});
    EXPECT_EQ(1, r.exitCode) << r.description;
    for (const char* widths :
         {"0,8,12,4,2,6,6,3,2,3,3,7,4,12,28,54,54", "20,8,12,0,2,6,6,3,2,3,3,7,4,12,28,54,54",
          "20,8,12,4,0,6,6,3,2,3,3,7,4,12,28,54,54"}) {
        r = RunTrelvo(w.Path(), {"--ini", kIni, "import", "adif", "in.adi", "--map", "auto", "--widths",
                                 widths, "-o", "out.csv"});
        EXPECT_EQ(1, r.exitCode) << widths << "\n" << r.description;
        EXPECT_NE(std::string::npos, r.err.find("is 0")) << r.err;
    }
}

// ---------------------------------------------------------------- damaged inputs

// An importer over seeded random damage: it ends in time, converts or says why, leaves no file
// but its output, and never changes its input.
struct Importer {
    const char* name;
    std::string (*make)(int, int);
    std::vector<std::string> args;
    std::set<std::string> outputs;
};

void CheckDamagedInputs(const Importer& imp) {
    constexpr int kInputs = 200;
    for (int seed = 1; seed <= kInputs; ++seed) {
        std::mt19937 rng(static_cast<std::mt19937::result_type>(seed));
        const std::string input = Damage(imp.make(static_cast<int>(rng() % 20) + 1, seed), rng);
        WorkDir w(std::string("damaged-") + imp.name);
        WriteSettings(w);
        WriteAll(w / "in.txt", input);
        const std::set<std::string> before = FilesIn(w.Path());
        RunOptions limit;
        limit.timeLimitSeconds = 30;
        const Result r = RunTrelvo(w.Path(), imp.args, limit);
        const std::string trace =
            std::string(imp.name) + " seed " + std::to_string(seed) + ": " + r.description;
        ASSERT_TRUE(r.exited) << trace;
        ASSERT_FALSE(r.timedOut) << trace;
        EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 1 || r.exitCode == 3 || r.exitCode == 4) << trace;
        if (r.exitCode == 1 || r.exitCode == 3) {
            const bool saysWhy = r.err.find("trelvo5: ") != std::string::npos &&
                                 r.err.rfind("trelvo5: warning: ") != r.err.rfind("trelvo5: ");
            EXPECT_TRUE(saysWhy) << trace;
        } else {
            for (const std::string& out : imp.outputs)
                if (out.find("(中止)") == std::string::npos) {
                    EXPECT_TRUE(fs::exists(w / out)) << out << " " << trace;
                }
        }
        EXPECT_EQ(input, ReadAll(w / "in.txt")) << trace;
        for (const std::string& f : FilesIn(w.Path()))
            EXPECT_TRUE(before.count(f) || imp.outputs.count(f)) << "left behind: " << f << " " << trace;
    }
}

TEST(DamagedInputs, Digipan) {
    CheckDamagedInputs(
        {"digipan", DigipanLog, Digipan("in.txt", "out.csv"), {"out.csv", "GeneData/temp.dat"}});
}

TEST(DamagedInputs, Jap1) {
    CheckDamagedInputs({"jap1",
                        Jap1Log,
                        {"--ini", kIni, "import", "jap1", "in.txt", "-o", "out.csv", "--remconv", kIni},
                        {"out.csv"}});
}

TEST(DamagedInputs, Adif) {
    CheckDamagedInputs({"adif",
                        AdifLog,
                        {"--ini", kIni, "import", "adif", "in.txt", "--map", "auto", "-o", "out.csv"},
                        {"out.csv", "out(中止).csv"}});  // the lines before a refused meter question
}

TEST(DamagedInputs, DatabaseFromCsv) {
    CheckDamagedInputs(
        {"db-create", HamlogCsv, {"db", "create", "out.HDB", "--from", "in.txt"}, {"out.HDB"}});
}

}  // namespace
}  // namespace trelvo::process_test
