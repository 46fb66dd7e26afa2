// One account's cookies never reach another tab: a real shell with two
// accounts of the demo game, with each page on its own cookie folder and with
// every page on one shared folder (a cookie store that ignores the folder
// value, as the system's shared store may); and the browser control's
// per-program settings the shell writes at start.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/file.h"
#include "common/handle_win.h"
#include "common/text.h"
#include "shell/browser_features_win.h"
#include "shell/cookie_redirect_win.h"
#include "tests/app/lumo_shell.h"

using namespace lumo;
using namespace lumo::test;

namespace {

std::vector<std::string> Split(const std::string& text, char at) {
    std::vector<std::string> parts;
    for (size_t b = 0; b <= text.size();) {
        size_t e = text.find(at, b);
        if (e == std::string::npos)
            e = text.size();
        parts.push_back(text.substr(b, e - b));
        b = e + 1;
    }
    return parts;
}

// The accounts the server saw for requests whose target starts with
// `target`, in order ("-" for none).
std::vector<std::string> AccountsFor(const std::string& target) {
    std::vector<std::string> accounts;
    for (const std::string& line : Split(Server("/_log"), '\n')) {
        std::vector<std::string> f = Split(line, '\t');
        if (f.size() >= 4 && f[2].rfind(target, 0) == 0)
            accounts.push_back(f[3]);
    }
    return accounts;
}

// Waits for a request to `target` and gives the account it carried.
std::string AccountOf(const std::string& target) {
    std::vector<std::string> seen;
    WaitFor([&] { return !(seen = AccountsFor(target)).empty(); }, 15000);
    return seen.empty() ? "<no request>" : seen.back();
}

class IsolationTest : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        Server("/_control/reset");
        Server("/_control/clearlog");
        Server("/_control/set?startpage=about:blank");
    }
    void TearDown() override {
        Server("/_control/reset");
        SetEnvironmentVariableW(L"LUMO_COOKIE_KEY", nullptr);
    }
};

}  // namespace

TEST_P(IsolationTest, AClosedAccountReachesNoTab) {
    const bool sharedStore = GetParam();
    TempFolder shared("sharedcookies");
    CookieFolderRedirect everyPage;
    if (sharedStore) {
        // Every page reads this one folder; the shell's redirection goes to
        // a key nobody reads.
        ASSERT_TRUE(everyPage.Open());
        ASSERT_TRUE(everyPage.Redirect(shared.path()));
        SetEnvironmentVariableW(L"LUMO_COOKIE_KEY", L"Software\\LumoTest\\IgnoredCookieFolder");
    }
    Shell shell(sharedStore ? "shared" : "ownfolders");
    ASSERT_TRUE(shell.Start());
    ASSERT_TRUE(shell.AddressBecomes("about:blank"));
    // Alice in the first tab (the blank page takes the address), Bob beside.
    shell.Send("NT:" + ServerUrl("/game/login?user=alice&pass=1"));
    ASSERT_TRUE(
        WaitFor([&] { return Server("/_seen?path=/game/lobby.html") == "alice\n"; }, 15000));
    const HWND alice = shell.Pages().at(0);
    shell.Send("NT:" + ServerUrl("/game/login?user=bob&pass=2"));
    ASSERT_TRUE(shell.WaitForPages(2));
    ASSERT_TRUE(
        WaitFor([&] { return Server("/_seen?path=/game/lobby.html") == "alice\nbob\n"; }, 15000));
    HWND bob = nullptr;
    for (HWND h : shell.Pages())
        if (h != alice)
            bob = h;
    const DWORD alicePid = Shell::PidOf(alice), bobPid = Shell::PidOf(bob);

    // Side by side, each tab stays its own account.
    Server("/_control/clearlog");
    PostCommand(alice, Messages().goRefresh);
    EXPECT_EQ(AccountOf("/game/lobby.html"), "alice");
    Server("/_control/clearlog");
    PostCommand(bob, Messages().goRefresh);
    EXPECT_EQ(AccountOf("/game/lobby.html"), "bob");

    // Closing the first tab (a right click switches to it) blanks it in a
    // fresh process; the tab stays first and current.
    shell.ClickTab(0, true);
    EXPECT_TRUE(ProcessEnded(alicePid, 10000));
    ASSERT_TRUE(shell.WaitForPages(2));
    EXPECT_TRUE(shell.AddressBecomes("about:blank"));
    EXPECT_TRUE(WaitFor(
        [&] {
            HWND shown = shell.VisiblePage();
            return shown && shown != alice && shown != bob;
        },
        5000));

    // An address handed to the blank tab, then one to a new tab: neither is
    // Alice (nor Bob).
    Server("/_control/clearlog");
    shell.Send("NT:" + ServerUrl("/game/popup-target.html?in=blank"));
    EXPECT_EQ(AccountOf("/game/popup-target.html?in=blank"), "-");
    EXPECT_EQ(shell.TabCount(), 2);
    shell.Send("NT:" + ServerUrl("/game/popup-target.html?in=new"));
    ASSERT_TRUE(shell.WaitForPages(3));
    EXPECT_EQ(AccountOf("/game/popup-target.html?in=new"), "-");

    // Bob's tab (now the third) closed too: the next new tab is nobody
    // either.
    shell.ClickTab(2);
    ASSERT_TRUE(shell.AddressBecomes(ServerUrl("/game/lobby.html")));
    shell.ClickTab(0);
    shell.ClickTab(2, true);
    ASSERT_TRUE(shell.WaitForPages(2));
    EXPECT_TRUE(ProcessEnded(bobPid, 10000));
    shell.Send("NT:" + ServerUrl("/game/popup-target.html?in=last"));
    ASSERT_TRUE(shell.WaitForPages(3));
    EXPECT_EQ(AccountOf("/game/popup-target.html?in=last"), "-");
    if (sharedStore) {
        EXPECT_EQ(CountFiles(shared.path()), 0) << "cookies left in the shared store";
    }
}

INSTANTIATE_TEST_SUITE_P(Stores, IsolationTest, ::testing::Values(false, true),
                         [](const auto& info) {
                             return info.param ? "OneSharedFolder" : "OwnFolders";
                         });

TEST(BrowserFeatures, ShellSetsItsOwnValuesAndKeepsHandSetOnes) {
    const std::wstring emulation =
        std::wstring(kFeatureControlKey) + L"\\FEATURE_BROWSER_EMULATION";
    const std::wstring gpu = std::wstring(kFeatureControlKey) + L"\\FEATURE_GPU_RENDERING";
    auto read = [](const std::wstring& key, const wchar_t* name) -> long long {
        DWORD value = 0, size = sizeof value;
        if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value,
                         &size) != ERROR_SUCCESS)
            return -1;
        return value;
    };
    auto write = [](const std::wstring& key, const wchar_t* name, DWORD value) {
        RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name, REG_DWORD, &value, sizeof value);
    };
    auto remove = [](const std::wstring& key, const wchar_t* name) {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, key.c_str(), name);
    };
    remove(emulation, L"Lumo.exe");
    remove(gpu, L"Lumo.exe");
    RegDeleteTreeW(HKEY_CURRENT_USER, kOwnFeatureRecordKey);
    write(emulation, L"Other.exe", 7000);  // another program's
    write(gpu, L"Lumo.exe", 0);            // set by hand
    {
        Shell shell("features");
        ASSERT_TRUE(shell.Start());
        EXPECT_EQ(read(emulation, L"Lumo.exe"), 11001);
        EXPECT_EQ(read(gpu, L"Lumo.exe"), 0);
        EXPECT_EQ(read(emulation, L"Other.exe"), 7000);
    }
    // Ours is renewed at the next start when gone; a value changed by hand
    // since stays.
    remove(gpu, L"Lumo.exe");
    write(emulation, L"Lumo.exe", 9000);
    {
        Shell shell("features2");
        ASSERT_TRUE(shell.Start());
        EXPECT_EQ(read(gpu, L"Lumo.exe"), 1);
        EXPECT_EQ(read(emulation, L"Lumo.exe"), 9000);
    }
    remove(emulation, L"Other.exe");
}
