// The frame's keyboard: the menu buttons of the title bar (Alt, F10, Alt+letter)
// and the window menu (Alt+Space).
#include "common/guard.h"
#include "frame/frame_base_win.h"

namespace lumo {

UINT FrameBase::KeyMenuMessage() {
    static const UINT message = RegisterWindowMessageW(L"LumoFrameKeyMenu");
    return message;
}

bool FrameBase::InMenuMode() const {
    return menuBar_.hwnd() && GetFocus() == menuBar_.hwnd();
}

void FrameBase::EnterMenuMode(int index, bool open) {
    if (!menuBar_.hwnd() || menuBar_.buttons().empty())
        return;
    if (!InMenuMode()) {
        menuReturnFocus_ = GetFocus();
        SetFocus(menuBar_.hwnd());
    }
    menuBar_.SetKeyFocus(index);
    if (open)
        ShowMenu(index);
}

void FrameBase::LeaveMenuMode() {
    if (!InMenuMode())
        return;
    HWND back = menuReturnFocus_;
    menuReturnFocus_ = nullptr;
    // The page windows of other processes take the focus back as well.
    SetFocus(back && IsWindow(back) && IsWindowVisible(back) ? back : hwnd());
}

void FrameBase::ShowMenu(int index) {
    HMENU sub = GetSubMenu(args_.menu, index);
    if (!sub)
        return;
    bool byKey = InMenuMode();
    if (byKey) {
        // Opened from the keyboard: its first item is marked, as in any menu.
        menuBar_.SetKeyFocus(index);
        PostMessageW(hwnd(), WM_KEYDOWN, VK_DOWN, 0);
    }
    RECT rc = menuBar_.ScreenRect(index);
    int cmd = TrackPopupMenu(sub, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, rc.left, rc.bottom,
                             0, hwnd(), nullptr);
    if (cmd) {
        LeaveMenuMode();
        Guarded([&] { OnMenuCommand(cmd); });
    }
}

void FrameBase::OnKeyMenu(LPARAM key) {
    if (key == ' ') {
        ShowWindowMenu();
        return;
    }
    if (key == 0) {
        // A lone Alt or F10 switches the menu mode.
        if (InMenuMode())
            LeaveMenuMode();
        else
            EnterMenuMode(0, false);
        return;
    }
    int index = menuBar_.hwnd() ? menuBar_.IndexOfMnemonic(static_cast<wchar_t>(key)) : -1;
    if (index >= 0)
        EnterMenuMode(index, true);
    else
        MessageBeep(MB_OK);
}

void FrameBase::ShowWindowMenu() {
    LeaveMenuMode();
    HMENU menu = GetSystemMenu(hwnd(), FALSE);
    if (!menu)
        return;
    bool zoomed = IsZoomed(hwnd()) != FALSE;
    auto enable = [&](UINT cmd, bool on) {
        EnableMenuItem(menu, cmd, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    };
    enable(SC_RESTORE, zoomed && args_.maximizeEnabled);
    enable(SC_MOVE, !zoomed);
    enable(SC_SIZE, !zoomed && args_.resizable);
    enable(SC_MINIMIZE, true);
    enable(SC_MAXIMIZE, !zoomed && args_.maximizeEnabled);
    enable(SC_CLOSE, true);
    POINT at{0, kTitleBarHeight};
    ClientToScreen(hwnd(), &at);
    PostMessageW(hwnd(), WM_KEYDOWN, VK_DOWN, 0);
    int cmd = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, at.x, at.y, 0,
                             hwnd(), nullptr);
    switch (cmd) {
        case 0:
            break;
        case SC_MAXIMIZE:
        case SC_RESTORE:
            // The frame's own maximise, which keeps the taskbar free.
            if (args_.maximizeEnabled && zoomed == (cmd == SC_RESTORE))
                ToggleWindowState();
            break;
        case SC_MINIMIZE:
            Guarded([&] { OnMinimizeClick(); });
            break;
        case SC_CLOSE:
            Guarded([&] { OnCloseClick(); });
            break;
        default:
            PostMessageW(hwnd(), WM_SYSCOMMAND, static_cast<WPARAM>(cmd), 0);
            break;
    }
}

}  // namespace lumo
