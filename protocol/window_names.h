// The names one process uses to find another's windows: the window classes
// of the main window and the page window, and the main window's caption (a
// page started without a usable window handle looks its shell up by it).
#pragma once

namespace lumo {

inline constexpr wchar_t kMainWindowClass[] = L"TfrmMain";
inline constexpr wchar_t kPageWindowClass[] = L"TFormWebBrowser";
inline constexpr char kMainWindowCaption[] = "Lumo网页游戏多开器";

}  // namespace lumo
