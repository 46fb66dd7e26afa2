// ToolBarTabParent: one tool button per page, in page-list order, drawn from
// the skin's tab pictures with the page title. The buttons react on mouse
// down (left selects, right closes a background tab, middle closes), as the
// tab handler decides; double-clicks reach them as two presses. The tab
// width the shell sets is a design width (96 DPI); the strip scales it, and
// its pictures and font, for the DPI of its window (SetDpi after a change).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "mainwindow/tab_geometry.h"

namespace lumo {

// Inserts a text-only button (no image) into a tool bar at `index`.
void InsertTextButton(HWND bar, int index, const std::string& text, int commandId);

class TabStrip {
  public:
    struct CreateArgs {
        HWND parent = nullptr;
        int id = 0;
        // (tab index, mouse button: VK_LBUTTON / VK_RBUTTON / VK_MBUTTON)
        std::function<void(int, int)> onTabMouseDown;
        std::function<void()> onEmptyDoubleClick;
        // The mouse moved over the strip: where the floating close button goes.
        std::function<void(const CloseButtonPlace&)> onCloseButton;
    };
    bool Create(const CreateArgs& args);
    HWND hwnd() const { return hwnd_; }

    int Count() const;
    void Insert(int index, const std::string& caption);
    void Remove(int index);
    void SetCaption(int index, const std::string& caption);
    void SetButtonWidth(int designWidth);
    // The window now shows at `dpi`: tab sizes and font follow.
    void SetDpi(int dpi);
    int dpi() const { return dpi_; }
    void SetActive(int index);
    int active() const { return active_; }
    std::string Caption(int index) const;
    // Tab `index` in strip coordinates, in pixels (empty when out of range).
    RECT TabRect(int index) const;

  private:
    void Paint(HDC dc);
    static LRESULT CALLBACK Subclass(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR self);

    HWND hwnd_ = nullptr;
    int width_ = 188;  // design width
    int dpi_ = 96;
    int active_ = -1;
    int nextCommand_ = 1000;
    CreateArgs args_;
};

}  // namespace lumo
