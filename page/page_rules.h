// Rules of the page window that need no Windows.
#pragma once

#include <string>
#include <string_view>

namespace lumo {

inline constexpr char kBlankPageTitle[] = "空白页";
inline constexpr char kBillDeclaration[] = "<?xml version=\"1.0\" encoding=\"GB2312\" ?>";

// The title a page reports: blanks trimmed, ASCII letters lowered, and
// "about:blank" (any case) shown as the words for blank page.
std::string ReportedTitle(std::string_view title);

// The pending fill text for a bill: the XML declaration and the bill, or ""
// when there is no bill.
std::string PendingFillText(std::string_view bill);

// Where the browser control goes in a page window of the given client size:
// two pixels out of view at the left and top.
struct ControlRect {
    int left, top, width, height;
};
ControlRect BrowserControlRect(int formWidth, int formHeight);

}  // namespace lumo
