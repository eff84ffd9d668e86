#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

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

void WriteAll(HANDLE h, const char* data, std::size_t size) {
    while (size > 0) {
        DWORD chunk = size > 0x10000 ? 0x10000 : static_cast<DWORD>(size);
        DWORD done = 0;
        if (!WriteFile(h, data, chunk, &done, nullptr) || done == 0) return;
        data += done;
        size -= done;
    }
}

}  // namespace

std::FILE* OpenFile(const std::string& utf8Path, const char* mode) {
    std::wstring wmode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(PathFromUtf8(utf8Path).wstring().c_str(), wmode.c_str());
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

void WriteStdStream(StdStream stream, std::string_view utf8) {
    std::fflush(stream == StdStream::kOut ? stdout : stderr);
    HANDLE h = GetStdHandle(stream == StdStream::kOut ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (h == nullptr || h == INVALID_HANDLE_VALUE || utf8.empty()) return;
    DWORD mode = 0;
    if (GetConsoleMode(h, &mode)) {
        // A console translates "\n" itself; it wants UTF-16.
        std::wstring w = Utf8ToWide(utf8);
        const wchar_t* p = w.data();
        std::size_t left = w.size();
        while (left > 0) {
            DWORD chunk = left > 0x4000 ? 0x4000 : static_cast<DWORD>(left);
            DWORD done = 0;
            if (!WriteConsoleW(h, p, chunk, &done, nullptr) || done == 0) return;
            p += done;
            left -= done;
        }
        return;
    }
    std::string bytes;
    bytes.reserve(utf8.size() + utf8.size() / 16);
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\n' && (i == 0 || utf8[i - 1] != '\r')) bytes += '\r';
        bytes += utf8[i];
    }
    WriteAll(h, bytes.data(), bytes.size());
}

std::string UserConfigFolder() {
    const wchar_t* appData = _wgetenv(L"APPDATA");
    if (!appData || !*appData) return {};
    return PathToUtf8(std::filesystem::path(appData) / L"TRELVO5");
}

}  // namespace trelvo
