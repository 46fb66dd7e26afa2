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

TabSlices SliceTabPicture(const StripRect& tab, int dpi) {
    const int l = tab.left, r = tab.right, t = tab.top, b = tab.bottom;
    const int cap = Scale(kTabCapWidth, dpi);
    const int capRight = Scale(kTabPictureWidth, dpi) - cap;  // 167 at 96 DPI
    TabSlices s;
    s.leftCap = {0, cap, {l, t, l + cap, b}};
    // The right cap runs one pixel past the tab's right edge.
    s.rightCap = {capRight, cap, {r - cap + 1, t, r + 1, b}};
    // A tab narrower than its two caps gets no middle (a negative width
    // would mirror the slice).
    int midLeft = l + cap;
    s.middle = {capRight - cap, cap, {midLeft, t, std::max(midLeft, r - cap + 1), b}};
    return s;
}

TabTitleLayout LayoutTabTitle(const StripRect& tab, int textWidth, int dpi) {
    TabTitleLayout title;
    int left = tab.left + Scale(kTabTextLeftInset, dpi);
    title.rect = {left, tab.top + Scale(kTabBodyTop, dpi),
                  std::max(left, tab.right - Scale(kTabTextRightInset, dpi)), tab.bottom};
    title.ellipsis = textWidth > tab.Width() - Scale(kTabTextMargin, dpi);
    return title;
}

CloseButtonPlace PlaceCloseButton(int index, const StripRect& tab, int x, int y, int dpi) {
    auto px = [dpi](int design) { return Scale(design, dpi); };
    if (y <= px(12) || y >= px(28))
        return {};
    if (x > tab.Width() - px(5))
        return {true, tab.right - px(10), px(kCloseButtonTop), index};
    if (x > 0 && x < px(10) && index > 0)
        return {true, tab.left - px(10), px(kCloseButtonTop), index - 1};
    return {};
}

}  // namespace lumo
