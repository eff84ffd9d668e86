#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

#include "core/errors.h"
#include "core/platform.h"
#include "hamlog/db_file.h"

namespace trelvo::hamlog {
namespace {

// Why the open failed, in the words the C library uses on every system for the usual cases
// (so messages read the same everywhere), else the system's own text as UTF-8 (the narrow
// system text would be in the ANSI code page).
Message ReasonFor(DWORD e, const std::string& path) {
    switch (e) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return SystemErrorMessage(ENOENT);
        case ERROR_ACCESS_DENIED: {
            std::error_code ec;
            return std::filesystem::is_directory(PathFromUtf8(path), ec) ? SystemErrorMessage(EISDIR)
                                                                         : SystemErrorMessage(EACCES);
        }
        default:
            break;
    }
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        e, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring w = n > 0 && text ? std::wstring(text, n) : L"system error " + std::to_wstring(e);
    if (text) LocalFree(text);
    while (!w.empty() && (w.back() == L'\r' || w.back() == L'\n' || w.back() == L' ' || w.back() == L'.'))
        w.pop_back();
    return Message("cli.text").Arg("text", PathToUtf8(std::filesystem::path(w)));
}

}  // namespace

std::FILE* OpenDatabaseForReading(const std::string& path, DbOpenStatus& status, Message* reason) {
    // Other readers may share the file with us, writers may not: while a program has it open
    // for writing (Turbo HAMLOG with its database) or denies reading, this fails with a
    // sharing violation.
    HANDLE h = CreateFileW(PathFromUtf8(path).wstring().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD e = GetLastError();
        if (e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION)
            status = DbOpenStatus::kHeldExclusively;
        else if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND)
            status = DbOpenStatus::kNotFound;
        else
            status = DbOpenStatus::kCannotOpen;
        if (reason)
            *reason =
                status == DbOpenStatus::kHeldExclusively ? Message("hdb.held-open") : ReasonFor(e, path);
        return nullptr;
    }
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        status = DbOpenStatus::kCannotOpen;
        if (reason) *reason = Message("io.cannot-open");
        return nullptr;
    }
    std::FILE* f = _fdopen(fd, "rb");
    if (!f) {
        _close(fd);
        status = DbOpenStatus::kCannotOpen;
        if (reason) *reason = Message("io.cannot-open");
        return nullptr;
    }
    status = DbOpenStatus::kOpened;
    return f;
}

bool SeekFile(std::FILE* f, long long offset) {
    return _fseeki64(f, offset, SEEK_SET) == 0;
}

long long FileSizeOf(std::FILE* f) {
    return _filelengthi64(_fileno(f));
}

std::size_t ReadFileAt(std::FILE* f, long long offset, char* dst, std::size_t n) {
    return SeekFile(f, offset) ? std::fread(dst, 1, n, f) : 0;
}

}  // namespace trelvo::hamlog
