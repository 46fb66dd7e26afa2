// TPaintPanel: a panel that draws nothing of its own, only what its paint
// event draws. The event runs for the background erase and the paint alike
// (into one off-screen buffer), so the panel never flickers through a fill.
// Mouse events go to optional handlers; commands of child controls go on
// to the parent. A panel given the focus shows a focus rectangle and hands
// its keys to onKey; one given an accessible source answers screen readers.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/window_win.h"
#include "frame/accessible_win.h"

namespace lumo {

class PaintPanel : public Window {
  public:
    struct CreateArgs {
        HWND parent = nullptr;
        const wchar_t* name = L"";
        bool visible = true;
    };
    bool Create(const CreateArgs& args);

    // OnPaint(dc, client rectangle)
    std::function<void(HDC, const RECT&)> onPaint;
    // (message WM_xBUTTONDOWN / WM_LBUTTONDBLCLK / WM_MOUSEMOVE / WM_LBUTTONUP, x, y)
    std::function<void(UINT, int, int)> onMouse;
    // The mouse cursor over the panel; the class's arrow when null.
    HCURSOR cursor = nullptr;
    // A key pressed while the panel has the focus (virtual-key code).
    std::function<void(WPARAM)> onKey;
    // What screen readers are told of the panel; `source` outlives it.
    void SetAccessible(AccessibleSource& source) {
        access_ = std::make_unique<AccessibleHost>(source);
    }

    void Move(int x, int y, int w, int h) { MoveWindow(hwnd(), x, y, w, h, TRUE); }
    void Repaint() { InvalidateRect(hwnd(), nullptr, FALSE); }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    void Paint(HDC dc);
    std::unique_ptr<AccessibleHost> access_;
};

// Starts the system's move loop for `frame` as if its caption were dragged,
// once the mouse has moved the drag distance from a press. Feed it the
// mouse messages of a drag area.
class CaptionDrag {
  public:
    void OnMouse(HWND area, HWND frame, UINT msg, int x, int y);

  private:
    bool armed_ = false;
    POINT start_{};
};

}  // namespace lumo
