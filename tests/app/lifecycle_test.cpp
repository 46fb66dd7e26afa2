// A page that hangs, crashes or floods never takes the shell or another
// account with it: real shells and page processes under Wine.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <set>

#include "common/file.h"
#include "common/text.h"
#include "protocol/roles.h"
#include "shell/cookie_redirect_win.h"
#include "shell/page_manager_win.h"
#include "tests/app/lumo_shell.h"

using namespace lumo;
using namespace lumo::test;

namespace {

// Suspends (or resumes) every thread of process `pid`, as a stopped process.
void SuspendProcess(DWORD pid, bool suspend) {
    UniqueHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 t{};
    t.dwSize = sizeof(t);
    for (BOOL ok = Thread32First(snap.get(), &t); ok; ok = Thread32Next(snap.get(), &t)) {
        if (t.th32OwnerProcessID != pid)
            continue;
        UniqueHandle th(OpenThread(THREAD_SUSPEND_RESUME, FALSE, t.th32ThreadID));
        if (th.valid())
            suspend ? SuspendThread(th.get()) : ResumeThread(th.get());
    }
}

void Kill(DWORD pid) {
    UniqueHandle p(OpenProcess(PROCESS_TERMINATE, FALSE, pid));
    if (p.valid())
        TerminateProcess(p.get(), 9);
}

// Processes named Lumo.exe started from `folder`'s executable: all of them
// (the test runs one shell at a time).
int LumoProcesses() {
    UniqueHandle snap(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W e{};
    e.dwSize = sizeof(e);
    int n = 0;
    for (BOOL ok = Process32FirstW(snap.get(), &e); ok; ok = Process32NextW(snap.get(), &e))
        if (EqualsNoCase(FromW(e.szExeFile), "Lumo.exe"))
            ++n;
    return n;
}

// The page window on top in the page area (the one in sight).
HWND TopPage(const Shell& shell) {
    auto pages = shell.Pages();
    for (HWND h = GetWindow(shell.Control(L"PanelWBMain"), GW_CHILD); h;
         h = GetWindow(h, GW_HWNDNEXT))
        if (IsWindowVisible(h) && std::find(pages.begin(), pages.end(), h) != pages.end())
            return h;
    return nullptr;
}

// A key typed by the user (SendInput) into the shell's address box arrives.
bool TypedKeyArrives(const Shell& shell) {
    HWND edit = FindWindowExW(shell.Control(L"CBURL"), nullptr, L"Edit", nullptr);
    std::string before = WindowText(edit);
    SetForegroundWindow(shell.main());
    DWORD shellThread = GetWindowThreadProcessId(shell.main(), nullptr);
    if (AttachThreadInput(GetCurrentThreadId(), shellThread, TRUE)) {
        SetFocus(edit);
        AttachThreadInput(GetCurrentThreadId(), shellThread, FALSE);
    }
    auto press = [](WORD vk) {
        INPUT in[2]{};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wVk = in[1].ki.wVk = vk;
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
    };
    press('Q');
    bool arrived = WaitFor([&] { return WindowText(edit) != before; }, 5000);
    if (arrived)
        press(VK_BACK);
    return arrived;
}

long long TimeMs(const std::function<void()>& f) {
    ULONGLONG t = GetTickCount64();
    f();
    return static_cast<long long>(GetTickCount64() - t);
}

class LifecycleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Server("/_control/reset");
        Server("/_control/clearlog");
        Server("/_control/set?startpage=" + ServerUrl("/faq.html?start=1"));
    }
    void TearDown() override {
        Server("/_control/reset");
        SetEnvironmentVariableW(L"LUMO_PAGE_LIMIT", nullptr);
        SetEnvironmentVariableW(L"LUMO_COOKIE_KEY", nullptr);
    }
};

}  // namespace

TEST_F(LifecycleTest, AHungPageNeverFreezesTheShell) {
    Shell shell("hung");
    ASSERT_TRUE(shell.Start());
    shell.Send("NT:" + ServerUrl("/faq.html?tab=1"));
    ASSERT_TRUE(shell.WaitForPages(2));
    shell.Send("NT:" + ServerUrl("/faq.html?tab=2"));
    ASSERT_TRUE(shell.WaitForPages(3));
    ASSERT_TRUE(WaitFor([&] { return shell.VisiblePage() != nullptr; }, 5000));
    DWORD hung = Shell::PidOf(shell.VisiblePage());
    SuspendProcess(hung, true);

    // Its tab says so, with the choice to wait or end it.
    EXPECT_TRUE(WaitFor([&] { return shell.NoticeShown(); }, 5000));
    EXPECT_TRUE(shell.Responsive());
    // The user's keys still reach the shell (the page shared its input).
    EXPECT_TRUE(TypedKeyArrives(shell));
    // The tray icon's double-click hides and shows the window.
    PostMessageW(shell.main(), WM_USER + 200, 0, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(shell.main()); }, 5000));
    EXPECT_TRUE(shell.Responsive());
    PostMessageW(shell.main(), WM_USER + 200, 0, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(shell.main()) != FALSE; }, 5000));
    EXPECT_TRUE(shell.Responsive());
    // Switching away from it and back; the page switched to comes into sight.
    HWND hungWindow = shell.VisiblePage();
    shell.ClickTab(1);
    EXPECT_TRUE(shell.Responsive());
    EXPECT_TRUE(WaitFor([&] { return !shell.NoticeShown(); }, 2000));
    EXPECT_TRUE(WaitFor([&] { return TopPage(shell) != hungWindow; }, 5000));
    shell.ClickTab(2);
    EXPECT_TRUE(shell.Responsive());
    EXPECT_TRUE(WaitFor([&] { return shell.NoticeShown(); }, 2000));
    // Handing an address to the shell while the hung page is current.
    EXPECT_LT(TimeMs([&] { shell.Send("NT:" + ServerUrl("/faq.html?tab=3")); }), 5000);
    EXPECT_TRUE(shell.WaitForPages(4));
    EXPECT_TRUE(shell.Responsive());
    // Closing it with a right click (another tab is current): its process
    // is ended after a short grace.
    EXPECT_TRUE(WaitFor([&] { return shell.TabCount() == 4; }, 2000));
    shell.ClickTab(2, true);
    EXPECT_TRUE(shell.Responsive());
    EXPECT_TRUE(WaitFor([&] { return shell.TabCount() == 3; }, 3000));
    EXPECT_TRUE(ProcessEnded(hung, 8000));

    // The choice offered for a hung page: "wait" takes the notice away (the
    // page stays), "end page" ends it and leaves the stopped view.
    auto visibleCount = [&] {
        int n = 0;
        for (HWND h : shell.Pages()) n += IsWindowVisible(h) ? 1 : 0;
        return n;
    };
    ASSERT_TRUE(WaitFor([&] { return visibleCount() == 1; }, 5000))
        << visibleCount() << " of " << shell.Pages().size() << ", tabs " << shell.TabCount();
    DWORD second = Shell::PidOf(shell.VisiblePage());
    SuspendProcess(second, true);
    ASSERT_TRUE(WaitFor([&] { return shell.NoticeShown(); }, 5000));
    PostMessageW(shell.Control(L"btnPageNotice1"), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !shell.NoticeShown(); }, 1000));
    EXPECT_FALSE(ProcessEnded(second, 0));
    SuspendProcess(second, false);
    SuspendProcess(second, true);  // hangs again: asked again
    EXPECT_TRUE(WaitFor([&] { return shell.NoticeShown(); }, 5000));
    PostMessageW(shell.Control(L"btnPageNotice2"), BM_CLICK, 0, 0);
    EXPECT_TRUE(ProcessEnded(second, 3000));
    EXPECT_TRUE(WaitFor([&] { return shell.NoticeShown(); }, 2000));  // now "stopped"
    EXPECT_EQ(shell.TabCount(), 3);

    // Closing the shell while another page is stopped: the window goes
    // within the close grace and no process is left.
    std::vector<DWORD> pids = shell.PagePids();
    ASSERT_FALSE(pids.empty());
    SuspendProcess(pids[0], true);
    PostMessageW(shell.main(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(shell.main()); }, 2000));
    EXPECT_TRUE(shell.process().Ended(10000));
    for (DWORD pid : pids) EXPECT_TRUE(ProcessEnded(pid, 5000)) << pid;
}

TEST_F(LifecycleTest, ACrashedPageShowsTheStoppedViewAndReloadsInAFreshProcess) {
    Shell shell("crash");
    ASSERT_TRUE(shell.Start());
    shell.Send("NT:" + ServerUrl("/game/login?user=carol&pass=1"));
    ASSERT_TRUE(shell.WaitForPages(2));
    ASSERT_TRUE(
        WaitFor([&] { return Server("/_seen?path=/game/lobby.html") == "carol\n"; }, 15000));
    ASSERT_TRUE(shell.AddressBecomes(ServerUrl("/game/lobby.html")));
    HWND page = shell.VisiblePage();
    ASSERT_TRUE(page);
    Kill(Shell::PidOf(page));

    // Within a second: the stopped view, the window gone, the tab kept.
    EXPECT_TRUE(WaitFor([&] { return shell.NoticeShown(); }, 1000));
    EXPECT_EQ(shell.TabCount(), 2);
    EXPECT_TRUE(WaitFor([&] { return shell.Pages().size() == 1u; }, 2000));

    // Reload: a fresh process, same address and cookie folder. The cookies
    // ended with the crashed process: opened without a saved login, the page
    // comes back logged out (a saved game logs in again, see the library
    // tests).
    Server("/_control/clearlog");
    PostMessageW(shell.Control(L"btnPageNotice1"), BM_CLICK, 0, 0);
    ASSERT_TRUE(shell.WaitForPages(2));
    EXPECT_TRUE(WaitFor([&] { return !shell.NoticeShown(); }, 2000));
    EXPECT_TRUE(WaitFor(
        [&] { return Server("/_log").find("\t/game/lobby.html\t-\t") != std::string::npos; },
        15000))
        << Server("/_log");

    // Stopped again, the shell closes cleanly with the stopped tab open.
    ASSERT_TRUE(WaitFor([&] { return shell.VisiblePage() != nullptr; }, 5000));
    Kill(Shell::PidOf(shell.VisiblePage()));
    ASSERT_TRUE(WaitFor([&] { return shell.NoticeShown(); }, 1000));
    PostMessageW(shell.main(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(shell.process().Ended(10000));
    EXPECT_EQ(shell.process().ExitCode(), 0u);
    EXPECT_FALSE(FolderExists(shell.folder() + "cookies"));
}

TEST_F(LifecycleTest, NoNewTabIsLoggedInAsAClosedAccount) {
    Shell shell("jars");
    ASSERT_TRUE(shell.Start());
    const DWORD first = shell.PagePids().at(0);
    std::set<std::string> closedFolders;
    // Five rounds of three logged-in tabs, each closed with a right click
    // while tab 0 is current.
    for (int round = 0; round < 5; ++round) {
        for (int i = 0; i < 3; ++i) {
            std::string user = "u" + std::to_string(round * 3 + i);
            shell.Send("NT:" + ServerUrl("/game/login?user=" + user + "&pass=1"));
            ASSERT_TRUE(shell.WaitForPages(2 + i));
        }
        ASSERT_TRUE(WaitFor(
            [&] {
                std::string seen = Server("/_seen?path=/game/lobby.html");
                return std::count(seen.begin(), seen.end(), '\n') == (round + 1) * 3;
            },
            15000));
        for (HWND h : shell.Pages())
            if (Shell::PidOf(h) != first)
                closedFolders.insert(WindowText(h));
        shell.ClickTab(0);
        for (int i = 0; i < 3; ++i) {
            shell.ClickTab(1, true);
            ASSERT_TRUE(WaitFor([&] { return shell.TabCount() == 3 - i; }, 3000));
        }
        ASSERT_TRUE(shell.WaitForPages(1, 10000));
    }
    // Twenty new tabs: none is any of the closed accounts.
    Server("/_control/clearlog");
    for (int i = 0; i < 20; ++i) {
        shell.Send("NT:" + ServerUrl("/game/popup-target.html?n=" + std::to_string(i)));
        ASSERT_TRUE(shell.WaitForPages(2 + i));
    }
    ASSERT_TRUE(WaitFor(
        [&] {
            std::string log = Server("/_log");
            size_t n = 0;
            for (size_t p = 0; (p = log.find("/game/popup-target.html", p)) != std::string::npos;
                 ++p)
                ++n;
            return n >= 20;
        },
        20000));
    EXPECT_EQ(Server("/_seen?path=/game/popup-target.html"), "");
    // And no new page was handed the folder of a closed page.
    for (HWND h : shell.Pages())
        if (Shell::PidOf(h) != first) {
            EXPECT_EQ(closedFolders.count(WindowText(h)), 0u) << WindowText(h);
        }
}

TEST_F(LifecycleTest, AShellKilledDuringPageStartsLeavesTheCookieValueAsItWas) {
    std::string original = CurrentCookieFolderValue();
    std::mt19937 rng(12345);
    for (int round = 0; round < 5; ++round) {
        Shell shell("killed");
        ASSERT_TRUE(shell.Start());
        for (int i = 0; i < 3; ++i)
            shell.Send("NT:" + ServerUrl("/faq.html?k=" + std::to_string(i)));
        if (round == 0) {
            // Pages end with a killed shell even when they cannot run a
            // line, as a page whose start the kill interrupted (suspended).
            ASSERT_TRUE(shell.WaitForPages(4));
            std::vector<DWORD> stopped;
            for (HWND h : shell.Pages()) {
                stopped.push_back(Shell::PidOf(h));
                SuspendProcess(stopped.back(), true);
            }
            TerminateProcess(shell.process().process.get(), 9);
            ASSERT_TRUE(shell.process().Ended(5000));
            EXPECT_TRUE(WaitFor([&] { return LumoProcesses() == 0; }, 5000)) << LumoProcesses();
            for (DWORD pid : stopped)  // else the rest would wait on them
                Kill(pid);
        } else {
            Sleep(std::uniform_int_distribution<int>(0, 400)(rng));
            TerminateProcess(shell.process().process.get(), 9);
            ASSERT_TRUE(shell.process().Ended(5000));
        }
        // The next start of the same installation puts the value back first.
        std::string exe = shell.folder() + "Lumo.exe";
        auto again = StartProgram(exe, {}, shell.folder());
        ASSERT_TRUE(again);
        HWND main = WaitForWindow(again->pid, L"TfrmMain", 20000);
        ASSERT_TRUE(main);
        EXPECT_EQ(CurrentCookieFolderValue(), original) << "round " << round;
        EXPECT_FALSE(FileExists(shell.folder() + "cookies.journal"));
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_TRUE(again->Ended(10000));
        EXPECT_TRUE(WaitFor([&] { return LumoProcesses() == 0; }, 10000))
            << "round " << round << ": " << LumoProcesses();
    }
    EXPECT_TRUE(WaitFor([&] { return LumoProcesses() == 0; }, 10000));
}

TEST_F(LifecycleTest, AFloodOfNewPageRequestsStopsAtTheLimit) {
    SetEnvironmentVariableW(L"LUMO_PAGE_LIMIT", L"6");
    Shell shell("flood");
    ASSERT_TRUE(shell.Start());
    long long ms = TimeMs([&] {
        for (int i = 0; i < 1000; ++i)
            shell.Send("NT:" + ServerUrl("/faq.html?flood=" + std::to_string(i)));
    });
    EXPECT_LT(ms, 30000);
    EXPECT_TRUE(shell.Responsive());
    EXPECT_TRUE(shell.WaitForPages(6));
    Sleep(1000);
    EXPECT_EQ(shell.TabCount(), 6);
    EXPECT_LE(LumoProcesses(), 7);  // the shell and six pages
    EXPECT_EQ(shell.Status(), std::string(" ") + kPageLimitReached);
    EXPECT_TRUE(shell.Responsive());
}

TEST_F(LifecycleTest, StartAndHandOverFaultsAreReportedWithoutDeadTabs) {
    // The start-page list is GBK: a Chinese address arrives as the same
    // request as when it is handed over directly.
    std::string chinese = ServerUrl("/faq.html?game=游戏");
    std::string encoded;
    for (unsigned char c : chinese) {
        const char* hex = "0123456789ABCDEF";
        if (std::isalnum(c) || c == '.' || c == '-' || c == '_')
            encoded += static_cast<char>(c);
        else
            encoded += std::string("%") + hex[c >> 4] + hex[c & 15];
    }
    Server("/_control/set?startpage=" + encoded);
    ASSERT_NE(Server("/user/ADPage/firstPage.ini").find(Utf8ToAnsi("游戏")), std::string::npos);
    {
        Shell shell("gbk");
        ASSERT_TRUE(shell.Start());
        ASSERT_TRUE(WaitFor(
            [&] { return Server("/_log").find("/faq.html?game=") != std::string::npos; }, 10000));
        std::string fromList = Server("/_log");
        Server("/_control/clearlog");
        shell.Send("NT:" + chinese);
        ASSERT_TRUE(WaitFor(
            [&] { return Server("/_log").find("/faq.html?game=") != std::string::npos; }, 10000));
        std::string handed = Server("/_log");
        auto target = [](const std::string& log) {
            size_t p = log.find("/faq.html?game=");
            return log.substr(p, log.find_first_of("\t\n", p) - p);
        };
        EXPECT_EQ(target(fromList), target(handed));
    }
    Server("/_control/reset");
    {
        // The cookie-folder key cannot be opened: the page still opens,
        // without a folder of its own, and the player is told.
        std::wstring badKey = L"Software\\" + std::wstring(300, L'x');
        SetEnvironmentVariableW(L"LUMO_COOKIE_KEY", badKey.c_str());
        CookieFolderRedirect probe;
        ASSERT_FALSE(probe.Open());
        Shell shell("nokey");
        ASSERT_TRUE(shell.Start());
        EXPECT_EQ(WindowText(shell.Pages()[0]), "");
        EXPECT_EQ(shell.Status(), std::string(" ") + kNoIsolationMessage);
        SetEnvironmentVariableW(L"LUMO_COOKIE_KEY", nullptr);
    }
    {
        // The hand-over file cannot be written: reported, no dead tab.
        Shell shell("handover");
        ASSERT_TRUE(shell.Start());
        ASSERT_TRUE(WriteFileBytes(shell.folder() + "handover", "in the way"));
        shell.Send("NT:" + ServerUrl("/faq.html?long=") + std::string(40000, 'a'));
        EXPECT_TRUE(
            WaitFor([&] { return shell.Status() == std::string(" ") + kCreatePageFailed; }, 3000))
            << shell.Status();
        EXPECT_EQ(shell.TabCount(), 1);
        EXPECT_EQ(shell.Pages().size(), 1u);
    }
}
