#include "gui/win32/win32_main_form.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cwchar>

#include "app/text_filters.h"
#include "gui/win32/win32_text.h"
#include "gui/win32/win32_windows.h"

namespace trelvo::gui {
namespace {

using app::ControlKind;

constexpr int kFirstMenuId = 100;
constexpr int kFirstControlId = 1000;
constexpr UINT kDropMessage = WM_APP + 1;
constexpr UINT kRaiseMessage = WM_APP + 2;
constexpr const wchar_t* kClassPrefix = L"TRELVO5.MainForm.";

std::wstring Hex(unsigned long long v) {
    wchar_t b[24];
    std::swprintf(b, 24, L"%016llx", v);
    return b;
}

// A name for the settings folder that two copies started from it agree on.
std::wstring FolderKey(const std::string& iniPath) {
    std::wstring w = Wide(app::FolderOf(iniPath));
    CharUpperBuffW(w.data(), static_cast<DWORD>(w.size()));
    unsigned long long h = 1469598103934665603ull;
    for (wchar_t c : w) h = (h ^ static_cast<unsigned long long>(c)) * 1099511628211ull;
    return Hex(h);
}

bool IsOption(const app::ControlLayout* c) {
    return c && c->kind == ControlKind::OptionButton;
}

std::string GroupOf(const std::string& name) {
    return name.substr(0, name.find('('));
}

}  // namespace

namespace {

template <class F>
F* UserCall(const char* name) {
    return reinterpret_cast<F*>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

HFONT CreateUiFont(UINT dpi) {
    NONCLIENTMETRICSW m{};
    m.cbSize = sizeof m;
    HDC dc = GetDC(nullptr);
    static auto* forDpi = UserCall<BOOL WINAPI(UINT, UINT, PVOID, UINT, UINT)>("SystemParametersInfoForDpi");
    if (!forDpi || !forDpi(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0, dpi)) {
        // The metrics of the system's DPI, scaled to the monitor's.
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof m, &m, 0);
        m.lfMessageFont.lfHeight =
            MulDiv(m.lfMessageFont.lfHeight, static_cast<int>(dpi), GetDeviceCaps(dc, LOGPIXELSY));
    }
    LOGFONTW lf = m.lfMessageFont;
    if (lf.lfHeight == 0) lf.lfHeight = -MulDiv(9, static_cast<int>(dpi), 72);
    for (const wchar_t* face : {L"Yu Gothic UI", L"Meiryo UI", L"MS UI Gothic"}) {
        LOGFONTW probe{};
        probe.lfCharSet = DEFAULT_CHARSET;
        wcsncpy(probe.lfFaceName, face, LF_FACESIZE - 1);
        bool found = false;
        EnumFontFamiliesExW(
            dc, &probe,
            [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM p) -> int {
                *reinterpret_cast<bool*>(p) = true;
                return 0;
            },
            reinterpret_cast<LPARAM>(&found), 0);
        if (found) {
            wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
            break;
        }
    }
    ReleaseDC(nullptr, dc);
    return CreateFontIndirectW(&lf);
}

UINT DpiOfWindow(HWND hwnd) {
    static auto* call = UserCall<UINT WINAPI(HWND)>("GetDpiForWindow");
    const UINT dpi = call && hwnd ? call(hwnd) : 0;
    return dpi == 0 ? 96 : dpi;
}

void AdjustForDpi(RECT& rect, DWORD style, bool menu, UINT dpi) {
    static auto* call = UserCall<BOOL WINAPI(LPRECT, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    if (!call || !call(&rect, style, menu, 0, dpi)) AdjustWindowRectEx(&rect, style, menu, 0);
}

int MetricForDpi(int index, UINT dpi) {
    static auto* call = UserCall<int WINAPI(int, UINT)>("GetSystemMetricsForDpi");
    return call ? call(index, dpi) : GetSystemMetrics(index);
}

SIZE FontBaseUnits(HFONT font) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SIZE s{};
    GetTextExtentPoint32W(dc, L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &s);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return {std::max(1L, (s.cx / 26 + 1) / 2), std::max(1L, static_cast<LONG>(tm.tmHeight))};
}

MainFormWin32::MainFormWin32(app::MainFormConfig config, app::UiDialogs& dialogs)
    : model_(config, *this, dialogs), dialogs_(dialogs) {
    className_ = kClassPrefix + FolderKey(config.iniPath);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = className_.c_str();
    wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
    wc.hIconSm = wc.hIcon;
    RegisterClassExW(&wc);
    BuildMenu();
    hwnd_ = CreateWindowExW(0, className_.c_str(), Wide(app::kProgramTitle).c_str(),
                            WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                            CW_USEDEFAULT, 640, 480, nullptr, menuBar_, wc.hInstance, this);
    dpi_ = DpiOfWindow(hwnd_);
    MakeFont();
    BuildControls();
    DragAcceptFiles(hwnd_, TRUE);
    PlaceAll();
    ApplyStates();
    creating_ = false;
}

MainFormWin32::~MainFormWin32() {
    fieldLen_.reset();
    mapping_.reset();
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    for (auto& [name, item] : items_)
        if (item.brush) DeleteObject(item.brush);
    if (font_) DeleteObject(font_);
    if (instanceMutex_) CloseHandle(instanceMutex_);
    UnregisterClassW(className_.c_str(), GetModuleHandleW(nullptr));
}

void MainFormWin32::BuildMenu() {
    menuBar_ = CreateMenu();
    fileMenu_ = CreatePopupMenu();
    int id = kFirstMenuId;
    for (const app::MenuItemLayout& m : app::FileMenuItems()) {
        if (!*m.name) {
            AppendMenuW(fileMenu_, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        AppendMenuW(fileMenu_, MF_STRING, static_cast<UINT_PTR>(id), Wide(m.caption).c_str());
        Item item;
        item.menu = true;
        item.id = id;
        item.text = m.caption;
        items_[m.name] = item;
        byId_[id++] = m.name;
    }
    AppendMenuW(menuBar_, MF_POPUP, reinterpret_cast<UINT_PTR>(fileMenu_),
                Wide(app::kFileMenuCaption).c_str());
    Item file;
    file.menu = true;
    file.text = app::kFileMenuCaption;
    items_[app::kFileMenuName] = file;
    for (const app::MenuItemLayout& m : app::TopMenuItems()) {
        // An empty caption would make a separator: a space stands in until the text is set.
        AppendMenuW(menuBar_, MF_STRING, static_cast<UINT_PTR>(id),
                    *m.caption ? Wide(m.caption).c_str() : L" ");
        Item item;
        item.menu = true;
        item.id = id;
        item.text = m.caption;
        items_[m.name] = item;
        byId_[id++] = m.name;
    }
}

void MainFormWin32::MakeFont() {
    if (font_) DeleteObject(font_);
    font_ = CreateUiFont(dpi_);
    const SIZE base = FontBaseUnits(font_);
    baseX_ = static_cast<int>(base.cx);
    baseY_ = static_cast<int>(base.cy);
}

RECT MainFormWin32::Pixels(const app::Place& p) const {
    const int x = MulDiv(p.x, baseX_, 4), y = MulDiv(p.y, baseY_, 8);
    return {x, y, x + MulDiv(p.width, baseX_, 4), y + MulDiv(p.height, baseY_, 8)};
}

void MainFormWin32::BuildControls() {
    HINSTANCE inst = GetModuleHandleW(nullptr);
    tooltip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, inst, nullptr);
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 400);
    int id = kFirstControlId;
    const app::ControlLayout* previous = nullptr;
    for (const app::ControlLayout& c : app::MainFormControls()) {
        const std::string name = c.name;
        const wchar_t* cls = L"STATIC";
        DWORD style = WS_CHILD | (c.kind == ControlKind::Frame ? 0 : WS_CLIPSIBLINGS);
        DWORD ex = 0;
        switch (c.kind) {
            case ControlKind::Frame:
                cls = L"BUTTON";
                style |= BS_GROUPBOX;
                break;
            case ControlKind::Label:
                // The input file and the counter are sunken boxes; the counter is centred.
                style |= SS_NOPREFIX;
                if (name == "Label5") style |= SS_SUNKEN | SS_PATHELLIPSIS;
                style |= name == "Label6" ? SS_SUNKEN | SS_CENTER | SS_CENTERIMAGE : SS_LEFT;
                if (name == "Label21") style |= SS_NOTIFY;
                break;
            case ControlKind::CheckBox:
                cls = L"BUTTON";
                style |= BS_AUTOCHECKBOX | WS_TABSTOP;
                break;
            case ControlKind::OptionButton:
                cls = L"BUTTON";
                style |= BS_AUTORADIOBUTTON;
                break;
            case ControlKind::TextBox:
                cls = L"EDIT";
                style |= ES_AUTOHSCROLL | WS_TABSTOP;
                ex = WS_EX_CLIENTEDGE;
                break;
            case ControlKind::ListBox:
                cls = L"COMBOBOX";
                style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
                break;
            case ControlKind::Button:
                cls = L"BUTTON";
                style |= WS_TABSTOP | (name == "Command1" ? BS_OWNERDRAW : BS_PUSHBUTTON);
                break;
        }
        // Option buttons of one group form one tab stop and clear each other.
        const bool continues = IsOption(&c) && IsOption(previous) &&
                               GroupOf(previous->name) == GroupOf(name) &&
                               std::string(previous->frame) == c.frame;
        if (!continues) style |= WS_GROUP | (IsOption(&c) ? WS_TABSTOP : 0);
        HWND h = CreateWindowExW(ex, cls, Wide(c.caption).c_str(), style, 0, 0, 10, 10, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
        SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        if (c.kind == ControlKind::TextBox || name == "Label21")
            SetWindowSubclass(h, ControlProc, static_cast<UINT_PTR>(id), reinterpret_cast<DWORD_PTR>(this));
        if (*c.tip) {
            TTTOOLINFOW ti{};
            ti.cbSize = sizeof ti;
            ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            ti.hwnd = hwnd_;
            ti.uId = reinterpret_cast<UINT_PTR>(h);
            std::wstring tip = Wide(c.tip);
            ti.lpszText = tip.data();
            SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
        }
        Item item;
        item.layout = &c;
        item.hwnd = h;
        item.id = id;
        const std::string key = name.empty() ? "#" + std::to_string(id) : name;
        items_[key] = item;
        byId_[id++] = key;
        previous = &c;
    }
    // The frames lie under their controls, an outer frame under the frames inside it.
    const auto controls = app::MainFormControls();
    for (auto it = controls.rbegin(); it != controls.rend(); ++it)
        if (it->kind == ControlKind::Frame)
            SetWindowPos(items_.at(it->name).hwnd, HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainFormWin32::PlaceAll() {
    app::Place client;
    const auto stacked = app::StackFrames(
        [this](const std::string& frame) {
            const Item* i = Find(frame);
            return i && i->visible;
        },
        &client);
    std::map<std::string, app::Place> origin;  // top left of each frame and of the status area
    for (const app::StackedPlace& s : stacked) origin[s.name] = s.place;
    for (auto& [key, item] : items_) {
        if (!item.layout) continue;
        const app::ControlLayout& c = *item.layout;
        app::Place p = c.place;
        if (std::string(c.name) == "Label21" && label21Expanded_) p = app::Label21Expanded();
        // Add the offsets of the frames around it, innermost first.
        std::string frame = c.frame;
        bool placed = false;
        if (c.kind == ControlKind::Frame && frame.empty()) {
            auto it = origin.find(c.name);
            if (it == origin.end()) continue;  // hidden: stays where it was
            p.x = it->second.x;
            p.y = it->second.y;
            placed = true;
        }
        while (!placed) {
            if (frame.empty()) {
                const app::Place o = origin[""];
                p.x += o.x;
                p.y += o.y;
                break;
            }
            const app::ControlLayout* f = app::FindControl(frame);
            if (!*f->frame) {
                auto it = origin.find(frame);
                if (it == origin.end()) break;
                p.x += it->second.x;
                p.y += it->second.y;
                break;
            }
            p.x += f->place.x;
            p.y += f->place.y;
            frame = f->frame;
        }
        const RECT r = Pixels(p);
        SetWindowPos(item.hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The window takes the size of what it shows: it grows for a tall frame and shrinks again.
    RECT want = Pixels(client);
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE));
    AdjustForDpi(want, style, true, dpi_);
    SetWindowPos(hwnd_, nullptr, 0, 0, want.right - want.left, want.bottom - want.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A long menu bar wraps onto a second line: make room for it.
    RECT got;
    GetClientRect(hwnd_, &got);
    const RECT need = Pixels(client);
    if (got.bottom < need.bottom)
        SetWindowPos(hwnd_, nullptr, 0, 0, want.right - want.left,
                     want.bottom - want.top + need.bottom - got.bottom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_ERASE);
}

void MainFormWin32::ApplyStates() {
    for (auto& [key, item] : items_) {
        if (!item.layout) continue;
        bool enabled = item.enabled, visible = item.visible;
        for (const std::string& f : app::FramesAround(*item.layout)) {
            const Item* frame = Find(f);
            enabled = enabled && frame->enabled;
            visible = visible && frame->visible;
        }
        // A caption label follows its text box.
        for (const app::ControlLayout& c : app::MainFormControls())
            if (key == c.follows) enabled = enabled && Find(c.name)->enabled;
        if ((IsWindowEnabled(item.hwnd) != FALSE) != enabled) EnableWindow(item.hwnd, enabled);
        if ((IsWindowVisible(item.hwnd) != FALSE || (GetWindowLongPtrW(item.hwnd, GWL_STYLE) & WS_VISIBLE)) !=
            visible)
            ShowWindow(item.hwnd, visible ? SW_SHOWNA : SW_HIDE);
    }
    for (auto& [key, item] : items_) {
        if (!item.menu) continue;
        if (key == app::kFileMenuName)
            EnableMenuItem(menuBar_, 0, MF_BYPOSITION | (item.enabled ? MF_ENABLED : MF_GRAYED));
        else if (item.id)
            EnableMenuItem(menuBar_, static_cast<UINT>(item.id),
                           MF_BYCOMMAND | (item.enabled ? MF_ENABLED : MF_GRAYED));
    }
    DrawMenuBar(hwnd_);
}

MainFormWin32::Item* MainFormWin32::Find(const std::string& name) {
    auto it = items_.find(name);
    if (it != items_.end()) return &it->second;
    unknown_.push_back(name);
    return nullptr;
}

const MainFormWin32::Item* MainFormWin32::Find(const std::string& name) const {
    auto it = items_.find(name);
    if (it != items_.end()) return &it->second;
    unknown_.push_back(name);
    return nullptr;
}

HWND MainFormWin32::Control(const std::string& name) const {
    auto it = items_.find(name);
    return it == items_.end() ? nullptr : it->second.hwnd;
}

// --------------------------------------------------------------------------------------
// Events

template <class F>
void MainFormWin32::RunCommand(F&& handler) {
    handler();
    if (closeAfterRun_ && !model_.Running()) {
        closeAfterRun_ = false;
        PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    }
}

LRESULT CALLBACK MainFormWin32::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        static_cast<MainFormWin32*>(cs->lpCreateParams)->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<MainFormWin32*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    return self->Handle(msg, wp, lp);
}

LRESULT MainFormWin32::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            OnCommand(LOWORD(wp), HIWORD(wp));
            return 0;
        case WM_DRAWITEM:
            DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
            return TRUE;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            auto it = byId_.find(GetDlgCtrlID(reinterpret_cast<HWND>(lp)));
            if (it != byId_.end()) {
                const Item& item = items_.at(it->second);
                if (item.brush) {
                    SetBkColor(reinterpret_cast<HDC>(wp), *item.back);
                    return reinterpret_cast<LRESULT>(item.brush);
                }
            }
            break;
        }
        case WM_TIMER: {
            KillTimer(hwnd_, wp);
            auto it = timers_.find(wp);
            if (it != timers_.end()) {
                const Pending p = it->second;
                timers_.erase(it);
                if (Text(p.name) == p.text) SetText(p.name, p.then);
            }
            return 0;
        }
        case WM_SETCURSOR:
            if (busy_ > 0) {
                SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case WM_ACTIVATE:
            if (LOWORD(wp) != WA_INACTIVE && !creating_ && !ended_) model_.Form_Activate();
            break;
        case WM_DROPFILES: {
            auto drop = reinterpret_cast<HDROP>(wp);
            const UINT n = DragQueryFileW(drop, 0, nullptr, 0);
            std::wstring path(n + 1, L'\0');
            DragQueryFileW(drop, 0, path.data(), n + 1);
            path.resize(n);
            DragFinish(drop);
            if (!model_.Running() && !path.empty()) {
                droppedFiles_.push_back(path);
                // The drop returns at once; the command runs from the message loop.
                PostMessageW(hwnd_, kDropMessage, 0, 0);
            }
            return 0;
        }
        case kDropMessage:
            if (!droppedFiles_.empty()) {
                const std::string path = Utf8(droppedFiles_.front());
                droppedFiles_.erase(droppedFiles_.begin());
                RunCommand([&] { model_.FileDropped(path); });
            }
            return 0;
        case kRaiseMessage:
            ++raiseRequests_;
            if (IsIconic(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
            ShowWindow(hwnd_, SW_SHOW);
            SetForegroundWindow(hwnd_);
            return 0;
        case WM_DPICHANGED: {
            dpi_ = HIWORD(wp);
            MakeFont();
            for (auto& [key, item] : items_)
                if (item.hwnd) SendMessageW(item.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
            const RECT* r = reinterpret_cast<const RECT*>(lp);
            SetWindowPos(hwnd_, nullptr, r->left, r->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            PlaceAll();
            return 0;
        }
        case WM_CLOSE:
            if (ended_) {
                DestroyWindow(hwnd_);
                return 0;
            }
            if (model_.Running()) {
                // Stop the conversion first; the window closes when it has returned.
                model_.CancelRequested = 1;
                closeAfterRun_ = true;
                return 0;
            }
            model_.Form_Unload();
            return 0;
        case WM_DESTROY:
            hwnd_ = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

void MainFormWin32::OnCommand(int id, int code) {
    auto it = byId_.find(id);
    if (it == byId_.end() || creating_) return;
    const std::string name = it->second;
    const Item& item = items_.at(name);
    if (item.menu) {
        if (item.enabled && name != "verdisp") RunCommand([&] { app::ClickControl(model_, name); });
        return;
    }
    const ControlKind kind = item.layout->kind;
    if (kind == ControlKind::TextBox && code == EN_CHANGE) {
        model_.TextChanged(name);
    } else if (kind == ControlKind::ListBox && code == CBN_SELCHANGE) {
        model_.Combo1_Click();
    } else if ((kind == ControlKind::Button || kind == ControlKind::CheckBox ||
                kind == ControlKind::OptionButton) &&
               code == BN_CLICKED) {
        RunCommand([&] { app::ClickControl(model_, name); });
    }
}

void MainFormWin32::DrawButton(const DRAWITEMSTRUCT& d) {
    auto it = byId_.find(static_cast<int>(d.CtlID));
    if (it == byId_.end()) return;
    const Item& item = items_.at(it->second);
    RECT r = d.rcItem;
    const bool pressed = (d.itemState & ODS_SELECTED) != 0;
    HBRUSH face = item.back ? CreateSolidBrush(*item.back) : GetSysColorBrush(COLOR_BTNFACE);
    FillRect(d.hDC, &r, face);
    if (item.back) DeleteObject(face);
    DrawEdge(d.hDC, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    SetBkMode(d.hDC, TRANSPARENT);
    SetTextColor(d.hDC, GetSysColor((d.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    const std::wstring text = Wide(WindowTextUtf8(d.hwndItem));
    HGDIOBJ old = SelectObject(d.hDC, font_);
    if (pressed) OffsetRect(&r, 1, 1);
    DrawTextW(d.hDC, text.c_str(), static_cast<int>(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(d.hDC, old);
    if (d.itemState & ODS_FOCUS) {
        RECT f = d.rcItem;
        InflateRect(&f, -4, -4);
        DrawFocusRect(d.hDC, &f);
    }
}

LRESULT CALLBACK MainFormWin32::ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                            DWORD_PTR ref) {
    auto* self = reinterpret_cast<MainFormWin32*>(ref);
    auto it = self->byId_.find(static_cast<int>(id));
    if (it != self->byId_.end()) {
        const Item& item = self->items_.at(it->second);
        if (it->second == "Label21") {
            if (msg == WM_LBUTTONDOWN) {
                self->model_.Label21_MouseDown();
                self->label21Expanded_ = true;
                self->PlaceAll();
                SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
                SetCapture(hwnd);
            } else if (msg == WM_LBUTTONUP) {
                ReleaseCapture();
                self->model_.Label21_MouseUp();
                self->label21Expanded_ = false;
                self->PlaceAll();
            }
        } else if (msg == WM_CHAR) {
            self->EditChar(item, wp);
            if (wp == 0) return 0;
        }
    }
    if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, ControlProc, id);
    return DefSubclassProc(hwnd, msg, wp, lp);
}

void MainFormWin32::EditChar(const Item& item, WPARAM& ch) {
    const std::string name = item.layout->name;
    const app::TextBoxKind kind = app::TextBoxKindFor(name);
    if (kind == app::TextBoxKind::Free) return;
    if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return;
    char32_t key = static_cast<char32_t>(ch);
    if (key < 32 && key != app::kBackspace) return;  // Tab, Return, Esc
    if (key >= 0xD800 && key <= 0xDFFF) return;      // half of a character beyond the BMP
    const int length = GetWindowTextLengthW(item.hwnd);
    const app::KeyPressOutcome out = app::FilterKeyPress(kind, key, length);
    if (out.key != 0 && out.selectLength > 0) {
        DWORD from = 0, to = 0;
        SendMessageW(item.hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
        const int n = std::min(out.selectLength, length - static_cast<int>(from));
        if (n > 0) SendMessageW(item.hwnd, EM_SETSEL, from, from + static_cast<DWORD>(n));
    }
    ch = static_cast<WPARAM>(out.key);
}

bool MainFormWin32::HandleKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    if (!hwnd_ || (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd))) return false;
    const int shift = (GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
                      (GetKeyState(VK_MENU) < 0 ? 4 : 0);
    if (msg.wParam == VK_ESCAPE) {
        const bool running = model_.Running();
        model_.Form_KeyDown(27, shift);
        return running;  // while idle Esc still reaches the controls
    }
    if (msg.wParam == 'Z' && shift == 6) {
        model_.Form_KeyDown(90, shift);
        return true;
    }
    return false;
}

int MainFormWin32::RunMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (HandleKey(msg)) continue;
        if (hwnd_ && IsDialogMessageW(hwnd_, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

bool MainFormWin32::Click(const std::string& name) {
    auto it = items_.find(name);
    if (it == items_.end()) return false;
    const Item& item = it->second;
    if (item.menu) {
        if (!item.enabled || !items_.at(app::kFileMenuName).enabled || !item.id) return false;
        SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(item.id, 0), 0);
        return true;
    }
    if (!IsWindowEnabled(item.hwnd) || !IsWindowVisible(item.hwnd)) return false;
    SendMessageW(item.hwnd, BM_CLICK, 0, 0);
    return true;
}

bool MainFormWin32::SelectListItem(const std::string& name, const std::string& text) {
    const Item* item = Find(name);
    if (!item || !IsWindowEnabled(item->hwnd)) return false;
    const LRESULT at = SendMessageW(item->hwnd, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(Wide(text).c_str()));
    if (at == CB_ERR) return false;
    SendMessageW(item->hwnd, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    SendMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(item->id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(item->hwnd));
    return true;
}

// --------------------------------------------------------------------------------------
// MainFormView

void MainFormWin32::SetEnabled(const std::string& name, bool on) {
    if (Item* i = Find(name)) {
        i->enabled = on;
        ApplyStates();
    }
}

bool MainFormWin32::Enabled(const std::string& name) const {
    const Item* i = Find(name);
    return i && i->enabled;
}

void MainFormWin32::SetVisible(const std::string& name, bool on) {
    Item* i = Find(name);
    if (!i) return;
    const bool changed = i->visible != on;
    i->visible = on;
    const auto frames = app::StackedFrames();
    if (changed && std::find(frames.begin(), frames.end(), name) != frames.end()) PlaceAll();
    ApplyStates();
}

bool MainFormWin32::Visible(const std::string& name) const {
    const Item* i = Find(name);
    return i && i->visible;
}

void MainFormWin32::SetText(const std::string& name, const std::string& text) {
    Item* i = Find(name);
    if (!i) return;
    if (i->menu) {
        i->text = text;
        if (name == app::kFileMenuName) {
            ModifyMenuW(menuBar_, 0, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(fileMenu_),
                        Wide(text).c_str());
        } else if (i->id) {
            ModifyMenuW(menuBar_, static_cast<UINT>(i->id), MF_BYCOMMAND | MF_STRING,
                        static_cast<UINT_PTR>(i->id), text.empty() ? L" " : Wide(text).c_str());
        }
        ApplyStates();
        return;
    }
    if (i->layout->kind == ControlKind::ListBox) {
        const LRESULT at = SendMessageW(i->hwnd, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                        reinterpret_cast<LPARAM>(Wide(text).c_str()));
        SendMessageW(i->hwnd, CB_SETCURSEL, at == CB_ERR ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(at),
                     0);
        return;
    }
    // A text box runs its change handler (EN_CHANGE) as typing does.
    SetWindowTextW(i->hwnd, Wide(text).c_str());
}

std::string MainFormWin32::Text(const std::string& name) const {
    const Item* i = Find(name);
    if (!i) return {};
    if (i->menu) return i->text;
    if (i->layout->kind == ControlKind::ListBox) {
        const LRESULT at = SendMessageW(i->hwnd, CB_GETCURSEL, 0, 0);
        if (at == CB_ERR) return {};
        const LRESULT n = SendMessageW(i->hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(at), 0);
        std::wstring w(static_cast<std::size_t>(n) + 1, L'\0');
        SendMessageW(i->hwnd, CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(w.data()));
        w.resize(static_cast<std::size_t>(n));
        return Utf8(w);
    }
    return WindowTextUtf8(i->hwnd);
}

void MainFormWin32::SetChecked(const std::string& name, bool on) {
    Item* i = Find(name);
    if (!i || i->menu) return;
    if (on && i->layout->kind == ControlKind::OptionButton) {
        // Selecting an option button clears its siblings.
        const std::string group = GroupOf(name);
        for (auto& [key, other] : items_)
            if (other.layout && key != name && IsOption(other.layout) && GroupOf(key) == group)
                SendMessageW(other.hwnd, BM_SETCHECK, BST_UNCHECKED, 0);
    }
    SendMessageW(i->hwnd, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool MainFormWin32::Checked(const std::string& name) const {
    const Item* i = Find(name);
    return i && !i->menu && SendMessageW(i->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void MainFormWin32::ClearList(const std::string& name) {
    if (const Item* i = Find(name)) SendMessageW(i->hwnd, CB_RESETCONTENT, 0, 0);
}

void MainFormWin32::AddListItem(const std::string& name, const std::string& item) {
    if (const Item* i = Find(name))
        SendMessageW(i->hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
}

void MainFormWin32::SetBackColor(const std::string& name, std::optional<std::uint32_t> bgr) {
    Item* i = Find(name);
    if (!i || i->menu) return;
    if (i->brush) DeleteObject(i->brush);
    i->brush = bgr ? CreateSolidBrush(*bgr) : nullptr;
    i->back = bgr;
    InvalidateRect(i->hwnd, nullptr, TRUE);
}

void MainFormWin32::SetFocusTo(const std::string& name) {
    if (const Item* i = Find(name); i && i->hwnd && IsWindowVisible(i->hwnd) && IsWindowEnabled(i->hwnd))
        SetFocus(i->hwnd);
}

void MainFormWin32::ShowTextFor(const std::string& name, const std::string& text, int milliseconds,
                                const std::string& then) {
    SetText(name, text);
    const UINT_PTR id = nextTimer_++;
    timers_[id] = {name, text, then};
    SetTimer(hwnd_, id, static_cast<UINT>(milliseconds), nullptr);
}

void MainFormWin32::ServiceEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (HandleKey(msg)) continue;
        if (hwnd_ && IsDialogMessageW(hwnd_, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void MainFormWin32::OpenFileMenu() {
    if (openMenuForUser_ && IsWindowVisible(hwnd_) && items_.at(app::kFileMenuName).enabled)
        PostMessageW(hwnd_, WM_SYSCOMMAND, SC_KEYMENU, 'f');
}

void MainFormWin32::SetBusy(bool busy) {
    if (busy)
        ++busy_;
    else if (busy_ > 0)
        --busy_;
    SetCursor(LoadCursorW(nullptr, busy_ > 0 ? IDC_WAIT : IDC_ARROW));
}

bool MainFormWin32::AnotherInstanceRunning() {
    if (instanceMutex_) return false;
    const std::wstring key = L"Local\\TRELVO5." + FolderKey(model_.Config().iniPath);
    HANDLE m = CreateMutexW(nullptr, TRUE, key.c_str());
    if (m && GetLastError() != ERROR_ALREADY_EXISTS) {
        instanceMutex_ = m;
        return false;
    }
    if (m) CloseHandle(m);
    // Another copy runs: ask its window to come to the front, then end.
    struct Search {
        const std::wstring* cls;
        HWND self, found;
    } search{&className_, hwnd_, nullptr};
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            wchar_t cls[256];
            if (h != s->self && GetClassNameW(h, cls, 256) && *s->cls == cls) {
                s->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found) {
        DWORD pid = 0;
        GetWindowThreadProcessId(search.found, &pid);
        AllowSetForegroundWindow(pid);
        PostMessageW(search.found, kRaiseMessage, 0, 0);
    }
    return true;
}

void MainFormWin32::ShowFieldLen(const hamlog::HdbFieldLengths& lengths) {
    CloseFieldLen();
    fieldLen_ = std::make_unique<FieldLenWindow>(hwnd_, lengths);
}

void MainFormWin32::CloseFieldLen() {
    fieldLen_.reset();
}

void MainFormWin32::ShowAdifMapping(const std::vector<std::string>& tagNames, const std::string& fixedText,
                                    const std::string& adifPath) {
    CloseAdifMapping(false);
    mapping_ = std::make_unique<AdifMappingWindow>(
        hwnd_, tagNames, fixedText, model_.Ini(), dialogs_, model_.EditorPath, adifPath,
        [this](const adif::AdifMappingModel&, const adif::AdifMapping& mapping) {
            model_.AdifMappingClosed(mapping);
        },
        model_.Config().lang);
}

void MainFormWin32::CloseAdifMapping(bool closingActions) {
    if (!mapping_) return;
    std::unique_ptr<AdifMappingWindow> w = std::move(mapping_);
    if (closingActions)
        w->Close();
    else
        w->Discard();
}

void MainFormWin32::EndProgram() {
    if (ended_) return;
    ended_ = true;
    CloseFieldLen();
    CloseAdifMapping(false);
    if (instanceMutex_) {
        ReleaseMutex(instanceMutex_);
        CloseHandle(instanceMutex_);
        instanceMutex_ = nullptr;
    }
    if (hwnd_) DestroyWindow(hwnd_);
}

void MainFormWin32::EndProgramNow() {
    endedNow_ = true;
    EndProgram();
}

}  // namespace trelvo::gui
