// ToolBarTabParent: one tool button per page, in page-list order, drawn from
// the skin's tab pictures with the caption (the page title, or the saved
// game's name), a colour strip along the top for a coloured game, and a
// tooltip per tab. The buttons react on mouse
// down (left selects, right closes a background tab, middle closes), as the
// tab handler decides; double-clicks reach them as two presses. With the
// keyboard on the strip a focus rectangle marks a tab, the arrows (Home,
// End) move it and Enter or Space makes that tab current. Screen readers see
// a page-tab list whose current tab is selected. The tab width the shell
// sets is a design width (96 DPI); the strip scales it, and its pictures and
// font, for the DPI of its window (SetDpi after a change).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "frame/accessible_win.h"
#include "mainwindow/tab_geometry.h"

namespace lumo {

inline constexpr COLORREF kNoTabColour = 0xFFFFFFFF;

// Inserts a text-only button (no image) into a tool bar at `index`.
void InsertTextButton(HWND bar, int index, const std::string& text, int commandId);

class TabStrip : private AccessibleSource {
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
    // The tab's tooltip text and colour strip (kNoTabColour: none).
    void SetTab(int index, const std::string& tip, COLORREF colour);
    std::string Tip(int index) const;
    void SetButtonWidth(int designWidth);
    // The window now shows at `dpi`: tab sizes and font follow.
    void SetDpi(int dpi);
    int dpi() const { return dpi_; }
    void SetActive(int index);
    int active() const { return active_; }
    std::string Caption(int index) const;
    // Tab `index` in strip coordinates, in pixels (empty when out of range).
    RECT TabRect(int index) const;
    // The tab the keyboard is on while the strip has the focus.
    int keyFocus() const { return focus_; }

  private:
    void Paint(HDC dc);
    bool OnKey(WPARAM vk);
    void MoveKeyFocus(int index);
    void Select(int index);

    AccessibleItem AccessibleSelf() override;
    int AccessibleCount() override { return Count(); }
    AccessibleItem AccessiblePart(int index) override;
    void AccessibleDoDefault(int index) override { Select(index); }
    int AccessibleFocusedPart() override { return focus_; }

    void TrackTip(POINT pt);
    struct Extra {
        std::string tip;
        COLORREF colour = kNoTabColour;
    };
    static LRESULT CALLBACK Subclass(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR self);

    HWND hwnd_ = nullptr;
    int width_ = 188;  // design width
    int dpi_ = 96;
    int active_ = -1;
    int focus_ = -1;
    int nextCommand_ = 1000;
    CreateArgs args_;
    AccessibleHost access_{*this};
    std::vector<Extra> extras_;  // per tab, in tab order
    HWND tip_ = nullptr;
    int tipTab_ = -1;
};

}  // namespace lumo
