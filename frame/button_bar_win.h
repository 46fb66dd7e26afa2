// An owner-drawn row of buttons (the tool bars of the skinned windows): each
// button takes its picture from an image list by index, its base index plus
// a fixed offset while the mouse is over it and the same offset again while
// it is pressed. The background comes from a paint handler. A click sends
// WM_COMMAND with the button's id to the notify window (or runs onClick).
// Screen readers see the bar and its buttons (named by hint, else caption);
// a bar made for the keyboard moves with the arrows and presses with Enter,
// Space, Down or a button's underlined letter.
// Button rectangles and the picture place are design sizes at 96 DPI; the
// bar scales them for the DPI of its window and takes its pictures from the
// skin made for that DPI.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "frame/accessible_win.h"
#include "frame/paint_panel_win.h"

namespace lumo {

class ButtonBar : public Window, private AccessibleSource {
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
        // What screen readers hear: the bar's name and role, the buttons' role.
        std::string accessibleName;
        long barRole = ROLE_SYSTEM_TOOLBAR;
        long buttonRole = ROLE_SYSTEM_PUSHBUTTON;
        bool keyboard = false;  // takes the focus and moves with the arrows
    };
    bool Create(const CreateArgs& args);

    // Background of the bar (dc, client rectangle).
    std::function<void(HDC, const RECT&)> onPaintBackground;
    // Replaces the picture drawing: (dc, button with its rectangle in
    // pixels, hot, pressed).
    std::function<void(HDC, const Button&, bool, bool)> drawButton;
    // Runs instead of WM_COMMAND when set: (button id).
    std::function<void(int)> onClick;
    // Esc while the bar has the keyboard.
    std::function<void()> onEscape;
    // Adjusts what screen readers hear of a button (name by state, ...).
    std::function<void(const Button&, AccessibleItem&)> describe;

    void SetButtons(std::vector<Button> buttons);
    std::vector<Button>& buttons() { return buttons_; }
    void Move(int x, int y, int w, int h) { MoveWindow(hwnd(), x, y, w, h, TRUE); }
    void Repaint() { InvalidateRect(hwnd(), nullptr, FALSE); }
    // The screen rectangle of the button with `id`.
    RECT ScreenRect(int id) const;
    // The keyboard's button (an index) while the bar has the focus.
    int keyFocus() const { return focus_; }
    void SetKeyFocus(int index);
    // The button whose caption underlines `letter`, or -1.
    int IndexOfMnemonic(wchar_t letter) const;
    // A click on button `index`, as by the mouse.
    void Press(int index);
    // Button `index`'s rectangle in the bar, in pixels at the bar's DPI.
    RECT PixelRect(size_t index) const;
    int dpi() const;

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    int HitTest(int x, int y) const;
    void Paint(HDC dc);
    void UpdateTips();
    bool OnKey(WPARAM vk);
    bool Usable(int index) const;

    AccessibleItem AccessibleSelf() override;
    int AccessibleCount() override { return static_cast<int>(buttons_.size()); }
    AccessibleItem AccessiblePart(int index) override;
    void AccessibleDoDefault(int index) override { Press(index); }
    int AccessibleFocusedPart() override { return focus_; }

    CreateArgs args_;
    std::vector<Button> buttons_;
    int hot_ = -1;
    int pressed_ = -1;
    bool tracking_ = false;
    int focus_ = -1;
    HWND tips_ = nullptr;
    AccessibleHost access_{*this};
};

}  // namespace lumo
