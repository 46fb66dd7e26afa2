// The main window's keyboard: Tab round its controls, F10 to the menu buttons.
#include "mainwindow/main_window_win.h"

#include <algorithm>

namespace lumo {

std::vector<HWND> MainWindow::FocusStops() {
    std::vector<HWND> stops{addressBox_, searchEdit_};
    if (tabs_.Count() > 0)
        stops.push_back(tabs_.hwnd());
    if (IsWindowVisible(sidePanel_.hwnd()))
        for (HWND h : sidePanel_.FocusStops())
            if (h && IsWindowVisible(h))
                stops.push_back(h);
    return stops;
}

void MainWindow::FocusStop(HWND stop) {
    if (stop == addressBox_) {
        FocusAddressBox(true);
        return;
    }
    SetFocus(stop);
    if (stop == searchEdit_)
        SendMessageW(searchEdit_, EM_SETSEL, 0, -1);
}

bool MainWindow::TranslateKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN)
        return false;
    bool ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
    bool shift = GetKeyState(VK_SHIFT) < 0;
    if (msg.wParam == VK_F10 && !ctrl && !alt && !shift) {
        if (InMenuMode())
            LeaveMenuMode();
        else
            EnterMenuMode(0, false);
        return true;
    }
    if (msg.message == WM_SYSKEYDOWN && alt && !ctrl &&
        ((msg.wParam >= 'A' && msg.wParam <= 'Z') || msg.wParam == VK_SPACE)) {
        // The menu keys, before a control's default procedure runs the
        // system's menu loop with them.
        PostMessageW(hwnd(), WM_SYSCOMMAND, SC_KEYMENU,
                     msg.wParam == VK_SPACE ? ' ' : static_cast<LPARAM>(msg.wParam));
        return true;
    }
    if (msg.wParam != VK_TAB || ctrl || alt || msg.message != WM_KEYDOWN)
        return false;
    if (InMenuMode())
        LeaveMenuMode();
    if (SendMessageW(addressBox_, CB_GETDROPPEDSTATE, 0, 0))
        SendMessageW(addressBox_, CB_SHOWDROPDOWN, FALSE, 0);
    std::vector<HWND> stops = FocusStops();
    HWND focus = GetFocus();
    auto at = std::find_if(stops.begin(), stops.end(),
                           [&](HWND h) { return h == focus || IsChild(h, focus); });
    int n = static_cast<int>(stops.size());
    int next;
    if (at == stops.end())
        next = shift ? n - 1 : 0;
    else
        next = (static_cast<int>(at - stops.begin()) + (shift ? n - 1 : 1)) % n;
    FocusStop(stops[static_cast<size_t>(next)]);
    return true;
}

}  // namespace lumo
