// Tabs as processes, end to end: a real Lumo.exe shell with the headless
// engine against the local maker server.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "common/file.h"
#include "common/http.h"
#include "common/text.h"
#include "common/text_win.h"
#include "common/window_win.h"
#include "shell/cookie_redirect_win.h"
#include "protocol/messages_win.h"
#include "tests/app/lumo_shell.h"
#include "tests/support/test_support.h"

using namespace lumo;
using namespace lumo::test;

namespace {

class PagesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Server("/_control/reset");
        Server("/_control/clearlog");
    }
    void TearDown() override { Server("/_control/reset"); }
};

}  // namespace

TEST_F(PagesTest, TwoAccountsOfOneGameStayApartInTheirTabs) {
    // The per-user cookie folder value is back after every page start.
    std::string cookieValue = CurrentCookieFolderValue();
    auto restored = [&] {
        return WaitFor([&] { return CurrentCookieFolderValue() == cookieValue; }, 5000);
    };
    Shell shell("accounts");
    ASSERT_TRUE(shell.Start());
    EXPECT_TRUE(restored());

    shell.Send("NT:" + ServerUrl("/game/login?user=alice&pass=1"));
    ASSERT_TRUE(shell.WaitForPages(2));
    EXPECT_TRUE(restored());
    shell.Send("NT:" + ServerUrl("/game/login?user=bob&pass=2"));
    ASSERT_TRUE(shell.WaitForPages(3));
    EXPECT_TRUE(restored());
    std::vector<HWND> pages = shell.Pages();
    ASSERT_EQ(pages.size(), 3u);  // all children of PanelWBMain
    ASSERT_TRUE(
        WaitFor([&] { return Server("/_seen?path=/game/lobby.html") == "alice\nbob\n"; }, 15000));
    EXPECT_TRUE(shell.AddressBecomes(ServerUrl("/game/lobby.html"))) << shell.Address();

    // Refreshed, each tab is still its own account.
    Server("/_control/clearlog");
    for (HWND page : pages) PostCommand(page, Messages().goRefresh);
    ASSERT_TRUE(WaitFor(
        [&] {
            std::string seen = Server("/_seen?path=/game/lobby.html");
            return seen == "alice\nbob\n" || seen == "bob\nalice\n";
        },
        15000));

    // Each page has a cookie folder of its own, and none of them holds a
    // cookie: the accounts' cookies stay in their page processes.
    std::set<std::string> folders;
    for (HWND page : pages) folders.insert(WindowText(page));
    ASSERT_EQ(folders.size(), 3u);
    for (const std::string& f : folders) {
        EXPECT_EQ(f.rfind(shell.folder() + "cookies\\Temp", 0), 0u) << f;
        EXPECT_EQ(CountFiles(f), 0) << f;
    }

    // Closing the main window ends every page process and clears the folders.
    std::vector<DWORD> pids = shell.PagePids();
    PostMessageW(shell.main(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(shell.process().Ended(20000));
    for (DWORD pid : pids) EXPECT_TRUE(ProcessEnded(pid, 15000));
    EXPECT_TRUE(WaitFor([&] { return !FolderExists(shell.folder() + "cookies"); }, 15000));
}

TEST_F(PagesTest, SecondStartOpensATabAndBackgroundTabsCloseWithTheirProcess) {
    Shell shell("second");
    ASSERT_TRUE(shell.Start());
    ASSERT_EQ(shell.TabCount(), 1);
    std::string exe = shell.folder() + "Lumo.exe";
    auto second = StartProgram(exe, {ServerUrl("/faq.html?from=second")});
    ASSERT_TRUE(second);
    ASSERT_TRUE(second->Ended(20000));
    ASSERT_TRUE(shell.WaitForPages(2));
    std::vector<DWORD> pids = shell.PagePids();
    ASSERT_EQ(pids.size(), 2u);

    // "nnt:" (any case) opens a page like "NT:"; a malformed command opens
    // nothing and the shell keeps answering.
    shell.Send("nnt:" + ServerUrl("/faq.html?from=nnt"));
    ASSERT_TRUE(shell.WaitForPages(3));
    shell.Send("XX:" + ServerUrl("/faq.html"));
    EXPECT_TRUE(Answers(shell.main()));
    EXPECT_EQ(shell.TabCount(), 3);
    // A right click on the current tab (the newest) does nothing; on a
    // background tab it closes that tab.
    HWND strip0 = shell.Control(L"ToolBarTabParent");
    SendMessageW(strip0, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(188 * 2 + 90, 15));
    EXPECT_EQ(shell.TabCount(), 3);
    SendMessageW(strip0, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(188 + 90, 15));
    SendMessageW(strip0, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(188 * 2 + 90, 15));
    ASSERT_TRUE(shell.WaitForPages(2, 15000));
    // Tab 1 is current: its page is the one in sight.
    HWND tab1 = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (tab1 = shell.VisiblePage()) != nullptr; }, 5000));
    const DWORD closed = Shell::PidOf(tab1);

    // Right-click on the first tab (tabs are 188 px wide here): it is not
    // current, but tab 0 is never closed, only blanked.
    HWND strip = shell.Control(L"ToolBarTabParent");
    PostMessageW(strip, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(90, 15));
    ASSERT_TRUE(WaitFor([&] { return shell.TabCount() == 2; }, 2000));
    // Left-click it, then right-click the background tab 1: it closes.
    PostMessageW(strip, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(90, 15));
    PostMessageW(strip, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(188 + 90, 15));
    // The tab goes at once; the window goes with its process. (Until then
    // the closing window may still be the one page window in the area.)
    ASSERT_TRUE(WaitFor([&] { return shell.TabCount() == 1; }, 15000));
    EXPECT_TRUE(ProcessEnded(closed, 15000));
    EXPECT_TRUE(WaitFor(
        [&] {
            std::vector<DWORD> left = shell.PagePids();
            return left.size() == 1 && left[0] != closed;
        },
        15000));
}

TEST_F(PagesTest, AStartRightAfterACloseBecomesTheShellWithItsAddress) {
    // The closing shell gives up its name before its window is gone, so the
    // next start is not handed to a dying shell (and lost).
    Shell shell("reopen");
    ASSERT_TRUE(shell.Start());
    std::string exe = shell.folder() + "Lumo.exe";
    PostMessageW(shell.main(), WM_CLOSE, 0, 0);
    auto next = StartProgram(exe, {ServerUrl("/faq.html?from=reopen")}, shell.folder());
    ASSERT_TRUE(next);
    HWND main = WaitForWindow(next->pid, L"TfrmMain", 20000);
    ASSERT_TRUE(main);
    EXPECT_TRUE(shell.process().Ended(15000));
    // It took the boss key over: no notice that another program holds it.
    EXPECT_EQ(WaitForVisibleWindow(next->pid, L"#32770", 2000), nullptr);
    EXPECT_TRUE(WaitFor(
        [&] {
            return WindowText(FindControl(main, L"CBURL")) == ServerUrl("/faq.html?from=reopen");
        },
        15000));
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(next->Ended(15000));
}

TEST_F(PagesTest, BlankCurrentPageTakesTheHandedOverAddress) {
    Server("/_control/set?startpage=about:blank");
    Shell shell("blank");
    ASSERT_TRUE(shell.Start());
    EXPECT_TRUE(shell.AddressBecomes("about:blank")) << shell.Address();
    Sleep(1000);  // the (blank) start page has arrived
    // A handed-over address goes into the blank page, not into a new tab.
    shell.Send("NT:" + ServerUrl("/faq.html?handed=1"));
    EXPECT_TRUE(shell.AddressBecomes(ServerUrl("/faq.html?handed=1"))) << shell.Address();
    EXPECT_EQ(shell.TabCount(), 1);
    EXPECT_TRUE(WaitFor(
        [&] { return Server("/_log").find("/faq.html?handed=1") != std::string::npos; }, 10000));
    // about:blank itself always opens.
    shell.Send("NT:about:blank");
    EXPECT_TRUE(shell.WaitForPages(2));
}

TEST_F(PagesTest, StartPageComesFromTheListOrIsBlank) {
    {
        Shell shell("list");
        ASSERT_TRUE(shell.Start());
        std::string address;
        ASSERT_TRUE(WaitFor(
            [&] { return !(address = shell.Address()).empty() && address != "about:blank"; },
            15000));
        EXPECT_TRUE(address == ServerUrl("/game/login.html") || address == ServerUrl("/faq.html"))
            << address;
        EXPECT_TRUE(FileExists(shell.folder() + "Update\\firstCF.ini"));
    }
    {
        Server("/_control/set?path=/user/ADPage/firstPage.ini&delay=8000");
        Shell shell("slow");
        ASSERT_TRUE(shell.Start());
        // The list is fetched off the window's thread: no wait at start.
        EXPECT_TRUE(shell.Responsive(3000));  // the list takes 8 s
        EXPECT_TRUE(shell.AddressBecomes("about:blank")) << shell.Address();
    }
    {
        Server("/_control/reset");
        Server("/_control/set?path=/user/ADPage/firstPage.ini&notfound=1");
        Shell shell("missing");
        ASSERT_TRUE(shell.Start());
        EXPECT_TRUE(shell.AddressBecomes("about:blank")) << shell.Address();
    }
}

TEST_F(PagesTest, TrayDoubleClickTogglesTheWindowAndMinimiseIsIgnored) {
    Shell shell("tray");
    ASSERT_TRUE(shell.Start());
    SendMessageW(shell.main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(IsIconic(shell.main()));
    // (A page start may still hold the window's drawing for a moment.)
    SendMessageW(shell.main(), WM_USER + 200, 0, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(shell.main()); }, 5000));
    SendMessageW(shell.main(), WM_USER + 200, 0, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(shell.main()) != FALSE; }, 5000));
}

TEST(CookieRedirect, ValueIsRestoredOrRemoved) {
    std::string before = CurrentCookieFolderValue();
    {
        CookieFolderRedirect r;
        ASSERT_TRUE(r.Open());
        r.Redirect("C:\\x\\cookies\\Temp9");
        EXPECT_EQ(CurrentCookieFolderValue(), "C:\\x\\cookies\\Temp9");
    }
    EXPECT_EQ(CurrentCookieFolderValue(), before);
}

TEST_F(PagesTest, OversizedTextCommandsLeaveTheShellTakingCommands) {
    Shell shell("huge");
    ASSERT_TRUE(shell.Start());
    // 2.5 MB and 8.5 MB: refused (where they arrive at all), never the end.
    for (size_t mb : {2u, 8u}) {
        std::string big =
            "NT:" + ServerUrl("/faq.html?huge=") + std::string(mb * 1024 * 1024 + 512 * 1024, 'a');
        COPYDATASTRUCT cds{kUtf8Tag, static_cast<DWORD>(big.size()), big.data()};
        DWORD_PTR r = 0;
        SendMessageTimeoutW(shell.main(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds),
                            SMTO_ABORTIFHUNG, 10000, &r);
    }
    shell.Send("NT:" + ServerUrl("/faq.html?after=huge"));
    EXPECT_TRUE(shell.WaitForPages(2));
    EXPECT_TRUE(
        WaitFor([&] { return Server("/_log").find("after=huge") != std::string::npos; }, 15000));
    EXPECT_EQ(Server("/_log").find("huge=aaaa"), std::string::npos);
}
