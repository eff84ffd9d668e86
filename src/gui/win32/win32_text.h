// UTF-8 inside the program, UTF-16 at the Windows API.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>
#include <string_view>

namespace trelvo::gui {

inline std::wstring Wide(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
    return w;
}

inline std::string Utf8(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), s.data(), n, nullptr,
                        nullptr);
    return s;
}

inline std::string WindowTextUtf8(HWND hwnd) {
    const int n = GetWindowTextLengthW(hwnd);
    std::wstring w(static_cast<std::size_t>(n) + 1, L'\0');
    GetWindowTextW(hwnd, w.data(), n + 1);
    w.resize(static_cast<std::size_t>(n));
    return Utf8(w);
}

// The user-interface font at a DPI: Yu Gothic UI, Meiryo UI or MS UI Gothic (the first the
// system has), else the system's message font.
HFONT CreateUiFont(UINT dpi);
// The dialog base units of a font (average width of the Latin letters, height), in pixels.
SIZE FontBaseUnits(HFONT font);

// The DPI calls of Windows 10, looked up when the program starts so that it also runs where
// they are missing (there the whole desktop is 96 DPI or scaled by the system).
UINT DpiOfWindow(HWND hwnd);
void AdjustForDpi(RECT& rect, DWORD style, bool menu, UINT dpi);
int MetricForDpi(int index, UINT dpi);

}  // namespace trelvo::gui
