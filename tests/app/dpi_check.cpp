// Measures the running shell's main window from outside, for dpi_test.sh and
// bench-dpi.sh:
//   dpi_check layout <dpi> <baseline> [--write]
//       waits for the main window, checks that it is laid out for <dpi>, that
//       every named control of the shell lies where its 96-DPI place scales
//       to (each edge from the side it keeps to, +-1 px), and that the drawn
//       labels fit their controls; --write records the 96-DPI places instead.
//   dpi_check change <dpi> <baseline>
//       sends WM_DPICHANGED for <dpi>, prints how long the new layout took
//       and checks it as above.
//   dpi_check start <Lumo.exe>
//       starts the shell and prints the milliseconds to its visible window.
//   dpi_check screen
//       prints the screen's DPI.
// Exit code 0 when every check held; failures are printed as "FAIL ...".
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "common/dpi_win.h"
#include "common/text_win.h"
#include "common/window_win.h"
#include "frame/frame_base_win.h"
#include "mainwindow/main_window_win.h"
#include "protocol/window_names.h"

using namespace lumo;

namespace {

using Clock = std::chrono::steady_clock;
int failures = 0;

void Check(bool ok, const std::string& what) {
    if (!ok)
        ++failures;
    std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
}

// This process sees physical pixels, as the shell lays them out.
void BecomeDpiAware() {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    using ContextFn = BOOL(WINAPI*)(HANDLE);
    if (auto fn = reinterpret_cast<ContextFn>(
            reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
        fn && fn(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4))))
        return;
    SetProcessDPIAware();
}

HWND MainWindow() {
    return FindWindowW(kMainWindowClass, nullptr);
}

using Places = std::map<std::string, RECT>;

struct Collect {
    HWND main;
    DWORD pid;
    Places* places;
};

BOOL CALLBACK AddPlace(HWND h, LPARAM lp) {
    auto* c = reinterpret_cast<Collect*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    std::wstring name = ControlName(h);
    if (pid != c->pid || name.empty() || !IsWindowVisible(h))
        return TRUE;
    RECT r{};
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, c->main, reinterpret_cast<POINT*>(&r), 2);
    (*c->places)[FromW(name)] = r;
    return TRUE;
}

// Every visible named control of the shell process, in the main window's
// client coordinates (page windows of other processes are left out).
Places Measure(HWND main) {
    Places places;
    Collect c{main, 0, &places};
    GetWindowThreadProcessId(main, &c.pid);
    EnumChildWindows(main, AddPlace, reinterpret_cast<LPARAM>(&c));
    return places;
}

// The main window with its first tab, laid out and no longer moving.
HWND WaitForLayout(int seconds) {
    auto end = Clock::now() + std::chrono::seconds(seconds);
    Places last;
    while (Clock::now() < end) {
        HWND main = MainWindow();
        HWND tabs = main ? FindControl(main, L"ToolBarTabParent") : nullptr;
        if (main && IsWindowVisible(main) && tabs && SendMessageW(tabs, TB_BUTTONCOUNT, 0, 0) > 0) {
            Places now = Measure(main);
            bool same = now.size() == last.size();
            for (auto& [name, r] : now)
                same = same && last.count(name) && EqualRect(&r, &last[name]);
            if (same)
                return main;
            last = now;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    return nullptr;
}

SIZE ClientSize(HWND main) {
    RECT rc{};
    GetClientRect(main, &rc);
    return {rc.right, rc.bottom};
}

void WriteBaseline(const char* file, HWND main, const Places& places) {
    std::ofstream out(file);
    SIZE s = ClientSize(main);
    out << "client " << s.cx << ' ' << s.cy << ' ' << s.cx << ' ' << s.cy << '\n';
    for (auto& [name, r] : places)
        out << name << ' ' << r.left << ' ' << r.top << ' ' << r.right << ' ' << r.bottom << '\n';
}

Places ReadBaseline(const char* file) {
    Places places;
    std::ifstream in(file);
    std::string name;
    RECT r{};
    while (in >> name >> r.left >> r.top >> r.right >> r.bottom) places[name] = r;
    return places;
}

// An edge keeps to the near side (it scales from 0) or the far side (its
// distance from the client's far edge scales).
bool EdgeScales(long now, long then, long extentNow, long extentThen, int dpi) {
    int fromNear = Scale(static_cast<int>(then), dpi);
    int fromFar = Scale(static_cast<int>(extentThen - then), dpi);
    return std::abs(now - fromNear) <= 1 || std::abs((extentNow - now) - fromFar) <= 1;
}

void CompareLayout(HWND main, const char* baseline, int dpi) {
    Places then = ReadBaseline(baseline);
    Places now = Measure(main);
    SIZE s = ClientSize(main);
    RECT client0 = then["client"];
    then.erase("client");
    Check(!then.empty(), "a 96-DPI baseline with " + std::to_string(then.size()) + " controls");
    for (auto& [name, r0] : then) {
        auto it = now.find(name);
        if (it == now.end()) {
            Check(false, name + " is shown as at 96 DPI");
            continue;
        }
        const RECT& r = it->second;
        // A combo box's closed height is its font's, as the system makes it.
        bool fontHeight = name == "CBURL";
        bool ok = EdgeScales(r.left, r0.left, s.cx, client0.right, dpi) &&
                  EdgeScales(r.right, r0.right, s.cx, client0.right, dpi) &&
                  EdgeScales(r.top, r0.top, s.cy, client0.bottom, dpi) &&
                  (fontHeight || EdgeScales(r.bottom, r0.bottom, s.cy, client0.bottom, dpi));
        char text[200];
        std::snprintf(text, sizeof text, " at %ld,%ld-%ld,%ld (96 DPI: %ld,%ld-%ld,%ld)", r.left,
                      r.top, r.right, r.bottom, r0.left, r0.top, r0.right, r0.bottom);
        Check(ok, name + " scaled" + text);
    }
}

SIZE TextSize(HFONT font, const std::string& text) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    std::wstring w = ToW(text);
    SIZE s{};
    GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &s);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return s;
}

// The labels the shell draws itself, measured with the fonts it draws
// them in, against the controls they are drawn into.
void CheckLabels(HWND main, int dpi) {
    Places p = Measure(main);
    auto width = [&](const char* n) { return p[n].right - p[n].left; };
    auto height = [&](const char* n) { return p[n].bottom - p[n].top; };
    HFONT gui = GuiFont(dpi);
    for (const char* menu : {"文件(F)", "查看(V)", "工具(T)", "帮助(H)"}) {
        SIZE t = TextSize(gui, menu);
        Check(t.cx <= Scale(kMenuButtonWidth, dpi) && t.cy <= Scale(20, dpi),
              std::string("menu button fits ") + menu);
    }
    struct Header {
        const char* bar;
        const char* title;
    } headers[] = {{"tbarRecent", "最近玩过的游戏"},
                   {"tbarMyGame", "我添加的游戏"},
                   {"tabrHotGames", "其它热门游戏"}};
    for (const Header& h : headers) {
        SIZE t = TextSize(gui, h.title);
        Check(t.cx <= width(h.bar) - Scale(10, dpi) && t.cy <= height(h.bar) - Scale(5, dpi),
              std::string("side-panel header fits ") + h.title);
    }
    UniqueFont title = MakeFont(-12, dpi, ToW("宋体").c_str(), FW_NORMAL, GB2312_CHARSET);
    SIZE t = TextSize(title.get(), kMainWindowCaption);
    Check(t.cx <= Scale(kTitleIndent - 26, dpi) && t.cy <= height("PanelMenuControl"),
          "the title fits the title bar");
    SIZE line = TextSize(gui, "仙侠世界·群雄逐鹿 Lumo");
    Check(line.cy <= height("Panel_StatusBar1"), "status text fits the status bar");
    Check(line.cy <= height("ToolBarTabParent") - Scale(4, dpi), "tab titles fit the tabs");
    Check(line.cy <= height("ComboBoxSearch") + 1, "search text fits its field");
    Check(line.cy + 4 <= height("CBURL") && height("CBURL") <= Scale(22, dpi) + Scale(4, dpi),
          "the address box holds its text and stays within its field");
}

int LayoutMode(int dpi, const char* baseline, bool write) {
    HWND main = WaitForLayout(60);
    Check(main != nullptr, "the main window is up with a tab");
    if (!main)
        return 1;
    HDC screen = GetDC(nullptr);
    int system = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    std::printf("system-dpi=%d window-dpi=%d\n", system, DpiOf(main));
    Check(system == dpi, "the display's DPI is " + std::to_string(dpi));
    Check(DpiOf(main) == dpi, "the main window is laid out for " + std::to_string(dpi));
    if (write) {
        WriteBaseline(baseline, main, Measure(main));
    } else {
        CompareLayout(main, baseline, dpi);
    }
    CheckLabels(main, dpi);
    return failures ? 1 : 0;
}

int ChangeMode(int dpi, const char* baseline) {
    HWND main = WaitForLayout(60);
    if (!main)
        return 1;
    // No suggested rectangle crosses processes: the window keeps its place.
    auto t0 = Clock::now();
    DWORD_PTR result = 0;
    LRESULT sent = SendMessageTimeoutW(main, kDpiChangedMessage, MAKEWPARAM(dpi, dpi), 0,
                                       SMTO_ABORTIFHUNG, 10000, &result);
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    // Painting follows the layout: a second round trip waits for it.
    RedrawWindow(main, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &result);
    double painted = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    std::printf("relayout-ms=%.1f relayout-and-paint-ms=%.1f\n", ms, painted);
    Check(sent != 0, "WM_DPICHANGED is handled");
    Check(DpiOf(main) == dpi, "the main window is laid out for " + std::to_string(dpi));
    if (baseline)
        CompareLayout(main, baseline, dpi);
    return failures ? 1 : 0;
}

int StartMode(const wchar_t* exe) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring line = L"\"" + std::wstring(exe) + L"\"";
    auto t0 = Clock::now();
    if (!CreateProcessW(exe, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 1;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    while (Clock::now() - t0 < std::chrono::seconds(60)) {
        HWND main = MainWindow();
        if (main && IsWindowVisible(main)) {
            std::printf("visible-ms=%.0f\n",
                        std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    BecomeDpiAware();
    std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"screen") {
        std::printf("system-dpi=%d\n", SystemDpi());
        return 0;
    }
    if (mode == L"start" && argc > 2)
        return StartMode(argv[2]);
    if (argc < 3)
        return 2;
    int dpi = _wtoi(argv[2]);
    std::string baseline = argc > 3 ? FromW(argv[3]) : std::string();
    if (mode == L"layout" && !baseline.empty())
        return LayoutMode(dpi, baseline.c_str(), argc > 4 && std::wstring(argv[4]) == L"--write");
    if (mode == L"change")
        return ChangeMode(dpi, baseline.empty() ? nullptr : baseline.c_str());
    return 2;
}
