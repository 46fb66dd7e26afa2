// Saved forms in real page processes (Lumo.exe on the headless engine) against
// the local maker server's demo game and a stand-in shell window: a page
// started with a bill logs in by itself; "SBI:" returns what was typed; and
// the system XML parser reads the pending text as the page keeps it.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/handle_win.h"
#include "common/http.h"
#include "common/text_win.h"
#include "page/bill.h"
#include "page/bill_xml_win.h"
#include "page/page_rules.h"
#include "protocol/messages_win.h"
#include "tests/support/recording_shell.h"
#include "tests/support/test_support.h"

using namespace lumo;
using namespace lumo::test;

namespace {

BOOL CALLBACK CollectEdit(HWND h, LPARAM out) {
    wchar_t cls[32] = {};
    GetClassNameW(h, cls, 32);
    if (lstrcmpiW(cls, L"Edit") == 0)
        reinterpret_cast<std::vector<HWND>*>(out)->push_back(h);
    return TRUE;
}

// The page window's edits (the login form's fields), in creation order.
std::vector<HWND> EditsOf(HWND page) {
    std::vector<HWND> edits;
    EnumChildWindows(page, CollectEdit, reinterpret_cast<LPARAM>(&edits));
    return edits;
}

// An edit's text, also from another process.
std::string EditText(HWND edit) {
    wchar_t text[64] = {};
    SendMessageW(edit, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text));
    return FromW(text);
}

class BillPageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetEnvironmentVariableW(L"LUMO_BROWSER_ENGINE", L"headless");
        exe_ = LayOutProgramFolder(folder_.path());
        ASSERT_TRUE(shell_.Create());
        ASSERT_EQ(Server("/_control/clearlog"), "ok\n");
    }
    void TearDown() override {
        for (auto& p : pages_)
            if (!p.Ended()) {
                TerminateProcess(p.process.get(), 0);
                p.Ended(5000);
            }
    }

    HWND StartPage(const std::string& address, const std::string& bill) {
        const int n = static_cast<int>(pages_.size()) + 1;
        auto started =
            StartProgram(exe_, {std::to_string(reinterpret_cast<uintptr_t>(shell_.hwnd())), address,
                                folder_.path() + "cookies\\Temp" + std::to_string(n), bill});
        if (!started)
            return nullptr;
        pages_.push_back(std::move(*started));
        return WaitForWindow(pages_.back().pid, L"TFormWebBrowser", 20000);
    }
    bool Received(const std::string& text, int ms = 15000) {
        return WaitFor(
            [&] {
                for (const auto& c : shell_.received())
                    if (c.text == text)
                        return true;
                return false;
            },
            ms);
    }

    TempFolder folder_{"bill"};
    std::string exe_;
    RecordingShell shell_;
    std::vector<Started> pages_;
};

}  // namespace

TEST_F(BillPageTest, SaveReturnsWhatWasTypedAndThatBillLogsInByItselfOnce) {
    HWND page = StartPage(ServerUrl("/game/login.html"), "");
    ASSERT_TRUE(page);
    ASSERT_TRUE(Received("TC:游戏登录"));
    ASSERT_TRUE(WaitFor([&] { return EditsOf(page).size() == 2; }, 5000));
    std::vector<HWND> edits = EditsOf(page);
    // Focus given to the page goes on to its first field.
    PostCommand(page, Messages().operate);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(page) != FALSE; }, 5000));
    const DWORD pageThread = GetWindowThreadProcessId(page, nullptr);
    ASSERT_TRUE(AttachThreadInput(GetCurrentThreadId(), pageThread, TRUE));
    SetFocus(page);
    EXPECT_TRUE(WaitFor([&] { return GetFocus() == edits[0]; }, 5000));
    AttachThreadInput(GetCurrentThreadId(), pageThread, FALSE);
    for (wchar_t ch : std::wstring(L"张三&<1>")) SendMessageW(edits[0], WM_CHAR, ch, 1);
    SendMessageW(edits[1], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L" p w "));

    ASSERT_TRUE(SendCopyData(page, shell_.hwnd(), "SBI:"));
    auto saved = shell_.With("SBI:");
    ASSERT_EQ(saved.size(), 1u);
    const std::string bill = saved[0].substr(4);
    EXPECT_EQ(bill,
              "<Forms fill='0'><Form submit='2'><FormName>loginForm</FormName>"
              "<ITEM><EName>username</EName><EValue>张三&amp;&lt;1&gt;</EValue></ITEM>"
              "<ITEM><EName>password</EName><EValue> p w </EValue></ITEM>"
              "<ITEM><EName>btnLogin</EName><EValue>LumoSubmitButton.Click</EValue></ITEM>"
              "</Form></Forms>");

    // Enter in a field submits its form.
    SendMessageW(edits[1], WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(Received("TC:游戏大厅 - 张三&<1>"));
    shell_.Clear();

    HWND second = StartPage(ServerUrl("/game/login.html"), bill);
    ASSERT_TRUE(second);
    ASSERT_TRUE(Received("TC:游戏大厅 - 张三&<1>"));
    EXPECT_EQ(Server("/_seen?path=/game/lobby.html"), "张三&<1>\n");
    // The submit marker was clicked: a later login page is left alone.
    shell_.Clear();
    ASSERT_EQ(Server("/_control/clearlog"), "ok\n");
    ASSERT_TRUE(SendCopyData(second, shell_.hwnd(), "NT:" + ServerUrl("/game/logout")));
    ASSERT_TRUE(Received("TC:游戏登录"));
    WaitFor([] { return false; }, 1000);
    EXPECT_EQ(shell_.With("TC:游戏大厅").size(), 0u);
    EXPECT_EQ(Server("/_log").find("POST\t/game/login"), std::string::npos);
}

// The login pages of real sites (the maker server's models): type a login,
// save, and a fresh page process started with that bill sends exactly one
// login request, the right one; bills saved by earlier versions replay as
// they always did.
TEST_F(BillPageTest, SavedLoginsLogInOnRealSitesAndOldBillsReplayAsBefore) {
    auto old = [](std::vector<BillForm> forms) { return BillText(forms); };
    struct Case {
        const char* page;                   // /real/PAGE.html
        std::vector<const wchar_t*> typed;  // into the page's edits, in order (null: left)
        std::string bill;                   // an earlier version's bill; "" to save one here
        const char* fill;                   // the fill= of the bill saved here
        std::string request;                // the one form request: method, target, body, verdict
    } cases[] = {
        {"search-first",
         {nullptr, L"alice", L"pw-a"},
         "",
         "1",
         "POST\t/real/login?case=search-first\tuser=alice&pass=pw-a\tok alice"},
        {"bare-button",
         {L"bob", L"pw-b"},
         "",
         "0",
         "POST\t/real/login?case=bare-button\tuser=bob&pass=pw-b\tok bob"},
        {"script-button",
         {L"bob", L"pw-b"},
         "",
         "0",
         "POST\t/real/login?case=script-button\tuser=bob&pass=pw-b\tok bob"},
        {"image-button",
         {L"carol", L"pw-c"},
         "",
         "0",
         "POST\t/real/login?case=image-button\tuser=carol&pass=pw-c&x=0&y=0\tok carol"},
        {"token",
         {L"dave", L"pw-d"},
         "",
         "0",
         "POST\t/real/"
         "login?case=token\tcsrf={token}&tz=%2B08%3A00&user=dave&pass=pw-d&login=%E7%99%"
         "BB%E5%BD%95\tok dave"},
        {"three-forms",
         {nullptr, L"erin", L"pw-e"},
         "",
         "2",
         "POST\t/real/login?case=three-forms\tuser=erin&pass=pw-e\tok erin"},
        {"table",
         {L"frank", L"pw-f", nullptr},
         "",
         "0",
         "POST\t/real/login?case=table\tuser=frank&pass=pw-f\tok frank"},
        // The first form only, its keyed submit clicked: the search, as before.
        {"search-first",
         {},
         old({{"", {{"q", "x", false}, {"go", "", true}}},
              {"", {{"user", "alice", false}, {"pass", "pw-a", false}}}}),
         "",
         "GET\t/real/search?q=x&go=%E6%90%9C%E7%B4%A2\t\tsearch"},
        // The saved token is written over the page's, as before: refused.
        {"token",
         {},
         old({{"",
               {{"csrf", "stale", false},
                {"tz", "", false},
                {"user", "dave", false},
                {"pass", "pw-d", false},
                {"login", "", true}}}}),
         "",
         "POST\t/real/login?case=token\tcsrf=stale&tz=&user=dave&pass=pw-d&login=%E7%99%BB%E5%"
         "BD%95\trefused: token"},
        {"three-forms", {}, old({{"", {{"lang", "en", false}}}, {"", {}}, {"login", {}}}), "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page + (c.bill.empty() ? std::string(" saved now") : " saved before"));
        ASSERT_EQ(Server("/_real/clear"), "ok\n");
        shell_.Clear();
        const std::string url = ServerUrl(std::string("/real/") + c.page + ".html");
        const std::string title = std::string("TC:登录 - ") + c.page;
        std::string bill = c.bill;
        if (bill.empty()) {
            HWND page = StartPage(url, "");
            ASSERT_TRUE(page);
            ASSERT_TRUE(Received(title));
            ASSERT_TRUE(WaitFor([&] { return EditsOf(page).size() == c.typed.size(); }, 5000));
            std::vector<HWND> edits = EditsOf(page);
            for (size_t i = 0; i < edits.size(); ++i)
                if (c.typed[i])
                    SendMessageW(edits[i], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.typed[i]));
            ASSERT_TRUE(SendCopyData(page, shell_.hwnd(), "SBI:"));
            ASSERT_EQ(shell_.With("SBI:").size(), 1u);
            bill = shell_.With("SBI:")[0].substr(4);
            EXPECT_EQ(bill.substr(0, 16), std::string("<Forms fill='") + c.fill + "'>");
            // What a page script put into the empty hidden field before saving.
            const std::string tz = "<EName>tz</EName><EValue>";
            if (size_t at = bill.find(tz); at != std::string::npos)
                bill.insert(at + tz.size(), "+08:00");
            TerminateProcess(pages_.back().process.get(), 0);
            pages_.back().Ended(5000);
            shell_.Clear();
        }
        HWND replay = StartPage(url, bill);
        ASSERT_TRUE(replay);
        ASSERT_TRUE(Received(title));
        auto requests = [] {
            std::string text = Server("/_real/requests");
            const size_t token = text.find("csrf=");
            if (token != std::string::npos && text.compare(token, 10, "csrf=stale") != 0)
                text.replace(token + 5, text.find('&', token) - token - 5, "{token}");
            return text;
        };
        const std::string expected = c.request.empty() ? "" : c.request + "\n";
        if (!expected.empty()) {
            EXPECT_TRUE(WaitFor([&] { return !requests().empty(); }, 10000));
        }
        // Back on the login page, nothing more is sent: one submit per bill.
        ASSERT_TRUE(SendCopyData(replay, shell_.hwnd(), "NT:" + url + "?again"));
        ASSERT_TRUE(WaitFor([&] { return shell_.With(title).size() >= 2u; }, 10000));
        WaitFor([] { return false; }, 500);
        EXPECT_EQ(requests(), expected);
        TerminateProcess(pages_.back().process.get(), 0);
        pages_.back().Ended(5000);
    }
}

TEST_F(BillPageTest, ABillWithoutSubmitIsFilledOnEveryLoad) {
    const std::string bill =
        BillText({{"loginForm", {{"username", "bill-b", false}, {"password", "pw", false}}}});
    HWND page = StartPage(ServerUrl("/game/login.html"), bill);
    ASSERT_TRUE(page);
    ASSERT_TRUE(Received("TC:游戏登录"));
    ASSERT_TRUE(WaitFor([&] { return EditsOf(page).size() == 2; }, 5000));
    EXPECT_EQ(EditText(EditsOf(page)[0]), "bill-b");
    SendMessageW(EditsOf(page)[0], WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"typed"));
    ASSERT_TRUE(SendCopyData(page, shell_.hwnd(), "NT:" + ServerUrl("/game/login.html?again")));
    ASSERT_TRUE(WaitFor(
        [&] {
            auto edits = EditsOf(page);
            return !edits.empty() && EditText(edits[0]) == "bill-b";
        },
        10000));
    EXPECT_EQ(Server("/_seen?path=/game/lobby.html"), "");
}

TEST(SystemXmlParser, ReadsThePendingTextLikeTheBillReader) {
    OleScope ole;
    const std::string bill =
        BillText({{"登录", {{"user", "张三 & <李四> \"'", false}, {"go", "", true}}}, {"", {}}});
    XmlNode tree = ParseXmlWithSystemParser(PendingFillText(bill));
    auto read = ReadBill(tree);
    ASSERT_TRUE(read);
    EXPECT_EQ(BillText(*read), bill);
    // A bill saved now: its attributes come through too.
    const std::string now = BillText({{"", {}}, {"登录", {{"go", "", true}}, "0"}}, 1);
    std::optional<int> fill;
    auto readNow = ReadBill(ParseXmlWithSystemParser(PendingFillText(now)), &fill);
    ASSERT_TRUE(readNow);
    EXPECT_EQ(BillText(*readNow, fill), now);
    EXPECT_EQ((*read)[0].items[0].value, "张三 & <李四> \"'");

    for (const char* bad : {"<Forms><Form></Forms>", "", "<Forms>&nbsp;</Forms>"})
        EXPECT_THROW(ParseXmlWithSystemParser(PendingFillText(bad)), BrowserError) << bad;
}
