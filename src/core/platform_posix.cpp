#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>

#include "core/platform.h"

namespace trelvo {

std::FILE* OpenFile(const std::string& utf8Path, const char* mode) {
    return std::fopen(utf8Path.c_str(), mode);
}

bool IsSpecialFile(const std::string& utf8Path) {
    // What is named through /dev or /proc (/dev/stdout, /dev/fd/3) is a stream the process
    // was given, even when it leads to a regular file.
    if (utf8Path.rfind("/dev/", 0) == 0 || utf8Path.rfind("/proc/", 0) == 0) return true;
    struct stat st {};
    if (utf8Path.empty() || stat(utf8Path.c_str(), &st) != 0) return false;
    return !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

bool FileWritable(const std::string& utf8Path) {
    struct stat st {};
    if (stat(utf8Path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return true;
    return (st.st_mode & 0222) != 0 && access(utf8Path.c_str(), W_OK) == 0;
}

std::FILE* OpenStandardOutputStream() {
    std::fflush(stdout);
    const int fd = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    std::FILE* f = fdopen(fd, "wb");
    if (!f) close(fd);
    return f;
}

std::FILE* OpenMemoryStream(std::string_view bytes) {
    static char none = 0;
    return fmemopen(bytes.empty() ? &none : const_cast<char*>(bytes.data()), bytes.size(), "rb");
}

std::string ProgramFolder() {
    char buf[PATH_MAX + 1];
    ssize_t n = readlink("/proc/self/exe", buf, PATH_MAX);
    if (n <= 0) return ".";
    std::string exe(buf, static_cast<std::size_t>(n));
    std::size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string(".")
                                      : (slash == 0 ? std::string("/") : exe.substr(0, slash));
}

std::FILE* CreateUniqueFile(const std::string& target, const std::string& suffix, std::string& created) {
    static thread_local std::mt19937_64 random{std::random_device{}() ^ static_cast<std::uint64_t>(getpid())
                                                                            << 20};
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = target + ".";
        std::uint64_t r = random();
        for (int i = 0; i < 8; ++i, r /= 36) name += kDigits[r % 36];
        name += "." + suffix;
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return nullptr;
        }
        // A file that replaces another keeps the permissions of the one it replaces.
        struct stat old {};
        if (stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) fchmod(fd, old.st_mode & 07777);
        std::FILE* f = fdopen(fd, "wb");
        if (!f) {
            const int e = errno;
            close(fd);
            unlink(name.c_str());
            errno = e;
            return nullptr;
        }
        created = name;
        return f;
    }
    errno = EEXIST;
    return nullptr;
}

bool SyncAndClose(std::FILE* f) {
    bool ok = std::fflush(f) == 0 && !std::ferror(f);
    int e = errno;
    if (ok && fsync(fileno(f)) != 0 && errno != EINVAL && errno != EROFS) {
        ok = false;
        e = errno;
    }
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        e = errno;
    }
    errno = e;
    return ok;
}

bool MoveFileOver(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool MoveFileToNewName(const std::string& from, const std::string& to) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
#endif
    // File systems without that rename: a second name that cannot exist twice, then the old
    // name goes.
    if (link(from.c_str(), to.c_str()) != 0) return false;
    unlink(from.c_str());
    return true;
}

namespace {

// The name with its ASCII letters in the other case, or empty when it has none.
std::string OtherCase(const std::string& name) {
    std::string flipped = name;
    bool any = false;
    for (char& c : flipped) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A'), any = true;
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a'), any = true;
    }
    return any ? flipped : std::string();
}

}  // namespace

bool FolderIgnoresCase(const std::string& folder) {
    // Look for a folder on the way up whose name has letters: when the same name in the other
    // case leads to the same folder, the file system ignores case.
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(PathFromUtf8(folder), ec);
    if (ec) return false;
    p = std::filesystem::weakly_canonical(p, ec);
    for (; !ec && p.has_relative_path(); p = p.parent_path()) {
        const std::string flipped = OtherCase(PathToUtf8(p.filename()));
        if (flipped.empty()) continue;
        struct stat a {
        }, b{};
        if (stat(p.c_str(), &a) != 0) return false;
        const std::filesystem::path q = p.parent_path() / PathFromUtf8(flipped);
        return stat(q.c_str(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    }
#ifdef __APPLE__
    return true;
#else
    return false;
#endif
}

ExclusiveLock::~ExclusiveLock() {
    Release();
}

void ExclusiveLock::Release() {
    if (fd_ >= 0) close(fd_);  // closing the last descriptor lets the lock go
    fd_ = -1;
}

namespace {

ExclusiveLock::Result LockWaiting(int fd, int waitMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) return ExclusiveLock::Result::kLocked;
        if (errno != EWOULDBLOCK && errno != EINTR) return ExclusiveLock::Result::kFailed;
        if (std::chrono::steady_clock::now() >= until) return ExclusiveLock::Result::kBusy;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace

ExclusiveLock::Result ExclusiveLock::LockFile(const std::string& path, int waitMs) {
    Release();
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return Result::kFailed;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        errno = EINVAL;
        return Result::kFailed;
    }
    const Result r = LockWaiting(fd, waitMs);
    if (r == Result::kLocked)
        fd_ = fd;
    else
        close(fd);
    return r;
}

ExclusiveLock::Result ExclusiveLock::LockFolder(const std::string& path, int waitMs) {
    Release();
    const int fd = open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Result::kFailed;
    const Result r = LockWaiting(fd, waitMs);
    if (r == Result::kLocked)
        fd_ = fd;
    else
        close(fd);
    return r;
}

std::FILE* ExclusiveLock::TruncatedStream() {
    if (fd_ < 0 || ftruncate(fd_, 0) != 0 || lseek(fd_, 0, SEEK_SET) != 0) return nullptr;
    const int copy = fcntl(fd_, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) return nullptr;
    std::FILE* f = fdopen(copy, "wb");
    if (!f) close(copy);
    return f;
}

std::vector<std::string> ArgumentsUtf8(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

bool StdinIsTerminal() {
    return isatty(STDIN_FILENO) != 0;
}

bool ConsoleOwnedAlone() {
    return false;
}
void WaitForKey() {}

bool WriteStdStream(StdStream stream, std::string_view utf8) {
    std::FILE* f = stream == StdStream::kOut ? stdout : stderr;
    const bool written = std::fwrite(utf8.data(), 1, utf8.size(), f) == utf8.size();
    return std::fflush(f) == 0 && written;
}

std::optional<std::string> EnvironmentUtf8(const char* name) {
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
}

std::string UserConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') return JoinPath(xdg, "trelvo5");
    const char* home = std::getenv("HOME");
    if (!home || !*home) return {};
    return JoinPath(JoinPath(home, ".config"), "trelvo5");
}

}  // namespace trelvo

namespace trelvo {

std::string UserLanguageCode() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return {};
}

}  // namespace trelvo
