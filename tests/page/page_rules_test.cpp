// What a page window reports and where its browser control goes.
#include <gtest/gtest.h>

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
