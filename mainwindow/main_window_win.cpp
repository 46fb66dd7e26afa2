#include "mainwindow/main_window_win.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>

#include "common/file.h"
#include "common/guard.h"
#include "common/handle_win.h"
#include "common/maker.h"
#include "common/text_win.h"
#include "frame/skin_win.h"
#include "mainwindow/address_rules.h"
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
    kIdMenuSaveGame = 0x7101,
    kIdMenuExit = 0x7102,
    kIdMenuSidePanel = 0x7103,
};

// SHAutoComplete: suggestions forced on, URL history and recently typed URLs.
constexpr DWORD kAddressAutoComplete = 0x10000006;
constexpr int kNavButtonW = 39, kNavButtonH = 38, kNavButtons = 6;
constexpr int kTabNewBarWidth = 35, kNewTabBarWidth = 22;

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

void PaintFormBase(HDC dc, const RECT& rc) {
    StretchPicture(dc, Skin::Get().Picture(IDB_IMAGE_FORM_BASE), rc);
}

void PaintTabBackground(HDC dc, const RECT& rc) {
    StretchPicture(dc, Skin::Get().Picture(IDB_IMAGE_TAB_BG), rc);
}

// The address and search fields: the frame picture in three slices, 7 px
// from the top, caps keyed on magenta, then an icon.
void PaintField(HDC dc, const RECT& rc, HIMAGELIST icon, int iconX, int iconY) {
    PaintFormBase(dc, rc);
    const Skin& skin = Skin::Get();
    HBITMAP frame = skin.Picture(IDB_IMAGE8);
    SIZE s = skin.PictureSize(IDB_IMAGE8);
    int top = 7, bottom = 7 + s.cy;
    DrawPictureColumns(dc, frame, 0, 3, {0, top, 3, bottom}, SKIN_KEY_COLOR);
    DrawPictureColumns(dc, frame, s.cx - 3, 3, {rc.right - 3, top, rc.right, bottom},
                       SKIN_KEY_COLOR);
    DrawPictureColumns(dc, frame, s.cx - 6, 3, {3, top, rc.right - 3, bottom});
    DrawListImage(dc, icon, 0, iconX, iconY);
}

HMENU BuildMainMenu() {
    HMENU menu = CreateMenu();
    auto sub = [&](const char* caption, std::initializer_list<std::pair<int, const char*>> items) {
        HMENU popup = CreatePopupMenu();
        for (auto [id, text] : items) {
            if (id == 0)
                AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
            else
                AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(id), ToW(text).c_str());
        }
        AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), ToW(caption).c_str());
    };
    using MC = MainWindow::MenuCommand;
    sub("文件(&F)",
        {{kIdMenuSaveGame, "保存游戏(&S)"}, {0, ""}, {kIdMenuExit, "退出(&X)\tCtrl+Q"}});
    sub("查看(&V)", {{kIdMenuSidePanel, "显示/隐藏侧栏(&S)"}});
    sub("工具(&T)", {{static_cast<int>(MC::SetAsDefaultBrowser), "设为默认浏览器\tCtrl+F12"}});
    sub("帮助(&H)", {{static_cast<int>(MC::Help), "内容(&C)\tF1"},
                     {0, ""},
                     {static_cast<int>(MC::About), "关于(&A)"}});
    return menu;
}

}  // namespace

bool MainWindow::Create(const CreateArgs& args) {
    args_ = args;
    searchOrigin_ = args.searchOrigin;
    INITCOMMONCONTROLSEX icc{sizeof(icc),
                             ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    Messages();
    if (!args_.programFolder.empty())
        CreateFolders(args_.programFolder + "UserData");
    menu_.reset(BuildMainMenu());

    // Maximised over the work area from the start (also without a window
    // manager that would do it on SW_SHOWMAXIMIZED).
    RECT work{0, 0, 1024, 700};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    FrameArgs f;
    f.className = kMainWindowClass;
    f.title = kMainWindowCaption;
    f.icon = args.icon;
    f.x = work.left;
    f.y = work.top;
    f.width = work.right - work.left;
    f.height = work.bottom - work.top;
    f.menu = menu_.get();
    if (!CreateFrame(f))
        return false;
    CreateControls();
    tray_ = std::make_unique<TrayIcon>(hwnd(), kTrayMessage, args_.icon, kMainWindowCaption);
    Layout();
    ShowWindow(hwnd(), args.showCmd);
    Layout();
    UpdateWindow(hwnd());
    return true;
}

void MainWindow::CreateControls() {
    addressPanel_.Create({hwnd(), L"PaintPanelButtonAddress"});
    addressPanel_.onPaint = PaintFormBase;
    tabPanel_.Create({hwnd(), L"PaintPanelMTop"});
    tabPanel_.onPaint = PaintFormBase;
    SidePanel::CreateArgs side;
    side.mainWindow = hwnd();
    side.icon = args_.icon;
    side.hotGamesAddress = MakerUrl(args_.programFolder, "/box.html");
    side.hooks = args_.sidePanel;
    side.onClose = [this] {
        if (IsWindowVisible(sidePanel_.hwnd()))
            ToggleSidePanel();
    };
    sidePanel_.Create(side);
    splitter_.Create({hwnd(), L"splrLeft"});
    splitter_.cursor = LoadCursorW(nullptr, IDC_SIZEWE);
    splitter_.onMouse = [this](UINT msg, int x, int) {
        // splrLeft: drag to size the side panel.
        if (msg == WM_LBUTTONDOWN) {
            dragOffset_ = x;
            SetCapture(splitter_.hwnd());
        } else if (msg == WM_MOUSEMOVE && dragOffset_ >= 0) {
            POINT pt;
            GetCursorPos(&pt);
            ScreenToClient(hwnd(), &pt);
            RECT rc;
            GetClientRect(hwnd(), &rc);
            int w = std::clamp(
                static_cast<int>(pt.x) - dragOffset_, kMinSidePanelWidth,
                std::max<int>(kMinSidePanelWidth, rc.right - kSplitterWidth - kMinPageAreaWidth));
            if (w != sideWidth_) {
                sideWidth_ = w;
                Layout();
                if (args_.onPageAreaResized)
                    args_.onPageAreaResized();
            }
        } else if (msg == WM_LBUTTONUP) {
            dragOffset_ = -1;
            ReleaseCapture();
        }
    };
    splitter_.onPaint = [](HDC dc, const RECT& rc) {
        FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    };
    pageArea_.Create({hwnd(), L"TPanel", L"PanelWBMain", GetSysColor(COLOR_WINDOW)});
    statusBar_.Create({hwnd(), L"TPaintPanel", L"ToolBarStatusBar", kStatusColor});
    status1_.Create({statusBar_.hwnd(), L"TPanel", L"Panel_StatusBar1", kStatusColor});
    status2_.Create({statusBar_.hwnd(), L"TPanel", L"Panel_StatusBar2", kStatusColor});
    status3_.Create({statusBar_.hwnd(), L"TPanel", L"Panel_StatusBar3", kStatusColor});
    progress_ = MakeChild(statusBar_.hwnd(), PROGRESS_CLASSW, L"ProBar", 0);
    // The hidden second status bar with the zoom indicator.
    zoomBar_ = MakeChild(statusBar_.hwnd(), L"STATIC", L"ToolBarStatusBar_", 0);
    zoomButton_ = MakeChild(zoomBar_, L"STATIC", L"ToolButton100", WS_VISIBLE);
    ResetZoomIndicator();
    CreateAddressBar();
    CreateTabPanel();
}

void MainWindow::CreateAddressBar() {
    HWND ap = addressPanel_.hwnd();
    const Skin& skin = Skin::Get();
    ButtonBar::CreateArgs nav;
    nav.parent = ap;
    nav.name = L"ToolBarButton";
    nav.notify = hwnd();
    nav.images = skin.List(IDB_IMAGE_LIST_B01);
    nav.hotOffset = 7;
    nav.imageAt = {1, 4};
    toolBarButton_.Create(nav);
    toolBarButton_.onPaintBackground = PaintFormBase;
    const char* hints[kNavButtons] = {"后退", "前进", "停止", "刷新", "主页", "保存游戏"};
    std::vector<ButtonBar::Button> buttons;
    for (int i = 0; i < kNavButtons; ++i) {
        ButtonBar::Button b;
        b.id = kIdNavFirst + i;
        b.rect = {i * kNavButtonW, 0, (i + 1) * kNavButtonW, kNavButtonH};
        b.image = i;
        b.hint = hints[i];
        buttons.push_back(b);
    }
    toolBarButton_.SetButtons(std::move(buttons));

    toolBarAddress_.Create({ap, L"ToolBarAddress"});
    toolBarAddress_.onPaint = [](HDC dc, const RECT& rc) {
        PaintField(dc, rc, Skin::Get().List(IDB_IMAGE_LIST_WEB_ICON), 5, 11);
    };
    addressBox_ = MakeChild(ap, WC_COMBOBOXW, L"CBURL",
                            WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL,
                            kIdAddressBox);
    SendMessageW(addressBox_, CB_LIMITTEXT, 0, 0);  // an address of any length
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (GetComboBoxInfo(addressBox_, &info) && info.hwndItem) {
        addressEdit_ = info.hwndItem;
        SHAutoComplete(addressEdit_, kAddressAutoComplete);
        SetWindowSubclass(addressEdit_, EditSubclass, kIdAddressBox,
                          reinterpret_cast<DWORD_PTR>(this));
    }

    auto imageButton = [&](ButtonBar& bar, const wchar_t* name, int id, int image,
                           const char* hint) {
        ButtonBar::CreateArgs a;
        a.parent = ap;
        a.name = name;
        a.notify = hwnd();
        a.images = skin.List(IDB_IMAGE_LIST4);
        a.hotOffset = 2;
        a.imageAt = {4, 4};
        bar.Create(a);
        bar.onPaintBackground = PaintFormBase;
        ButtonBar::Button b;
        b.id = id;
        b.rect = {0, 0, 36, 36};
        b.image = image;
        b.hint = hint;
        bar.SetButtons({b});
    };
    imageButton(toolBarGo_, L"ToolBarBGO", kIdGo, 0, "转到");
    toolBarSearchEdit_.Create({ap, L"ToolBarSearchEdit"});
    toolBarSearchEdit_.onPaint = [](HDC dc, const RECT& rc) {
        PaintField(dc, rc, Skin::Get().List(IDB_IMAGE_LIST3), 8, 11);
    };
    searchEdit_ = MakeChild(ap, WC_EDITW, L"ComboBoxSearch",
                            WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, kIdSearchEdit);
    SetWindowSubclass(searchEdit_, EditSubclass, kIdSearchEdit, reinterpret_cast<DWORD_PTR>(this));
    imageButton(toolBarSearchButton_, L"ToolBarSearchButton", kIdSearch, 1, "搜索");
    // The fields lie over their painted frames and take the clicks.
    for (HWND field : {addressBox_, searchEdit_})
        SetWindowPos(field, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainWindow::CreateTabPanel() {
    HWND tp = tabPanel_.hwnd();
    const Skin& skin = Skin::Get();
    ButtonBar::CreateArgs fav;
    fav.parent = tp;
    fav.name = L"ToolBarTabNew";
    fav.notify = hwnd();
    fav.images = skin.List(IDB_IMAGE_LIST_SIDE_BUTTON);
    fav.hotOffset = 1;
    fav.imageAt = {10, 0};
    toolBarTabNew_.Create(fav);
    toolBarTabNew_.onPaintBackground = PaintTabBackground;
    ButtonBar::Button favorites;
    favorites.id = kIdFavorites;
    favorites.rect = {0, 0, kTabNewBarWidth, kTabPanelHeight};
    favorites.hint = "显示/隐藏侧边栏";
    toolBarTabNew_.SetButtons({favorites});

    TabStrip::CreateArgs t;
    t.parent = tp;
    t.id = kIdTabStrip;
    t.onTabMouseDown = [this](int index, int button) {
        if (button == VK_MBUTTON) {
            // Beyond the classic strip: the middle button closes the tab.
            if (args_.onCloseTab)
                args_.onCloseTab(index);
            return;
        }
        if (args_.onTabMouseDown)
            args_.onTabMouseDown(index, button);
    };
    t.onEmptyDoubleClick = [this] {
        if (args_.onNewTab)
            args_.onNewTab();
    };
    t.onCloseButton = [this](const CloseButtonPlace& p) {
        OnCloseButtonPlace(p.left, p.top, p.targetIndex, p.show);
    };
    tabs_.Create(t);

    ButtonBar::CreateArgs nt;
    nt.parent = tp;
    nt.name = L"tbrNewTab";
    nt.notify = hwnd();
    nt.images = skin.List(IDB_IMAGE_LIST_RIGHT_SMALL);
    nt.hotOffset = 3;
    nt.imageAt = {2, 8};
    newTabBar_.Create(nt);
    newTabBar_.onPaintBackground = PaintTabBackground;
    ButtonBar::Button plus;
    plus.id = kIdNewTabFlow;
    plus.rect = {0, 0, kNewTabBarWidth, 28};
    plus.hint = "新建空白标签";
    newTabBar_.SetButtons({plus});

    ButtonBar::CreateArgs cb;
    cb.parent = tp;
    cb.name = L"ToolBarTabClose";
    cb.notify = hwnd();
    cb.visible = false;
    closeBar_.Create(cb);
    closeBar_.onPaintBackground = PaintTabBackground;
    closeBar_.drawButton = [this](HDC dc, const ButtonBar::Button& b, bool, bool) {
        // Image 0 closes the active tab, image 1 another one.
        DrawListImage(dc, Skin::Get().List(IDB_IMAGE_LIST_CLOSE_PAGE),
                      closeTarget_ == tabs_.active() ? 0 : 1, b.rect.left, b.rect.top);
    };
    ButtonBar::Button x;
    x.id = kIdTabClose;
    x.rect = {0, 0, kCloseButtonSize, kCloseButtonSize};
    x.hint = "关闭标签";
    closeBar_.SetButtons({x});

    ButtonBar::CreateArgs tc = nt;
    tc.name = L"ToolBarTabControl";
    tc.visible = false;
    tabControlBar_.Create(tc);
    ButtonBar::Button tabNew = plus;
    tabNew.id = kIdTabNew;
    tabNew.hint = "新建空白标签   右击显示标签列表";
    tabControlBar_.SetButtons({tabNew});
}

void MainWindow::OnFrameResize(int, int) {
    Layout();
    if (args_.onPageAreaResized && pageArea_.hwnd())
        args_.onPageAreaResized();
}

void MainWindow::Layout() {
    if (!addressBox_)
        return;  // still creating
    RECT rc;
    GetClientRect(hwnd(), &rc);
    int w = rc.right, h = rc.bottom;
    int y = kTitleBarHeight;
    addressPanel_.Move(0, y, w, kAddressPanelHeight);
    y += kAddressPanelHeight;
    tabPanel_.Move(0, y, w, kTabPanelHeight);
    int top = y + kTabPanelHeight;
    int middle = std::max(0, h - top - kStatusBarHeight);
    bool side = IsWindowVisible(sidePanel_.hwnd()) != FALSE;
    int sideW = side ? sideWidth_ : 0;
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
    int navW = kNavButtons * kNavButtonW;
    toolBarButton_.Move(0, 1, navW, kNavButtonH + 1);
    int right = w;
    toolBarSearchButton_.Move(right -= 36, 1, 36, 39);
    toolBarSearchEdit_.Move(right -= 149, 1, 149, 39);
    int searchLeft = right;
    toolBarGo_.Move(right -= 36, 1, 36, 39);
    int addrW = std::max(0, right - navW);
    toolBarAddress_.Move(navW, 1, addrW, 39);
    // The address box: 22 px right of the buttons, 14 px short of the
    // field's end (the field's indent is 12).
    MoveWindow(addressBox_, navW + 22, 10, std::max(0, addrW - 12 - 14), 300, TRUE);
    MoveWindow(searchEdit_, searchLeft + 26, 14, 121, 16, TRUE);

    // Tab panel.
    toolBarTabNew_.Move(0, 0, kTabNewBarWidth, kTabPanelHeight);
    MoveWindow(tabs_.hwnd(), kTabNewBarWidth, 0, std::max(0, w - kTabNewBarWidth), kTabPanelHeight,
               TRUE);
    PlaceNewTabButton();
    InvalidateRect(tabs_.hwnd(), nullptr, FALSE);
}

void MainWindow::ResetZoomIndicator() {
    SetWindowTextW(zoomButton_, ToW(std::string(kZoomIndicatorText)).c_str());
}

namespace {
SearchEndpoint Engine(const std::string& origin) {
    SearchEndpoint e;
    if (!origin.empty())
        e.origin = origin;
    return e;
}
}  // namespace

void MainWindow::Go() {
    const SearchEndpoint engine = Engine(searchOrigin_);
    Guarded([&] {
        GoDecision d =
            DecideGo(addressText(), args_.pageListEmpty && args_.pageListEmpty(), engine);
        if (d.clearStatus)
            SetStatusText("");
        using Kind = GoDecision::Kind;
        if (d.kind == Kind::OpenBlankTab) {
            if (args_.onNewTab)
                args_.onNewTab();
        } else if (d.kind == Kind::Navigate || d.kind == Kind::Keyword) {
            SetAddressText(d.boxText);
            if (d.openInNewPage) {
                if (args_.onOpenNewPage)
                    args_.onOpenNewPage(d.address);
            } else if (args_.onOpenInActivePage) {
                args_.onOpenInActivePage(d.address, true);
            }
            if (!d.statusText.empty())
                SetStatusText(d.statusText);
            if (d.addToHistory && AddTypedAddress(history_, d.address))
                SendMessageW(addressBox_, CB_ADDSTRING, 0,
                             reinterpret_cast<LPARAM>(ToW(d.address).c_str()));
            if (d.focusPageArea)
                FocusPageArea();
        }
    });
    ResetZoomIndicator();
}

void MainWindow::Search() {
    const SearchEndpoint engine = Engine(searchOrigin_);
    Guarded([&] {
        int n = GetWindowTextLengthW(searchEdit_);
        std::wstring text(static_cast<size_t>(n) + 1, L'\0');
        GetWindowTextW(searchEdit_, text.data(), n + 1);
        text.resize(static_cast<size_t>(n));
        std::string active = args_.activeAddress ? args_.activeAddress() : std::string();
        SearchDecision d = DecideSearch(FromW(text), active, engine);
        if (d.stop)
            return;
        if (d.newTab && args_.onNewTab)
            args_.onNewTab();  // right after the active tab, and made active
        SetAddressText(d.boxText);
        if (args_.onOpenInActivePage)
            args_.onOpenInActivePage(d.url, false);
        ResetZoomIndicator();
    });
}

void MainWindow::OnAddressKey(WPARAM vk) {
    if (vk != VK_RETURN)
        return;
    bool ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
    bool shift = GetKeyState(VK_SHIFT) < 0;
    EnterModifiers mods = ModifiersOf(ctrl, alt, shift);
    if (mods != EnterModifiers::None && mods != EnterModifiers::Other)
        SetAddressText(CompleteOnEnter(addressText(), mods));
    Go();
}

LRESULT CALLBACK MainWindow::EditSubclass(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                          DWORD_PTR selfPtr) {
    auto* self = reinterpret_cast<MainWindow*>(selfPtr);
    switch (msg) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (wp == VK_RETURN) {
                // An open drop-down takes its pick first.
                if (id == kIdAddressBox &&
                    SendMessageW(self->addressBox_, CB_GETDROPPEDSTATE, 0, 0))
                    SendMessageW(self->addressBox_, CB_SHOWDROPDOWN, FALSE, 0);
                Guarded([&] {
                    if (id == kIdAddressBox)
                        self->OnAddressKey(wp);
                    else
                        self->Search();
                });
                return 0;
            }
            break;
        case WM_CHAR:
        case WM_SYSCHAR:
            if (wp == '\r' || wp == '\n')
                return 0;  // no beep for Enter
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(h, EditSubclass, id);
            break;
        default:
            break;
    }
    return DefSubclassProc(h, msg, wp, lp);
}

void MainWindow::OnCloseButtonPlace(int left, int top, int target, bool show) {
    if (!show) {
        if (IsWindowVisible(closeBar_.hwnd()))
            ShowWindow(closeBar_.hwnd(), SW_HIDE);
        return;
    }
    closeTarget_ = target;
    SetWindowPos(closeBar_.hwnd(), HWND_TOP, kTabNewBarWidth + left, top, kCloseButtonSize,
                 kCloseButtonSize, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    closeBar_.Repaint();
}

void MainWindow::ToggleSidePanel() {
    ShowWindow(sidePanel_.hwnd(), IsWindowVisible(sidePanel_.hwnd()) ? SW_HIDE : SW_SHOW);
    if (!IsWindowVisible(sidePanel_.hwnd()))
        sidePanel_.HideDeleteButton();
    Layout();
    if (args_.onPageAreaResized)
        args_.onPageAreaResized();
}

void MainWindow::OnMenuCommand(int id) {
    switch (id) {
        case kIdMenuSaveGame:
            if (args_.onNavButton)
                args_.onNavButton(NavButton::SaveGame);
            break;
        case kIdMenuExit:
            PostMessageW(hwnd(), WM_CLOSE, 0, 0);
            break;
        case kIdMenuSidePanel:
            ToggleSidePanel();
            break;
        default:
            if (args_.onMenuCommand)
                args_.onMenuCommand(static_cast<MenuCommand>(id));
            break;
    }
}

void MainWindow::OnMinimizeClick() {
    // Minimised to the tray: no taskbar button remains.
    if (args_.onBeforeHide)
        args_.onBeforeHide();
    ShowWindow(hwnd(), SW_MINIMIZE);
    ShowWindow(hwnd(), SW_HIDE);
}

void MainWindow::ShowFromTray() {
    if (lockDepth_ > 0) {
        shownWhileLocked_ = true;
        return;
    }
    // Shown without erasing the children at once: a page that does not
    // answer would hold the shell's thread (they paint when they can).
    if (IsIconic(hwnd()))
        ShowWindow(hwnd(), SW_RESTORE);
    else
        SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0,
                     SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                         SWP_DEFERERASE);
    SetForegroundWindow(hwnd());
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
    // While drawing is locked the window only looks hidden (WM_SETREDRAW
    // takes WS_VISIBLE away); the wish is applied when the lock ends.
    if (lockDepth_ > 0) {
        shownWhileLocked_ = !shownWhileLocked_;
        return;
    }
    if (IsWindowVisible(hwnd())) {
        if (args_.onBeforeHide)
            args_.onBeforeHide();
        ShowWindow(hwnd(), SW_HIDE);
    } else
        ShowFromTray();
}

void MainWindow::PlaceNewTabButton() {
    int count = tabs_.Count();
    int left = kTabNewBarWidth + kNewTabGap;
    if (count > 0) {
        RECT last = tabs_.TabRect(count - 1);
        left = kTabNewBarWidth + last.right - 1 + kTabEndPieceWidth + kNewTabGap;
    }
    MoveWindow(newTabBar_.hwnd(), left, 0, kNewTabBarWidth, kTabPanelHeight, TRUE);
    SetWindowPos(newTabBar_.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

TabStripMetrics MainWindow::TabMetrics() const {
    RECT rc;
    GetWindowRect(hwnd(), &rc);
    return {rc.right - rc.left, kTabNewBarWidth, kNewTabBarWidth};
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
    ShowWindow(closeBar_.hwnd(), SW_HIDE);
}

void MainWindow::LockUpdates() {
    if (lockDepth_++ == 0) {
        shownWhileLocked_ = IsWindowVisible(hwnd()) != FALSE;
        SendMessageW(hwnd(), WM_SETREDRAW, FALSE, 0);
    }
}

void MainWindow::UnlockUpdates() {
    if (lockDepth_ > 0 && --lockDepth_ == 0) {
        SendMessageW(hwnd(), WM_SETREDRAW, TRUE, 0);
        // Ending the lock shows the window again; it stays hidden when it
        // was hidden before or was hidden (tray) during the lock.
        if (!shownWhileLocked_) {
            ShowWindow(hwnd(), SW_HIDE);
            return;
        }
        RedrawWindow(hwnd(), nullptr, nullptr,
                     RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
}

LRESULT MainWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COPYDATA: {
            const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
            if (cds && args_.onShortcut) {
                auto text = DecodeTextCommand(cds->dwData, cds->lpData, cds->cbData);
                if (auto shortcut = text ? ParseShortcutCommand(*text) : std::nullopt) {
                    Guarded([&] { args_.onShortcut(*shortcut); });
                    return TRUE;
                }
            }
            if (auto cmd = ReadTextCommand(lp); cmd && args_.onTextCommand)
                Guarded([&] { args_.onTextCommand(reinterpret_cast<HWND>(wp), *cmd); });
            // Every text command, handled or not, repaints the tab strip.
            InvalidateRect(tabs_.hwnd(), nullptr, FALSE);
            return TRUE;
        }
        case WM_COMMAND: {
            int id = LOWORD(wp);
            if (id >= kIdNavFirst && id < kIdNavFirst + kNavButtons) {
                if (args_.onNavButton)
                    args_.onNavButton(static_cast<NavButton>(id - kIdNavFirst));
            } else if (id == kIdGo) {
                Go();
            } else if (id == kIdSearch) {
                Search();
            } else if (id == kIdAddressBox && HIWORD(wp) == CBN_SELCHANGE) {
                // CBURLClick: a pick from the history opens it.
                int sel = static_cast<int>(SendMessageW(addressBox_, CB_GETCURSEL, 0, 0));
                if (sel >= 0 && sel < static_cast<int>(history_.size())) {
                    SetAddressText(history_[static_cast<size_t>(sel)]);
                    Go();
                }
            } else if (id == kIdNewTabFlow || id == kIdTabNew) {
                if (args_.onNewTab)
                    args_.onNewTab();
                ResetZoomIndicator();
            } else if (id == kIdTabClose) {
                HideCloseButton();
                int target = closeTarget_;
                if (args_.onCloseTab && target >= 0)
                    args_.onCloseTab(target);
                HideCloseButton();
            } else if (id == kIdTrayShow) {
                ShowFromTray();
            } else if (id == kIdTrayClose) {
                PostMessageW(hwnd(), WM_CLOSE, 0, 0);
            } else if (id == kIdFavorites) {
                ToggleSidePanel();
            } else {
                return FrameBase::HandleMessage(msg, wp, lp);
            }
            return 0;
        }
        case WM_SYSCOMMAND:
            // Minimising goes through the frame's own button and the tray.
            if ((wp & 0xFFF0) == SC_MINIMIZE)
                return 0;
            return FrameBase::HandleMessage(msg, wp, lp);
        case kTrayMessage:
            if (lp == WM_LBUTTONDBLCLK)
                ToggleVisible();
            if (lp == WM_RBUTTONDOWN)
                ShowTrayMenu();
            return 0;
        case kTrayLegacyMessage: {
            LRESULT r = FrameBase::HandleMessage(msg, wp, lp);
            if (lp == WM_RBUTTONUP)
                ShowTrayMenu();
            if (lp == WM_LBUTTONUP)
                ShowFromTray();
            return r;
        }
        case kRunDeferredMessage:
            if (args_.onRunDeferred)
                args_.onRunDeferred();
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wp) != WA_INACTIVE && !firstActivationDone_ && args_.onFirstActivation) {
                firstActivationDone_ = GuardedOr(false, [&] { return args_.onFirstActivation(); });
                if (firstActivationDone_)
                    Guarded([&] { sidePanel_.CreateHotGamesPage(); });
            }
            return FrameBase::HandleMessage(msg, wp, lp);
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
            return FrameBase::HandleMessage(msg, wp, lp);
    }
}

void MainWindow::OnDestroyed() {
    PostQuitMessage(0);
}

}  // namespace lumo
