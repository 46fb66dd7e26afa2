// Tab rectangles, picture slices, titles, the new-tab button and the
// floating close button.
#include <gtest/gtest.h>

#include <ostream>

#include "mainwindow/tab_geometry.h"

namespace lumo {
void PrintTo(const StripRect& r, std::ostream* os) {
    *os << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}
}  // namespace lumo

using namespace lumo;

namespace {

TEST(TabGeometry, StripForWindowWidths) {
    // A 35-px side-panel button bar and a 22-px new-tab bar, as in the window.
    struct Case {
        int window, tabs, width;
    } cases[] = {
        {1280, 1, 188}, {1280, 6, 188}, {1280, 7, 170},  // room 1193
        {1024, 4, 188}, {1024, 5, 187}, {1024, 10, 93},  // room 937
        {300, 1, 188},  {300, 2, 106},  {300, 12, 17},   // room 213
        {300, 300, 1},  {40, 3, 1},                      // no room at all
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.window) + " px, " + std::to_string(c.tabs) + " tabs");
        TabStripLayout s = LayoutTabStrip({c.window, 35, 22}, c.tabs, 100);
        EXPECT_EQ(s.widths.buttonWidth, c.width);
        ASSERT_EQ(s.tabs.size(), size_t(c.tabs));
        for (int i = 0; i < c.tabs; ++i)
            EXPECT_EQ(s.tabs[i], (StripRect{i * c.width, 0, (i + 1) * c.width, 33}));
        int end = c.tabs * c.width;
        EXPECT_EQ(s.endPiece, (StripRect{end - 1, 0, end + 24, 33}));
        EXPECT_EQ(s.newTabLeft, end + 26);
        // Shared tabs leave the new-tab button inside the window.
        if (c.tabs > 1 && c.width > 1) {
            EXPECT_LE(35 + s.newTabLeft + 22, c.window);
        }
    }
    TabStripLayout none = LayoutTabStrip({1024, 35, 22}, 0, 100);
    EXPECT_TRUE(none.tabs.empty());
    EXPECT_EQ(none.newTabLeft, 2);
}

TEST(TabGeometry, PicturePerTab) {
    struct Case {
        int index, active;
        TabPicture picture;
    } cases[] = {
        {0, 0, TabPicture::FirstActive}, {2, 2, TabPicture::Active}, {1, 0, TabPicture::ActiveNext},
        {3, 2, TabPicture::ActiveNext},  {0, 2, TabPicture::First},  {1, 2, TabPicture::Normal},
        {4, 2, TabPicture::Normal},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PickTabPicture(c.index, c.active), c.picture) << c.index << " " << c.active;
}

TEST(TabGeometry, PictureSlices) {
    TabSlices s = SliceTabPicture(TabBounds(2, 188));  // 376..564
    EXPECT_EQ(s.leftCap.srcLeft, 0);
    EXPECT_EQ(s.leftCap.dst, (StripRect{376, 0, 398, 33}));
    EXPECT_EQ(s.middle.srcLeft, 145);
    EXPECT_EQ(s.middle.srcWidth, 22);
    EXPECT_EQ(s.middle.dst, (StripRect{398, 0, 543, 33}));
    EXPECT_EQ(s.rightCap.srcLeft, 167);
    EXPECT_EQ(s.rightCap.dst, (StripRect{543, 0, 565, 33}));
    // A tab narrower than its caps gets an empty middle, never a mirrored one.
    TabSlices narrow = SliceTabPicture(TabBounds(1, 17));
    EXPECT_EQ(narrow.middle.dst.Width(), 0);
    // At 150 % the caps and source columns of the scaled picture grow alike
    // (33-px caps of a 284-px picture), the tab being in pixels already.
    TabSlices big = SliceTabPicture({564, 0, 846, 50}, 144);
    EXPECT_EQ(big.leftCap.dst, (StripRect{564, 0, 597, 50}));
    EXPECT_EQ(big.rightCap.srcLeft, 284 - 33);
    EXPECT_EQ(big.rightCap.dst, (StripRect{814, 0, 847, 50}));
    EXPECT_EQ(big.middle.srcLeft, 284 - 66);
    EXPECT_EQ(big.middle.dst, (StripRect{597, 0, 814, 50}));
    EXPECT_EQ(LayoutTabTitle({0, 0, 282, 50}, 207, 144).rect, (StripRect{57, 6, 267, 50}));
    EXPECT_TRUE(LayoutTabTitle({0, 0, 282, 50}, 208, 144).ellipsis);
    EXPECT_EQ(PlaceCloseButton(3, {564, 0, 846, 50}, 280, 30, 144).left, 846 - 15);
}

TEST(TabGeometry, TitleRectAndEllipsis) {
    StripRect tab = TabBounds(1, 188);
    TabTitleLayout fits = LayoutTabTitle(tab, 138);
    EXPECT_EQ(fits.rect, (StripRect{188 + 38, 4, 376 - 10, 33}));
    EXPECT_FALSE(fits.ellipsis);
    EXPECT_TRUE(LayoutTabTitle(tab, 139).ellipsis);
    TabTitleLayout narrow = LayoutTabTitle(TabBounds(0, 17), 0);
    EXPECT_TRUE(narrow.ellipsis);
    EXPECT_GE(narrow.rect.Width(), 0);
}

TEST(TabGeometry, CloseButtonHoverZones) {
    struct Case {
        int index, x, y;
        bool show;
        int left, target;
    } cases[] = {
        {1, 96, 20, true, 190, 1},  // right edge closes this tab
        {1, 99, 13, true, 190, 1}, {1, 96, 27, true, 190, 1},
        {1, 95, 20, false, 0, -1}, {1, 96, 12, false, 0, -1},
        {1, 96, 28, false, 0, -1}, {1, 3, 20, true, 90, 0},  // left edge closes the one before
        {1, 9, 20, true, 90, 0},   {1, 10, 20, false, 0, -1},
        {1, 0, 20, false, 0, -1},  {0, 3, 20, false, 0, -1},  // the first tab has no left zone
        {0, 97, 20, true, 90, 0},  {1, 50, 20, false, 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.index) + " at " + std::to_string(c.x) + "," +
                     std::to_string(c.y));
        CloseButtonPlace p = PlaceCloseButton(c.index, TabBounds(c.index, 100), c.x, c.y);
        EXPECT_EQ(p.show, c.show);
        if (!c.show)
            continue;
        EXPECT_EQ(p.left, c.left);
        EXPECT_EQ(p.top, 10);
        EXPECT_EQ(p.targetIndex, c.target);
    }
}

}  // namespace
