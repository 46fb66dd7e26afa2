#include "mainwindow/tab_geometry.h"

#include <algorithm>

namespace lumo {

StripRect TabBounds(int index, int tabWidth) {
    return {index * tabWidth, 0, (index + 1) * tabWidth, kTabHeight};
}

TabStripLayout LayoutTabStrip(const TabStripMetrics& m, int tabCount, int currentWidth) {
    TabStripLayout layout;
    layout.widths = LayoutTabWidths(m, tabCount, currentWidth);
    for (int i = 0; i < tabCount; ++i)
        layout.tabs.push_back(TabBounds(i, layout.widths.buttonWidth));
    // The end piece overlaps the last tab's last column; the new-tab button
    // follows it. Without tabs the button sits at the strip's start.
    layout.newTabLeft = kNewTabGap;
    if (!layout.tabs.empty()) {
        int left = layout.tabs.back().right - 1;
        layout.endPiece = {left, 0, left + kTabEndPieceWidth, kTabHeight};
        layout.newTabLeft = layout.endPiece.right + kNewTabGap;
    }
    return layout;
}

TabPicture PickTabPicture(int index, int activeIndex) {
    if (index == activeIndex)
        return index == 0 ? TabPicture::FirstActive : TabPicture::Active;
    if (index == activeIndex + 1)
        return TabPicture::ActiveNext;
    return index == 0 ? TabPicture::First : TabPicture::Normal;
}

TabSlices SliceTabPicture(const StripRect& tab) {
    const int l = tab.left, r = tab.right, t = tab.top, b = tab.bottom;
    const int capRight = kTabPictureWidth - kTabCapWidth;  // 167
    TabSlices s;
    s.leftCap = {0, kTabCapWidth, {l, t, l + kTabCapWidth, b}};
    // The right cap runs one pixel past the tab's right edge.
    s.rightCap = {capRight, kTabCapWidth, {r - 21, t, r + 1, b}};
    // A tab narrower than its two caps gets no middle (a negative width
    // would mirror the slice).
    int midLeft = l + kTabCapWidth;
    s.middle = {capRight - kTabCapWidth, kTabCapWidth, {midLeft, t, std::max(midLeft, r - 21), b}};
    return s;
}

TabTitleLayout LayoutTabTitle(const StripRect& tab, int textWidth) {
    TabTitleLayout title;
    int left = tab.left + kTabTextLeftInset;
    title.rect = {left, tab.top + kTabBodyTop, std::max(left, tab.right - kTabTextRightInset),
                  tab.bottom};
    title.ellipsis = textWidth > tab.Width() - kTabTextMargin;
    return title;
}

CloseButtonPlace PlaceCloseButton(int index, const StripRect& tab, int x, int y) {
    if (y <= 12 || y >= 28)
        return {};
    if (x > tab.Width() - 5)
        return {true, tab.right - 10, kCloseButtonTop, index};
    if (x > 0 && x < 10 && index > 0)
        return {true, tab.left - 10, kCloseButtonTop, index - 1};
    return {};
}

}  // namespace lumo
