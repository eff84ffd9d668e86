// console_cp CODEPAGE PROGRAM [ARGUMENT...]
//
// Sets the console's output code page (437 is US English, far from Japanese), runs PROGRAM
// with the arguments on that console and exits with PROGRAM's exit code; 101 when PROGRAM
// cannot be started, 102 when there is no console or the code page cannot be set.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
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
    if (!argv || argc < 3) {
        std::fputs("usage: console_cp CODEPAGE PROGRAM [ARGUMENT...]\n", stderr);
        return 2;
    }
    const UINT cp = static_cast<UINT>(std::wcstoul(argv[1], nullptr, 10));
    if (!SetConsoleOutputCP(cp) || GetConsoleOutputCP() != cp) {
        std::fprintf(stderr, "console_cp: cannot set the console code page %u\n", cp);
        return 102;
    }
    std::wstring line;
    for (int i = 2; i < argc; ++i) line += (i > 2 ? L" " : L"") + Quote(argv[i]);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "console_cp: cannot start the program (error %lu)\n", GetLastError());
        return 101;
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    LocalFree(argv);
    return static_cast<int>(code);
}
