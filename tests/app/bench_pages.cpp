// Page benchmarks under Wine (not a test; prints figures):
//   - page-process start: process start until its page window can be embedded;
//   - new page: "NT:" request to the shell until the page is embedded and shown;
//   - new page with and without the spare page (LUMO_NO_SPARE=1);
//   - a bare GUI process (bench_bare.exe): start to window;
//   - tab switch: a click on a tab until the switch is done;
//   - memory: idle page processes of a real shell against a bare GUI
//     process, working set and private bytes, with the table of where they
//     go by module; with LUMO_BENCH_BASELINE naming another Lumo.exe (a
//     path of the build machine), its pages too, in the same run.
// Medians of repeated runs. Needs the local maker server (LUMO_TEST_SERVER).
// "bench_pages memory [rounds [rows]]" measures the memory only.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/path.h"
#include "common/text_win.h"
#include "common/window_win.h"
#include "protocol/messages_win.h"
#include "shell/page_manager_win.h"
#include "tests/support/recording_shell.h"
#include "tests/support/test_support.h"
#include "tests/support/bench_stats.h"
#include "tests/app/bench_memory.h"

using namespace lumo;
using namespace lumo::test;

namespace {

double WorkingSetKb(DWORD pid) {
    UniqueHandle p(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    PROCESS_MEMORY_COUNTERS pmc{};
    if (p.valid() && GetProcessMemoryInfo(p.get(), &pmc, sizeof(pmc)))
        return static_cast<double>(pmc.WorkingSetSize) / 1024.0;
    return 0;
}

// "NT:" to a shell until the new page is embedded and shown, `runs` times
// with a pause between (the spare page comes back meanwhile).
std::vector<double> NewTabs(const std::string& exe, const std::string& folder, bool spare,
                            int runs) {
    std::vector<double> times;
    SetEnvironmentVariableW(L"LUMO_NO_SPARE", spare ? nullptr : L"1");
    auto shell = StartProgram(exe, {}, folder);
    SetEnvironmentVariableW(L"LUMO_NO_SPARE", nullptr);
    if (!shell)
        return times;
    HWND main = WaitForWindow(shell->pid, L"TfrmMain", 20000);
    HWND panel = nullptr;
    WaitFor(
        [&] {
            panel = FindControl(main, L"PanelWBMain");
            return panel && PageWindowsIn(panel).size() == 1;
        },
        20000);
    Sleep(1500);
    for (int i = 0; i < runs; ++i) {
        auto before = PageWindowsIn(panel);
        double t0 = NowMs();
        SendCopyData(main, nullptr, "NT:" + ServerUrl("/faq.html?bench=" + std::to_string(i)));
        auto added = [&] {
            for (HWND h : PageWindowsIn(panel))
                if (IsWindowVisible(h) &&
                    std::find(before.begin(), before.end(), h) == before.end())
                    return true;
            return false;
        };
        bool shown = false;
        while (!(shown = added()) && NowMs() - t0 < 10000) Sleep(1);  // 1 ms steps
        if (shown)
            times.push_back(NowMs() - t0);
        Sleep(1200);
    }
    PostMessageW(main, WM_CLOSE, 0, 0);
    shell->Ended(20000);
    return times;
}

// A bare GUI process, measured once it is up.
ProcessMemory BareProcess() {
    auto p = StartProgram(FolderOf(ExecutablePath()) + "bench_bare.exe", {});
    if (!p)
        return {};
    HWND w = nullptr;
    WaitFor([&] { return (w = FindWindowW(L"LumoBenchBare", nullptr)) != nullptr; }, 5000);
    Sleep(1000);
    ProcessMemory m = MeasureProcess(p->pid);
    PostMessageW(w, WM_QUIT, 0, 0);
    p->Ended(5000);
    return m;
}

// The idle page processes of a real shell: its first page (the maker's
// start page) and three pages of the local server, loaded and settled.
std::vector<ProcessMemory> IdlePages(const std::string& exe, const std::string& folder) {
    std::vector<ProcessMemory> out;
    auto shell = StartProgram(exe, {}, folder);
    if (!shell)
        return out;
    HWND main = WaitForWindow(shell->pid, L"TfrmMain", 20000);
    HWND panel = nullptr;
    WaitFor(
        [&] {
            panel = FindControl(main, L"PanelWBMain");
            return panel && PageWindowsIn(panel).size() == 1;
        },
        20000);
    for (int i = 0; panel && i < 3; ++i) {
        size_t before = PageWindowsIn(panel).size();
        SendCopyData(main, nullptr, "NT:" + ServerUrl("/faq.html?idle=" + std::to_string(i)));
        WaitFor([&] { return PageWindowsIn(panel).size() > before; }, 10000);
    }
    // Past the pages' settling: they give back what start-up touched after 5 s.
    WaitFor([] { return false; }, 7000);
    for (HWND page : panel ? PageWindowsIn(panel) : std::vector<HWND>{}) {
        DWORD pid = 0;
        GetWindowThreadProcessId(page, &pid);
        if (ProcessMemory m = MeasureProcess(pid); m.workingSetKb > 0)
            out.push_back(m);
    }
    PostMessageW(main, WM_CLOSE, 0, 0);
    shell->Ended(20000);
    return out;
}

// Idle pages of this build (and of LUMO_BENCH_BASELINE's Lumo.exe) against
// bare GUI processes, taken in turns, `rounds` times; medians, and the table
// (`rows` largest parts) of the median process of each kind.
void IdleMemory(const std::string& exe, int rounds, int rows) {
    struct Kind {
        std::string name, exe;
        std::vector<ProcessMemory> measured;
    };
    std::vector<Kind> kinds{{"bare GUI process", "", {}}, {"idle page, this build", exe, {}}};
    TempFolder baselineFolder("bench-base");
    if (std::string base = Env("LUMO_BENCH_BASELINE"); !base.empty()) {
        std::string other = LayOutProgramFolder(baselineFolder.path());
        if (CopyFileW(ToW(HostPath(base)).c_str(), ToW(other).c_str(), FALSE))
            kinds.push_back({"idle page, baseline", other, {}});
    }
    for (int r = 0; r < rounds; ++r) {
        for (Kind& k : kinds) {
            if (k.exe.empty()) {
                for (int i = 0; i < 4; ++i) k.measured.push_back(BareProcess());
            } else {
                auto pages = IdlePages(k.exe, FolderOf(k.exe));
                k.measured.insert(k.measured.end(), pages.begin(), pages.end());
            }
        }
    }
    auto median = [](const std::vector<ProcessMemory>& v, auto figure) {
        std::vector<double> x;
        for (const ProcessMemory& m : v) x.push_back(figure(m));
        return Median(x);
    };
    auto set = [](const ProcessMemory& m) { return m.workingSetKb; };
    auto priv = [](const ProcessMemory& m) { return m.PrivateOrResidentPrivateKb(); };
    for (Kind& k : kinds) {
        if (k.measured.empty())
            continue;
        std::sort(k.measured.begin(), k.measured.end(),
                  [](const ProcessMemory& a, const ProcessMemory& b) {
                      return a.workingSetKb < b.workingSetKb;
                  });
        PrintMemoryTable(k.name + ", the median one", k.measured[k.measured.size() / 2], rows);
    }
    std::printf(
        "(private: the system's private bytes; where it reports none, as Wine, the "
        "resident pages no other process maps)\n");
    const double bareSet = median(kinds[0].measured, set);
    const double barePrivate = median(kinds[0].measured, priv);
    for (Kind& k : kinds) {
        const double s = median(k.measured, set), p = median(k.measured, priv);
        std::printf(
            "%s (median of %zu): working set %.0f KB (%.2fx bare), private %.0f KB "
            "(%.2fx bare)\n",
            k.name.c_str(), k.measured.size(), s, bareSet > 0 ? s / bareSet : 0, p,
            barePrivate > 0 ? p / barePrivate : 0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    SetEnvironmentVariableW(L"LUMO_BROWSER_ENGINE", L"headless");
    const int runs = 10;
    TempFolder folder("bench");
    std::string exe = LayOutProgramFolder(folder.path());
    if (argc > 1 && std::string(argv[1]) == "memory") {
        IdleMemory(exe, argc > 2 ? std::max(1, std::atoi(argv[2])) : 3,
                   argc > 3 ? std::atoi(argv[3]) : 16);
        return 0;
    }

    // 1. Page-process start.
    RecordingShell fake;
    fake.Create();
    std::vector<double> starts;
    for (int i = 0; i < runs; ++i) {
        std::string handle = std::to_string(reinterpret_cast<uintptr_t>(fake.hwnd()));
        double t0 = NowMs();
        auto page = StartProgram(exe, {handle, "about:blank", folder.path() + "cookies\\B", ""});
        if (!page)
            return 1;
        WaitForInputIdle(page->process.get(), 5000);
        HWND w = nullptr;
        while (!(w = FindPageWindow(page->pid)) && NowMs() - t0 < 5000) Sleep(1);
        starts.push_back(NowMs() - t0);
        PostMessageW(w, WM_QUIT, 0, 0);
        page->Ended(5000);
    }
    std::printf("page process start to window ready (median of %d): %.0f ms\n", runs,
                Median(starts));

    // A bare GUI process in the same run.
    std::string bare = FolderOf(ExecutablePath()) + "bench_bare.exe";
    std::vector<double> bareStarts;
    for (int i = 0; i < runs; ++i) {
        double t0 = NowMs();
        auto p = StartProgram(bare, {});
        if (!p)
            break;
        HWND w = nullptr;
        while (!(w = FindWindowW(L"LumoBenchBare", nullptr)) && NowMs() - t0 < 5000) Sleep(1);
        bareStarts.push_back(NowMs() - t0);
        PostMessageW(w, WM_QUIT, 0, 0);
        p->Ended(5000);
    }
    std::printf("bare GUI process start to window (median of %zu): %.0f ms\n", bareStarts.size(),
                Median(bareStarts));

    // What each piece a page process loads adds to a bare one.
    for (const char* extra : {"trim", "ole32.dll", "oleaut32.dll", "shell32.dll", "comctl32.dll",
                              "wininet.dll", "msimg32.dll"}) {
        std::vector<double> kb;
        for (int i = 0; i < 3; ++i) {
            auto p = StartProgram(bare, {extra});
            if (!p)
                break;
            HWND w = nullptr;
            double t0 = NowMs();
            while (!(w = FindWindowW(L"LumoBenchBare", nullptr)) && NowMs() - t0 < 5000) Sleep(1);
            Sleep(300);
            kb.push_back(WorkingSetKb(p->pid));
            PostMessageW(w, WM_QUIT, 0, 0);
            p->Ended(5000);
        }
        std::printf("  bare GUI process + %s: working set %.0f KB\n", extra, Median(kb));
    }

    auto without = NewTabs(exe, folder.path(), false, runs);
    auto with = NewTabs(exe, folder.path(), true, runs);
    std::printf("new tab shown, without the spare page (median of %zu): %.0f ms\n", without.size(),
                Median(without));
    std::printf("new tab shown, with the spare page (median of %zu): %.0f ms\n", with.size(),
                Median(with));

    // 2-4. Through a real shell.
    auto shell = StartProgram(exe, {}, folder.path());
    if (!shell)
        return 1;
    HWND main = WaitForWindow(shell->pid, L"TfrmMain", 20000);
    HWND panel = nullptr;
    WaitFor(
        [&] {
            panel = FindControl(main, L"PanelWBMain");
            return panel && PageWindowsIn(panel).size() == 1;
        },
        20000);
    HWND strip = FindControl(main, L"ToolBarTabParent");
    std::vector<double> newPage;
    for (int i = 0; i < runs; ++i) {
        size_t before = PageWindowsIn(panel).size();
        double t0 = NowMs();
        SendCopyData(main, nullptr, "NT:" + ServerUrl("/faq.html?bench=" + std::to_string(i)));
        HWND added = nullptr;
        WaitFor(
            [&] {
                auto pages = PageWindowsIn(panel);
                if (pages.size() <= before)
                    return false;
                for (HWND h : pages)
                    if (IsWindowVisible(h))
                        added = h;
                return added != nullptr;
            },
            10000);
        newPage.push_back(NowMs() - t0);
    }
    std::printf("new page request to page embedded and shown (median of %d): %.0f ms\n", runs,
                Median(newPage));

    std::vector<double> switches;
    int tabs = static_cast<int>(SendMessageW(strip, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; tabs > 0 && i < 2 * runs; ++i) {
        int target = i % tabs;
        // Tab rectangles come from the strip itself; the rectangle travels
        // through the shell's memory, so take the width from the tab count.
        RECT rc;
        GetClientRect(strip, &rc);
        int width = std::min(188, static_cast<int>(rc.right) / std::max(tabs, 1));
        double t0 = NowMs();
        SendMessageW(strip, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(target * width + width / 2, 15));
        switches.push_back(NowMs() - t0);
        SendMessageW(strip, WM_LBUTTONUP, 0, MAKELPARAM(target * width + width / 2, 15));
    }
    std::printf("tab switch (median of %d): %.1f ms\n", 2 * runs, Median(switches));

    // Ctrl+T pressed while a page has the keyboard focus, to the new tab
    // embedded and shown (system input: a click into the page, then the keys).
    std::vector<double> ctrlT;
    auto key = [](WORD vk, bool up) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        SendInput(1, &in, sizeof(in));
    };
    for (int i = 0; i < runs; ++i) {
        RECT area;
        GetWindowRect(panel, &area);
        SetCursorPos((area.left + area.right) / 2, (area.top + area.bottom) / 2);
        INPUT click[2]{};
        click[0].type = click[1].type = INPUT_MOUSE;
        click[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        click[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, click, sizeof(INPUT));
        Sleep(300);
        int before = static_cast<int>(SendMessageW(strip, TB_BUTTONCOUNT, 0, 0));
        double t0 = NowMs();
        key(VK_CONTROL, false);
        key('T', false);
        key('T', true);
        key(VK_CONTROL, true);
        bool shown = WaitFor(
            [&] {
                if (SendMessageW(strip, TB_BUTTONCOUNT, 0, 0) <= before)
                    return false;
                auto pages = PageWindowsIn(panel);
                return static_cast<int>(pages.size()) > before;
            },
            10000);
        if (shown)
            ctrlT.push_back(NowMs() - t0);
    }
    std::printf("Ctrl+T in a page to the new tab shown (median of %zu): %.0f ms\n", ctrlT.size(),
                Median(ctrlT));

    // Shell close: until the window is hidden, and until no process is left.
    std::vector<UniqueHandle> pages;
    for (HWND page : PageWindowsIn(panel)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(page, &pid);
        pages.emplace_back(OpenProcess(SYNCHRONIZE, FALSE, pid));
    }
    double t0 = NowMs();
    PostMessageW(main, WM_CLOSE, 0, 0);
    WaitFor([&] { return !IsWindowVisible(main); }, 20000);
    double hidden = NowMs() - t0;
    shell->Ended(20000);
    for (auto& p : pages)
        if (p.valid())
            WaitForSingleObject(p.get(), 20000);
    std::printf("shell close with %zu pages: window hidden %.0f ms, no process left %.0f ms\n",
                pages.size(), hidden, NowMs() - t0);
    IdleMemory(exe, 2, 16);
    return 0;
}
