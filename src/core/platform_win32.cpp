#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "core/platform.h"

namespace trelvo {
namespace {

std::string WideToUtf8(const wchar_t* w, int n) {
    if (n <= 0) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, w, n, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, w, n, out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring Utf8ToWide(std::string_view s) {
    if (s.empty()) return {};
    const int n = static_cast<int>(s.size());
    int size = MultiByteToWideChar(CP_UTF8, 0, s.data(), n, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) MultiByteToWideChar(CP_UTF8, 0, s.data(), n, out.data(), size);
    return out;
}

bool WriteAll(HANDLE h, const char* data, std::size_t size) {
    while (size > 0) {
        DWORD chunk = size > 0x10000 ? 0x10000 : static_cast<DWORD>(size);
        DWORD done = 0;
        if (!WriteFile(h, data, chunk, &done, nullptr) || done == 0) return false;
        data += done;
        size -= done;
    }
    return true;
}

}  // namespace

std::FILE* OpenFile(const std::string& utf8Path, const char* mode) {
    std::wstring wmode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(PathFromUtf8(utf8Path).wstring().c_str(), wmode.c_str());
}

bool IsSpecialFile(const std::string& utf8Path) {
    // The reserved device names (NUL, CON, COM1, ...), whatever the folder and extension.
    std::string stem = PathToUtf8(PathFromUtf8(utf8Path).filename());
    stem = stem.substr(0, stem.find('.'));
    for (char& c : stem)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    for (const char* d : {"NUL", "CON", "PRN", "AUX", "CONOUT$"})
        if (stem == d) return true;
    return stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) && stem[3] >= '1' &&
           stem[3] <= '9';
}

bool FileWritable(const std::string& utf8Path) {
    const DWORD a = GetFileAttributesW(PathFromUtf8(utf8Path).wstring().c_str());
    return a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY) || !(a & FILE_ATTRIBUTE_READONLY);
}

std::FILE* OpenStandardOutputStream() {
    std::fflush(stdout);
    const int fd = _dup(_fileno(stdout));
    if (fd < 0) return nullptr;
    _setmode(fd, _O_BINARY);
    std::FILE* f = _fdopen(fd, "wb");
    if (!f) _close(fd);
    return f;
}

std::FILE* OpenMemoryStream(std::string_view) {
    errno = ENOSYS;
    return nullptr;
}

std::string ProgramFolder() {
    wchar_t buf[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(nullptr, buf, static_cast<DWORD>(std::size(buf)));
    std::filesystem::path p(std::wstring(buf, n));
    return PathToUtf8(p.parent_path());
}

std::vector<std::string> ArgumentsUtf8(int argc, char** argv) {
    int n = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n);
    if (!wide || n != argc) {
        // The C runtime split the line differently (or not at all): keep what it gave.
        if (wide) LocalFree(wide);
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> args;
    for (int i = 0; i < n; ++i) args.push_back(WideToUtf8(wide[i], static_cast<int>(wcslen(wide[i]))));
    LocalFree(wide);
    return args;
}

bool StdinIsTerminal() {
    // _isatty() also says yes for NUL; only a console has a console mode.
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

bool ConsoleOwnedAlone() {
    // A console opened for this program alone lists only this process.
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1;
}

void WaitForKey() {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(in, &mode)) return;
    FlushConsoleInputBuffer(in);
    for (;;) {
        INPUT_RECORD r;
        DWORD n = 0;
        if (!ReadConsoleInputW(in, &r, 1, &n) || n == 0) return;
        if (r.EventType == KEY_EVENT && r.Event.KeyEvent.bKeyDown) return;
    }
}

bool WriteStdStream(StdStream stream, std::string_view utf8) {
    std::fflush(stream == StdStream::kOut ? stdout : stderr);
    HANDLE h = GetStdHandle(stream == StdStream::kOut ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (utf8.empty()) return true;
    if (h == nullptr || h == INVALID_HANDLE_VALUE) return false;
    DWORD mode = 0;
    if (GetConsoleMode(h, &mode)) {
        // A console translates "\n" itself; it wants UTF-16.
        std::wstring w = Utf8ToWide(utf8);
        const wchar_t* p = w.data();
        std::size_t left = w.size();
        while (left > 0) {
            DWORD chunk = left > 0x4000 ? 0x4000 : static_cast<DWORD>(left);
            DWORD done = 0;
            if (!WriteConsoleW(h, p, chunk, &done, nullptr) || done == 0) return false;
            p += done;
            left -= done;
        }
        return true;
    }
    std::string bytes;
    bytes.reserve(utf8.size() + utf8.size() / 16);
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\n' && (i == 0 || utf8[i - 1] != '\r')) bytes += '\r';
        bytes += utf8[i];
    }
    return WriteAll(h, bytes.data(), bytes.size());
}

std::optional<std::string> EnvironmentUtf8(const char* name) {
    const std::wstring wide(name, name + std::char_traits<char>::length(name));  // names are ASCII
    const DWORD n = GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
    if (n == 0) return std::nullopt;
    std::wstring value(n, L'\0');
    const DWORD got = GetEnvironmentVariableW(wide.c_str(), value.data(), n);
    value.resize(got < n ? got : 0);
    return PathToUtf8(std::filesystem::path(value));
}

std::string UserConfigFolder() {
    const std::optional<std::string> appData = EnvironmentUtf8("APPDATA");
    if (!appData || appData->empty()) return {};
    return JoinPath(*appData, "TRELVO5");
}

}  // namespace trelvo

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

namespace trelvo {

std::FILE* CreateUniqueFile(const std::string& target, const std::string& suffix, std::string& created) {
    static thread_local std::mt19937_64 random{std::random_device{}() ^
                                               static_cast<std::uint64_t>(GetCurrentProcessId()) << 20};
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = target + ".";
        std::uint64_t r = random();
        for (int i = 0; i < 8; ++i, r /= 36) name += kDigits[r % 36];
        name += "." + suffix;
        int fd = -1;
        const errno_t e = _wsopen_s(&fd, PathFromUtf8(name).wstring().c_str(),
                                    _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _SH_DENYWR,
                                    _S_IREAD | _S_IWRITE);
        if (e != 0 || fd < 0) {
            if (e == EEXIST) continue;
            errno = e;
            return nullptr;
        }
        std::FILE* f = _fdopen(fd, "wb");
        if (!f) {
            _close(fd);
            _wremove(PathFromUtf8(name).wstring().c_str());
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
    if (ok && _commit(_fileno(f)) != 0) ok = false;
    const int e = errno;
    if (std::fclose(f) != 0) ok = false;
    errno = e;
    return ok;
}

bool MoveFileOver(const std::string& from, const std::string& to) {
    if (MoveFileExW(PathFromUtf8(from).wstring().c_str(), PathFromUtf8(to).wstring().c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    // A file another program holds open (a CSV open in Excel) is busy, not forbidden.
    const DWORD e = GetLastError();
    errno = e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION ? EBUSY : EACCES;
    return false;
}

bool MoveFileToNewName(const std::string& from, const std::string& to) {
    if (MoveFileExW(PathFromUtf8(from).wstring().c_str(), PathFromUtf8(to).wstring().c_str(),
                    MOVEFILE_WRITE_THROUGH))
        return true;
    const DWORD e = GetLastError();
    errno = e == ERROR_ALREADY_EXISTS || e == ERROR_FILE_EXISTS         ? EEXIST
            : e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION ? EBUSY
                                                                        : EACCES;
    return false;
}

bool FolderIgnoresCase(const std::string&) {
    return true;
}

ExclusiveLock::~ExclusiveLock() {
    Release();
}

void ExclusiveLock::Release() {
    if (fd_ >= 0) _close(fd_);
    fd_ = -1;
    if (handle_) {
        ReleaseMutex(static_cast<HANDLE>(handle_));
        CloseHandle(static_cast<HANDLE>(handle_));
    }
    handle_ = nullptr;
}

ExclusiveLock::Result ExclusiveLock::LockFile(const std::string& path, int waitMs) {
    Release();
    std::error_code ec;
    if (std::filesystem::is_symlink(PathFromUtf8(path), ec)) {
        errno = EINVAL;
        return Result::kFailed;
    }
    // Opening with others denied writing is the lock: a second opener gets a sharing error.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        int fd = -1;
        const errno_t e =
            _wsopen_s(&fd, PathFromUtf8(path).wstring().c_str(),
                      _O_RDWR | _O_CREAT | _O_BINARY | _O_NOINHERIT, _SH_DENYWR, _S_IREAD | _S_IWRITE);
        if (e == 0 && fd >= 0) {
            fd_ = fd;
            return Result::kLocked;
        }
        if (e != EACCES) {
            errno = e;
            return Result::kFailed;
        }
        if (std::chrono::steady_clock::now() >= until) return Result::kBusy;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

ExclusiveLock::Result ExclusiveLock::LockFolder(const std::string& path, int waitMs) {
    Release();
    std::error_code ec;
    std::wstring key =
        std::filesystem::weakly_canonical(PathFromUtf8(path.empty() ? "." : path), ec).wstring();
    for (wchar_t& c : key) c = static_cast<wchar_t>(towlower(c));
    const std::wstring name = L"Local\\trelvo5-folder-" + std::to_wstring(std::hash<std::wstring>{}(key));
    HANDLE m = CreateMutexW(nullptr, FALSE, name.c_str());
    if (!m) {
        errno = EACCES;
        return Result::kFailed;
    }
    const DWORD w = WaitForSingleObject(m, static_cast<DWORD>(waitMs));
    if (w == WAIT_OBJECT_0 || w == WAIT_ABANDONED) {
        handle_ = m;
        return Result::kLocked;
    }
    CloseHandle(m);
    return Result::kBusy;
}

std::FILE* ExclusiveLock::TruncatedStream() {
    if (fd_ < 0 || _chsize_s(fd_, 0) != 0 || _lseeki64(fd_, 0, SEEK_SET) != 0) return nullptr;
    const int copy = _dup(fd_);
    if (copy < 0) return nullptr;
    std::FILE* f = _fdopen(copy, "wb");
    if (!f) _close(copy);
    return f;
}

}  // namespace trelvo

namespace trelvo {

// A locale set in the environment (an MSYS shell, Wine started from a Unix shell) is what
// the user chose there; otherwise Windows' own display language.
std::string UserLanguageCode() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const std::optional<std::string> value = EnvironmentUtf8(name);
        if (value && !value->empty()) return *value;
    }
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? "ja" : "en";
}

}  // namespace trelvo
