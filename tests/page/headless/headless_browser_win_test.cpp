// The headless engine under Wine against the local maker server: events and
// their order, the demo game's login through the document model, cookies,
// history, stop, new-window requests, charsets and failures. Every test pumps
// messages on its own thread (WaitFor), as the page window's loop would.
#include "page/headless_browser_win.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/http.h"
#include "common/text_win.h"
#include "tests/support/test_support.h"

namespace lumo {
namespace {

using test::ServerUrl;
using test::WaitFor;

constexpr int kLoadMs = 10000;

class Recorder : public BrowserEvents {
  public:
    void OnTitleChange(const std::string& title) override {
        log.push_back("title:" + title);
        titles.push_back(title);
    }
    void OnNewWindow(const std::string& url) override {
        log.push_back("newwindow:" + url);
        newWindows.push_back(url);
    }
    void OnStatusTextChange(const std::string&) override {}
    void OnCommandStateChange() override {}
    void OnNavigateComplete() override {
        log.push_back("navigate");
        if (control)
            locations.push_back(control->LocationURL());
    }
    void OnDocumentComplete() override {
        log.push_back("document");
        ++documents;
    }

    BrowserControl* control = nullptr;
    std::vector<std::string> log;
    std::vector<std::string> titles;
    std::vector<std::string> newWindows;
    std::vector<std::string> locations;
    int documents = 0;
};

class HeadlessBrowserTest : public ::testing::Test {
  protected:
    void SetUp() override {
        parent_ = CreateWindowExW(0, L"STATIC", L"headless test parent", WS_OVERLAPPEDWINDOW, 0, 0,
                                  640, 480, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
        BrowserControl::CreateArgs args;
        args.parent = parent_;
        args.events = &events_;
        args.bounds = RECT{10, 20, 410, 320};
        browser_ = CreateHeadlessBrowser(args);
        ASSERT_TRUE(browser_);
        events_.control = browser_.get();
    }
    void TearDown() override {
        browser_.reset();
        if (parent_)
            DestroyWindow(parent_);
    }

    // Waits until the document count reaches `count` and nothing loads.
    bool WaitDocuments(int count) {
        return WaitFor([&] { return events_.documents >= count && !browser_->Busy(); }, kLoadMs);
    }
    // Navigates and waits for that one document.
    bool Load(const std::string& url) {
        const int before = events_.documents;
        browser_->Navigate(url);
        return WaitDocuments(before + 1);
    }
    std::string Title() { return events_.titles.empty() ? "" : events_.titles.back(); }
    std::shared_ptr<HtmlElement> Find(const std::string& key) {
        auto doc = browser_->Document();
        return doc ? doc->FindByNameOrId(key) : nullptr;
    }

    HWND parent_ = nullptr;
    Recorder events_;
    std::unique_ptr<BrowserControl> browser_;
};

TEST_F(HeadlessBrowserTest, WindowIsAChildAtItsBoundsAndTakesFocus) {
    HWND h = browser_->hwnd();
    ASSERT_TRUE(IsWindow(h));
    EXPECT_EQ(GetParent(h), parent_);
    EXPECT_TRUE(GetWindowLongW(h, GWL_STYLE) & WS_CHILD);
    RECT r;
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right - r.left, 400);
    EXPECT_EQ(r.bottom - r.top, 300);
    browser_->SetBounds(RECT{0, 0, 200, 100});
    GetClientRect(h, &r);
    EXPECT_EQ(r.right, 200);
    EXPECT_EQ(r.bottom, 100);
    browser_->SetSilent(true);
    ShowWindow(parent_, SW_SHOW);
    browser_->Focus();
    EXPECT_EQ(GetFocus(), h);

    browser_.reset();
    EXPECT_FALSE(IsWindow(h));
}

TEST_F(HeadlessBrowserTest, AboutBlankLoadsLocallyWithEventsInOrder) {
    EXPECT_EQ(browser_->Document(), nullptr);
    EXPECT_EQ(browser_->LocationURL(), "");
    EXPECT_FALSE(browser_->Busy());
    browser_->Navigate("about:blank");
    EXPECT_TRUE(browser_->Busy());  // returns at once; the events come from the loop
    EXPECT_TRUE(events_.log.empty());
    ASSERT_TRUE(WaitDocuments(1));
    EXPECT_EQ(events_.log, (std::vector<std::string>{"navigate", "title:about:blank", "document"}));
    EXPECT_EQ(events_.locations, (std::vector<std::string>{"about:blank"}));
    EXPECT_EQ(browser_->LocationURL(), "about:blank");
    auto doc = browser_->Document();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->FormCount(), 0);
    EXPECT_EQ(doc->FormAt(0), nullptr);
    EXPECT_EQ(doc->FindByNameOrId("x"), nullptr);
}

TEST_F(HeadlessBrowserTest, LoginPageLoadsWithItsFormsInTheDocumentModel) {
    const std::string url = ServerUrl("/game/login.html");
    ASSERT_TRUE(Load(url));
    EXPECT_EQ(events_.log, (std::vector<std::string>{"navigate", "title:游戏登录", "document"}));
    EXPECT_EQ(events_.locations, (std::vector<std::string>{url}));
    EXPECT_EQ(browser_->LocationURL(), url);

    auto doc = browser_->Document();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->Title(), "游戏登录");
    ASSERT_EQ(doc->FormCount(), 1);
    auto form = doc->FormAt(0);
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(form->IsForm());
    EXPECT_EQ(form->TagName(), "form");
    EXPECT_EQ(form->FormName(), "loginForm");
    ASSERT_EQ(form->ElementCount(), 3);
    EXPECT_EQ(form->ElementAt(0)->Id(), "username");
    EXPECT_EQ(form->ElementAt(1)->GetAttribute("TYPE"), "password");
    EXPECT_EQ(form->ElementAt(2)->GetAttribute("type"), "submit");
    EXPECT_EQ(form->ElementAt(2)->GetAttribute("value"), "登录");
    EXPECT_EQ(form->ElementAt(3), nullptr);
    EXPECT_EQ(form->ElementByNameOrId("btnLogin")->Id(), "btnLogin");
    EXPECT_EQ(form->ElementByNameOrId("nothing"), nullptr);
    EXPECT_FALSE(form->ElementAt(0)->IsForm());
    EXPECT_EQ(form->ElementAt(0)->ElementCount(), 0);
    EXPECT_EQ(form->ElementAt(0)->FormName(), "");

    auto byId = doc->FindByNameOrId("loginForm");
    ASSERT_NE(byId, nullptr);
    EXPECT_TRUE(byId->IsForm());
    auto user = doc->FindByNameOrId("username");
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(user->GetAttribute("value"), "");
    user->SetAttribute("value", "typed");
    EXPECT_EQ(doc->FindByNameOrId("username")->GetAttribute("Value"), "typed");
}

TEST_F(HeadlessBrowserTest, SubmittingTheLoginFormLogsInAndRefreshKeepsTheLogin) {
    ASSERT_EQ(test::Server("/_control/clearlog"), "ok\n");
    ASSERT_TRUE(Load(ServerUrl("/game/login.html")));
    auto form = browser_->Document()->FormAt(0);
    ASSERT_NE(form, nullptr);
    form->ElementByNameOrId("username")->SetAttribute("value", "alice");
    form->ElementByNameOrId("password")->SetAttribute("value", "x");
    form->ElementByNameOrId("btnLogin")->Click();
    EXPECT_TRUE(browser_->Busy());
    ASSERT_TRUE(WaitDocuments(2));
    EXPECT_EQ(Title(), "游戏大厅 - alice");
    EXPECT_EQ(browser_->LocationURL(), ServerUrl("/game/lobby.html"));  // after the redirect
    EXPECT_EQ(browser_->Document()->FindByNameOrId("account")->TagName(), "span");
    EXPECT_EQ(test::Server("/_seen?path=/game/lobby.html"), "alice\n");

    browser_->Refresh();  // the session cookie is sent again
    ASSERT_TRUE(WaitDocuments(3));
    EXPECT_EQ(Title(), "游戏大厅 - alice");
    EXPECT_EQ(browser_->LocationURL(), ServerUrl("/game/lobby.html"));

    // Logging out through a link drops the cookies: the lobby sends us back.
    browser_->Document()->FindByNameOrId("linkLogout")->Click();
    ASSERT_TRUE(WaitDocuments(4));
    EXPECT_EQ(browser_->LocationURL(), ServerUrl("/game/login.html"));
    ASSERT_TRUE(Load(ServerUrl("/game/lobby.html")));
    EXPECT_EQ(Title(), "游戏登录");
}

// The login form as real controls: the password edit hides its text, Tab
// moves between the fields, a click on the page gives the focus back to the
// field last used, the button submits what was typed.
TEST_F(HeadlessBrowserTest, LoginFormShowsRealEditsAndButtons) {
    auto controls = [&](const wchar_t* cls) {
        std::vector<HWND> found;
        for (HWND c = GetWindow(browser_->hwnd(), GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            wchar_t name[32] = {};
            GetClassNameW(c, name, 32);
            if (lstrcmpiW(name, cls) == 0)
                found.push_back(c);
        }
        return found;
    };
    ASSERT_TRUE(Load(ServerUrl("/game/login.html")));
    std::vector<HWND> edits = controls(L"Edit");
    ASSERT_EQ(edits.size(), 2u);
    ASSERT_EQ(controls(L"Button").size(), 1u);
    EXPECT_FALSE(GetWindowLongW(edits[0], GWL_STYLE) & ES_PASSWORD);
    EXPECT_TRUE(GetWindowLongW(edits[1], GWL_STYLE) & ES_PASSWORD);
    ShowWindow(parent_, SW_SHOW);
    SetFocus(edits[0]);
    for (wchar_t ch : std::wstring(L"张b")) SendMessageW(edits[0], WM_CHAR, ch, 1);
    SendMessageW(edits[0], WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(GetFocus(), edits[1]);
    SetFocus(parent_);
    SendMessageW(browser_->hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 10));
    EXPECT_EQ(GetFocus(), edits[1]);
    SendMessageW(edits[1], WM_CHAR, L'x', 1);
    SendMessageW(controls(L"Button")[0], BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitDocuments(2));
    EXPECT_EQ(Title(), "游戏大厅 - 张b");
    EXPECT_FALSE(IsWindow(edits[0]));  // the lobby has no form
}

TEST_F(HeadlessBrowserTest, LoginByAddressFollowsTheRedirect) {
    ASSERT_TRUE(Load(ServerUrl("/game/login?user=bob&pass=x")));
    EXPECT_EQ(Title(), "游戏大厅 - bob");
    EXPECT_EQ(events_.locations.back(), ServerUrl("/game/lobby.html"));
    ASSERT_TRUE(Load(ServerUrl("/game/logout")));
    EXPECT_EQ(Title(), "游戏登录");
}

TEST_F(HeadlessBrowserTest, BackAndForwardMoveThroughHistory) {
    EXPECT_THROW(browser_->GoBack(), BrowserError);
    EXPECT_THROW(browser_->GoForward(), BrowserError);
    EXPECT_THROW(browser_->Refresh(), BrowserError);
    ASSERT_TRUE(Load(ServerUrl("/faq.html")));
    ASSERT_TRUE(Load(ServerUrl("/game/login.html")));
    ASSERT_TRUE(Load("about:blank"));
    EXPECT_THROW(browser_->GoForward(), BrowserError);

    browser_->GoBack();
    ASSERT_TRUE(WaitDocuments(4));
    EXPECT_EQ(browser_->LocationURL(), ServerUrl("/game/login.html"));
    browser_->GoBack();
    ASSERT_TRUE(WaitDocuments(5));
    EXPECT_EQ(Title(), "帮助中心");
    EXPECT_THROW(browser_->GoBack(), BrowserError);
    browser_->GoForward();
    ASSERT_TRUE(WaitDocuments(6));
    EXPECT_EQ(Title(), "游戏登录");

    // A new page drops the entries ahead.
    ASSERT_TRUE(Load(ServerUrl("/game/popup.html")));
    EXPECT_THROW(browser_->GoForward(), BrowserError);
    browser_->GoBack();
    ASSERT_TRUE(WaitDocuments(8));
    EXPECT_EQ(Title(), "游戏登录");
}

TEST_F(HeadlessBrowserTest, StopCancelsTheLoadAndANewNavigationReplacesIt) {
    ASSERT_TRUE(Load("about:blank"));
    ASSERT_EQ(test::Server("/_control/clearlog"), "ok\n");
    ASSERT_EQ(test::Server("/_control/set?path=/faq.html&delay=1500"), "ok\n");
    browser_->Navigate(ServerUrl("/faq.html"));
    EXPECT_TRUE(browser_->Busy());
    // Let the request reach the server, so that the worker is waiting for it.
    ASSERT_TRUE(WaitFor([] { return test::Server("/_log").find("/faq.html") != std::string::npos; },
                        kLoadMs));
    EXPECT_TRUE(browser_->Busy());
    browser_->Stop();
    EXPECT_FALSE(browser_->Busy());
    browser_->Stop();  // nothing to stop: no error
    WaitFor([] { return false; }, 2500);
    EXPECT_EQ(events_.documents, 1);
    EXPECT_EQ(browser_->LocationURL(), "about:blank");

    // Replaced: only the second navigation completes, and it need not wait
    // for the first one.
    browser_->Navigate(ServerUrl("/faq.html"));
    WaitFor([] { return false; }, 300);
    const DWORD start = GetTickCount();
    browser_->Navigate(ServerUrl("/game/login.html"));
    ASSERT_TRUE(WaitDocuments(2));
    EXPECT_LT(GetTickCount() - start, 1200u);
    WaitFor([] { return false; }, 2000);
    EXPECT_EQ(events_.documents, 2);
    EXPECT_EQ(Title(), "游戏登录");
    test::Server("/_control/reset");
}

TEST_F(HeadlessBrowserTest, LinksWithATargetAndWindowOpenAskForANewWindowAndLoadHere) {
    ASSERT_TRUE(Load(ServerUrl("/game/popup.html")));
    EXPECT_TRUE(events_.newWindows.empty());  // its script only defines a function
    const std::string target = ServerUrl("/game/popup-target.html");

    Find("linkBlank")->Click();
    ASSERT_EQ(events_.newWindows, (std::vector<std::string>{target}));
    ASSERT_TRUE(WaitDocuments(2));
    EXPECT_EQ(browser_->LocationURL(), target);
    EXPECT_EQ(Title().rfind("活动页 - ", 0), 0u);
    const auto newWindowAt =
        std::find(events_.log.begin(), events_.log.end(), "newwindow:" + target);
    EXPECT_LT(newWindowAt - events_.log.begin(),
              std::find(newWindowAt, events_.log.end(), "navigate") - events_.log.begin());

    browser_->GoBack();
    ASSERT_TRUE(WaitDocuments(3));
    Find("linkScript")->Click();  // onclick="window.open('...'); return false;"
    ASSERT_EQ(events_.newWindows.size(), 2u);
    EXPECT_EQ(events_.newWindows[1], target);
    ASSERT_TRUE(WaitDocuments(4));
    EXPECT_EQ(browser_->LocationURL(), target);

    // Clicking an element that is neither link nor button does nothing.
    ASSERT_TRUE(Load(ServerUrl("/faq.html")));
    Find("answer1")->Click();
    EXPECT_FALSE(browser_->Busy());
    EXPECT_EQ(events_.newWindows.size(), 2u);
}

TEST_F(HeadlessBrowserTest, GbkPagesAreReadAsGbk) {
    ASSERT_TRUE(Load(ServerUrl("/ip2city.asp")));
    EXPECT_EQ(Title(), "IP查询");
}

TEST_F(HeadlessBrowserTest, UnreachableServerCompletesWithAnErrorDocument) {
    const std::string url = "http://127.0.0.1:1/nothing.html";
    ASSERT_TRUE(Load(url));
    EXPECT_EQ(events_.log,
              (std::vector<std::string>{"navigate", "title:无法显示此页", "document"}));
    EXPECT_EQ(browser_->LocationURL(), url);
    ASSERT_NE(browser_->Document(), nullptr);
    EXPECT_EQ(browser_->Document()->Title(), "无法显示此页");
    // Refresh tries the same address again.
    browser_->Refresh();
    ASSERT_TRUE(WaitDocuments(2));
    EXPECT_EQ(Title(), "无法显示此页");
}

TEST_F(HeadlessBrowserTest, ClosingWhileLoadingFiresNothingMore) {
    ASSERT_EQ(test::Server("/_control/set?path=/faq.html&delay=800"), "ok\n");
    browser_->Navigate(ServerUrl("/faq.html"));
    WaitFor([] { return false; }, 300);
    HWND h = browser_->hwnd();
    browser_.reset();
    events_.control = nullptr;
    EXPECT_FALSE(IsWindow(h));
    WaitFor([] { return false; }, 1500);
    EXPECT_TRUE(events_.log.empty());
    test::Server("/_control/reset");
}

}  // namespace
}  // namespace lumo
