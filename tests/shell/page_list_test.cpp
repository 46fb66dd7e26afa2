// Page-list arithmetic, the blank-page guard, the selection view, cookie
// folders and the start-page pick.
#include <gtest/gtest.h>

#include <cmath>

#include "common/ini.h"
#include "common/text.h"
#include "mainwindow/tab_layout.h"
#include "shell/page_list.h"

using namespace lumo;

namespace {

PageList ListOf(std::vector<std::string> addresses, int current) {
    PageList list;
    for (size_t i = 0; i < addresses.size(); ++i) {
        auto p = std::make_unique<WbForm>();
        p->address = addresses[i];
        p->window = 100 + i;
        list.Insert(static_cast<int>(i), std::move(p));
    }
    list.SetCurrent(current);
    return list;
}

}  // namespace

TEST(PageList, InsertAfterCurrentAndFindByWindow) {
    PageList list = ListOf({"a", "b", "c", "d", "e"}, 2);
    auto page = std::make_unique<WbForm>();
    page->window = 555;
    WbForm& added = list.Insert(list.currentIndex() + 1, std::move(page));
    list.SetCurrent(3);
    EXPECT_EQ(list.IndexOf(&added), 3);
    EXPECT_EQ(list.current(), &added);
    EXPECT_EQ(list.FindByWindow(555), &added);
    EXPECT_EQ(list.FindByWindow(999), nullptr);
    EXPECT_EQ(list.At(4).address, "d");
    // Out-of-range inserts land at the ends.
    list.Insert(-3, std::make_unique<WbForm>());
    list.Insert(99, std::make_unique<WbForm>());
    EXPECT_EQ(list.Count(), 8);
    EXPECT_EQ(list.At(1).address, "a");
}

TEST(PageList, BlankGuardOnlyBlocksRealAddressesOnABlankCurrentPage) {
    PageList empty;
    EXPECT_FALSE(BlankPageGuardBlocks(empty, "http://x"));
    PageList blank = ListOf({"about:blank"}, 0);
    EXPECT_TRUE(BlankPageGuardBlocks(blank, "http://x"));
    EXPECT_FALSE(BlankPageGuardBlocks(blank, " About:Blank "));
    EXPECT_FALSE(BlankPageGuardBlocks(blank, "   "));
    PageList real = ListOf({"about:blank", "http://a"}, 1);
    EXPECT_FALSE(BlankPageGuardBlocks(real, "http://x"));
    // Only exactly "about:blank" counts as blank for the current page.
    PageList upper = ListOf({"ABOUT:BLANK"}, 0);
    EXPECT_FALSE(BlankPageGuardBlocks(upper, "http://x"));
    // Asked to open something, it is not blank while its first report lags.
    blank.At(0).requestedAddress = "http://start";
    EXPECT_FALSE(BlankPageGuardBlocks(blank, "http://x"));
    blank.At(0).requestedAddress = "about:blank";
    EXPECT_TRUE(BlankPageGuardBlocks(blank, "http://x"));
}

TEST(PageList, CloseDecisions) {
    using K = CloseDecision::Kind;
    // Current page 3 of 5 closes: 2 becomes current.
    CloseDecision d = DecideClose(5, 3, 3);
    EXPECT_EQ(d.kind, K::Remove);
    EXPECT_TRUE(d.closedCurrent);
    EXPECT_EQ(d.newCurrent, 2);
    // Background page 1 while 3 is current: the same page, now at 2, stays current.
    d = DecideClose(5, 3, 1);
    EXPECT_EQ(d.kind, K::Remove);
    EXPECT_FALSE(d.closedCurrent);
    EXPECT_EQ(d.newCurrent, 2);
    // A page after the current one leaves the index alone.
    EXPECT_EQ(DecideClose(5, 1, 4).newCurrent, 1);
    // The last page, current, gives its left neighbour.
    EXPECT_EQ(DecideClose(5, 4, 4).newCurrent, 3);
    // 999 stands for the current page.
    d = DecideClose(4, 2, kCurrentPageIndex);
    EXPECT_EQ(d.index, 2);
    EXPECT_EQ(d.newCurrent, 1);
    // Tab 0 and the only tab are blanked, the current index unchanged.
    d = DecideClose(3, 2, 0);
    EXPECT_EQ(d.kind, K::Blank);
    EXPECT_EQ(d.newCurrent, 2);
    EXPECT_EQ(DecideClose(1, 0, kCurrentPageIndex).kind, K::Blank);
    // Nonsense indexes do nothing.
    EXPECT_EQ(DecideClose(3, 0, 7).kind, K::Ignore);
    EXPECT_EQ(DecideClose(0, 0, 0).kind, K::Ignore);
}

TEST(PageList, SelectViewShowsTitleAndAddress) {
    WbForm page;
    page.displayTitle = "游戏大厅 - alice";
    page.address = " http://Game/Lobby.html?tn=1234&x=1";
    SelectView v = ComputeSelectView(page, 2);
    EXPECT_EQ(v.caption, "Lumo网页游戏多开器  -  游戏大厅 - alice");
    EXPECT_EQ(v.addressBox, "http://Game/Lobby.html?&x=1");
    EXPECT_EQ(v.status, " 游戏大厅 - alice< http://Game/Lobby.html?&x=1>");
    EXPECT_TRUE(v.focusPage);

    // A blank page falls back to the requested address...
    page.address = "About:Blank";
    page.requestedAddress = "http://home/";
    EXPECT_EQ(ComputeSelectView(page, 2).addressBox, "http://home/");
    // ...and with none the address box says about:blank, focus to it.
    page.requestedAddress.clear();
    v = ComputeSelectView(page, 2);
    EXPECT_EQ(v.addressBox, "about:blank");
    EXPECT_EQ(v.status, "");
    EXPECT_FALSE(v.focusPage);
    EXPECT_TRUE(ComputeSelectView(page, 1).focusPage);

    page.address = "file:///C:/Lumo/Data/lastunclose.htm";
    EXPECT_EQ(ComputeSelectView(page, 2).status, " Lumo://Data/lastunclose.htm");
    EXPECT_EQ(RemoveTnMarker("a?tn=12"), "a?");
    EXPECT_EQ(RemoveTnMarker("tn=1234tn=5678"), "tn=5678");
}

TEST(CookieFolders, NumbersStayInRangeAndOpenFoldersAreNeverReused) {
    for (int s = 0; s < 96400; s += 7) {
        int n = CookieFolderNumber(s);
        ASSERT_GE(n, 1);
        ASSERT_LE(n, 100);
    }
    auto noFiles = [](const std::string&) { return false; };
    // A seed that always gives the same number: the open folder is skipped.
    double seed = 1.0;
    int n = CookieFolderNumber(seed);
    std::string taken = "C:\\L\\cookies\\Temp" + std::to_string(n);
    std::string got =
        MakeCookieFolder("C:\\L\\", [&] { return seed; }, noFiles, {AsciiLower(taken)});
    EXPECT_NE(got, taken);
    EXPECT_EQ(got.rfind("C:\\L\\cookies\\Temp", 0), 0u);

    // 100 open pages: the next gets a number beyond them.
    std::set<std::string> all;
    for (int i = 1; i <= 100; ++i) all.insert("c:\\l\\cookies\\temp" + std::to_string(i));
    EXPECT_EQ(MakeCookieFolder(
                  "C:\\L\\", [] { return 5.0; }, noFiles, all),
              "C:\\L\\cookies\\Temp101");

    // A plain file of the candidate's name is passed over too.
    double seeds[] = {1.0, 2.0};
    int call = 0;
    std::string first = "C:\\L\\cookies\\Temp" + std::to_string(CookieFolderNumber(1.0));
    got = MakeCookieFolder(
        "C:\\L\\", [&] { return seeds[call++ % 2]; },
        [&](const std::string& p) { return p == first; }, {});
    EXPECT_EQ(got, "C:\\L\\cookies\\Temp" + std::to_string(CookieFolderNumber(2.0)));
}

TEST(StartPage, PickFromTheList) {
    auto pick = [](const char* text, double seed) {
        return PickFirstPageFrom(IniDoc::Parse(text), seed);
    };
    EXPECT_EQ(pick("", 1), "");
    EXPECT_EQ(pick("[ADList]\r\nCount=\r\n", 1), "");
    EXPECT_EQ(pick("[ADList]\r\nCount=1\r\nL1=\r\n", 1), "about:blank");
    EXPECT_EQ(pick("[ADList]\r\nCount=1\r\nL1=http://one/\r\n", 1), "http://one/");
    EXPECT_EQ(pick("[ADList]\r\nCount=0\r\nL1=http://one/\r\n", 1), "about:blank");
    EXPECT_EQ(pick("[ADList]\r\nCount=x\r\nL1=http://one/\r\n", 1), "about:blank");
    const char* three = "[ADList]\r\nCount=3\r\nL1=a\r\nL2=b\r\nL3=c\r\n";
    std::set<std::string> seen;
    for (int s = 0; s < 2000; ++s) seen.insert(pick(three, s));
    EXPECT_EQ(seen, (std::set<std::string>{"a", "b", "c"}));
}

TEST(TabLayout, WidthRule) {
    TabStripMetrics m{1024, 35, 22};
    EXPECT_EQ(AvailableTabRoom(m), 937);
    EXPECT_EQ(LayoutTabWidths(m, 4, 100).tabWidth, 188);
    EXPECT_EQ(LayoutTabWidths(m, 5, 100).tabWidth, 187);
    // One tab is always the default width, however narrow the window.
    TabStripMetrics narrow{200, 35, 22};
    TabWidths one = LayoutTabWidths(narrow, 1, 60);
    EXPECT_EQ(one.buttonWidth, 188);
    EXPECT_EQ(one.tabWidth, 60);
    EXPECT_EQ(LayoutTabWidths(m, 0, 50).tabWidth, 188);
    EXPECT_EQ(PrefitTabWidth(m, 1024, 4, 188), 187);
    EXPECT_EQ(PrefitTabWidth(m, 1024, 3, 188), 188);
}
