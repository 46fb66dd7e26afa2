// Where the parts of the tab strip go: tabs, the slices of a tab picture,
// titles, the end piece, the new-tab button and the floating close button.
// Coordinates are relative to the tab strip (ToolBarTabParent) unless noted;
// text measuring and drawing stay with the Win32 side. Sizes below are
// design sizes at 96 DPI; the functions taking a `dpi` work in pixels at
// that DPI (the tab rectangles given and returned are pixels).
#pragma once

#include <vector>

#include "common/dpi.h"
#include "mainwindow/tab_layout.h"

namespace lumo {

inline constexpr int kTabHeight = 33;
inline constexpr int kTabCapWidth = 22;
inline constexpr int kTabPictureWidth = 189;  // right-cap columns count from here
inline constexpr int kTabTextLeftInset = kTabCapWidth + 16;
inline constexpr int kTabTextRightInset = 10;
inline constexpr int kTabTextMargin = 50;  // wider titles are cut with an ellipsis
inline constexpr int kTabIconLeft = 22;
inline constexpr int kTabIconTop = 10;
inline constexpr int kTabBodyTop = 4;  // the skin's tab shape starts here; titles centre below
inline constexpr int kNewTabGap = 2;   // between the end piece and the new-tab button
inline constexpr int kCloseButtonSize = 16;
inline constexpr int kCloseButtonTop = 10;  // relative to the tab panel

struct StripRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    friend bool operator==(const StripRect&, const StripRect&) = default;
};

// Tab `index` when every tab is `tabWidth` wide.
StripRect TabBounds(int index, int tabWidth);

// The whole strip for `tabCount` tabs: the width rule, each tab, the end
// piece after the last tab and the new-tab button 2 px after it.
struct TabStripLayout {
    TabWidths widths;
    std::vector<StripRect> tabs;
    StripRect endPiece;  // empty without tabs
    int newTabLeft = 0;  // left edge of the new-tab button bar
};
TabStripLayout LayoutTabStrip(const TabStripMetrics& m, int tabCount, int currentWidth);

// Which of the five tab pictures a tab shows.
enum class TabPicture { FirstActive, Active, ActiveNext, First, Normal };
TabPicture PickTabPicture(int index, int activeIndex);

// A tab picture drawn as three slices: left cap, stretched middle, right
// cap. Source columns are those of the picture; `dst` lies on the strip.
struct TabSlice {
    int srcLeft = 0;
    int srcWidth = 0;
    StripRect dst;
};
struct TabSlices {
    TabSlice leftCap, middle, rightCap;
};
// The picture is the skin's for `dpi` (its columns scaled alike).
TabSlices SliceTabPicture(const StripRect& tab, int dpi = kDesignDpi);

// The title's rectangle and alignment for a title `textWidth` pixels wide.
// `ellipsis`: one line, left-aligned, cut with "..."; else centred.
struct TabTitleLayout {
    StripRect rect;
    bool ellipsis = false;
};
TabTitleLayout LayoutTabTitle(const StripRect& tab, int textWidth, int dpi = kDesignDpi);

// The floating close button for the mouse at (x, y) relative to tab
// `index`: near the right edge it closes that tab, near the left edge of
// any tab but the first it closes the tab before. `left` is on the strip,
// `top` on the tab panel.
struct CloseButtonPlace {
    bool show = false;
    int left = 0;
    int top = 0;
    int targetIndex = -1;
};
CloseButtonPlace PlaceCloseButton(int index, const StripRect& tab, int x, int y,
                                  int dpi = kDesignDpi);

}  // namespace lumo
