// What the library's small dialogs share: named controls in the GUI font of
// the dialog's DPI, and the strip along the bottom with OK and Cancel. Sizes
// are 96-DPI design values; the strip is laid out for the DPI it is given.
#pragma once

#include <windows.h>

#include <string>

#include "frame/paint_panel_win.h"

namespace lumo {

// A child control named `name` (as tests and screen readers find it), in
// the GUI font of the DPI its window is laid out for.
HWND MakeDialogControl(HWND parent, const wchar_t* cls, const std::string& text, DWORD style,
                       int id, const wchar_t* name, DWORD exStyle = 0);

// The text of a control, UTF-8.
std::string ControlText(HWND control);

// pnlCommand with sbtnOk (the default button, IDOK) and sbtnCanel (IDCANCEL);
// their clicks reach the dialog as WM_COMMAND.
class OkCancelPanel {
  public:
    bool Create(HWND dialog);
    // Along the bottom of a client area `width` by `height` pixels.
    void Layout(int width, int height, int dpi);
    bool created() const { return cancel_ != nullptr; }

  private:
    PaintPanel panel_;
    HWND ok_ = nullptr, cancel_ = nullptr;
};

}  // namespace lumo
