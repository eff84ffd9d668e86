#include "gui/win32/win32_windows.h"

#include <commctrl.h>

#include <algorithm>

#include "app/adif_mapping_window.h"
#include "tools/field_len.h"

namespace trelvo::gui {
namespace {

constexpr const wchar_t* kFieldLenClass = L"TRELVO5.FieldLen";
constexpr const wchar_t* kMappingClass = L"TRELVO5.ADIF2HL_Form";
constexpr const wchar_t* kGridClass = L"TRELVO5.MSFlexGrid";
constexpr int kMenuIds = 10;    // the mapping window's menu items: 10..13
constexpr int kOptionIds = 20;  // its option buttons: 20..22
constexpr int kText1Id = 30;

void Register(const wchar_t* name, WNDPROC proc, int background) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(GetModuleHandleW(nullptr), name, &wc)) return;
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1));
    wc.lpszClassName = name;
    wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
    RegisterClassExW(&wc);
}

HWND Child(HWND parent, const wchar_t* cls, const std::string& text, DWORD style, int id, HFONT font,
           DWORD ex = 0) {
    HWND h = CreateWindowExW(ex, cls, Wide(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                             nullptr);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return h;
}

int TextWidth(HFONT font, std::string_view text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    const std::wstring w = Wide(text);
    SIZE s{};
    GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &s);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return static_cast<int>(s.cx);
}

UINT DpiOf(HWND owner) {
    return DpiOfWindow(owner);
}

// Places a top-level window's client area at `w` x `h` pixels.
void SizeClient(HWND hwnd, int w, int h, UINT dpi, bool menu) {
    RECT r{0, 0, w, h};
    AdjustForDpi(r, static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE)), menu, dpi);
    SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

// --------------------------------------------------------------------------------------
// The field lengths

FieldLenWindow::FieldLenWindow(HWND owner, const hamlog::HdbFieldLengths& lengths) {
    Register(kFieldLenClass, Proc, COLOR_BTNFACE);
    const UINT dpi = DpiOf(owner);
    font_ = CreateUiFont(dpi);
    const SIZE base = FontBaseUnits(font_);
    hwnd_ = CreateWindowExW(0, kFieldLenClass, Wide(tools::kFieldLenCaption).c_str(),
                            WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, 400, 200,
                            owner, nullptr, GetModuleHandleW(nullptr), this);
    auto dlu = [&](int x, int y) { return POINT{MulDiv(x, base.cx, 4), MulDiv(y, base.cy, 8)}; };
    HWND heading = Child(hwnd_, L"STATIC", tools::kFieldLenHeading, SS_LEFT | SS_NOPREFIX, 1, font_);
    const POINT h0 = dlu(6, 6), h1 = dlu(8 * 34, 20);
    MoveWindow(heading, h0.x, h0.y, h1.x, h1.y, FALSE);
    labels_.emplace_back("Label1", heading);
    const auto entries = tools::FieldLenEntries(lengths);
    for (int i = 0; i < 8; ++i) {
        const tools::FieldLenEntry& e = entries[static_cast<std::size_t>(i)];
        HWND title = Child(hwnd_, L"STATIC", e.title, SS_CENTER | SS_NOPREFIX, 10 + i, font_);
        HWND value = Child(hwnd_, L"STATIC", std::to_string(e.width), SS_CENTER | SS_SUNKEN, 20 + i, font_);
        const POINT p = dlu(6 + i * 34, 28), size = dlu(30, 10), v = dlu(6 + i * 34, 40);
        MoveWindow(title, p.x, p.y, size.x, size.y, FALSE);
        MoveWindow(value, v.x, v.y, size.x, dlu(0, 12).y, FALSE);
        labels_.emplace_back("Label3(" + std::to_string(i) + ")", title);
        labels_.emplace_back("Label2(" + std::to_string(i) + ")", value);
    }
    const POINT client = dlu(12 + 8 * 34, 58);
    SizeClient(hwnd_, client.x, client.y, dpi, false);
    ShowWindow(hwnd_, SW_SHOWNORMAL);
}

FieldLenWindow::~FieldLenWindow() {
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    DeleteObject(font_);
}

std::string FieldLenWindow::Text(const std::string& name) const {
    for (const auto& [n, h] : labels_)
        if (n == name) return WindowTextUtf8(h);
    return {};
}

LRESULT CALLBACK FieldLenWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE)
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    auto* self = reinterpret_cast<FieldLenWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && msg == WM_DESTROY) self->hwnd_ = nullptr;
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// --------------------------------------------------------------------------------------
// The ADIF mapping

AdifMappingWindow::AdifMappingWindow(
    HWND owner, std::vector<std::string> tagNames, std::string fixedText, settings::IniStore& ini,
    app::UiDialogs& dialogs, std::string editorPath, std::string adifPath,
    std::function<void(const adif::AdifMappingModel&, const adif::AdifMapping&)> closed, Lang lang)
    : model_(std::move(tagNames), std::move(fixedText)),
      ini_(ini),
      dialogs_(dialogs),
      editorPath_(std::move(editorPath)),
      adifPath_(std::move(adifPath)),
      lang_(lang),
      closed_(std::move(closed)) {
    Register(kMappingClass, Proc, COLOR_BTNFACE);
    Register(kGridClass, GridProc, COLOR_WINDOW);
    dpi_ = DpiOf(owner);
    font_ = CreateUiFont(dpi_);
    HMENU menu = CreateMenu();
    for (int i = 0; i < 4; ++i)
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(kMenuIds + i),
                    Wide(app::kMappingMenu[i][1]).c_str());
    hwnd_ = CreateWindowExW(0, kMappingClass, Wide(app::kMappingTitle).c_str(),
                            WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                            CW_USEDEFAULT, 800, 600, owner, menu, GetModuleHandleW(nullptr), this);

    // Column widths in twips (15 to a pixel at 96 DPI), widened where this font needs more
    // room for a title or a tag name.
    columnWidths_.assign(adif::kColumnCount + 1, 0);
    int nameWidth = TextWidth(font_, adif::kCornerTitle);
    for (int r = 1; r <= model_.RowCount(); ++r)
        nameWidth = std::max(nameWidth, TextWidth(font_, model_.RowTitle(r)));
    columnWidths_[0] = std::max(Scale(1200 / 15), nameWidth + Scale(12));
    for (int c = 1; c <= adif::kColumnCount; ++c) {
        if (c == adif::kColHidden) continue;  // no title and no width: never marked
        columnWidths_[static_cast<std::size_t>(c)] =
            std::max(Scale((c <= 13 ? 700 : 850) / 15), TextWidth(font_, adif::ColumnTitle(c)) + Scale(12));
    }
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font_);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    rowHeight_ = static_cast<int>(tm.tmHeight) + Scale(4);

    Child(hwnd_, L"STATIC", Text(app::kHintText, lang_), SS_LEFT | SS_NOPREFIX, 40, font_);
    grid_ = CreateWindowExW(WS_EX_CLIENTEDGE, kGridClass, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 0, 0, 10,
                            10, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(41)),
                            GetModuleHandleW(nullptr), this);
    Child(hwnd_, L"BUTTON", app::kMappingFixedFrame, BS_GROUPBOX, 42, font_);
    text1_ = Child(hwnd_, L"EDIT", model_.FixedText(), ES_AUTOHSCROLL | WS_TABSTOP | WS_GROUP, kText1Id,
                   font_, WS_EX_CLIENTEDGE);
    for (int i = 0; i < 3; ++i)
        options_[i] = Child(hwnd_, L"BUTTON", app::kMappingTargets[i],
                            BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0), kOptionIds + i, font_);
    SendMessageW(options_[0], BM_SETCHECK, BST_CHECKED, 0);
    EnableWindow(text1_, FALSE);
    Child(hwnd_, L"BUTTON", app::kMappingNotesFrame, BS_GROUPBOX | WS_GROUP, 43, font_);
    Child(hwnd_, L"STATIC", app::kMappingNotes[0], SS_LEFT | SS_NOPREFIX, 44, font_);
    Child(hwnd_, L"STATIC", app::kMappingNotes[1], SS_LEFT | SS_NOPREFIX, 45, font_);
    Layout();

    app::RestoreMappingMarks(model_, ini_, dialogs_, lang_);
    InvalidateRect(grid_, nullptr, TRUE);
    ShowWindow(hwnd_, SW_SHOWNORMAL);
}

AdifMappingWindow::~AdifMappingWindow() {
    Discard();
    DeleteObject(font_);
}

int AdifMappingWindow::Scale(int px) const {
    return MulDiv(px, static_cast<int>(dpi_), 96);
}

void AdifMappingWindow::Layout() {
    int width = 0;
    for (int w : columnWidths_) width += w;
    const int margin = Scale(8), line = rowHeight_;
    const int screen = GetSystemMetrics(SM_CYSCREEN);
    const int rows = model_.RowCount();
    const int wanted = (rows + 1) * rowHeight_;
    const int gridHeight = std::min(wanted, screen * 2 / 3 - 6 * line);
    visibleRows_ = std::max(1, gridHeight / rowHeight_ - 1);
    const int scrollbar = wanted > gridHeight ? MetricForDpi(SM_CXVSCROLL, dpi_) : 0;
    ShowScrollBar(grid_, SB_VERT, scrollbar > 0);
    const int gridWidth = width + scrollbar + 4;
    int y = margin;
    MoveWindow(GetDlgItem(hwnd_, 40), margin, y, gridWidth, 2 * line, FALSE);
    y += 2 * line + Scale(4);
    MoveWindow(grid_, margin, y, gridWidth, gridHeight + 4, FALSE);
    y += gridHeight + 4 + Scale(8);
    MoveWindow(GetDlgItem(hwnd_, 42), margin, y, gridWidth, 2 * line + Scale(8), FALSE);
    const int optionWidth = Scale(96);
    MoveWindow(text1_, margin + Scale(8), y + line, gridWidth - 3 * optionWidth - Scale(24), line, FALSE);
    for (int i = 0; i < 3; ++i)
        MoveWindow(options_[i], margin + gridWidth - (3 - i) * optionWidth - Scale(8), y + line,
                   optionWidth - Scale(4), line, FALSE);
    y += 2 * line + Scale(16);
    MoveWindow(GetDlgItem(hwnd_, 43), margin, y, gridWidth, 5 * line + Scale(8), FALSE);
    MoveWindow(GetDlgItem(hwnd_, 44), margin + Scale(8), y + line, gridWidth - Scale(16), 2 * line, FALSE);
    MoveWindow(GetDlgItem(hwnd_, 45), margin + Scale(8), y + 3 * line, gridWidth - Scale(16), 2 * line,
               FALSE);
    y += 5 * line + Scale(8) + margin;
    SizeClient(hwnd_, gridWidth + 2 * margin, y, dpi_, true);
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMax = std::max(0, rows - 1);
    si.nPage = static_cast<UINT>(visibleRows_);
    si.nPos = scroll_;
    SetScrollInfo(grid_, SB_VERT, &si, TRUE);
}

void AdifMappingWindow::PaintGrid(HDC dc, const RECT& area) {
    FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
    HGDIOBJ oldFont = SelectObject(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    HBRUSH tint = CreateSolidBrush(app::kMappingTint);
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DSHADOW));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    auto cell = [&](int row, int c, int x, int y, bool title) {
        const int w = columnWidths_[static_cast<std::size_t>(c)];
        RECT r{x, y, x + w, y + rowHeight_};
        if (title)
            FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        else if (row % 2 == 1)
            FillRect(dc, &r, tint);
        std::string text;
        if (title)
            text = c == 0 ? std::string(adif::kCornerTitle) : std::string(adif::ColumnTitle(c));
        else if (c == 0)
            text = model_.RowTitle(row);
        else if (model_.IsMarked(row, c))
            text = adif::kMarkText;
        const std::wstring t = Wide(text);
        RECT inner = r;
        InflateRect(&inner, -Scale(3), 0);
        SetTextColor(dc, RGB(0, 0, 0));
        DrawTextW(dc, t.c_str(), static_cast<int>(t.size()), &inner,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (c == 0 && !title ? DT_LEFT : DT_CENTER));
        MoveToEx(dc, r.right - 1, r.top, nullptr);
        LineTo(dc, r.right - 1, r.bottom - 1);
        LineTo(dc, r.left - 1, r.bottom - 1);
    };
    for (int line = 0; line <= visibleRows_; ++line) {
        const int row = line == 0 ? 0 : line + scroll_;
        if (row > model_.RowCount()) break;
        int x = 0;
        for (int c = 0; c <= adif::kColumnCount; ++c) {
            if (columnWidths_[static_cast<std::size_t>(c)] == 0) continue;
            cell(row, c, x, line * rowHeight_, line == 0);
            x += columnWidths_[static_cast<std::size_t>(c)];
        }
    }
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    DeleteObject(tint);
    SelectObject(dc, oldFont);
}

void AdifMappingWindow::ClickCell(int row, int column) {
    model_.Click(row, column);
    if (grid_) InvalidateRect(grid_, nullptr, FALSE);
}

void AdifMappingWindow::ClickMenu(const std::string& name) {
    if (name == "SHEETcls") {
        Close();
    } else if (name == "viewADIF") {
        dialogs_.StartEditor(editorPath_, adifPath_);
    } else if (name == "AutoSet") {
        model_.AutoMap();
        InvalidateRect(grid_, nullptr, FALSE);
    } else if (name == "ConvHelp") {
        dialogs_.ShowHelp(2);
    }
}

void AdifMappingWindow::ClickOption(int index) {
    for (int i = 0; i < 3; ++i)
        SendMessageW(options_[i], BM_SETCHECK, i == index ? BST_CHECKED : BST_UNCHECKED, 0);
    model_.SetTarget(static_cast<adif::FixedTextTarget>(index));
    EnableWindow(text1_, index != 0);
}

void AdifMappingWindow::SetFixedText(const std::string& text) {
    SetWindowTextW(text1_, Wide(text).c_str());
}

void AdifMappingWindow::Close() {
    if (done_) return;
    done_ = true;
    model_.SetFixedText(WindowTextUtf8(text1_));
    const adif::AdifMapping mapping = model_.Close(ini_);
    HWND h = hwnd_;
    hwnd_ = grid_ = nullptr;
    if (h) {
        SetWindowLongPtrW(h, GWLP_USERDATA, 0);
        DestroyWindow(h);
    }
    closed_(model_, mapping);
}

void AdifMappingWindow::Discard() {
    done_ = true;
    HWND h = hwnd_;
    hwnd_ = grid_ = nullptr;
    if (h) {
        SetWindowLongPtrW(h, GWLP_USERDATA, 0);
        DestroyWindow(h);
    }
}

LRESULT CALLBACK AdifMappingWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<AdifMappingWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<AdifMappingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    return self->Handle(msg, wp, lp);
}

LRESULT AdifMappingWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND: {
            const int id = LOWORD(wp);
            if (id >= kMenuIds && id < kMenuIds + 4)
                ClickMenu(app::kMappingMenu[id - kMenuIds][0]);
            else if (id >= kOptionIds && id < kOptionIds + 3 && HIWORD(wp) == BN_CLICKED)
                ClickOption(id - kOptionIds);
            return 0;
        }
        case WM_CLOSE:
            Close();
            return 0;
        default:
            return DefWindowProcW(hwnd_, msg, wp, lp);
    }
}

LRESULT CALLBACK AdifMappingWindow::GridProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE)
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    auto* self = reinterpret_cast<AdifMappingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT area;
            GetClientRect(hwnd, &area);
            self->PaintGrid(dc, area);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_LBUTTONDOWN: {
            const int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
            const int line = y / self->rowHeight_;
            const int row = line == 0 ? 0 : line + self->scroll_;
            int left = 0;
            for (int c = 0; c <= adif::kColumnCount; ++c) {
                const int w = self->columnWidths_[static_cast<std::size_t>(c)];
                if (w > 0 && x >= left && x < left + w) {
                    if (row <= self->model_.RowCount()) self->ClickCell(row, c);
                    break;
                }
                left += w;
            }
            return 0;
        }
        case WM_MOUSEWHEEL:
        case WM_VSCROLL: {
            int pos = self->scroll_;
            const int last = std::max(0, self->model_.RowCount() - self->visibleRows_);
            if (msg == WM_MOUSEWHEEL) {
                pos -= GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA * 3;
            } else {
                switch (LOWORD(wp)) {
                    case SB_LINEUP:
                        --pos;
                        break;
                    case SB_LINEDOWN:
                        ++pos;
                        break;
                    case SB_PAGEUP:
                        pos -= self->visibleRows_;
                        break;
                    case SB_PAGEDOWN:
                        pos += self->visibleRows_;
                        break;
                    case SB_THUMBTRACK:
                    case SB_THUMBPOSITION:
                        pos = HIWORD(wp);
                        break;
                    default:
                        break;
                }
            }
            self->scroll_ = std::clamp(pos, 0, last);
            SetScrollPos(hwnd, SB_VERT, self->scroll_, TRUE);
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        }
        default:
            return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

}  // namespace trelvo::gui
