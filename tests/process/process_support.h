// Running trelvo5 as a real process from the tests: arguments, work folder, standard output
// and error captured, optional file-size limit, a time limit that turns a hang into a failure.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace trelvo::process_test {

namespace fs = std::filesystem;

inline std::string Program() {
    return TRELVO5_PROGRAM;
}

inline std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void WriteAll(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

struct RunOptions {
    long long fileSizeLimit = -1;  // RLIMIT_FSIZE in bytes; -1: none
    bool stdoutToFull = false;     // standard output on /dev/full
    int timeLimitSeconds = 60;
    bool asNobody = false;     // through setpriv as the user nobody (when the tests run as root)
    bool defaultXfsz = false;  // SIGXFSZ left as the system has it (the program must ignore it)
};

inline bool CanRunAsNobody() {
    return geteuid() == 0 && access("/usr/bin/setpriv", X_OK) == 0;
}

// A started trelvo5; Wait() collects it.
class Process {
public:
    Process(const fs::path& work, const std::vector<std::string>& args, const RunOptions& options = {})
        : work_(work), options_(options) {
        static int counter = 0;
        const std::string tag = std::to_string(getpid()) + "-" + std::to_string(++counter);
        out_ = fs::temp_directory_path() / ("trelvo5-proc-" + tag + ".out");
        err_ = fs::temp_directory_path() / ("trelvo5-proc-" + tag + ".err");
        pid_ = fork();
        if (pid_ == 0) {
            if (chdir(work.c_str()) != 0) _exit(120);
            const int o =
                open(options.stdoutToFull ? "/dev/full" : out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int e = open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (o < 0 || e < 0) _exit(121);
            dup2(o, 1);
            dup2(e, 2);
            const int in = open("/dev/null", O_RDONLY);
            if (in >= 0) dup2(in, 0);
            if (options.fileSizeLimit >= 0) {
                // A write past the limit fails with EFBIG instead of ending the process, unless
                // the test wants to see that the program sees to that itself.
                signal(SIGXFSZ, options.defaultXfsz ? SIG_DFL : SIG_IGN);
                rlimit lim{static_cast<rlim_t>(options.fileSizeLimit),
                           static_cast<rlim_t>(options.fileSizeLimit)};
                setrlimit(RLIMIT_FSIZE, &lim);
            }
            std::vector<std::string> all{Program()};
            if (options.asNobody)
                all.insert(all.begin(),
                           {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"});
            all.insert(all.end(), args.begin(), args.end());
            std::vector<char*> argv;
            for (std::string& a : all) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(122);
        }
        start_ = std::chrono::steady_clock::now();
    }
    ~Process() {
        if (pid_ > 0 && !done_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        std::error_code ec;
        fs::remove(out_, ec);
        fs::remove(err_, ec);
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    pid_t Pid() const { return pid_; }
    bool Running() {
        if (done_) return false;
        int st = 0;
        if (waitpid(pid_, &st, WNOHANG) == pid_) Finish(st);
        return !done_;
    }
    // Waits for the end, killing the process when it runs past the time limit.
    void Wait() {
        while (Running()) {
            if (std::chrono::steady_clock::now() - start_ > std::chrono::seconds(options_.timeLimitSeconds)) {
                kill(pid_, SIGKILL);
                int st = 0;
                waitpid(pid_, &st, 0);
                timedOut_ = true;
                Finish(st);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    bool TimedOut() const { return timedOut_; }
    bool Exited() const { return WIFEXITED(status_); }
    int ExitCode() const { return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1; }
    const std::string& Out() const { return stdout_; }
    const std::string& Err() const { return stderr_; }
    std::string Describe() const {
        return "exit " + std::to_string(ExitCode()) + (timedOut_ ? " (killed: time limit)" : "") +
               (WIFSIGNALED(status_) ? " (signal " + std::to_string(WTERMSIG(status_)) + ")" : "") +
               "\nstdout:\n" + stdout_ + "\nstderr:\n" + stderr_;
    }

private:
    void Finish(int st) {
        done_ = true;
        status_ = st;
        stdout_ = ReadAll(out_);
        stderr_ = ReadAll(err_);
    }

    fs::path work_, out_, err_;
    RunOptions options_;
    pid_t pid_ = -1;
    bool done_ = false, timedOut_ = false;
    int status_ = 0;
    std::string stdout_, stderr_;
    std::chrono::steady_clock::time_point start_;
};

struct Result {
    int exitCode = -1;
    bool exited = false, timedOut = false;
    std::string out, err, description;
};

inline Result RunTrelvo(const fs::path& work, const std::vector<std::string>& args,
                        const RunOptions& options = {}) {
    Process p(work, args, options);
    p.Wait();
    return {p.ExitCode(), p.Exited(), p.TimedOut(), p.Out(), p.Err(), p.Describe()};
}

// A fresh folder, removed at the end of the test.
class WorkDir {
public:
    explicit WorkDir(const std::string& name) {
        path_ = fs::temp_directory_path() / ("trelvo5-process-" + std::to_string(getpid()) + "-" + name);
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~WorkDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& Path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

inline const std::string kIni = "TRELVO5.INI";

// Settings that put the generated data in GeneData/, and `extra` lines.
inline void WriteSettings(const WorkDir& w, const std::string& extra = "") {
    WriteAll(w / kIni, "[GeneData]\r\nGeneDataFol=GeneData/\r\n" + extra);
    fs::create_directories(w / "GeneData");
}

// Every file below `dir`, as paths relative to it.
inline std::set<std::string> FilesIn(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (!e.is_directory()) names.insert(fs::relative(e.path(), dir).string());
    return names;
}

// Every file below `dir` with its bytes; a link is marked as one.
inline std::map<std::string, std::string> Snapshot(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const std::string& name : FilesIn(dir))
        files[name + (fs::is_symlink(dir / name) ? " (link)" : "")] = ReadAll(dir / name);
    return files;
}

inline bool AnyWritingFile(const fs::path& dir) {
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.path().extension() == ".writing") return true;
    return false;
}

// The size of the temporary file being written beside `target` (0 when there is none).
inline std::uintmax_t PendingSize(const fs::path& target) {
    std::error_code ec;
    const std::string prefix = target.filename().string() + ".";
    for (const auto& e : fs::directory_iterator(target.parent_path(), ec))
        if (e.path().filename().string().rfind(prefix, 0) == 0 && e.path().extension() == ".writing")
            return fs::file_size(e.path(), ec);
    return 0;
}

// Test logs, valid record by record, numbered so that each run's output is its own.
inline std::string DigipanLog(int contacts, int salt = 0) {
    std::string s;
    for (int i = 1; i <= contacts; ++i)
        s += std::to_string(i) + ";JA" + std::to_string((i + salt) % 10) + "A" +
             std::string(1, char('A' + i % 26)) + std::string(1, char('A' + (i + salt) % 26)) +
             ";2024050103" + std::to_string(10 + i % 50) +
             ";202405010318;BPSK31;20m;1520;14070.150;50W;DP;599;579;PM95;;Name" + std::to_string(i) +
             ";Tokyo;rem " + std::to_string(salt) + ";JARL;N;N\r\n";
    return s;
}

inline std::string Jap1Log(int records, int salt = 0) {
    std::string s =
        "JAP1 LOG DATA (CSV)  JA1ZZZ  1998/07/20\r\n\"CALL\",\"DATE\",\"RST\",\"FREQ\",\"MODE\","
        "\"CODE\",\"GL\",\"QSL\",\"NAME\",\"QTH\",\"RMK1\",\"RMK2\"\r\n";
    for (int i = 1; i <= records; ++i)
        s += "\"JA1A" + std::string(1, char('A' + i % 26)) + std::string(1, char('A' + (i + salt) % 26)) +
             "\",\"98/07/" + std::to_string(10 + i % 18) + " 21:0" + std::to_string(i % 10) +
             "\",\"599599\",\"7\",\"CW\",\"100110\",\"PM95\",\"/J\",\"Taro" + std::to_string(i) +
             "\",\"Tokyo\",\"QSL OK\",\"r" + std::to_string(salt) + "\"\r\n";
    return s;
}

inline std::string AdifTag(const std::string& name, const std::string& value) {
    return "<" + name + ":" + std::to_string(value.size()) + ">" + value + " ";
}

inline std::string AdifLog(int records, int salt = 0) {
    std::string s = "test log\r\n<ADIF_VER:5>3.1.4 <EOH>\r\n";
    for (int i = 1; i <= records; ++i)
        s += AdifTag("CALL", "JA1A" + std::string(1, char('A' + i % 26))) + AdifTag("QSO_DATE", "20240503") +
             AdifTag("TIME_ON", "01" + std::to_string(10 + i % 50)) + AdifTag("FREQ", "7.041") +
             AdifTag("MODE", "CW") + AdifTag("RST_SENT", "599") + AdifTag("RST_RCVD", "579") +
             AdifTag("NAME", "Name" + std::to_string(i)) + AdifTag("COMMENT", "c" + std::to_string(salt)) +
             "<EOR>\r\n";
    return s;
}

// A zLog record: date 2024-05-03 12:00, 7 MHz, 599 both ways, the call, number and memo.
inline std::string ZloRecord(const std::string& call, const std::string& rcv, const std::string& memo) {
    std::string r(256, '\0');
    const double date = 45415.5;
    std::memcpy(r.data(), &date, sizeof date);
    r[8] = static_cast<char>(call.size());
    r.replace(9, call.size(), call);
    r[52] = static_cast<char>(rcv.size());
    r.replace(53, rcv.size(), rcv);
    r[84] = r[86] = static_cast<char>(599 & 0xFF);
    r[85] = r[87] = static_cast<char>(599 >> 8);
    r[93] = 2;
    r[175] = static_cast<char>(memo.size());
    r.replace(176, memo.size(), memo);
    return r;
}

inline std::string ZloLog(int contacts) {
    std::string s(256, '\0');
    s.reserve(256 * static_cast<std::size_t>(contacts + 1));
    for (int i = 0; i < contacts; ++i) s += ZloRecord("JA1A" + std::string(1, char('A' + i % 26)), "10", "m");
    return s;
}

inline std::string HamlogCsv(int records, int salt = 0) {
    std::string s;
    for (int i = 1; i <= records; ++i)
        s += "\"JA1A" + std::string(1, char('A' + i % 26)) + std::string(1, char('A' + (i + salt) % 26)) +
             "\",\"2024/01/" + std::to_string(10 + i % 18) + "\",\"09:" + std::to_string(10 + i % 50) +
             "J\",\"599\",\"599\",\"7.012\",\"CW\",\"1101\",\"PM95\",\"J* \",\"Taro\",\"Tokyo\",\"n" +
             std::to_string(i) + "\",\"s" + std::to_string(salt) + "\",\"0\"\r\n";
    return s;
}

// A database of `records` contacts made by the program from a CSV, with its master file.
inline void MakeDatabase(const WorkDir& w, int records, const std::string& name = "Hamlog.HDB") {
    WriteAll(w / "db.csv", HamlogCsv(records));
    const std::string mst = name.substr(0, name.size() - 4) + ".mst";
    const Result r =
        RunTrelvo(w.Path(), {"db", "create", name, "--from", "db.csv", "--master", mst, "--force"});
    ASSERT_EQ(0, r.exitCode) << r.description;
}

// Random damage to a valid input: cut short, bytes flipped, NULs put in, lines joined.
inline std::string Damage(std::string s, std::mt19937& rng) {
    auto pick = [&](std::size_t n) { return n == 0 ? std::size_t{0} : static_cast<std::size_t>(rng() % n); };
    const int kinds = static_cast<int>(rng() % 4) + 1;
    for (int k = 0; k < kinds; ++k) {
        switch (rng() % 4) {
            case 0:
                s.resize(pick(s.size() + 1));
                break;
            case 1:
                for (int i = 0, n = static_cast<int>(rng() % 8) + 1; i < n && !s.empty(); ++i)
                    s[pick(s.size())] = static_cast<char>(rng() & 0xFF);
                break;
            case 2:
                for (int i = 0, n = static_cast<int>(rng() % 4) + 1; i < n; ++i)
                    s.insert(pick(s.size() + 1), 1, '\0');
                break;
            default:
                for (int i = 0, n = static_cast<int>(rng() % 3) + 1; i < n; ++i) {
                    const std::size_t at = s.find("\r\n", pick(s.size()));
                    if (at != std::string::npos) s.erase(at, 2);
                }
                break;
        }
    }
    return s;
}

}  // namespace trelvo::process_test
