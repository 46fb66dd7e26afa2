// The main window's controls: their creation, painting helpers and layout.
// Sizes are design sizes at 96 DPI, scaled with Px for the window's DPI.
#include "mainwindow/main_window_win.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <algorithm>

#include "common/dpi_win.h"
#include "common/maker.h"
#include "common/on_demand_win.h"
#include "frame/skin_win.h"
#include "mainwindow/main_window_ids_win.h"

namespace lumo {

using namespace main_window_internal;

namespace {

// SHAutoComplete: suggestions forced on, URL history and recently typed URLs.
constexpr DWORD kAddressAutoComplete = 0x10000006;

HWND MakeChild(HWND parent, const wchar_t* cls, const wchar_t* name, DWORD style, int id = 0,
               DWORD exStyle = 0) {
    const int dpi = DpiOf(parent);
    HWND h = CreateWindowExW(exStyle, cls, L"", WS_CHILD | style, 0, 0, 10, 10, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleW(nullptr), nullptr);
    if (h) {
        SetControlName(h, name);
        SetGuiFont(h, dpi);
    }
    return h;
}

// The address and search fields: the frame picture in three slices, 7 px
// from the top, caps keyed on magenta, then an icon at (iconX, iconY).
void PaintField(HDC dc, const RECT& rc, const Skin& skin, int iconList, int iconX, int iconY) {
    StretchPicture(dc, skin.Picture(IDB_IMAGE_FORM_BASE), rc);
    HBITMAP frame = skin.Picture(IDB_IMAGE8);
    SIZE s = skin.PictureSize(IDB_IMAGE8);
    int top = skin.Px(7), bottom = top + s.cy, cap = skin.Px(3);
    DrawPictureColumns(dc, frame, 0, cap, {0, top, cap, bottom}, SKIN_KEY_COLOR);
    DrawPictureColumns(dc, frame, s.cx - cap, cap, {rc.right - cap, top, rc.right, bottom},
                       SKIN_KEY_COLOR);
    DrawPictureColumns(dc, frame, s.cx - 2 * cap, cap, {cap, top, rc.right - cap, bottom});
    DrawListImage(dc, skin.List(iconList), 0, skin.Px(iconX), skin.Px(iconY));
}

}  // namespace

void MainWindow::PaintFormBase(HDC dc, const RECT& rc) const {
    StretchPicture(dc, Skin::Get(dpi()).Picture(IDB_IMAGE_FORM_BASE), rc);
}

void MainWindow::PaintTabBackground(HDC dc, const RECT& rc) const {
    StretchPicture(dc, Skin::Get(dpi()).Picture(IDB_IMAGE_TAB_BG), rc);
}

void MainWindow::CreateControls() {
    auto PaintFormBase = [this](HDC dc, const RECT& rc) { this->PaintFormBase(dc, rc); };
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
            // The width is kept as a design width, so it scales with the DPI.
            int w = std::clamp(
                Unscale(static_cast<int>(pt.x) - dragOffset_, dpi()), kMinSidePanelWidth,
                std::max<int>(kMinSidePanelWidth,
                              Unscale(rc.right, dpi()) - kSplitterWidth - kMinPageAreaWidth));
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
    auto PaintFormBase = [this](HDC dc, const RECT& rc) { this->PaintFormBase(dc, rc); };
    HWND ap = addressPanel_.hwnd();
    ButtonBar::CreateArgs nav;
    nav.parent = ap;
    nav.name = L"ToolBarButton";
    nav.notify = hwnd();
    nav.imageList = IDB_IMAGE_LIST_B01;
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
    toolBarAddress_.onPaint = [this](HDC dc, const RECT& rc) {
        PaintField(dc, rc, Skin::Get(dpi()), IDB_IMAGE_LIST_WEB_ICON, 5, 11);
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
        ondemand::SetWindowSubclass(addressEdit_, EditSubclass, kIdAddressBox,
                                    reinterpret_cast<DWORD_PTR>(this));
    }

    auto imageButton = [&](ButtonBar& bar, const wchar_t* name, int id, int image,
                           const char* hint) {
        ButtonBar::CreateArgs a;
        a.parent = ap;
        a.name = name;
        a.notify = hwnd();
        a.imageList = IDB_IMAGE_LIST4;
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
    toolBarSearchEdit_.onPaint = [this](HDC dc, const RECT& rc) {
        PaintField(dc, rc, Skin::Get(dpi()), IDB_IMAGE_LIST3, 8, 11);
    };
    searchEdit_ = MakeChild(ap, WC_EDITW, L"ComboBoxSearch",
                            WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, kIdSearchEdit);
    ondemand::SetWindowSubclass(searchEdit_, EditSubclass, kIdSearchEdit,
                                reinterpret_cast<DWORD_PTR>(this));
    imageButton(toolBarSearchButton_, L"ToolBarSearchButton", kIdSearch, 1, "搜索");
    // The fields lie over their painted frames and take the clicks.
    for (HWND field : {addressBox_, searchEdit_})
        SetWindowPos(field, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainWindow::CreateTabPanel() {
    auto PaintTabBackground = [this](HDC dc, const RECT& rc) { this->PaintTabBackground(dc, rc); };
    HWND tp = tabPanel_.hwnd();
    ButtonBar::CreateArgs fav;
    fav.parent = tp;
    fav.name = L"ToolBarTabNew";
    fav.notify = hwnd();
    fav.imageList = IDB_IMAGE_LIST_SIDE_BUTTON;
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
    nt.imageList = IDB_IMAGE_LIST_RIGHT_SMALL;
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
        DrawListImage(dc, Skin::Get(dpi()).List(IDB_IMAGE_LIST_CLOSE_PAGE),
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

void MainWindow::OnDpiChanged(int dpi) {
    tabs_.SetDpi(dpi);
    sidePanel_.OnDpiChanged(dpi);
}

void MainWindow::Layout() {
    if (!addressBox_)
        return;  // still creating
    RECT rc;
    GetClientRect(hwnd(), &rc);
    int w = rc.right, h = rc.bottom;
    const int addressH = Px(kAddressPanelHeight), tabH = Px(kTabPanelHeight);
    const int statusH = Px(kStatusBarHeight), statusSideW = Px(kStatusSidePanelWidth);
    int y = Px(kTitleBarHeight);
    addressPanel_.Move(0, y, w, addressH);
    y += addressH;
    tabPanel_.Move(0, y, w, tabH);
    int top = y + tabH;
    int middle = std::max(0, h - top - statusH);
    // The panel's own state: while drawing is locked the window (and so
    // every child) reads as hidden.
    bool side = (GetWindowLongW(sidePanel_.hwnd(), GWL_STYLE) & WS_VISIBLE) != 0;
    int sideW = side ? Px(sideWidth_) : 0;
    int splitW = side ? Px(kSplitterWidth) : 0;
    sidePanel_.Move(0, top, sideW, middle);
    splitter_.Move(sideW, top, splitW, middle);
    int pageLeft = sideW + splitW;
    pageArea_.Move(pageLeft, top, std::max(0, w - pageLeft), middle);
    statusBar_.Move(0, h - statusH, w, statusH);
    int s1 = std::max(0, w - 2 * statusSideW);
    status1_.Move(0, 0, s1, statusH);
    status2_.Move(s1, 0, statusSideW, statusH);
    status3_.Move(s1 + statusSideW, 0, statusSideW, statusH);

    // Address panel: buttons left, then the address field, Go, search.
    int navW = Px(kNavButtons * kNavButtonW);
    toolBarButton_.Move(0, Px(1), navW, Px(kNavButtonH + 1));
    int right = w;
    toolBarSearchButton_.Move(right -= Px(36), Px(1), Px(36), Px(39));
    toolBarSearchEdit_.Move(right -= Px(149), Px(1), Px(149), Px(39));
    int searchLeft = right;
    toolBarGo_.Move(right -= Px(36), Px(1), Px(36), Px(39));
    int addrW = std::max(0, right - navW);
    toolBarAddress_.Move(navW, Px(1), addrW, Px(39));
    // The address box: 22 px right of the buttons, 14 px short of the
    // field's end (the field's indent is 12).
    MoveWindow(addressBox_, navW + Px(22), Px(10), std::max(0, addrW - Px(12 + 14)), Px(300), TRUE);
    MoveWindow(searchEdit_, searchLeft + Px(26), Px(14), Px(121), Px(16), TRUE);

    // Tab panel.
    const int tabNewW = Px(kTabNewBarWidth);
    toolBarTabNew_.Move(0, 0, tabNewW, tabH);
    MoveWindow(tabs_.hwnd(), tabNewW, 0, std::max(0, w - tabNewW), tabH, TRUE);
    PlaceNewTabButton();
    InvalidateRect(tabs_.hwnd(), nullptr, FALSE);
}

void MainWindow::PlaceNewTabButton() {
    int count = tabs_.Count();
    int left = Px(kTabNewBarWidth + kNewTabGap);
    if (count > 0) {
        RECT last = tabs_.TabRect(count - 1);
        left = Px(kTabNewBarWidth) + last.right - 1 + Px(kTabEndPieceWidth + kNewTabGap);
    }
    MoveWindow(newTabBar_.hwnd(), left, 0, Px(kNewTabBarWidth), Px(kTabPanelHeight), TRUE);
    SetWindowPos(newTabBar_.hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// The shell reckons tab widths in design units (tab_layout.h): the window
// and strip widths go to it unscaled.
TabStripMetrics MainWindow::TabMetrics() const {
    RECT rc;
    GetWindowRect(hwnd(), &rc);
    return {Unscale(rc.right - rc.left, dpi()), kTabNewBarWidth, kNewTabBarWidth};
}

int MainWindow::TabStripWidth() const {
    RECT rc;
    GetWindowRect(tabs_.hwnd(), &rc);
    return Unscale(rc.right - rc.left, dpi());
}

}  // namespace lumo
