// The Windows half of the DPI helper (see dpi.h): the DPI of the monitor a
// window is on, and fonts made for a DPI. Layout code asks DpiOf(window)
// once, then passes every design size through Scale(value, dpi). Functions
// the system may lack (GetDpiForWindow before Windows 10 1607 and in older
// Wine) are bound at run time, with the screen's DPI as the fallback.
#pragma once

#include <windows.h>

#include "common/dpi.h"
#include "common/handle_win.h"

namespace lumo {

// The DPI `window` is laid out for: the one its top-level window recorded
// (SetLayoutDpi; so a page window of another process follows its main
// window), else the DPI of the monitor it is on (96 at 100 %, 144 at
// 150 %), else the screen's DPI.
int DpiOf(HWND window);
// Records the DPI a top-level window and everything in it are laid out for.
void SetLayoutDpi(HWND topLevel, int dpi);
// The screen's DPI (GetDeviceCaps LOGPIXELSX), as the system's own fonts
// and metrics are made for it.
int SystemDpi();

RECT Scale(const RECT& rect, int dpi);
SIZE Scale(SIZE size, int dpi);

// The shell's control font (the system's DEFAULT_GUI_FONT) made for `dpi`,
// one per DPI, kept until the process ends: for WM_SETFONT and painting.
HFONT GuiFont(int dpi);
// A font `designHeight` pixels high at 96 DPI (negative: the character
// height, as in LOGFONT), made for `dpi`.
UniqueFont MakeFont(int designHeight, int dpi, const wchar_t* face, int weight = FW_NORMAL,
                    BYTE charset = DEFAULT_CHARSET);
// Sends GuiFont(dpi) to a control (WM_SETFONT, redrawn).
void SetGuiFont(HWND control, int dpi);

// WM_DPICHANGED (also defined here for older headers): the new DPI is in
// wParam, the rectangle the system suggests for the window in lParam.
inline constexpr UINT kDpiChangedMessage = 0x02E0;
int DpiOfChange(WPARAM wp);
// Moves `window` to the suggested rectangle of a WM_DPICHANGED.
void MoveToSuggestedRect(HWND window, LPARAM lp);

}  // namespace lumo
