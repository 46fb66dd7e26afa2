// A page process (Lumo.exe in its page role, headless engine) against a
// stand-in shell window of this test process and the local maker server.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "common/http.h"
#include "common/text.h"
#include "common/text_win.h"
#include "protocol/messages_win.h"
#include "tests/support/recording_shell.h"
#include "tests/support/test_support.h"

using namespace lumo;
using namespace lumo::test;

namespace {

class PageProcessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetEnvironmentVariableW(L"LUMO_BROWSER_ENGINE", L"headless");
        exe_ = LayOutProgramFolder(folder_.path());
        ASSERT_TRUE(shell_.Create());
    }
    void TearDown() override {
        if (page_ && !page_->Ended()) {
            TerminateProcess(page_->process.get(), 0);
            page_->Ended(5000);
        }
    }

    // Starts a page for `address` and waits for its window.
    HWND StartPage(const std::string& address, HWND shell) {
        std::string handle = std::to_string(reinterpret_cast<uintptr_t>(shell));
        page_ = StartProgram(exe_, {handle, address, folder_.path() + "cookies\\Temp1", ""});
        if (!page_)
            return nullptr;
        return WaitForWindow(page_->pid, L"TFormWebBrowser", 20000);
    }

    bool Received(const std::string& text, int ms = 15000) {
        return WaitFor(
            [&] {
                const auto& r = shell_.received();
                return std::any_of(r.begin(), r.end(),
                                   [&](const ReceivedCommand& c) { return c.text == text; });
            },
            ms);
    }

    TempFolder folder_{"page"};
    std::string exe_;
    RecordingShell shell_;
    std::optional<Started> page_;
};

// The file names of the modules process `pid` has loaded, in lower case.
std::vector<std::string> LoadedModules(DWORD pid) {
    std::vector<std::string> names;
    UniqueHandle p(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    HMODULE modules[512];
    DWORD needed = 0;
    if (!p.valid() || !EnumProcessModules(p.get(), modules, sizeof(modules), &needed))
        return names;
    for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 512; ++i) {
        wchar_t name[MAX_PATH];
        if (GetModuleBaseNameW(p.get(), modules[i], name, MAX_PATH))
            names.push_back(AsciiLower(FromW(name)));
    }
    return names;
}

}  // namespace

TEST_F(PageProcessTest, ReportsAddressAndLowerCasedTitleAndObeysTheShell) {
    HWND page = StartPage(ServerUrl("/game/login?user=Alice&pass=x"), shell_.hwnd());
    ASSERT_TRUE(page);
    // Hidden until the shell shows it; no taskbar button.
    EXPECT_FALSE(IsWindowVisible(page));
    EXPECT_TRUE(GetWindowLongW(page, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);

    const std::string lobby = ServerUrl("/game/lobby.html");
    ASSERT_TRUE(Received("URL:" + lobby));
    ASSERT_TRUE(Received("TC:游戏大厅 - alice"));
    for (const auto& c : shell_.received()) EXPECT_EQ(c.sender, page);

    // The show message makes it visible.
    PostCommand(page, Messages().operate);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(page) != FALSE; }, 10000));

    // "NT:" (any case) navigates it.
    shell_.Clear();
    const std::string faq = ServerUrl("/faq.html");
    ASSERT_TRUE(SendCopyData(page, shell_.hwnd(), "nt:" + faq));
    ASSERT_TRUE(Received("URL:" + faq));

    // Back, forward, refresh through the registered messages.
    shell_.Clear();
    PostCommand(page, Messages().goBack);
    ASSERT_TRUE(Received("URL:" + lobby));
    shell_.Clear();
    PostCommand(page, Messages().goForward);
    ASSERT_TRUE(Received("URL:" + faq));
    shell_.Clear();
    PostCommand(page, Messages().goRefresh);
    ASSERT_TRUE(Received("URL:" + faq));
    PostCommand(page, Messages().goStop);
    EXPECT_TRUE(Answers(page));

    // Malformed text commands are dropped; the page keeps answering.
    std::string garbage(1u << 20, '\xFF');
    COPYDATASTRUCT cds{0x384D554C, static_cast<DWORD>(garbage.size()), garbage.data()};
    DWORD_PTR r = 0;
    SendMessageTimeoutW(page, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds), SMTO_ABORTIFHUNG,
                        10000, &r);
    EXPECT_TRUE(Answers(page));

    // WM_QUIT ends the process.
    PostMessageW(page, WM_QUIT, 0, 0);
    EXPECT_TRUE(page_->Ended(15000));
}

// A page neither draws the shell's skin nor protects saved logins: the
// libraries only those need (and CryptoAPI's TLS libraries) stay out of it.
TEST_F(PageProcessTest, AnIdlePageLoadsNoLibraryOnlyTheShellNeeds) {
    HWND page = StartPage(ServerUrl("/faq.html"), shell_.hwnd());
    ASSERT_TRUE(page);
    ASSERT_TRUE(Received("URL:" + ServerUrl("/faq.html")));
    std::vector<std::string> loaded = LoadedModules(page_->pid);
    ASSERT_NE(std::find(loaded.begin(), loaded.end(), "wininet.dll"), loaded.end());
    for (const char* dll : {"comctl32.dll", "crypt32.dll", "bcrypt.dll", "msimg32.dll"})
        EXPECT_EQ(std::find(loaded.begin(), loaded.end(), dll), loaded.end()) << dll;
}

TEST_F(PageProcessTest, NewWindowIsSentToTheShellAndLoadsInPlace) {
    HWND page = StartPage(ServerUrl("/game/autopopup.html"), shell_.hwnd());
    ASSERT_TRUE(page);
    const std::string target = ServerUrl("/game/popup-target.html");
    ASSERT_TRUE(Received("NT:" + target));
    ASSERT_TRUE(Received("URL:" + target));
}

TEST_F(PageProcessTest, EndsWhenItsShellEnds) {
    TempFolder logFolder("fakelog");
    auto fake = StartProgram(TestProgram("fake_shell.exe"), {logFolder.path() + "log.txt"});
    ASSERT_TRUE(fake);
    HWND fakeShell = WaitForWindow(fake->pid, L"TfrmMain", 15000);
    ASSERT_TRUE(fakeShell);
    ASSERT_TRUE(StartPage(ServerUrl("/faq.html"), fakeShell));
    EXPECT_FALSE(page_->Ended(1000));
    TerminateProcess(fake->process.get(), 0);
    EXPECT_TRUE(page_->Ended(15000));
}

TEST_F(PageProcessTest, StartedForAShellThatIsGoneItEndsAtOnce) {
    page_ =
        StartProgram(exe_, {"123456", ServerUrl("/faq.html"), folder_.path() + "cookies\\T", ""});
    ASSERT_TRUE(page_);
    EXPECT_TRUE(page_->Ended(15000));
}

TEST_F(PageProcessTest, SystemControlNavigatesWithoutHanging) {
    // Wine's control loads pages but has no HTML engine and fires no
    // navigation events; the page must still start, load and obey.
    SetEnvironmentVariableW(L"LUMO_BROWSER_ENGINE", nullptr);
    std::string path = "/faq.html?system-control=" + std::to_string(GetTickCount());
    HWND page = StartPage(ServerUrl(path), shell_.hwnd());
    ASSERT_TRUE(page);
    EXPECT_TRUE(WaitFor(
        [&] {
            auto log = HttpGet(ServerUrl("/_log"));
            return log && log->body.find(path) != std::string::npos;
        },
        90000));  // the control's first start in a new prefix takes long
    EXPECT_TRUE(Answers(page));
    PostCommand(page, Messages().operate);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(page) != FALSE; }, 10000));
    PostMessageW(page, WM_QUIT, 0, 0);
    EXPECT_TRUE(page_->Ended(15000));
}
