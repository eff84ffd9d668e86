// The command under real conditions: runs at the same time, Ctrl+C, write errors, standard
// output that cannot be written, refusals that must leave every file alone, damaged inputs.
#include <gtest/gtest.h>
#include <sys/file.h>

#include "process_support.h"

namespace trelvo::process_test {
namespace {

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

TEST(Concurrency, AWorkFileHeldOrLinkedElsewhereRefusesTheRun) {
    WorkDir w("held-temp");
    WriteSettings(w);
    WriteAll(w / "a.LOG", DigipanLog(3));
    const int fd = open((w / "GeneData/temp.dat").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(0, flock(fd, LOCK_EX));
    Result r = RunTrelvo(w.Path(), Digipan("a.LOG", "a.csv"));
    close(fd);
    EXPECT_EQ(1, r.exitCode) << r.description;
    EXPECT_NE(std::string::npos, r.err.find("another conversion is using the work file")) << r.err;
    EXPECT_FALSE(fs::exists(w / "a.csv"));
    // Once it is free the same run goes through.
    EXPECT_EQ(0, RunTrelvo(w.Path(), Digipan("a.LOG", "a.csv")).exitCode);

    // A work file that is a link is not followed.
    WriteAll(w / "precious.txt", "keep me\r\n");
    fs::remove(w / "GeneData/temp.dat");
    fs::create_symlink(w / "precious.txt", w / "GeneData/temp.dat");
    r = RunTrelvo(w.Path(), Digipan("a.LOG", "b.csv"));
    EXPECT_EQ(1, r.exitCode) << r.description;
    EXPECT_NE(std::string::npos, r.err.find("symbolic link")) << r.err;
    EXPECT_EQ("keep me\r\n", ReadAll(w / "precious.txt"));
}

TEST(Concurrency, FourDatabaseCreationsLeaveOneWholePair) {
    WorkDir w("four-creates");
    constexpr int kRuns = 4;
    auto args = [](int i, const std::string& folder) -> std::vector<std::string> {
        const std::string n = std::to_string(i);
        return {"db",
                "create",
                folder + "Hamlog.HDB",
                "--from",
                "in" + n + ".csv",
                "--master",
                folder + "Hamlog.mst",
                "--from-codes",
                "codes" + n + ".txt",
                "--date",
                "2024-01-02",
                "--force"};
    };
    for (int i = 0; i < kRuns; ++i) {
        const std::string n = std::to_string(i);
        WriteAll(w / ("in" + n + ".csv"), HamlogCsv(3000 + 500 * i, i));
        WriteAll(w / ("codes" + n + ".txt"), "0101\tplace " + n + "\r\n");
        fs::create_directories(w / ("single" + n));
        ASSERT_EQ(0, RunTrelvo(w.Path(), args(i, "single" + n + "/")).exitCode);
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
        {"zlog", ZloLog(200000), {"--ini", kIni, "import", "zlog", "in.txt", "-o", "out.csv"}, {}},
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

// A write past a file-size limit fails (EFBIG), or ends the process with SIGXFSZ unless the
// program ignores that signal itself.
TEST(Interruption, AWriteErrorRemovesTheTemporaryAndKeepsTheOldOutput) {
    const std::vector<std::pair<bool, std::vector<std::string>>> cases = {
        {false, {"--ini", kIni, "import", "jap1", "jap1.txt", "-o", "out.csv", "--remconv", "none.txt"}},
        {true, {"--ini", kIni, "import", "jap1", "jap1.txt", "-o", "out.csv", "--remconv", "none.txt"}},
        {false, {"--ini", kIni, "import", "adif", "in.adi", "--map", "auto", "-o", "out.csv"}},
        {false, {"db", "create", "out.csv", "--from", "in.csv", "--force"}},
    };
    for (const auto& [defaultXfsz, args] : cases) {
        SCOPED_TRACE(args[3] + (defaultXfsz ? " SIGXFSZ" : ""));
        WorkDir w("fsize");
        WriteSettings(w);
        WriteAll(w / "none.txt", "");
        WriteAll(w / "jap1.txt", Jap1Log(20000));
        WriteAll(w / "in.adi", AdifLog(20000));
        WriteAll(w / "in.csv", HamlogCsv(20000));
        WriteAll(w / "out.csv", "an older output\r\n");
        RunOptions limited;
        limited.fileSizeLimit = 256 * 1024;
        limited.defaultXfsz = defaultXfsz;
        const Result r = RunTrelvo(w.Path(), args, limited);
        EXPECT_EQ(1, r.exitCode) << r.description;
        EXPECT_NE(std::string::npos, r.err.find("cannot write")) << r.err;
        EXPECT_NE(std::string::npos, r.err.find("File too large")) << r.err;
        EXPECT_NE(std::string::npos, r.err.find("kept")) << r.err;
        EXPECT_EQ("an older output\r\n", ReadAll(w / "out.csv"));
        EXPECT_FALSE(AnyWritingFile(w.Path()));
    }
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

// ---------------------------------------------------------------- refusals

// Outputs that are one of the command's own files (by name, link or hard link, or found by the
// command itself), inputs that are folders, databases that cannot be used, widths without
// room: each is refused before anything is written, with the known text and the reason. (An
// export onto its master file is the golden case export/output-is-database.)
TEST(Refusals, EachSaysWhyAndLeavesEveryFileAsItWas) {
    WorkDir w("refusals");
    WriteSettings(w, "[HAMLOG-FOL]\r\nHAMLOG-FN=Hamlog.HDB\r\n");
    WriteAll(w / "nodb.INI", "[GeneData]\r\nGeneDataFol=GeneData/\r\n");
    WriteAll(w / "short.INI", "[HAMLOG-FOL]\r\nHAMLOG-FN=short.HDB\r\n");
    MakeDatabase(w, 3);
    WriteAll(w / "jap1.txt", Jap1Log(3));
    WriteAll(w / "rem.txt", "QSL OK,thanks\r\n");
    WriteAll(w / "in.csv", HamlogCsv(3));
    WriteAll(w / "codes.txt", "0101\tplace\r\n");
    WriteAll(w / "a.LOG", DigipanLog(3));
    WriteAll(w / "in.adi", AdifLog(3));
    WriteAll(w / "z.ZLO", ZloLog(2));
    WriteAll(w / "Junk.HDB", std::string(600, 'x'));
    WriteAll(w / "short.HDB", std::string(32, '\0'));
    WriteAll(w / "short.mst", "");
    WriteAll(w / "empty.HDB", "");
    WriteAll(w / "out.csv", "an older output\r\n");
    fs::create_directories(w / "folder.txt");
    fs::create_symlink("in.adi", w / "link.csv");
    fs::create_symlink("Hamlog.HDB", w / "soft.csv");
    fs::create_hard_link(w / "Hamlog.HDB", w / "hard.HDB");
    fs::create_hard_link(w / "Hamlog.mst", w / "hard.csv");
    const std::string same = "is the same file as", noDb = "Turbo HAMLOGの場所指定が正しくありません";
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
        {{"--ini", kIni, "import", "jap1", "jap1.txt", "--remconv", "rem.txt", "-o", "rem.txt"}, {same}},
        {{"--ini", kIni, "import", "jap1", "jap1.txt", "-o", "./jap1.txt"}, {same}},
        {{"--ini", kIni, "import", "jap1", "jap1.txt", "-o", kIni}, {same}},
        {{"db", "create", "in.csv", "--from", "in.csv", "--force"}, {same}},
        {{"db", "create", "new.HDB", "--from", "in.csv", "--master", "codes.txt", "--from-codes", "codes.txt",
          "--force"},
         {same}},
        {{"db", "create", "Hamlog.HDB", "--from", "in.csv", "--master", "Hamlog.HDB", "--force"}, {same}},
        {{"--ini", kIni, "import", "digipan", "a.LOG", "-o", "a.LOG"}, {same}},
        {{"--ini", kIni, "import", "digipan", "a.LOG", "-o", "GeneData/temp.dat"}, {same}},
        {{"--ini", kIni, "import", "adif", "in.adi", "--map", "auto", "-o", "in.adi"}, {same}},
        {{"--ini", kIni, "import", "adif", "in.adi", "--map", "auto", "--db", "Hamlog.HDB", "-o",
          "Hamlog.HDB"},
         {same}},
        {{"--ini", kIni, "import", "adif", "in.adi", "--map", "auto", "-o", "link.csv"}, {same}},
        {{"--ini", kIni, "import", "adif", "in.adi", "--map", "auto", "-o", "soft.csv"}, {same}},
        {{"--ini", kIni, "export", "adif", "Hamlog.HDB", "-o", "Hamlog.HDB"}, {same}},
        {{"--ini", kIni, "export", "csv", "-o", "hard.csv"}, {same}},
        {{"--ini", kIni, "import", "zlog", "z.ZLO", "-o", "z.ZLO"}, {same}},
        {{"--ini", kIni, "import", "zlog", "z.ZLO", "--db", "Hamlog.HDB", "-o", "hard.HDB"}, {same}},
        {{"--ini", kIni, "import", "zlog", "z.ZLO", "--qth", "--db", "Hamlog.HDB", "-o", "hard.csv"}, {same}},
        {{"--ini", kIni, "import", "zlog", "z.ZLO", "--qra-from", "Hamlog.HDB", "-o", "Hamlog.mst"}, {same}},
        {{"--ini", kIni, "import", "jap1", "folder.txt", "-o", "out.csv"}, {"folder.txt"}},
        {{"--ini", kIni, "import", "adif", "folder.txt", "-o", "out.csv"}, {"folder.txt"}},
        {{"--ini", kIni, "import", "digipan", "folder.txt", "-o", "out.csv"}, {"folder.txt"}},
        {{"db", "create", "out.csv", "--from", "folder.txt", "--force"}, {"folder.txt"}},
        {{"db", "create", "new.HDB", "--from", "absent.csv"}, {"absent.csv"}},
        {{"--ini", kIni, "import", "zlog", "z.ZLO", "--db", "Junk.HDB", "-o", "o.csv"},
         {"Turbo HAMLOGデータがOpen出来ません。", "the first byte is 0x78"}},
        {{"--ini", kIni, "import", "zlog", "z.ZLO", "--db", "Gone.HDB", "-o", "o.csv"},
         {"Turbo HAMLOGデータがOpen出来ません。", "cannot open"}},
        {{"--ini", "nodb.INI", "export", "csv", "-o", "o.csv"},
         {"Turbo HAMLOGのデータ場所指定が出来ておりません", "names none"}},
        {{"--ini", kIni, "export", "csv", "Hamlog.txt", "-o", "o.csv"},
         {"Turbo HAMLOGのデータ場所指定が出来ておりません", "does not end in .HDB"}},
        {{"--ini", kIni, "import", "adif", "in.adi", "--map", "auto", "--db", "short.HDB", "-o", "o.csv"},
         {noDb}},
        {{"--ini", kIni, "import", "adif", "in.adi", "--map", "auto", "--db", "empty.HDB", "-o", "o.csv"},
         {noDb}},
        {{"--ini", "short.INI", "import", "adif", "in.adi", "--map", "auto", "-o", "o.csv"}, {"short.HDB"}},
        {{"--ini", kIni, "import", "adif", "in.adi", "--map", "auto", "--widths",
          "0,8,12,4,2,6,6,3,2,3,3,7,4,12,28,54,54", "-o", "o.csv"},
         {"is 0"}},
        {{"--ini", kIni, "import", "adif", "in.adi", "--map", "auto", "--widths",
          "20,8,12,0,2,6,6,3,2,3,3,7,4,12,28,54,54", "-o", "o.csv"},
         {"is 0"}},
        {{"--ini", kIni, "import", "adif", "in.adi", "--map", "auto", "--widths",
          "20,8,12,4,0,6,6,3,2,3,3,7,4,12,28,54,54", "-o", "o.csv"},
         {"is 0"}},
    };
    const std::map<std::string, std::string> before = Snapshot(w.Path());
    for (const auto& [args, says] : cases) {
        std::string trace;
        for (const std::string& a : args) trace += a + " ";
        SCOPED_TRACE(trace);
        const Result r = RunTrelvo(w.Path(), args);
        EXPECT_EQ(1, r.exitCode) << r.description;
        for (const std::string& text : says) EXPECT_NE(std::string::npos, r.err.find(text)) << r.err;
        EXPECT_EQ(std::string::npos, r.err.find("使用中")) << r.err;
        EXPECT_TRUE(before == Snapshot(w.Path())) << "a file was changed, made or removed";
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

TEST(DamagedInputs, EveryImporterEndsInTimeAndSaysWhy) {
    const Importer importers[] = {
        {"digipan", DigipanLog, Digipan("in.txt", "out.csv"), {"out.csv", "GeneData/temp.dat"}},
        {"jap1",
         Jap1Log,
         {"--ini", kIni, "import", "jap1", "in.txt", "-o", "out.csv", "--remconv", kIni},
         {"out.csv"}},
        // The lines before a refused meter question are kept.
        {"adif",
         AdifLog,
         {"--ini", kIni, "import", "adif", "in.txt", "--map", "auto", "-o", "out.csv"},
         {"out.csv", "out(中止).csv"}},
        {"db-create", HamlogCsv, {"db", "create", "out.HDB", "--from", "in.txt"}, {"out.HDB"}},
    };
    for (const Importer& imp : importers) CheckDamagedInputs(imp);
}

}  // namespace
}  // namespace trelvo::process_test
