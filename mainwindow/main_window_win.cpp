#include "mainwindow/main_window_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include "common/file.h"
#include "common/guard.h"
#include "common/handle_win.h"
#include "common/text_win.h"
#include "protocol/messages_win.h"

namespace lumo {

namespace {

enum ControlId {
    kIdNavFirst = 100,  // the six navigation buttons: 100..105
    kIdAddressBox = 200,
    kIdGo = 201,
    kIdSearchEdit = 202,
    kIdSearch = 203,
    kIdFavorites = 300,
    kIdNewTabFlow = 301,
    kIdTabClose = 302,
    kIdTabNew = 303,
    kIdTabStrip = 310,
    kIdTrayShow = 400,
    kIdTrayClose = 401,
};

HWND MakeChild(HWND parent, const wchar_t* cls, const wchar_t* name, DWORD style, int id = 0,
               DWORD exStyle = 0) {
    HWND h = CreateWindowExW(exStyle, cls, L"", WS_CHILD | style, 0, 0, 10, 10, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleW(nullptr), nullptr);
    if (h) {
        SetControlName(h, name);
        SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    }
    return h;
}

}  // namespace

bool MainWindow::Create(const CreateArgs& args) {
    args_ = args;
    INITCOMMONCONTROLSEX icc{sizeof(icc),
                             ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    Messages();
    if (!args_.programFolder.empty())
        CreateFolders(args_.programFolder + "UserData");

    WindowCreateArgs w;
    w.className = kMainWindowClass;
    w.caption = ToW(kMainWindowCaption);
    w.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    w.icon = args.icon;
    // Maximised over the work area from the start (also without a window
    // manager that would do it on SW_SHOWMAXIMIZED).
    RECT work{0, 0, 1024, 700};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    w.x = work.left;
    w.y = work.top;
    w.width = work.right - work.left;
    w.height = work.bottom - work.top;
    if (!CreateWindowFrom(w))
        return false;
    CreateControls();
    tray_ = std::make_unique<TrayIcon>(hwnd(), kTrayMessage, args_.icon, kMainWindowCaption);
    Layout();
    ShowWindow(hwnd(), args.showCmd);
    Layout();
    UpdateWindow(hwnd());
    return true;
}

HWND MainWindow::MakeToolBar(HWND parent, const wchar_t* name, int buttonW, int buttonH,
                             std::initializer_list<const char*> labels, int firstId) {
    HWND bar = MakeChild(parent, TOOLBARCLASSNAMEW, name,
                         WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST |
                             TBSTYLE_TOOLTIPS | CCS_NORESIZE | CCS_NODIVIDER | CCS_NOPARENTALIGN);
    SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(bar, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    int index = 0;
    for (const char* label : labels) InsertTextButton(bar, index++, label, firstId++);
    SendMessageW(bar, TB_SETBUTTONSIZE, 0, MAKELPARAM(buttonW, buttonH));
    for (int i = 0; i < static_cast<int>(labels.size()); ++i) {
        TBBUTTONINFOW info{};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_SIZE | TBIF_BYINDEX;
        info.cx = static_cast<WORD>(buttonW);
        SendMessageW(bar, TB_SETBUTTONINFOW, i, reinterpret_cast<LPARAM>(&info));
    }
    return bar;
}

void MainWindow::CreateControls() {
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    addressPanel_.Create({hwnd(), L"TPaintPanel", L"PaintPanelButtonAddress", face});
    tabPanel_.Create({hwnd(), L"TPaintPanel", L"PaintPanelMTop", face});
    sidePanel_.Create({hwnd(), L"TPanel", L"PanelLeft", face});
    splitter_.Create({hwnd(), L"TPanel", L"splrLeft", face});
    pageArea_.Create({hwnd(), L"TPanel", L"PanelWBMain", GetSysColor(COLOR_WINDOW)});
    statusBar_.Create({hwnd(), L"TPaintPanel", L"ToolBarStatusBar", kStatusColor});
    status1_.Create({statusBar_.hwnd(), L"TPanel", L"Panel_StatusBar1", kStatusColor});
    status2_.Create({statusBar_.hwnd(), L"TPanel", L"Panel_StatusBar2", kStatusColor});
    status3_.Create({statusBar_.hwnd(), L"TPanel", L"Panel_StatusBar3", kStatusColor});

    HWND ap = addressPanel_.hwnd();
    toolBarButton_ = MakeToolBar(ap, L"ToolBarButton", 39, 38,
                                 {"后退", "前进", "停止", "刷新", "主页", "保存"}, kIdNavFirst);
    toolBarAddress_ = MakeChild(ap, L"STATIC", L"ToolBarAddress", WS_VISIBLE | WS_CLIPCHILDREN);
    addressBox_ = MakeChild(ap, WC_COMBOBOXW, L"CBURL",
                            WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                            kIdAddressBox);
    toolBarGo_ = MakeToolBar(ap, L"ToolBarBGO", 36, 38, {"转到"}, kIdGo);
    toolBarSearchEdit_ = MakeChild(ap, L"STATIC", L"ToolBarSearchEdit", WS_VISIBLE);
    searchEdit_ = MakeChild(ap, WC_EDITW, L"edtSearch",
                            WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, kIdSearchEdit);
    toolBarSearchButton_ = MakeToolBar(ap, L"ToolBarSearchButton", 36, 38, {"搜索"}, kIdSearch);

    HWND tp = tabPanel_.hwnd();
    toolBarTabNew_ = MakeToolBar(tp, L"ToolBarTabNew", 35, 33, {"侧栏"}, kIdFavorites);
    TabStrip::CreateArgs t;
    t.parent = tp;
    t.id = kIdTabStrip;
    t.onTabMouseDown = [this](int index, int button) {
        if (args_.onTabMouseDown)
            args_.onTabMouseDown(index, button);
    };
    t.onEmptyDoubleClick = [this] {
        if (args_.onNewTab)
            args_.onNewTab();
    };
    tabs_.Create(t);
    newTabBar_ = MakeToolBar(tp, L"tbrNewTab", 22, 28, {"+"}, kIdNewTabFlow);
    closeBar_ = MakeToolBar(tp, L"ToolBarTabClose", 16, 16, {"x"}, kIdTabClose);
    ShowWindow(closeBar_, SW_HIDE);
    tabControlBar_ = MakeToolBar(tp, L"ToolBarTabControl", 22, 28, {"+"}, kIdTabNew);
    ShowWindow(tabControlBar_, SW_HIDE);

    progress_ = MakeChild(statusBar_.hwnd(), PROGRESS_CLASSW, L"ProBar", 0);
}

void MainWindow::Layout() {
    RECT rc;
    GetClientRect(hwnd(), &rc);
    int w = rc.right, h = rc.bottom;
    addressPanel_.Move(0, 0, w, kAddressPanelHeight);
    tabPanel_.Move(0, kAddressPanelHeight, w, kTabPanelHeight);
    int top = kAddressPanelHeight + kTabPanelHeight;
    int middle = std::max(0, h - top - kStatusBarHeight);
    bool side = IsWindowVisible(sidePanel_.hwnd()) != FALSE;
    int sideW = side ? kSidePanelWidth : 0;
    sidePanel_.Move(0, top, sideW, middle);
    splitter_.Move(sideW, top, side ? kSplitterWidth : 0, middle);
    int pageLeft = sideW + (side ? kSplitterWidth : 0);
    pageArea_.Move(pageLeft, top, std::max(0, w - pageLeft), middle);
    statusBar_.Move(0, h - kStatusBarHeight, w, kStatusBarHeight);
    int s1 = std::max(0, w - 2 * kStatusSidePanelWidth);
    status1_.Move(0, 0, s1, kStatusBarHeight);
    status2_.Move(s1, 0, kStatusSidePanelWidth, kStatusBarHeight);
    status3_.Move(s1 + kStatusSidePanelWidth, 0, kStatusSidePanelWidth, kStatusBarHeight);

    // Address panel: buttons left, then the address field, Go, search.
    int navW = 6 * 39;
    MoveWindow(toolBarButton_, 0, 1, navW, 39, TRUE);
    int right = w;
    MoveWindow(toolBarSearchButton_, right -= 36, 1, 36, 39, TRUE);
    MoveWindow(toolBarSearchEdit_, right -= 149, 1, 149, 39, TRUE);
    MoveWindow(toolBarGo_, right -= 36, 1, 36, 39, TRUE);
    int addrW = std::max(0, right - navW);
    MoveWindow(toolBarAddress_, navW, 1, addrW, 39, TRUE);
    // The address box: 22 px right of the buttons, 14 px short of the
    // field's end (the field's indent is 12).
    int boxLeft = navW + 22;
    MoveWindow(addressBox_, boxLeft, 9, std::max(0, addrW - 12 - 14), 300, TRUE);
    MoveWindow(searchEdit_, w - 36 - 149 + 26, 10, 149 - 30, 22, TRUE);

    // Tab panel.
    MoveWindow(toolBarTabNew_, 0, 0, 35, kTabPanelHeight, TRUE);
    MoveWindow(tabs_.hwnd(), 35, 0, std::max(0, w - 35), kTabPanelHeight, TRUE);
    PlaceNewTabButton();
}

void MainWindow::ShowTrayMenu() {
    UniqueMenu menu(CreatePopupMenu());
    AppendMenuW(menu.get(), MF_STRING, kIdTrayShow, ToW("显示主窗体(&S)").c_str());
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.get(), MF_STRING, kIdTrayClose, ToW("关闭浏览器(&X)").c_str());
    POINT pt;
    GetCursorPos(&pt);
    SetForegroundWindow(hwnd());
    TrackPopupMenu(menu.get(), TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd(), nullptr);
}

void MainWindow::ToggleVisible() {
    ShowWindow(hwnd(), IsWindowVisible(hwnd()) ? SW_HIDE : SW_SHOW);
}

void MainWindow::PlaceNewTabButton() {
    int count = tabs_.Count();
    int left = 35 + 2;
    if (count > 0) {
        RECT last = tabs_.TabRect(count - 1);
        left = 35 + last.right - 1 + 2;
    }
    MoveWindow(newTabBar_, left, 0, 22, kTabPanelHeight, TRUE);
    SetWindowPos(newTabBar_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

TabStripMetrics MainWindow::TabMetrics() const {
    RECT rc;
    GetWindowRect(hwnd(), &rc);
    return {rc.right - rc.left, 35, 22};
}

int MainWindow::TabStripWidth() const {
    RECT rc;
    GetWindowRect(tabs_.hwnd(), &rc);
    return rc.right - rc.left;
}

void MainWindow::SetAddressText(const std::string& text) {
    SetWindowTextW(addressBox_, ToW(text).c_str());
}

std::string MainWindow::addressText() const {
    int n = GetWindowTextLengthW(addressBox_);
    std::wstring w(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(addressBox_, w.data(), n + 1);
    w.resize(static_cast<size_t>(n));
    return FromW(w);
}

void MainWindow::SetStatusText(const std::string& text) {
    status1_.SetText(text);
}

void MainWindow::SetCaption(const std::string& text) {
    SetWindowTextW(hwnd(), ToW(text).c_str());
}

void MainWindow::FocusPageArea() {
    SetFocus(pageArea_.hwnd());
}

void MainWindow::FocusAddressBox(bool selectAll) {
    SetFocus(addressBox_);
    if (selectAll)
        SendMessageW(addressBox_, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

void MainWindow::HideCloseButton() {
    ShowWindow(closeBar_, SW_HIDE);
}

void MainWindow::LockUpdates() {
    if (lockDepth_++ == 0)
        SendMessageW(hwnd(), WM_SETREDRAW, FALSE, 0);
}

void MainWindow::UnlockUpdates() {
    if (lockDepth_ > 0 && --lockDepth_ == 0) {
        SendMessageW(hwnd(), WM_SETREDRAW, TRUE, 0);
        RedrawWindow(hwnd(), nullptr, nullptr,
                     RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
}

LRESULT MainWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COPYDATA: {
            if (auto cmd = ReadTextCommand(lp); cmd && args_.onTextCommand)
                Guarded([&] { args_.onTextCommand(reinterpret_cast<HWND>(wp), *cmd); });
            // Every text command, handled or not, repaints the tab strip.
            InvalidateRect(tabs_.hwnd(), nullptr, TRUE);
            return TRUE;
        }
        case WM_SIZE:
            Layout();
            if (args_.onPageAreaResized)
                args_.onPageAreaResized();
            return 0;
        case WM_COMMAND: {
            int id = LOWORD(wp);
            if (id >= kIdNavFirst && id < kIdNavFirst + 6) {
                if (args_.onNavButton)
                    args_.onNavButton(static_cast<NavButton>(id - kIdNavFirst));
            } else if (id == kIdNewTabFlow || id == kIdTabNew) {
                if (args_.onNewTab)
                    args_.onNewTab();
            } else if (id == kIdTrayShow) {
                ShowWindow(hwnd(), SW_SHOW);
            } else if (id == kIdTrayClose) {
                PostMessageW(hwnd(), WM_CLOSE, 0, 0);
            } else if (id == kIdFavorites) {
                ShowWindow(sidePanel_.hwnd(),
                           IsWindowVisible(sidePanel_.hwnd()) ? SW_HIDE : SW_SHOW);
                Layout();
                if (args_.onPageAreaResized)
                    args_.onPageAreaResized();
            }
            return 0;
        }
        case WM_SYSCOMMAND:
            // Minimising goes through the frame's own button and the tray.
            if ((wp & 0xFFF0) == SC_MINIMIZE)
                return 0;
            return DefWindowProcW(hwnd(), msg, wp, lp);
        case kTrayMessage:
            if (lp == WM_LBUTTONDBLCLK)
                ToggleVisible();
            if (lp == WM_RBUTTONDOWN)
                ShowTrayMenu();
            return 0;
        case kTrayLegacyMessage: {
            LRESULT r = Window::HandleMessage(msg, wp, lp);
            if (lp == WM_RBUTTONUP)
                ShowTrayMenu();
            if (lp == WM_LBUTTONUP)
                ShowWindow(hwnd(), SW_SHOW);
            return r;
        }
        case kRunDeferredMessage:
            if (args_.onRunDeferred)
                args_.onRunDeferred();
            return 0;
        case WM_CLOSE:
            // Pages first (hung ones are ended), then the window goes at
            // once; the tray icon's slow removal follows.
            if (args_.onClose)
                args_.onClose();
            ShowWindow(hwnd(), SW_HIDE);
            if (tray_)
                tray_->Remove();
            DestroyWindow(hwnd());
            return 0;
        default:
            if (tray_ && tray_->HandleMessage(msg))
                return 0;
            return Window::HandleMessage(msg, wp, lp);
    }
}

void MainWindow::OnDestroyed() {
    PostQuitMessage(0);
}

}  // namespace lumo
