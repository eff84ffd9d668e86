#include <windows.h>

#include <cstdlib>
#include <string>

#include "core/platform.h"

namespace trelvo {

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

std::string UserConfigFolder() {
    const wchar_t* appData = _wgetenv(L"APPDATA");
    if (!appData || !*appData) return {};
    return PathToUtf8(std::filesystem::path(appData) / L"TRELVO5");
}

}  // namespace trelvo
