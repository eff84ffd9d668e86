// gui_drive.exe --start EXE: starts the window program as Explorer would, finds its window
// (titled with the program's name), starts a second copy (which must end at once, raising
// the first), then closes the window with WM_CLOSE and waits for the program to end.
//
// gui_drive.exe ROOT [SHOTS]: drives the Win32 window under Wine as a user would, by the
// control names the window model uses (texts typed, boxes ticked, buttons and menu items
// clicked through the window's own messages), with scripted answers to the dialogs. Each
// folder below ROOT that the script prepared is one run; a conversion's output is compared
// byte for byte with the golden file in the folder's "expected". With SHOTS, pictures of the
// main window and the mapping window are saved there as BMP files. Prints one line per run;
// exit status 1 when any run failed.
#include <shlobj.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>

#include "app/main_form_layout.h"
#include "core/platform.h"
#include "gui/win32/win32_main_form.h"
#include "gui/win32/win32_text.h"
#include "gui/win32/win32_windows.h"
#include "importers/jap1/remarks_table.h"
#include "scripted_dialogs.h"

using namespace trelvo;
namespace fs = std::filesystem;

void SaveShot(HWND hwnd, const std::string& path);

namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream f(PathFromUtf8(path), std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

struct Failure {
    std::string what;
};

void Check(bool ok, const std::string& what) {
    if (!ok) throw Failure{what};
}

// One run: a window over a scratch program folder.
class Run {
public:
    explicit Run(std::string dir) : dir_(std::move(dir)) { SetCurrentDirectoryW(gui::Wide(dir_).c_str()); }
    ~Run() {
        if (form_) form_.reset();
    }

    std::string File(const std::string& name) const { return JoinPath(dir_, name); }
    testing::ScriptedDialogs dialogs;

    gui::MainFormWin32& Start() {
        // A database in the folder is the one the settings name.
        if (FileExists(File("Hamlog.HDB")) && !FileExists(File("TRELVO5.INI")))
            std::ofstream(PathFromUtf8(File("TRELVO5.INI")), std::ios::binary)
                << "[HAMLOG-FOL]\r\nHAMLOG-FN=" << File("Hamlog.HDB") << "\r\n";
        app::MainFormConfig c;
        c.programFolder = dir_;
        c.iniPath = File("TRELVO5.INI");
        c.versionMajor = 1;
        c.versionMinor = 2;
        form_ = std::make_unique<gui::MainFormWin32>(c, dialogs);
        form_->SetOpenMenuForUser(false);
        form_->Model().SetServiceInterval(std::chrono::milliseconds(0));
        Check(form_->Model().Form_Load() == app::LoadOutcome::Shown, "the window did not start");
        ShowWindow(form_->Window(), SW_SHOWNORMAL);
        Pump();
        return *form_;
    }
    gui::MainFormWin32& Form() { return *form_; }
    void Click(const std::string& name) { Check(form_->Click(name), "cannot click " + name); }
    // Ticks a check box by clicking it when it is not ticked.
    void Tick(const std::string& name) {
        if (!form_->Checked(name)) Click(name);
        Check(form_->Checked(name), name + " is not ticked");
    }
    void Type(const std::string& name, const std::string& text) {
        HWND box = form_->Control(name);
        Check(box && IsWindowEnabled(box), name + " cannot be typed in");
        SetWindowTextW(box, gui::Wide(text).c_str());
    }
    std::string Shown(const std::string& name) { return gui::WindowTextUtf8(form_->Control(name)); }
    void Pump() {
        for (int i = 0; i < 3; ++i) {
            form_->ServiceEvents();
            Sleep(10);
        }
    }
    // The output equals the golden file.
    void Same(const std::string& output, const std::string& expected) {
        const std::string got = ReadBytes(File(output)), want = ReadBytes(File("expected\\" + expected));
        Check(!want.empty(), "no golden file " + expected);
        Check(got == want, output + " differs from the golden " + expected + " (" +
                               std::to_string(got.size()) + " bytes, expected " +
                               std::to_string(want.size()) + "); last message: " + dialogs.LastMessage());
    }
    void NoUnknownNames() {
        Check(form_->UnknownControls().empty(),
              "the model addressed " +
                  (form_->UnknownControls().empty() ? "" : form_->UnknownControls().front()) +
                  ", which the window lacks");
    }

private:
    std::string dir_;
    std::unique_ptr<gui::MainFormWin32> form_;
};

// --- the runs --------------------------------------------------------------------------

void Layout(Run& r) {
    gui::MainFormWin32& f = r.Start();
    for (const std::string& name : app::AllControlNames()) {
        const bool menu = std::string(name) == app::kFileMenuName || !app::FindControl(name);
        Check(menu || f.Control(name) != nullptr, name + " has no window");
    }
    // The window shows the program's name and shrinks again after the tall zLog panel.
    Check(gui::WindowTextUtf8(f.Window()) == app::kProgramTitle, "the title is not the program's name");
    RECT before, tall, after;
    GetWindowRect(f.Window(), &before);
    f.SetVisible("Frame3", true);
    f.SetVisible("Frame1", false);
    GetWindowRect(f.Window(), &tall);
    f.SetVisible("Frame3", false);
    f.SetVisible("Frame1", true);
    GetWindowRect(f.Window(), &after);
    Check(tall.bottom - tall.top > before.bottom - before.top,
          "the zLog panel does not make the window taller");
    Check(after.bottom - after.top == before.bottom - before.top,
          "the window did not shrink after the zLog panel");
    r.NoUnknownNames();
}

void Digipan(Run& r) {
    r.dialogs.openAnswers.push_back(r.File("Digipan.LOG"));
    r.Start();
    r.Click("setDGPData");
    Check(r.Shown("Label5") == r.File("Digipan.LOG"), "Label5 does not show the log: " + r.Shown("Label5"));
    r.Click("mkCSV");
    r.Click("Option1(1)");
    r.Tick("Check1");
    r.Tick("Check2");
    r.Tick("Check3");
    r.Click("Command1");
    r.Same("GeneData\\TRELVO.CSV", "GeneData\\TRELVO.CSV");
    Check(r.dialogs.LastMessage().find("正常終了") != std::string::npos, "no completion message");
    r.NoUnknownNames();
}

void Adif(Run& r, const std::string& shots) {
    r.dialogs.openAnswers.push_back(r.File("sample.adi"));
    gui::MainFormWin32& f = r.Start();
    r.Click("setADIFData");
    gui::AdifMappingWindow* m = f.MappingWindow();
    Check(m && m->Window(), "the mapping window did not open");
    Check(!IsWindowEnabled(f.Control("Command1")), "Convert is usable before the mapping is closed");
    m->ClickMenu("AutoSet");
    Check(m->Model().IsMarked(1, 1) || m->Model().MarkedRows(1).size() == 1, "AutoSet marked no CALL");
    if (!shots.empty()) {
        SaveShot(m->Window(), JoinPath(shots, "win32-mapping.bmp"));
    }
    m->ClickMenu("SHEETcls");
    Check(IsWindowEnabled(f.Control("Command1")), "Convert is not usable after the mapping");
    r.Click("Option1(2)");
    r.Tick("Check2");
    r.Tick("Check4");
    if (!shots.empty()) {
        SaveShot(f.Window(), JoinPath(shots, "win32-main-adif.bmp"));
    }
    r.dialogs.saveAnswers.push_back(r.File("out.csv"));
    r.Click("Command1");
    r.Same("out.csv", "out.csv");
    r.NoUnknownNames();
}

void Zlog(Run& r, const std::string& shots) {
    r.dialogs.openAnswers.push_back(r.File("ex.ZLO"));
    r.Start();
    r.Click("ZL2HL");
    Check(IsWindowVisible(r.Form().Control("Frame3")) != FALSE, "the zLog panel is not shown");
    r.Click("Option4(1)");
    r.Click("Option5(1)");
    r.Tick("Check7");
    Check(IsWindowVisible(r.Form().Control("Frame7")) != FALSE, "the contest-number editor is not shown");
    r.Type("Text6", "1");
    if (!shots.empty()) SaveShot(r.Form().Window(), JoinPath(shots, "win32-main-zlog.bmp"));
    r.Click("Command2");
    r.dialogs.yesNoAnswers.push_back(false);  // no QRA data from Turbo HAMLOG
    r.dialogs.saveAnswers.push_back(r.File("out.csv"));
    r.Click("Command1");
    r.Same("out.csv", "out.csv");
    r.NoUnknownNames();
}

void Jap1(Run& r) {
    // A Japanese folder on PATH holds a remarks table: the search along PATH finds it (the
    // variable read as Unicode, not in the ANSI code page).
    const std::string folder = r.File("日本語フォルダ");
    fs::create_directory(PathFromUtf8(folder));
    fs::copy_file(PathFromUtf8(r.File("remconv.txt")), PathFromUtf8(JoinPath(folder, "remconv.txt")));
    const std::optional<std::string> path = EnvironmentUtf8("PATH");
    SetEnvironmentVariableW(L"PATH", gui::Wide(folder + ";" + path.value_or("")).c_str());
    const std::string empty = r.File("empty");
    fs::create_directory(PathFromUtf8(empty));
    SetCurrentDirectoryW(gui::Wide(empty).c_str());  // neither the program's folder nor "." has one
    const std::string found = jap1::FindRemarksConversionTable(empty);
    SetCurrentDirectoryW(gui::Wide(r.File("")).c_str());
    Check(found == JoinPath(folder, "remconv.txt"), "the table on PATH was not found: \"" + found + "\"");
    // The window reads the table of its own folder and converts as the golden case does.
    r.dialogs.openAnswers.push_back(r.File("JAP1LOG.TXT"));
    r.Start();
    r.Click("JAP1CSV");
    SetEnvironmentVariableW(L"PATH", gui::Wide(path.value_or("")).c_str());
    r.Same("JAP2HL.CSV", "JAP2HL.CSV");
    r.NoUnknownNames();
}

void Export(Run& r, const std::string& item, const std::string& output) {
    gui::MainFormWin32& f = r.Start();
    if (item == "mkADIF") {
        // The field lengths of the database, in their own window.
        r.Click("ChkData");
        Check(f.FieldLen() && f.FieldLen()->Window(), "the field-length window did not open");
        const std::string call = f.FieldLen()->Text("Label2(0)");
        Check(!call.empty() && call.find_first_not_of("0123456789") == std::string::npos,
              "the field-length window shows \"" + call + "\" for the callsign");
    }
    r.Click("setHLData");
    r.Click(item);
    if (item == "xxxCC") Check(r.Form().SelectListItem("Combo1", "MIX"), "no MIX in the mode list");
    r.dialogs.saveAnswers.push_back(r.File(output));
    r.Click("Command1");
    r.Same(output, output);
    r.NoUnknownNames();
}

// A file dropped on the window as Explorer drops it: the ADIF mode with its mapping window.
void Drop(Run& r) {
    gui::MainFormWin32& f = r.Start();
    const std::wstring path = gui::Wide(r.File("sample.adi"));
    const std::size_t bytes = sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GHND, bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    path.copy(reinterpret_cast<wchar_t*>(drop + 1), path.size());
    GlobalUnlock(memory);
    PostMessageW(f.Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    r.Pump();
    Check(f.Model().ConversionMode == app::kModeAdifImport, "the drop did not choose the ADIF mode");
    Check(f.MappingWindow() && f.MappingWindow()->Window(), "the drop did not open the mapping window");
    Check(r.dialogs.opened.empty(), "the drop asked for a file");
    r.NoUnknownNames();
}

void Esc(Run& r) {
    r.dialogs.openAnswers.push_back(r.File("Digipan.LOG"));
    gui::MainFormWin32& f = r.Start();
    r.Click("setDGPData");
    r.Click("mkCSV");
    // Esc is pressed while the run starts: the first look at the window sees it.
    PostMessageW(f.Control("Command1"), WM_KEYDOWN, VK_ESCAPE, 0);
    r.Click("Command1");
    const std::string counter = r.Shown("Label6");
    Check(counter.rfind("中止しました（", 0) == 0,
          "the counter does not say the run was stopped: " + counter);
    Check(f.Model().CancelRequested == 0, "the cancel flag was not reset");
    Check(!f.Model().Running(), "the run did not end");
    Check(IsWindowEnabled(f.Control("Command1")) != FALSE, "Convert is not usable again");
    r.NoUnknownNames();
}

}  // namespace

// A picture of a window as the screen shows it, as a 24-bit BMP file.
void SaveShot(HWND hwnd, const std::string& path) {
    SetForegroundWindow(hwnd);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    for (int i = 0; i < 20; ++i) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(25);
    }
    RECT r;
    GetWindowRect(hwnd, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const int stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(stride * h);
    std::ofstream out(PathFromUtf8(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
    out.write(static_cast<const char*>(bits), stride * h);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
}

namespace {

HANDLE StartProgram(const std::string& exe) {
    std::wstring command = L"\"" + gui::Wide(exe) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const std::wstring folder = gui::Wide(exe.substr(0, exe.find_last_of('\\')));
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                        &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

// The top-level window of a process, waited for up to `ms`.
HWND WindowOf(DWORD pid, int ms) {
    for (int waited = 0; waited < ms; waited += 100) {
        struct Search {
            DWORD pid;
            HWND found;
        } search{pid, nullptr};
        EnumWindows(
            [](HWND h, LPARAM p) -> BOOL {
                auto* s = reinterpret_cast<Search*>(p);
                DWORD owner = 0;
                GetWindowThreadProcessId(h, &owner);
                if (owner != s->pid || !IsWindowVisible(h)) return TRUE;
                wchar_t cls[64] = L"";
                GetClassNameW(h, cls, 64);
                if (wcscmp(cls, L"#32770") == 0) {
                    // A start-up message (no database chosen yet): answered as a user would.
                    PostMessageW(h, WM_COMMAND, IDOK, 0);
                } else if (wcsncmp(cls, L"TRELVO5.MainForm", 16) == 0) {
                    s->found = h;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(100);
    }
    return nullptr;
}

int StartAndClose(const std::string& exe) {
    HANDLE first = StartProgram(exe);
    if (!first) {
        std::cout << "FAIL start: " << exe << " did not start\n";
        return 1;
    }
    HWND window = WindowOf(GetProcessId(first), 30000);
    if (!window) {
        DWORD code = 0;
        GetExitCodeProcess(first, &code);
        std::cout << "FAIL start: no window appeared (the program "
                  << (code == STILL_ACTIVE ? "runs" : "ended with " + std::to_string(code)) << ")\n";
        TerminateProcess(first, 1);
        return 1;
    }
    const std::string title = gui::WindowTextUtf8(window);
    int failed = 0;
    if (title != app::kProgramTitle) {
        std::cout << "FAIL start: the window is titled \"" << title << "\"\n";
        ++failed;
    }
    // A second start ends at once and leaves the first running.
    HANDLE second = StartProgram(exe);
    if (!second || WaitForSingleObject(second, 30000) != WAIT_OBJECT_0) {
        std::cout << "FAIL start: a second copy did not end by itself\n";
        ++failed;
        if (second) TerminateProcess(second, 1);
    }
    if (second) CloseHandle(second);
    if (WaitForSingleObject(first, 0) != WAIT_TIMEOUT) {
        std::cout << "FAIL start: the first copy ended when the second started\n";
        return 1;
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(first, 30000) != WAIT_OBJECT_0) {
        std::cout << "FAIL start: the program did not end on WM_CLOSE\n";
        TerminateProcess(first, 1);
        return 1;
    }
    DWORD code = 1;
    GetExitCodeProcess(first, &code);
    CloseHandle(first);
    if (code != 0) {
        std::cout << "FAIL start: the program ended with " << code << "\n";
        ++failed;
    }
    if (failed == 0) std::cout << "ok start: window \"" << title << "\" opened and closed\n";
    return failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args = ArgumentsUtf8(argc, argv);
    if (args.size() == 3 && args[1] == "--start") return StartAndClose(args[2]);
    if (args.size() < 2) {
        std::cerr << "usage: gui_drive ROOT [SHOTS]\n";
        return 2;
    }
    const std::string root = args[1], shots = args.size() > 2 ? args[2] : "";
    const std::pair<const char*, std::function<void(Run&)>> runs[] = {
        {"layout", Layout},
        {"digipan", Digipan},
        {"adif", [&](Run& r) { Adif(r, shots); }},
        {"zlog", [&](Run& r) { Zlog(r, shots); }},
        {"jap1", Jap1},
        {"export-adif", [](Run& r) { Export(r, "mkADIF", "out.adi"); }},
        {"export-csv", [](Run& r) { Export(r, "mkHL2CSV", "out.csv"); }},
        {"export-csv5", [](Run& r) { Export(r, "mkHL2CSV5", "out.csv"); }},
        {"export-backup", [](Run& r) { Export(r, "xxxCC", "out.txt"); }},
        {"esc", Esc},
        {"drop", Drop},
    };
    int failed = 0, done = 0;
    for (const auto& [name, run] : runs) {
        const std::string dir = JoinPath(root, name);
        if (!fs::is_directory(PathFromUtf8(dir))) continue;
        ++done;
        try {
            Run r(dir);
            run(r);
            std::cout << "ok " << name << std::endl;
        } catch (const Failure& f) {
            ++failed;
            std::cout << "FAIL " << name << ": " << f.what << std::endl;
        } catch (const std::exception& e) {
            ++failed;
            std::cout << "FAIL " << name << ": " << e.what() << std::endl;
        }
    }
    if (done == 0) {
        std::cout << "FAIL: no run folder below " << root << std::endl;
        return 1;
    }
    return failed == 0 ? 0 : 1;
}
