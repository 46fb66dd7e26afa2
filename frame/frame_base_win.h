// TfrmBase: the skinned frame of the shell's own windows. No system caption:
// a 26-px title bar drawn from the skin (icon, doubled title text cut at the
// indent, an optional row of menu buttons, and the minimise, maximise/restore
// and close buttons), rounded top corners, dragging and double-click on the
// title bar. Derived forms lay out their controls below kTitleBarHeight.
// Every size here is a design size at 96 DPI: the frame scales it for the
// DPI of its monitor (Px), follows WM_DPICHANGED and tells the derived form
// (OnDpiChanged, then OnFrameResize).
#pragma once

#include <memory>
#include <string>

#include "common/dpi_win.h"
#include "common/handle_win.h"
#include "frame/button_bar_win.h"
#include "frame/paint_panel_win.h"

namespace lumo {

inline constexpr int kTitleBarHeight = 26;
inline constexpr int kCaptionButtonsWidth = 83;
inline constexpr int kCaptionButtonWidth = 26;
inline constexpr int kTitleIndent = 372;  // the title text is cut here
inline constexpr int kMenuPanelWidth = 220;
inline constexpr int kBlankPanelWidth = 14;
inline constexpr int kMenuButtonWidth = 55;
inline constexpr int kResizeBorder = 4;

// Caption-button ids (WM_COMMAND to the frame).
inline constexpr int kIdCaptionMinimize = 0xE100;
inline constexpr int kIdCaptionWindowState = 0xE101;
inline constexpr int kIdCaptionClose = 0xE102;

class FrameBase : public Window {
  public:
    struct FrameArgs {
        const wchar_t* className = L"TfrmBase";
        std::string title;  // TitleText; also the window caption
        HICON icon = nullptr;
        HWND owner = nullptr;
        int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = 640, height = 480;
        bool resizable = true;
        bool maximizeEnabled = true;
        int menuPanelWidth = kMenuPanelWidth;  // PaintPanelMenu2; 0 hides it
        HMENU menu = nullptr;         // shown as menu buttons in PaintPanelMenu2 (not owned)
        bool faceBackground = false;  // background and labels in the face colour
    };

    void SetTitleText(const std::string& text);
    const std::string& titleText() const { return title_; }
    // ToolButtonWindowStateClick: maximise a normal window over the work area
    // of its monitor, restore otherwise.
    void ToggleWindowState();
    // The work area of the window's monitor (screen coordinates).
    RECT MaximizedRect() const;
    HWND captionButtons() const { return captionBar_.hwnd(); }
    // The screen point at the middle of a caption button (0, 1, 2).
    POINT CaptionButtonCenter(int index) const;
    // The DPI the window is laid out for, and a design size in its pixels.
    int dpi() const { return dpi_; }
    int Px(int design) const { return Scale(design, dpi_); }

    // The keyboard on the title bar's menu buttons (Alt, F10), on button
    // `index`; `open` opens its menu as well. Esc, a click elsewhere or a
    // chosen command gives the keyboard back to where it was.
    void EnterMenuMode(int index, bool open);
    void LeaveMenuMode();
    bool InMenuMode() const;
    // Alt+Space: the window menu below the title bar's left end.
    void ShowWindowMenu();

  protected:
    // A fixed-size dialog frame centred on its owner (on the screen when
    // there is none), without maximise button or second menu panel, on the
    // face colour. `width` and `height` are design sizes, scaled for the
    // DPI of the owner's monitor.
    static FrameArgs DialogArgs(const wchar_t* className, const std::string& title, HICON icon,
                                HWND owner, int width, int height);
    bool CreateFrame(const FrameArgs& args);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    // The client area below the title bar changed size (also after a DPI
    // change).
    virtual void OnFrameResize(int /*width*/, int /*height*/) {}
    // The window moved to a monitor of another DPI: fonts and pictures made
    // for the old one are made again (controls of this thread showing
    // GuiFont of the old DPI already have the new one). OnFrameResize follows.
    virtual void OnDpiChanged(int /*dpi*/) {}
    // A command of the frame's menu.
    virtual void OnMenuCommand(int /*id*/) {}
    // ToolButtonMinimizeClick.
    virtual void OnMinimizeClick() { ShowWindow(hwnd(), SW_MINIMIZE); }
    // ToolButtonCloseClick: the form's own close handling.
    virtual void OnCloseClick() { PostMessageW(hwnd(), WM_CLOSE, 0, 0); }

    // Shows the window modally over `owner` (disabled meanwhile) until
    // EndModal; Esc, and Enter when `enterCloses`, close it. Otherwise keys
    // work as in a dialog box: Tab moves the focus, Enter sends IDOK. A WM_QUIT that
    // arrives meanwhile is kept for the main loop. The window is destroyed
    // at the end.
    void RunModal(HWND owner, bool enterCloses);
    void EndModal() { modalDone_ = true; }

  private:
    bool modalDone_ = false;
    void CreateTitleBar();
    void LayoutTitleBar(int width);
    void PaintTitle(HDC dc, const RECT& rc);
    void DrawCaptionButton(HDC dc, const ButtonBar::Button& b, bool hot);
    void DrawMenuButton(HDC dc, const ButtonBar::Button& b, bool hot, bool pressed);
    void ShowMenu(int index);
    void ApplyRegion(int width, int height);
    // SC_KEYMENU: a lone Alt or F10 (0), Alt+Space (' ') or Alt+letter.
    void OnKeyMenu(LPARAM key);
    static UINT KeyMenuMessage();
    void OnDpiMessage(WPARAM wp, LPARAM lp);

    FrameArgs args_;
    int dpi_ = kDesignDpi;
    std::string title_;
    UniqueFont titleFont_;
    PaintPanel panelMenuControl_, paintPanelMenu_, toolBarMenu_, paintPanelMenu2_;
    PaintPanel paintPanelBlank_, paintPanelControl_;
    ButtonBar captionBar_, menuBar_;
    CaptionDrag drag_;
    int maximizeFixes_ = 0;           // late size corrections left after a maximise
    HWND menuReturnFocus_ = nullptr;  // the focus before the menu mode
};

}  // namespace lumo
