// An owner-drawn row of buttons (the tool bars of the skinned windows): each
// button takes its picture from an image list by index, its base index plus
// a fixed offset while the mouse is over it and the same offset again while
// it is pressed. The background comes from a paint handler. A click sends
// WM_COMMAND with the button's id to the notify window (or runs onClick).
// Button rectangles and the picture place are design sizes at 96 DPI; the
// bar scales them for the DPI of its window and takes its pictures from the
// skin made for that DPI.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "frame/paint_panel_win.h"

namespace lumo {

class ButtonBar : public Window {
  public:
    struct Button {
        int id = 0;
        RECT rect{};  // in the bar, design size (96 DPI)
        int image = 0;
        std::string hint;
        std::string caption;  // drawn by drawButton, if any
        bool visible = true;
        bool enabled = true;
    };
    struct CreateArgs {
        HWND parent = nullptr;
        const wchar_t* name = L"";
        HWND notify = nullptr;  // receives WM_COMMAND; the parent when null
        int imageList = 0;      // the skin's image list (IDB_IMAGE_LIST*), 0 for none
        int hotOffset = 0;      // added while hot, and again while pressed
        POINT imageAt{0, 0};    // picture place relative to the button, design size
        bool visible = true;
    };
    bool Create(const CreateArgs& args);

    // Background of the bar (dc, client rectangle).
    std::function<void(HDC, const RECT&)> onPaintBackground;
    // Replaces the picture drawing: (dc, button with its rectangle in
    // pixels, hot, pressed).
    std::function<void(HDC, const Button&, bool, bool)> drawButton;
    // Runs instead of WM_COMMAND when set: (button id).
    std::function<void(int)> onClick;

    void SetButtons(std::vector<Button> buttons);
    std::vector<Button>& buttons() { return buttons_; }
    void Move(int x, int y, int w, int h) { MoveWindow(hwnd(), x, y, w, h, TRUE); }
    void Repaint() { InvalidateRect(hwnd(), nullptr, FALSE); }
    // The screen rectangle of the button with `id`.
    RECT ScreenRect(int id) const;
    // Button `index`'s rectangle in the bar, in pixels at the bar's DPI.
    RECT PixelRect(size_t index) const;
    int dpi() const;

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    int HitTest(int x, int y) const;
    void Paint(HDC dc);
    void UpdateTips();

    CreateArgs args_;
    std::vector<Button> buttons_;
    int hot_ = -1;
    int pressed_ = -1;
    bool tracking_ = false;
    HWND tips_ = nullptr;
};

}  // namespace lumo
