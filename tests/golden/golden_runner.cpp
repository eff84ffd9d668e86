// Runs one golden case through the trelvo5 command and compares its outputs byte for byte.
//
// A case is a folder:
//   cmd        the arguments, one line, split at blanks ('single' or "double" quotes group);
//              "{REALDATA}" stands for the folder of real files from other programs.
//   input/     files copied into a fresh work folder, the command's current folder
//   expected/  files the run must leave in the work folder, byte for byte; two names are
//              special: "stdout" and "stderr" compare what the command printed
//   exit_code  the expected exit status (0 when absent)
//   needs      optional: a file under {REALDATA} that must exist, else the case is skipped
//   wine-skip  optional: the reason the case cannot hold for trelvo5.exe; skipped under Wine
//   wine-only  optional: the reason the case holds only for trelvo5.exe; skipped elsewhere
//   setup      optional: trelvo5 argument lines run in the work folder before `cmd`, each of
//              which must succeed (builds a database from a CSV of input/ with `db create`)
// The program runs with LANG=C (English messages). With TRELVO5_GOLDEN_LANG=ja in the
// environment it runs with LANG=ja_JP.UTF-8 instead and its stdout and stderr are compared
// with expected-ja/stdout and expected-ja/stderr (each printed file of expected/ needs one);
// output files are compared with expected/ as always. TRELVO5_GOLDEN_UPDATE=1 writes what the
// program printed into expected/ (or expected-ja/) instead of comparing, the folders turned
// back into their placeholders: review the diff before committing it.
// In expected stdout and stderr, "{PROGRAM_DIR}" stands for the folder of the trelvo5 program
// and "{WORK}" for the work folder, so messages that name paths can be compared; "{WORK}" in
// cmd stands for the work folder too.
//
// When TRELVO5 ends in ".exe" it is run through Wine ("wine", or the program named by the
// environment variable TRELVO5_WINE). Then the two folders are written the Windows way
// (Z:\tmp\...), and so is the rest of a path that follows one in the expected text (up to a
// blank, a colon, a quote, a comma or a closing parenthesis); CR LF in stdout and stderr is
// read as LF. Output files are compared byte for byte either way.
//
// usage: trelvo5_golden TRELVO5 CASE_DIR REALDATA_DIR
#include <gtest/gtest.h>
#include <iconv.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string g_program, g_case, g_realdata;
bool g_wine = false;
bool g_japanese = false;
bool g_update = false;

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

std::vector<std::string> SplitArgs(const std::string& line) {
    std::vector<std::string> args;
    std::string cur;
    bool inArg = false;
    char quote = 0;
    for (char c : line) {
        if (quote) {
            if (c == quote)
                quote = 0;
            else
                cur += c;
        } else if (c == '"' || c == '\'') {
            quote = c;
            inArg = true;
        } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (inArg) args.push_back(cur), cur.clear(), inArg = false;
        } else {
            cur += c;
            inArg = true;
        }
    }
    if (inArg) args.push_back(cur);
    return args;
}

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

// The Windows name Wine gives a Unix path: the root is drive Z:.
std::string WinePath(const std::string& unixPath) {
    std::string w = "Z:" + unixPath;
    for (char& c : w)
        if (c == '/') c = '\\';
    return w;
}

// Replaces a placeholder in expected output by the Windows form of `unixPath`, and turns the
// slashes of the rest of that path into backslashes.
std::string ReplaceWinePath(std::string s, const std::string& placeholder, const std::string& unixPath) {
    const std::string win = WinePath(unixPath);
    for (std::size_t at = s.find(placeholder); at != std::string::npos; at = s.find(placeholder, at)) {
        s.replace(at, placeholder.size(), win);
        at += win.size();
        for (; at < s.size(); ++at) {
            const char c = s[at];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ':' || c == '"' || c == '\'' ||
                c == ',' || c == ')')
                break;
            if (c == '/') s[at] = '\\';
        }
    }
    return s;
}

// True when `s` is valid UTF-8.
bool IsUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

// The line as a reader wants to see it: UTF-8 as it is, CP932 decoded (marked so), anything
// else and control bytes in hex.
std::string Readable(const std::string& line) {
    std::string text = line;
    std::string mark;
    if (!IsUtf8(line)) {
        iconv_t cd = iconv_open("UTF-8", "CP932");
        if (cd != reinterpret_cast<iconv_t>(-1)) {
            std::string out(line.size() * 3 + 4, '\0');
            char* in = const_cast<char*>(line.data());
            std::size_t inLeft = line.size(), outLeft = out.size();
            char* to = out.data();
            if (iconv(cd, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0) {
                out.resize(out.size() - outLeft);
                text = out;
                mark = "   [CP932]";
            }
            iconv_close(cd);
        }
    }
    std::ostringstream o;
    const bool decoded = IsUtf8(text);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 0x20 && c != 0x7F && (c < 0x80 || decoded)))
            o << ch;
        else
            o << "\\x" << std::hex << std::setw(2) << std::setfill('0') << int(c) << std::dec;
    }
    return o.str() + mark;
}

// Where two outputs part: the byte offset, then the lines around it in both (the line where
// they part marked - and +), Japanese text shown as text whether UTF-8 or CP932.
std::string Describe(const std::string& expected, const std::string& actual) {
    std::size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    auto lines = [](const std::string& s) {
        std::vector<std::string> v;
        std::size_t from = 0;
        while (from < s.size()) {
            std::size_t end = s.find('\n', from);
            if (end == std::string::npos) end = s.size();
            v.push_back(s.substr(from, end - from));
            from = end + 1;
        }
        return v;
    };
    const std::vector<std::string> e = lines(expected), a = lines(actual);
    std::size_t n = 0;  // the line where they part
    for (std::size_t i = 0; i < at; ++i)
        if (expected[i] == '\n') ++n;
    std::ostringstream o;
    o << "expected " << expected.size() << " bytes, got " << actual.size() << "; first difference at byte "
      << at << ", line " << n + 1 << ":\n";
    for (std::size_t i = n >= 2 ? n - 2 : 0; i < n && i < e.size(); ++i)
        o << "    " << Readable(e[i]) << "\n";
    for (std::size_t i = n; i < n + 3 && i < e.size(); ++i) o << "  - " << Readable(e[i]) << "\n";
    for (std::size_t i = n; i < n + 3 && i < a.size(); ++i) o << "  + " << Readable(a[i]) << "\n";
    if (n >= e.size()) o << "  - (end of the expected output)\n";
    if (n >= a.size()) o << "  + (end of the output)\n";
    return o.str();
}

TEST(Golden, Case) {
    const fs::path caseDir(g_case);
    SCOPED_TRACE("case " + g_case);
    if (fs::exists(caseDir / "needs")) {
        std::string need = ReadAll(caseDir / "needs");
        while (!need.empty() && (need.back() == '\n' || need.back() == '\r')) need.pop_back();
        if (!fs::exists(fs::path(g_realdata) / need)) GTEST_SKIP() << need << " is not here";
    }
    if (g_wine && fs::exists(caseDir / "wine-skip"))
        GTEST_SKIP() << "not under Wine: " << ReadAll(caseDir / "wine-skip");
    if (!g_wine && fs::exists(caseDir / "wine-only"))
        GTEST_SKIP() << "only under Wine: " << ReadAll(caseDir / "wine-only");
    const fs::path work = fs::temp_directory_path() / ("trelvo5-golden-" + std::to_string(::getpid()) + "-" +
                                                       caseDir.filename().string());
    std::string cmdLine = ReadAll(caseDir / "cmd");
    cmdLine = ReplaceAll(cmdLine, "{REALDATA}", fs::absolute(g_realdata).string());
    cmdLine = ReplaceAll(cmdLine, "{WORK}", g_wine ? WinePath(work.string()) : work.string());
    // The program, through Wine for a Windows one.
    std::string program = ShellQuote(g_program);
    if (g_wine) {
        const char* wine = std::getenv("TRELVO5_WINE");
        program = ShellQuote(wine && *wine ? wine : "wine") + " " + program;
    }

    int exitCode = -1;
    for (int attempt = 1;; ++attempt) {
        fs::remove_all(work);
        fs::create_directories(work);
        if (fs::exists(caseDir / "input")) fs::copy(caseDir / "input", work, fs::copy_options::recursive);

        if (fs::exists(caseDir / "setup")) {
            std::istringstream lines(ReadAll(caseDir / "setup"));
            for (std::string line; std::getline(lines, line);) {
                if (SplitArgs(line).empty()) continue;
                std::string setup = "cd " + ShellQuote(work.string()) + " && " + program;
                for (const std::string& a : SplitArgs(line)) setup += " " + ShellQuote(a);
                setup += " >.setup.out 2>&1 </dev/null";
                ASSERT_EQ(0, std::system(setup.c_str())) << "setup failed: " << line << "\n"
                                                         << ReadAll(work / ".setup.out");
            }
        }

        std::string shell = "cd " + ShellQuote(work.string()) + " && " + program;
        for (const std::string& a : SplitArgs(cmdLine)) shell += " " + ShellQuote(a);
        shell += " >.stdout 2>.stderr </dev/null";
        int status = std::system(shell.c_str());
        exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        // Wine itself now and then fails around a run on a busy machine: the Linux loader of
        // the Wine process asserts as it exits, or the program never starts (exit 1 with no
        // word on either stream, which the program never does). Such a run is made once more
        // from a fresh folder, and says so; a failure of the program's own is not retried.
        const std::string err = ReadAll(work / ".stderr");
        const bool wineFailed = err.find("Inconsistency detected by ld.so") != std::string::npos ||
                                (exitCode == 1 && err.empty() && ReadAll(work / ".stdout").empty());
        if (!g_wine || !wineFailed || attempt == 2) break;
        std::cerr << "Wine failed around the run (exit " << exitCode << "); running the case again\n";
    }

    int wantExit = 0;
    if (fs::exists(caseDir / "exit_code")) wantExit = std::stoi(ReadAll(caseDir / "exit_code"));
    EXPECT_EQ(wantExit, exitCode) << "stderr:\n" << ReadAll(work / ".stderr");

    bool any = false;
    if (fs::exists(caseDir / "expected")) {
        for (const auto& entry : fs::recursive_directory_iterator(caseDir / "expected")) {
            if (!entry.is_regular_file()) continue;
            any = true;
            fs::path rel = fs::relative(entry.path(), caseDir / "expected");
            fs::path got = work / rel;
            if (rel == "stdout") got = work / ".stdout";
            if (rel == "stderr") got = work / ".stderr";
            const bool printed = rel == "stdout" || rel == "stderr";
            const fs::path wantPath = printed && g_japanese ? caseDir / "expected-ja" / rel : entry.path();
            const std::string programDir = fs::path(g_program).parent_path().string();
            if (printed && g_update && !g_wine) {
                std::string text = ReplaceAll(ReadAll(got), work.string(), "{WORK}");
                text = ReplaceAll(text, programDir, "{PROGRAM_DIR}");
                fs::create_directories(wantPath.parent_path());
                std::ofstream(wantPath, std::ios::binary) << text;
                continue;
            }
            if (!fs::exists(wantPath)) {
                ADD_FAILURE() << wantPath << " is missing (TRELVO5_GOLDEN_UPDATE=1 writes it)";
                continue;
            }
            std::string want = ReadAll(wantPath);
            if (printed && g_wine) {
                want = ReplaceWinePath(want, "{PROGRAM_DIR}", programDir);
                want = ReplaceWinePath(want, "{WORK}", work.string());
            } else if (printed) {
                want = ReplaceAll(want, "{PROGRAM_DIR}", programDir);
                want = ReplaceAll(want, "{WORK}", work.string());
            }
            if (!fs::exists(got)) {
                ADD_FAILURE() << rel << " was not written";
                continue;
            }
            std::string have = ReadAll(got);
            if (printed && g_wine) have = ReplaceAll(have, "\r\n", "\n");
            if (want != have) ADD_FAILURE() << rel << " differs:\n" << Describe(want, have);
        }
    }
    EXPECT_TRUE(any) << "the case has no expected/ files";
    if (!::testing::Test::HasFailure())
        fs::remove_all(work);
    else
        std::cerr << "work folder kept: " << work << "\n";
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TRELVO5 CASE_DIR [REALDATA_DIR]\n", argv[0]);
        return 2;
    }
    g_program = fs::absolute(argv[1]).string();
    g_case = fs::absolute(argv[2]).string();
    g_realdata = argc > 3 ? argv[3] : ".";
    const std::string exe = ".exe";
    g_wine = g_program.size() > exe.size() &&
             g_program.compare(g_program.size() - exe.size(), exe.size(), exe) == 0;
    const char* lang = std::getenv("TRELVO5_GOLDEN_LANG");
    g_japanese = lang && std::string(lang) == "ja";
    const char* update = std::getenv("TRELVO5_GOLDEN_UPDATE");
    g_update = update && std::string(update) == "1";
    // The language comes from the first of LC_ALL, LC_MESSAGES and LANG that is set.
    ::unsetenv("LC_MESSAGES");
    ::setenv("LANG", g_japanese ? "ja_JP.UTF-8" : "C", 1);
    if (g_wine) {
        ::setenv("WINEDEBUG", "-all", 0);  // Wine's own messages would join stderr
        // Wine maps Unix file names through the locale's character set.
        if (g_japanese) {
            ::unsetenv("LC_ALL");
            ::setenv("LC_CTYPE", "C.UTF-8", 1);
        } else {
            ::setenv("LC_ALL", "C.UTF-8", 1);
        }
    } else {
        ::unsetenv("LC_ALL");
    }
    return RUN_ALL_TESTS();
}
