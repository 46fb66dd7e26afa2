// What a page window reports and where its browser control goes.
#include <gtest/gtest.h>

#include "page/bill.h"
#include "page/page_rules.h"

using namespace lumo;

TEST(PageRules, ReportedTitles) {
    EXPECT_EQ(ReportedTitle("ABOUT:BLANK"), "空白页");
    EXPECT_EQ(ReportedTitle("  about:blank "), "空白页");
    EXPECT_EQ(ReportedTitle("游戏大厅 - ALICE"), "游戏大厅 - alice");
    EXPECT_EQ(ReportedTitle("ÄÖ Game"), "ÄÖ game");
    EXPECT_EQ(PendingFillText(""), "");
    EXPECT_EQ(PendingFillText("<Forms></Forms>"),
              "<?xml version=\"1.0\" encoding=\"GB2312\" ?><Forms></Forms>");
    ControlRect r = BrowserControlRect(400, 300);
    EXPECT_EQ(r.left, -2);
    EXPECT_EQ(r.top, -2);
    EXPECT_EQ(r.width, 402);
    EXPECT_EQ(r.height, 302);
}

TEST(PageRules, BillText) {
    struct Case {
        std::vector<BillForm> forms;
        std::string bill;
    } cases[] = {
        {{}, "<Forms></Forms>"},
        {{{"", {}}}, "<Forms><Form><FormName></FormName></Form></Forms>"},
        {{{"login", {{"user", "alice", false}, {"", "dropped", false}, {"go", "登录", true}}}},
         "<Forms><Form><FormName>login</FormName>"
         "<ITEM><EName>user</EName><EValue>alice</EValue></ITEM>"
         "<ITEM><EName>go</EName><EValue>LumoSubmitButton.Click</EValue></ITEM></Form></Forms>"},
        {{{"a&b", {{"pw", "<x>&amp;", false}}}, {"second", {}}},
         "<Forms><Form><FormName>a&amp;b</FormName>"
         "<ITEM><EName>pw</EName><EValue>&lt;x&gt;&amp;amp;</EValue></ITEM></Form>"
         "<Form><FormName>second</FormName></Form></Forms>"},
    };
    for (const Case& c : cases) EXPECT_EQ(BillText(c.forms), c.bill);
}
