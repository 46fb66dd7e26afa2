// Widths of the tab strip.
#pragma once

namespace lumo {

inline constexpr int kDefaultTabWidth = 188;  // a tab picture's design width
inline constexpr int kTabEndPieceWidth = 25;
inline constexpr int kTabStripSlack = 5;

struct TabStripMetrics {
    int windowWidth = 0;     // the main window
    int tabNewBarWidth = 0;  // the side-panel button bar left of the tabs
    int newTabBarWidth = 0;  // the floating new-tab button bar
};

// The room the tabs may take: window width less the two button bars, the
// end piece and a small slack.
int AvailableTabRoom(const TabStripMetrics& m);

// The width every tab gets for `tabCount` tabs. One tab is always the
// default width; several share the room, never wider than the default
// and never narrower than 1.
// `currentWidth` is kept for a single tab (the strip's button width is set
// to the default, but the remembered width does not change).
struct TabWidths {
    int tabWidth;     // the remembered width
    int buttonWidth;  // the width applied to the strip's buttons
};
TabWidths LayoutTabWidths(const TabStripMetrics& m, int tabCount, int currentWidth);

// The pre-fit before a tab is added: when `tabCount` + 1 tabs of
// `currentWidth` do not fit, the width shrinks to the room of the strip
// divided among them. Returns the (possibly unchanged) width.
int PrefitTabWidth(const TabStripMetrics& m, int stripWidth, int tabCount, int currentWidth);

}  // namespace lumo
