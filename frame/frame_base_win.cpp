#include "frame/frame_base_win.h"

#include <windowsx.h>

#include <algorithm>

#include "common/guard.h"
#include "common/text_win.h"
#include "frame/skin_win.h"

namespace lumo {

namespace {

struct FontChange {
    HFONT from, to;
};

BOOL CALLBACK SwapFont(HWND child, LPARAM data) {
    const auto* c = reinterpret_cast<const FontChange*>(data);
    if (GetWindowThreadProcessId(child, nullptr) == GetCurrentThreadId() &&
        reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0)) == c->from)
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(c->to), FALSE);
    return TRUE;
}

// Posted to a maximised frame whose size the system did not follow.
UINT FixSizeMessage() {
    static const UINT message = RegisterWindowMessageW(L"LumoFrameFixMaximizedSize");
    return message;
}

}  // namespace

FrameBase::FrameArgs FrameBase::DialogArgs(const wchar_t* className, const std::string& title,
                                           HICON icon, HWND owner, int width, int height) {
    RECT o{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (owner)
        GetWindowRect(owner, &o);
    int dpi = DpiOf(owner);
    width = Scale(width, dpi);
    height = Scale(height, dpi);
    FrameArgs a;
    a.className = className;
    a.title = title;
    a.icon = icon;
    a.owner = owner;
    a.width = width;
    a.height = height;
    a.x = o.left + (o.right - o.left - width) / 2;
    a.y = o.top + (o.bottom - o.top - height) / 2;
    a.resizable = false;
    a.maximizeEnabled = false;
    a.menuPanelWidth = 1;
    a.faceBackground = true;
    return a;
}

bool FrameBase::CreateFrame(const FrameArgs& args) {
    args_ = args;
    title_ = args.title;
    WindowCreateArgs w;
    w.className = args.className;
    w.caption = ToW(args.title);
    DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    if (!args.resizable)
        style &= ~WS_THICKFRAME;
    if (!args.maximizeEnabled)
        style &= ~WS_MAXIMIZEBOX;
    w.style = style;
    w.parent = args.owner;
    w.icon = args.icon;
    w.x = args.x;
    w.y = args.y;
    w.width = args.width;
    w.height = args.height;
    w.background = nullptr;
    if (!CreateWindowFrom(w))
        return false;
    // No system title bar: the caption bits go, all other bits stay.
    SetWindowLongW(hwnd(), GWL_STYLE, static_cast<LONG>(style & ~WS_CAPTION));
    SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOACTIVATE);
    // A dialog was sized for its owner's DPI (DialogArgs) and is laid out
    // for the same one, which is also that of the monitor it opens on.
    dpi_ = DpiOf(args.owner ? args.owner : hwnd());
    SetLayoutDpi(hwnd(), dpi_);
    titleFont_ = MakeFont(-12, dpi_, ToW("宋体").c_str(), FW_NORMAL, GB2312_CHARSET);
    CreateTitleBar();
    RECT rc;
    GetClientRect(hwnd(), &rc);
    LayoutTitleBar(rc.right);
    ApplyRegion(rc.right, rc.bottom);
    return true;
}

void FrameBase::CreateTitleBar() {
    auto StretchTitleBar = [this](HDC dc, const RECT& rc) {
        StretchPicture(dc, Skin::Get(dpi_).Picture(IDB_IMAGE_TITLE_BAR), rc);
    };
    panelMenuControl_.Create({hwnd(), L"PanelMenuControl"});
    HWND bar = panelMenuControl_.hwnd();
    paintPanelControl_.Create({bar, L"PaintPanelControl"});
    paintPanelControl_.onPaint = StretchTitleBar;
    paintPanelMenu_.Create({bar, L"PaintPanelMenu"});
    paintPanelMenu_.onPaint = [this](HDC dc, const RECT& rc) {
        StretchPicture(dc, Skin::Get(dpi_).Picture(IDB_IMAGE_MENU_BASE), rc);
    };
    toolBarMenu_.Create({paintPanelMenu_.hwnd(), L"ToolBarMenu"});
    toolBarMenu_.onPaint = [this](HDC dc, const RECT& rc) { PaintTitle(dc, rc); };
    toolBarMenu_.onMouse = [this](UINT msg, int x, int y) {
        if (msg == WM_LBUTTONDBLCLK)
            ToggleWindowState();
        drag_.OnMouse(toolBarMenu_.hwnd(), hwnd(), msg, x, y);
    };
    paintPanelMenu2_.Create({bar, L"PaintPanelMenu2", args_.menuPanelWidth > 1});
    paintPanelMenu2_.onPaint = StretchTitleBar;
    paintPanelMenu2_.onMouse = [this](UINT msg, int x, int y) {
        drag_.OnMouse(paintPanelMenu2_.hwnd(), hwnd(), msg, x, y);
    };
    paintPanelBlank_.Create({bar, L"PaintPanelBlank"});
    paintPanelBlank_.onPaint = StretchTitleBar;

    ButtonBar::CreateArgs c;
    c.parent = paintPanelControl_.hwnd();
    c.name = L"ToolBarControl";
    c.notify = hwnd();
    c.accessibleName = "窗口按钮";
    captionBar_.Create(c);
    captionBar_.onPaintBackground = StretchTitleBar;
    captionBar_.drawButton = [this](HDC dc, const ButtonBar::Button& b, bool hot, bool) {
        DrawCaptionButton(dc, b, hot);
    };
    captionBar_.describe = [this](const ButtonBar::Button& b, AccessibleItem& item) {
        if (b.id == kIdCaptionWindowState)
            item.name = IsZoomed(hwnd()) ? "还原" : "最大化";
    };
    const char* hints[] = {"最小化", "最大化/恢复", "关闭"};
    std::vector<ButtonBar::Button> buttons;
    for (int i = 0; i < 3; ++i) {
        ButtonBar::Button b;
        b.id = kIdCaptionMinimize + i;
        b.rect = {i * kCaptionButtonWidth, 0, (i + 1) * kCaptionButtonWidth, 20};
        b.image = i;
        b.hint = hints[i];
        b.enabled = i != 1 || args_.maximizeEnabled;
        buttons.push_back(b);
    }
    captionBar_.SetButtons(std::move(buttons));

    if (args_.menu) {
        ButtonBar::CreateArgs m;
        m.parent = paintPanelMenu2_.hwnd();
        m.name = L"ToolBarMenu2";
        m.accessibleName = "菜单栏";
        m.barRole = ROLE_SYSTEM_MENUBAR;
        m.buttonRole = ROLE_SYSTEM_MENUITEM;
        m.keyboard = true;
        menuBar_.Create(m);
        menuBar_.onEscape = [this] { LeaveMenuMode(); };
        menuBar_.onPaintBackground = StretchTitleBar;
        menuBar_.drawButton = [this](HDC dc, const ButtonBar::Button& b, bool hot, bool pressed) {
            DrawMenuButton(dc, b, hot, pressed);
        };
        menuBar_.onClick = [this](int id) { ShowMenu(id); };
    }
}

void FrameBase::LayoutTitleBar(int width) {
    const int barH = Px(kTitleBarHeight), captionW = Px(kCaptionButtonsWidth);
    panelMenuControl_.Move(0, 0, width, barH);
    int right = width - captionW;
    paintPanelControl_.Move(right, 0, captionW, barH);
    captionBar_.Move(0, Px(3), captionW, Px(21));
    // The menu panel keeps its design width in design units: the buttons
    // inside are laid out at 96 DPI and scaled by their bar.
    int menu2 = args_.menuPanelWidth;
    right -= args_.menuPanelWidth > 1 ? Px(menu2) : menu2;
    paintPanelMenu2_.Move(right, 0, args_.menuPanelWidth > 1 ? Px(menu2) : menu2, barH);
    right -= Px(kBlankPanelWidth);
    paintPanelBlank_.Move(right, 0, Px(kBlankPanelWidth), barH);
    paintPanelMenu_.Move(0, 0, std::max(0, right), barH);
    toolBarMenu_.Move(0, 0, std::max(0, right), barH);

    if (args_.menu && menuBar_.hwnd()) {
        menuBar_.Move(0, 0, Px(menu2), barH);
        // Right-aligned: the indent leaves room for one more button.
        int count = GetMenuItemCount(args_.menu);
        int indent = std::max(0, menu2 - (count + 1) * kMenuButtonWidth);
        std::vector<ButtonBar::Button> buttons;
        for (int i = 0; i < count; ++i) {
            wchar_t text[128] = {};
            GetMenuStringW(args_.menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
            ButtonBar::Button b;
            b.id = i;
            int left = indent + i * kMenuButtonWidth;
            b.rect = {left, 3, left + kMenuButtonWidth, 23};
            b.caption = FromW(text);
            buttons.push_back(b);
        }
        menuBar_.SetButtons(std::move(buttons));
    }
}

void FrameBase::PaintTitle(HDC dc, const RECT& rc) {
    StretchPicture(dc, Skin::Get(dpi_).Picture(IDB_IMAGE_TITLE_BAR), rc);
    HICON icon = args_.icon;
    if (icon)
        DrawIconEx(dc, Px(4), Px(3), icon, Px(16), Px(16), 0, nullptr, DI_NORMAL);
    // Two passes one pixel apart give the heavier title.
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0x33, 0x3B, 0x47));
    SelectedObject font(
        dc, titleFont_ ? static_cast<HGDIOBJ>(titleFont_.get()) : GetStockObject(DEFAULT_GUI_FONT));
    std::wstring text = ToW(title_);
    int right = std::min<int>(Px(kTitleIndent), rc.right);
    RECT first{Px(26) + 1, 1, right, rc.bottom};
    RECT second{Px(26), 0, right, rc.bottom};
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &first, flags);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &second, flags);
}

void FrameBase::DrawCaptionButton(HDC dc, const ButtonBar::Button& b, bool hot) {
    const Skin& skin = Skin::Get(dpi_);
    int x = b.rect.left + Px(1), y = b.rect.top + Px(1);
    if (b.image == 1 && IsZoomed(hwnd())) {
        // The restore glyph replaces the maximise glyph while maximised.
        int id = hot ? IDB_IMAGE_C212 : IDB_IMAGE_C211;
        SIZE s = skin.PictureSize(id);
        DrawPictureColumns(dc, skin.Picture(id), 0, s.cx, {x, y, x + s.cx, y + s.cy},
                           hot ? CLR_NONE : SKIN_KEY_COLOR);
        return;
    }
    DrawListImage(dc, skin.List(IDB_IMAGE_LIST1), b.image + (hot ? 3 : 0), x, y, !b.enabled);
}

void FrameBase::DrawMenuButton(HDC dc, const ButtonBar::Button& b, bool hot, bool pressed) {
    RECT r = b.rect;
    if (hot || pressed) {
        // Three slices of the pressed-menu picture, 2 px below the top.
        const Skin& skin = Skin::Get(dpi_);
        HBITMAP pic = skin.Picture(IDB_IMAGE_MENU_MOUSE_DOWN);
        int w = skin.PictureSize(IDB_IMAGE_MENU_MOUSE_DOWN).cx, cap = Px(5);
        int top = r.top - Px(1), bottom = r.bottom - Px(1);
        DrawPictureColumns(dc, pic, 0, cap, {r.left, top, r.left + cap, bottom});
        DrawPictureColumns(dc, pic, w - cap, cap, {r.right - cap, top, r.right, bottom});
        DrawPictureColumns(dc, pic, w - Px(8), cap, {r.left + cap, top, r.right - cap, bottom});
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0x33, 0x3B, 0x47));
    SelectedObject font(dc, GuiFont(dpi_));
    std::wstring text = ToW(b.caption);
    // The underlined letter is the menu's Alt key.
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

void FrameBase::SetTitleText(const std::string& text) {
    title_ = text;
    toolBarMenu_.Repaint();
}

RECT FrameBase::MaximizedRect() const {
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    if (GetMonitorInfoW(MonitorFromWindow(hwnd(), MONITOR_DEFAULTTONEAREST), &mi))
        return mi.rcWork;
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

void FrameBase::ToggleWindowState() {
    bool maximize = !IsZoomed(hwnd());
    RECT before{};
    GetWindowRect(hwnd(), &before);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    GetWindowPlacement(hwnd(), &placement);
    ShowWindow(hwnd(), maximize ? SW_MAXIMIZE : SW_RESTORE);
    // Without a window manager (Wine on a bare X server) the state changes
    // but not the size: then the frame sets the rectangle itself. A restore
    // the system carried out (the window moved) is left as it is.
    RECT now{};
    GetWindowRect(hwnd(), &now);
    RECT want = placement.rcNormalPosition;
    if (maximize) {
        want = MaximizedRect();
    } else if (EqualRect(&now, &before)) {
        // The normal position is in workspace coordinates.
        RECT work{};
        if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
            OffsetRect(&want, work.left, work.top);
    } else {
        want = now;
    }
    if (IsZoomed(hwnd()) == maximize && !IsRectEmpty(&want) && !EqualRect(&now, &want))
        SetWindowPos(hwnd(), nullptr, want.left, want.top, want.right - want.left,
                     want.bottom - want.top, SWP_NOZORDER | SWP_NOACTIVATE);
    // The X server may still report the old size afterwards: a few late
    // corrections are allowed.
    maximizeFixes_ = maximize ? 3 : 0;
    captionBar_.Repaint();
}

POINT FrameBase::CaptionButtonCenter(int index) const {
    RECT rc{};
    GetWindowRect(captionBar_.hwnd(), &rc);
    return {rc.left + Px(index * kCaptionButtonWidth + kCaptionButtonWidth / 2), rc.top + Px(10)};
}

void FrameBase::ApplyRegion(int width, int height) {
    // Rounded top corners; the region's bottom lies below the window.
    HRGN rgn = CreateRoundRectRgn(0, 0, width + 1, height + Px(6), Px(9), Px(9));
    if (rgn && !SetWindowRgn(hwnd(), rgn, TRUE))
        DeleteObject(rgn);
}

LRESULT FrameBase::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_SYSCOMMAND && (wp & 0xFFF0) == SC_KEYMENU) {
        // Never the system's menu loop: without a system caption it would
        // hold the window in a menu nobody sees. Posted, as the key may come
        // from a page process that waits for this answer.
        PostMessageW(hwnd(), KeyMenuMessage(), 0, lp);
        return 0;
    }
    if (msg == KeyMenuMessage() && msg != 0) {
        OnKeyMenu(lp);
        return 0;
    }
    if (msg == FixSizeMessage() && msg != 0) {
        RECT want = MaximizedRect();
        if (IsZoomed(hwnd()))
            SetWindowPos(hwnd(), nullptr, want.left, want.top, want.right - want.left,
                         want.bottom - want.top, SWP_NOZORDER | SWP_NOACTIVATE);
        return 0;
    }
    switch (msg) {
        case kDpiChangedMessage:
            OnDpiMessage(wp, lp);
            return 0;
        case WM_NCCALCSIZE:
            // The whole window is client area: the frame draws itself.
            return 0;
        case WM_ERASEBKGND: {
            if (!args_.faceBackground)
                return Window::HandleMessage(msg, wp, lp);
            RECT rc;
            GetClientRect(hwnd(), &rc);
            FillRect(reinterpret_cast<HDC>(wp), &rc, GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        case WM_CTLCOLORSTATIC:
            if (!args_.faceBackground)
                return Window::HandleMessage(msg, wp, lp);
            SetBkColor(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        case WM_NCACTIVATE:
            return TRUE;
        case WM_NCPAINT:
            return 0;
        case WM_NCHITTEST: {
            LRESULT hit = Window::HandleMessage(msg, wp, lp);
            if (hit != HTCLIENT || !args_.resizable || IsZoomed(hwnd()))
                return hit;
            RECT rc;
            GetWindowRect(hwnd(), &rc);
            int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
            int border = Px(kResizeBorder);
            bool left = x < rc.left + border, right = x >= rc.right - border;
            bool bottom = y >= rc.bottom - border;
            if (bottom)
                return left ? HTBOTTOMLEFT : right ? HTBOTTOMRIGHT : HTBOTTOM;
            if (left)
                return HTLEFT;
            if (right)
                return HTRIGHT;
            return hit;
        }
        case WM_GETMINMAXINFO: {
            // Maximised means the work area of the window's monitor, not the
            // whole screen: without a system caption nothing else keeps a
            // maximised window off the taskbar. The position is relative to
            // the monitor.
            auto* mmi = reinterpret_cast<MINMAXINFO*>(lp);
            MONITORINFO mi{};
            mi.cbSize = sizeof(mi);
            if (GetMonitorInfoW(MonitorFromWindow(hwnd(), MONITOR_DEFAULTTONEAREST), &mi)) {
                const RECT& work = mi.rcWork;
                mmi->ptMaxPosition = {work.left - mi.rcMonitor.left, work.top - mi.rcMonitor.top};
                mmi->ptMaxSize = {work.right - work.left, work.bottom - work.top};
                mmi->ptMaxTrackSize.x = std::max(mmi->ptMaxTrackSize.x, mmi->ptMaxSize.x);
                mmi->ptMaxTrackSize.y = std::max(mmi->ptMaxTrackSize.y, mmi->ptMaxSize.y);
            }
            return 0;
        }
        case WM_SIZE: {
            int w = LOWORD(lp), h = HIWORD(lp);
            if (maximizeFixes_ > 0 && IsZoomed(hwnd())) {
                RECT now{}, want = MaximizedRect();
                GetWindowRect(hwnd(), &now);
                if (!EqualRect(&now, &want)) {
                    --maximizeFixes_;
                    PostMessageW(hwnd(), FixSizeMessage(), 0, 0);
                }
            }
            if (wp != SIZE_MINIMIZED) {
                LayoutTitleBar(w);
                ApplyRegion(w, h);
                captionBar_.Repaint();
                OnFrameResize(w, h);
            }
            return 0;
        }
        case WM_COMMAND:
            switch (LOWORD(wp)) {
                case kIdCaptionMinimize:
                    OnMinimizeClick();
                    return 0;
                case kIdCaptionWindowState:
                    if (args_.maximizeEnabled)
                        ToggleWindowState();
                    return 0;
                case kIdCaptionClose:
                    OnCloseClick();
                    return 0;
                default:
                    return Window::HandleMessage(msg, wp, lp);
            }
        default:
            return Window::HandleMessage(msg, wp, lp);
    }
}

void FrameBase::OnDpiMessage(WPARAM wp, LPARAM lp) {
    const int old = dpi_;
    dpi_ = DpiOfChange(wp);
    SetLayoutDpi(hwnd(), dpi_);
    // Controls of this thread that show the control font of the old DPI
    // get the new one (pages of other processes are left alone).
    FontChange change{GuiFont(old), GuiFont(dpi_)};
    EnumChildWindows(hwnd(), SwapFont, reinterpret_cast<LPARAM>(&change));
    titleFont_ = MakeFont(-12, dpi_, ToW("宋体").c_str(), FW_NORMAL, GB2312_CHARSET);
    // Nothing is drawn while everything moves (under Wine that alone takes
    // two thirds of the time): one repaint at the end.
    const bool visible = IsWindowVisible(hwnd()) != FALSE;
    if (visible)
        SendMessageW(hwnd(), WM_SETREDRAW, FALSE, 0);
    Guarded([&] { OnDpiChanged(dpi_); });
    RECT rc;
    GetClientRect(hwnd(), &rc);
    LayoutTitleBar(rc.right);
    ApplyRegion(rc.right, rc.bottom);
    Guarded([&] { OnFrameResize(rc.right, rc.bottom); });
    if (visible)
        SendMessageW(hwnd(), WM_SETREDRAW, TRUE, 0);
    // The suggested rectangle keeps the window's place on the new monitor;
    // the window moves while it is drawn (a window moved undrawn leaves
    // its old place unpainted), and a new size lays it out once more.
    MoveToSuggestedRect(hwnd(), lp);
    RedrawWindow(hwnd(), nullptr, nullptr,
                 RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_FRAME);
}

void FrameBase::RunModal(HWND owner, bool enterCloses) {
    modalDone_ = false;
    if (owner)
        EnableWindow(owner, FALSE);
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
    MSG msg{};
    while (!modalDone_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_KEYDOWN &&
            (msg.wParam == VK_ESCAPE || (enterCloses && msg.wParam == VK_RETURN)) &&
            (msg.hwnd == hwnd() || IsChild(hwnd(), msg.hwnd))) {
            PostMessageW(hwnd(), WM_CLOSE, 0, 0);
            continue;
        }
        // Tab and Shift+Tab move between the fields, Enter is the default
        // button (WM_COMMAND IDOK), as in any dialog box.
        if (IsDialogMessageW(hwnd(), &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (!modalDone_ && msg.message == WM_QUIT)
        PostQuitMessage(static_cast<int>(msg.wParam));  // keep the quit for the main loop
    if (owner) {
        EnableWindow(owner, TRUE);
        SetForegroundWindow(owner);
    }
    if (hwnd())
        DestroyWindow(hwnd());
}

}  // namespace lumo
