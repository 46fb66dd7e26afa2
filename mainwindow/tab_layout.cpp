#include "mainwindow/tab_layout.h"

#include <algorithm>

namespace lumo {

int AvailableTabRoom(const TabStripMetrics& m) {
    return m.windowWidth - m.tabNewBarWidth - m.newTabBarWidth - kTabEndPieceWidth - kTabStripSlack;
}

TabWidths LayoutTabWidths(const TabStripMetrics& m, int tabCount, int currentWidth) {
    if (tabCount == 1)
        return {currentWidth, kDefaultTabWidth};
    int avail = AvailableTabRoom(m);
    int width = (tabCount <= 0 || avail >= kDefaultTabWidth * tabCount + 2) ? kDefaultTabWidth
                                                                            : avail / tabCount;
    // A window too narrow for its tabs still gives each a width of 1 at least.
    width = std::max(width, 1);
    return {width, width};
}

int PrefitTabWidth(const TabStripMetrics& m, int stripWidth, int tabCount, int currentWidth) {
    if (AvailableTabRoom(m) < (tabCount + 1) * currentWidth + 2) {
        return std::max(1, (stripWidth - m.tabNewBarWidth - m.newTabBarWidth - kTabEndPieceWidth -
                            kTabStripSlack) /
                               (tabCount + 1));
    }
    return currentWidth;
}

}  // namespace lumo
