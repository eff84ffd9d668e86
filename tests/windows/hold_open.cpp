// hold_open [--reader] FILE PROGRAM [ARGUMENT...]
//
// Opens FILE for reading and writing with a sharing mode that lets others read but denies
// them writing (the way Turbo HAMLOG holds its database), runs PROGRAM with the arguments
// while it is held, and exits with PROGRAM's exit code. With --reader FILE is opened the way
// another viewer would: for reading only, sharing reading and writing. 100 when FILE cannot
// be opened, 101 when PROGRAM cannot be started.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

std::wstring Quote(const std::wstring& arg) {
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring q = L"\"";
    for (wchar_t c : arg) {
        if (c == L'"') q += L'\\';
        q += c;
    }
    return q + L"\"";
}

}  // namespace

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const bool reader = argv && argc > 1 && std::wstring(argv[1]) == L"--reader";
    const int first = reader ? 2 : 1;
    if (!argv || argc < first + 2) {
        std::fputs("usage: hold_open [--reader] FILE PROGRAM [ARGUMENT...]\n", stderr);
        return 2;
    }
    const DWORD access = reader ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    const DWORD share = reader ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ;
    HANDLE held =
        CreateFileW(argv[first], access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "hold_open: cannot open the file (error %lu)\n", GetLastError());
        return 100;
    }
    std::wstring line;
    for (int i = first + 1; i < argc; ++i) line += (i > first + 1 ? L" " : L"") + Quote(argv[i]);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "hold_open: cannot start the program (error %lu)\n", GetLastError());
        CloseHandle(held);
        return 101;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(held);
    LocalFree(argv);
    return static_cast<int>(code);
}
