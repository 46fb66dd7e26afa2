// The skinned frame without the shell: its region, its window state and the
// parts of its title bar. (The skin pictures are not linked here, so nothing
// is drawn from them; the frame must cope.)
#include <windows.h>

#include <gtest/gtest.h>

#include "common/window_win.h"
#include "frame/about_box_win.h"
#include "frame/frame_base_win.h"

using namespace lumo;

namespace {

class TestFrame : public FrameBase {
  public:
    bool Create(HMENU menu, bool maximize = true) {
        FrameArgs a;
        a.className = L"TLumoTestFrame";
        a.title = "测试窗口";
        a.x = 10;
        a.y = 10;
        a.width = 500;
        a.height = 300;
        a.menu = menu;
        a.maximizeEnabled = maximize;
        return CreateFrame(a);
    }
    int resizes = 0;

  protected:
    void OnFrameResize(int, int) override { ++resizes; }
};

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

TEST(Frame, OnlyTheTopCornersAreRoundedAtEverySize) {
    TestFrame f;
    ASSERT_TRUE(f.Create(nullptr));
    ShowWindow(f.hwnd(), SW_SHOWNORMAL);
    // No system caption: the whole window is client area.
    EXPECT_EQ(GetWindowLongW(f.hwnd(), GWL_STYLE) & WS_CAPTION, 0);
    for (SIZE s : {SIZE{500, 300}, SIZE{320, 200}, SIZE{900, 640}}) {
        SetWindowPos(f.hwnd(), nullptr, 0, 0, s.cx, s.cy, SWP_NOMOVE | SWP_NOZORDER);
        Pump();
        HRGN rgn = CreateRectRgn(0, 0, 0, 0);
        ASSERT_NE(GetWindowRgn(f.hwnd(), rgn), ERROR) << s.cx;
        EXPECT_FALSE(PtInRegion(rgn, 0, 0)) << s.cx;
        EXPECT_FALSE(PtInRegion(rgn, s.cx - 1, 0)) << s.cx;
        EXPECT_TRUE(PtInRegion(rgn, s.cx / 2, 0)) << s.cx;
        EXPECT_TRUE(PtInRegion(rgn, 0, s.cy - 1)) << s.cx;
        EXPECT_TRUE(PtInRegion(rgn, s.cx - 1, s.cy - 1)) << s.cx;
        DeleteObject(rgn);
    }
    EXPECT_GE(f.resizes, 3);
}

TEST(Frame, WindowStateButtonAndTitleBarParts) {
    HMENU menu = CreateMenu();
    for (const wchar_t* caption : {L"A", L"B", L"C", L"D"})
        AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), caption);
    {
        TestFrame f;
        ASSERT_TRUE(f.Create(menu));
        ShowWindow(f.hwnd(), SW_SHOWNORMAL);
        Pump();
        // Maximised: the work area of its monitor, also without a window
        // manager; restored: where it was.
        RECT normal, work, r;
        GetWindowRect(f.hwnd(), &normal);
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        for (int round = 0; round < 2; ++round) {
            f.ToggleWindowState();
            Pump();
            EXPECT_TRUE(IsZoomed(f.hwnd()));
            GetWindowRect(f.hwnd(), &r);
            EXPECT_TRUE(EqualRect(&r, &work))
                << r.left << "," << r.top << "," << r.right << "," << r.bottom;
            f.ToggleWindowState();
            Pump();
            EXPECT_FALSE(IsZoomed(f.hwnd()));
            GetWindowRect(f.hwnd(), &r);
            EXPECT_TRUE(EqualRect(&r, &normal))
                << r.left << "," << r.top << "," << r.right << "," << r.bottom;
        }

        // The caption buttons sit at the right end of the 26-px title bar,
        // the menu panel left of them, the title bar fills the rest.
        RECT rc;
        GetWindowRect(f.hwnd(), &rc);
        RECT buttons, menuBar, title;
        GetWindowRect(FindControl(f.hwnd(), L"ToolBarControl"), &buttons);
        GetWindowRect(FindControl(f.hwnd(), L"ToolBarMenu2"), &menuBar);
        GetWindowRect(FindControl(f.hwnd(), L"ToolBarMenu"), &title);
        EXPECT_EQ(buttons.right, rc.right);
        EXPECT_EQ(buttons.right - buttons.left, kCaptionButtonsWidth);
        EXPECT_EQ(menuBar.right, buttons.left);
        EXPECT_EQ(menuBar.right - menuBar.left, kMenuPanelWidth);
        EXPECT_EQ(title.left, rc.left);
        EXPECT_EQ(title.bottom - title.top, kTitleBarHeight);
        EXPECT_EQ(title.right, menuBar.left - kBlankPanelWidth);

        // A press on the close button closes the window.
        POINT close = f.CaptionButtonCenter(2);
        ScreenToClient(f.captionButtons(), &close);
        SendMessageW(f.captionButtons(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(close.x, close.y));
        SendMessageW(f.captionButtons(), WM_LBUTTONUP, 0, MAKELPARAM(close.x, close.y));
        HWND window = f.hwnd();
        Pump();
        Pump();  // WM_COMMAND, then WM_CLOSE
        EXPECT_FALSE(IsWindow(window));
    }
    DestroyMenu(menu);
}

TEST(Frame, DialogWithoutMaximiseStillTogglesByDoubleClick) {
    TestFrame f;
    ASSERT_TRUE(f.Create(nullptr, false));
    ShowWindow(f.hwnd(), SW_SHOWNORMAL);
    HWND title = FindControl(f.hwnd(), L"ToolBarMenu");
    SendMessageW(title, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(100, 10));
    Pump();
    EXPECT_TRUE(IsZoomed(f.hwnd()));
    SendMessageW(title, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(100, 10));
    Pump();
    EXPECT_FALSE(IsZoomed(f.hwnd()));
}

TEST(About, TextCarriesTheVersion) {
    EXPECT_EQ(
        AboutText("1.1.0.0"),
        "Lumo网页游戏多开浏览器\r\n\r\n使用Internet Explorer 内核引擎技术构建\r\n版本 1.1.0.0");
    EXPECT_NE(AboutText("").find("未知"), std::string::npos);
    // Where the games are kept, when not beside the program: a line of its own.
    EXPECT_EQ(AboutText("1.1.0.0", "游戏列表保存在 C:\\U\\"),
              AboutText("1.1.0.0") + "\r\n游戏列表保存在 C:\\U\\");
    EXPECT_EQ(FileVersionOf("C:\\no\\such\\file.exe"), "");
}

}  // namespace
