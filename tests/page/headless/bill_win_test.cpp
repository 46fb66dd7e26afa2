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
              "<Forms><Form><FormName>loginForm</FormName>"
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
    EXPECT_EQ((*read)[0].items[0].value, "张三 & <李四> \"'");

    for (const char* bad : {"<Forms><Form></Forms>", "", "<Forms>&nbsp;</Forms>"})
        EXPECT_THROW(ParseXmlWithSystemParser(PendingFillText(bad)), BrowserError) << bad;
}
