#include "mainwindow/side_panel_win.h"

#include <algorithm>

#include "common/dpi_win.h"
#include "common/guard.h"
#include "common/handle_win.h"
#include "common/on_demand_win.h"
#include "common/text_win.h"
#include "frame/skin_win.h"
#include "library/game_tree_win.h"

namespace lumo {

namespace {

constexpr int kIdLeftTopClose = 1;
constexpr int kIdDeleteLine = 2;
constexpr int kFavLeftControlWidth = 49;
constexpr int kLeftTopControlSize = 25;
constexpr UINT_PTR kTreeSubclassId = 0x4C54;

void PaintHeader(HDC dc, const RECT& rc, int dpi) {
    StretchPicture(dc, Skin::Get(dpi).Picture(IDB_IMAGE_LEFT_HEADER), rc);
}

// A header tool bar: the header picture and the section's title at (10, 5),
// cut with an ellipsis where the bar ends.
void PaintHeaderBar(HDC dc, const RECT& rc, const char* title, int dpi) {
    PaintHeader(dc, rc, dpi);
    std::wstring text = ToW(title);
    RECT t{rc.left + Scale(10, dpi), rc.top + Scale(5, dpi), rc.right, rc.bottom};
    HGDIOBJ old = SelectObject(dc, GuiFont(dpi));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0x33, 0x33, 0x33));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &t,
              DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | DT_LEFT | DT_TOP);
    SelectObject(dc, old);
}

}  // namespace

bool SidePanel::Create(const CreateArgs& args) {
    args_ = args;
    WindowCreateArgs w;
    w.className = L"TPanel";
    w.style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    w.parent = args.mainWindow;
    w.x = 0, w.y = 0, w.width = 10, w.height = 10;
    w.background = GetSysColorBrush(COLOR_BTNFACE);
    if (!CreateWindowFrom(w))
        return false;
    SetControlName(hwnd(), L"PanelLeft");

    CreateSection(recent_, L"PaintPanelRecent", L"PaintPanelRecentLabel", L"tbarRecent",
                  "最近玩过的游戏", kRecentHeaderHeight, kRecent);
    CreateSection(myGame_, L"PaintPanelMyGame", L"PaintPanelMyGameLabel", L"tbarMyGame",
                  "我添加的游戏", kMyGameHeaderHeight, kMyGame);
    CreateSection(hot_, L"PaintPanelHot", L"PaintPanelHotLabel", L"tabrHotGames", "其它热门游戏",
                  kHotHeaderHeight, kHot);
    // The recent header's own click selects its section too.
    recent_.header.onMouse = [this](UINT msg, int, int) {
        if (msg == WM_LBUTTONUP)
            SetMode(kRecent);
    };

    // SBLeftTopClose on the right of the recent header hides the panel.
    favLeftControl_.Create({recent_.header.hwnd(), L"PaintPanelFavLeftControl"});
    auto paintHeader = [this](HDC dc, const RECT& rc) { PaintHeader(dc, rc, dpi()); };
    favLeftControl_.onPaint = paintHeader;
    ButtonBar::CreateArgs lt;
    lt.parent = favLeftControl_.hwnd();
    lt.name = L"ToolBarLeftTopControl";
    leftTopControl_.Create(lt);
    leftTopControl_.onPaintBackground = paintHeader;
    leftTopControl_.drawButton = [this](HDC dc, const ButtonBar::Button& b, bool hot,
                                        bool pressed) {
        const Skin& skin = Skin::Get(dpi());
        if (hot || pressed) {
            // A button frame from the pressed-menu picture: 5-px caps.
            HBITMAP frame = skin.Picture(IDB_IMAGE_MENU_MOUSE_DOWN);
            int fw = skin.PictureSize(IDB_IMAGE_MENU_MOUSE_DOWN).cx, cap = skin.Px(5);
            int l = b.rect.left, r = b.rect.right, t = b.rect.top + skin.Px(2), bt = b.rect.bottom;
            if (fw > 2 * cap) {
                DrawPictureColumns(dc, frame, 0, cap, {l, t, l + cap, bt});
                DrawPictureColumns(dc, frame, cap, fw - 2 * cap, {l + cap, t, r - cap, bt});
                DrawPictureColumns(dc, frame, fw - cap, cap, {r - cap, t, r, bt});
            }
        }
        DrawListImage(dc, skin.List(IDB_IMAGE_LIST_LEFT_PANEL_BUTTON_NORMAL), 0,
                      b.rect.left + skin.Px(2), b.rect.top + skin.Px(4));
    };
    leftTopControl_.onClick = [this](int) {
        HideDeleteButton();
        if (args_.onClose)
            args_.onClose();
    };
    ButtonBar::Button close;
    close.id = kIdLeftTopClose;
    close.rect = {0, 0, kLeftTopControlSize, kLeftTopControlSize};
    close.hint = "关闭左侧边";
    leftTopControl_.SetButtons({close});

    recentTree_ = CreateTree(recent_.panel.hwnd(), L"tvwRecent");
    gameTree_ = CreateTree(myGame_.panel.hwnd(), L"tvwMyGame");

    // tbrTVNDel floats on the main window, above the panel.
    ButtonBar::CreateArgs del;
    del.parent = args.mainWindow;
    del.name = L"tbrTVNDel";
    del.imageList = IDB_IMAGE_LIST_DEL_NODE;
    del.hotOffset = 1;
    del.imageAt = {1, 1};
    del.visible = false;
    deleteBar_.Create(del);
    deleteBar_.onPaintBackground = [this](HDC dc, const RECT& rc) {
        // Transparent: the row below shows through, selected or not.
        FillRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW));
        if (!hoverTree_ || !IsWindowVisible(hoverTree_))
            return;
        POINT origin{0, 0};
        MapWindowPoints(deleteBar_.hwnd(), hoverTree_, &origin, 1);
        POINT old;
        SetViewportOrgEx(dc, -origin.x, -origin.y, &old);
        SendMessageW(hoverTree_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc),
                     PRF_CLIENT | PRF_ERASEBKGND);
        SetViewportOrgEx(dc, old.x, old.y, nullptr);
    };
    deleteBar_.onClick = [this](int) { Guarded([&] { OnDeleteClick(); }); };
    ButtonBar::Button line;
    line.id = kIdDeleteLine;
    line.rect = {0, 0, kDeleteButtonSize, kDeleteButtonSize};
    line.hint = "删除当前游戏";
    deleteBar_.SetButtons({line});

    // Start-up: both trees from the lists.
    if (GameLibrary* lib = library()) {
        FillRecentTree(recentTree_, *lib);
        FillGameTree(gameTree_, *lib);
    }
    Arrange();
    return true;
}

void SidePanel::CreateSection(Section& s, const wchar_t* panel, const wchar_t* header,
                              const wchar_t* bar, const char* title, int headerHeight, int mode) {
    s.headerHeight = headerHeight;
    s.title = title;
    s.panel.Create({hwnd(), panel});
    s.panel.onPaint = [this](HDC dc, const RECT& rc) {
        StretchPicture(dc, Skin::Get(dpi()).Picture(IDB_IMAGE_FORM_BASE), rc);
    };
    s.header.Create({s.panel.hwnd(), header});
    s.header.onPaint = [this](HDC dc, const RECT& rc) { PaintHeader(dc, rc, dpi()); };
    s.bar.Create({s.header.hwnd(), bar});
    s.bar.onPaint = [this, title](HDC dc, const RECT& rc) { PaintHeaderBar(dc, rc, title, dpi()); };
    s.bar.onMouse = [this, mode](UINT msg, int, int) {
        if (msg == WM_LBUTTONUP)
            SetMode(mode);
    };
    s.bar.onKey = [this, mode](WPARAM vk) {
        if (vk == VK_RETURN || vk == VK_SPACE)
            SetMode(mode);
    };
    s.access = std::make_unique<HeaderAccess>(*this, mode, title);
    s.bar.SetAccessible(*s.access);
}

AccessibleItem SidePanel::HeaderAccess::AccessibleSelf() {
    AccessibleItem item;
    item.name = title_;
    item.role = ROLE_SYSTEM_PUSHBUTTON;
    item.state = STATE_SYSTEM_FOCUSABLE |
                 (panel_.mode() == mode_ ? STATE_SYSTEM_EXPANDED : STATE_SYSTEM_COLLAPSED);
    item.action = "展开";
    return item;
}

std::vector<HWND> SidePanel::FocusStops() const {
    std::vector<HWND> stops{recent_.bar.hwnd()};
    if (mode_ == kRecent)
        stops.push_back(recentTree_);
    stops.push_back(myGame_.bar.hwnd());
    if (mode_ == kMyGame)
        stops.push_back(gameTree_);
    stops.push_back(hot_.bar.hwnd());
    return stops;
}

HWND SidePanel::CreateTree(HWND parent, const wchar_t* name) {
    HWND tree = CreateWindowExW(0, WC_TREEVIEWW, L"",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_TRACKSELECT |
                                    TVS_FULLROWSELECT | TVS_SHOWSELALWAYS | TVS_EDITLABELS,
                                0, 0, 10, 10, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!tree)
        return nullptr;
    SetControlName(tree, name);
    ScaleTree(tree, dpi());
    ondemand::SetWindowSubclass(tree, TreeSubclass, kTreeSubclassId,
                                reinterpret_cast<DWORD_PTR>(this));
    return tree;
}

void SidePanel::ScaleTree(HWND tree, int dpi) {
    SetGuiFont(tree, dpi);
    SendMessageW(tree, TVM_SETINDENT, static_cast<WPARAM>(Scale(kTreeIndent, dpi)), 0);
    SendMessageW(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(TreeImages(dpi)));
}

int SidePanel::dpi() const {
    return DpiOf(hwnd());
}

void SidePanel::OnDpiChanged(int dpi) {
    for (HWND tree : {recentTree_, gameTree_})
        if (tree)
            ScaleTree(tree, dpi);
    HideDeleteButton();
    Arrange();
}

void SidePanel::SetMode(int mode) {
    int before = mode_;
    mode_ = std::clamp(mode, 0, 2);
    if (before != mode_)
        for (const Section* s : {&recent_, &myGame_, &hot_})
            AccessibleHost::NotifyChange(s->bar.hwnd(), -1);  // expanded or collapsed
    // Pages start in the background, so the window's first activation may
    // find none and the page would wait for the next one: opening the
    // section is reason enough to make it.
    if (mode_ == kHot)
        CreateHotGamesPage();
    Arrange();
}

void SidePanel::Arrange() {
    if (!gameTree_)
        return;
    RECT rc;
    GetClientRect(hwnd(), &rc);
    int h = rc.bottom;
    const int dpi = this->dpi();
    int r = Scale(recent_.headerHeight, dpi), m = Scale(myGame_.headerHeight, dpi),
        p = Scale(hot_.headerHeight, dpi);
    HWND hotPage = hotGamesPage_ ? hotGamesPage_->hwnd() : nullptr;
    switch (mode_) {
        case kRecent:
            PlaceSection(recent_, recentTree_, 0, std::max(r, h - m - p), true);
            PlaceSection(myGame_, gameTree_, std::max(r, h - m - p), m, false);
            PlaceSection(hot_, hotPage, std::max(r + m, h - p), p, false);
            break;
        case kMyGame:
            PlaceSection(recent_, recentTree_, 0, r, false);
            PlaceSection(myGame_, gameTree_, r, std::max(m, h - r - p), true);
            PlaceSection(hot_, hotPage, std::max(r + m, h - p), p, false);
            break;
        default:
            PlaceSection(recent_, recentTree_, 0, r, false);
            PlaceSection(myGame_, gameTree_, r, m, false);
            PlaceSection(hot_, hotPage, r + m, std::max(p, h - r - m), true);
            break;
    }
}

void SidePanel::PlaceSection(Section& s, HWND body, int top, int height, bool expanded) {
    RECT rc;
    GetClientRect(hwnd(), &rc);
    int w = rc.right;
    const int dpi = this->dpi();
    auto px = [dpi](int design) { return Scale(design, dpi); };
    const int headerH = px(s.headerHeight);
    s.panel.Move(0, top, w, height);
    s.header.Move(0, 0, w, headerH);
    int barW = w;
    if (&s == &recent_) {
        barW = std::max(0, w - px(kFavLeftControlWidth));
        favLeftControl_.Move(barW, 0, px(kFavLeftControlWidth), headerH);
        leftTopControl_.Move(px(kFavLeftControlWidth - kLeftTopControlSize - 4), 0,
                             px(kLeftTopControlSize), px(kLeftTopControlSize));
    }
    s.bar.Move(0, 0, barW, headerH);
    s.bar.Repaint();
    if (body) {
        // A collapsed section shows its header only.
        MoveWindow(body, 0, headerH, w, std::max(0, height - headerH), TRUE);
        ShowWindow(body, expanded ? SW_SHOWNA : SW_HIDE);
    }
}

void SidePanel::HideDeleteButton() {
    if (deleteBar_.hwnd())
        ShowWindow(deleteBar_.hwnd(), SW_HIDE);
}

void SidePanel::CreateHotGamesPage() {
    if (hotGamesPage_ || !args_.hooks.createHotGamesPage)
        return;
    hotGamesPage_ = args_.hooks.createHotGamesPage(hot_.panel.hwnd(), args_.hotGamesAddress);
    if (hotGamesPage_)
        SetWindowLongW(hotGamesPage_->hwnd(), GWL_STYLE,
                       (GetWindowLongW(hotGamesPage_->hwnd(), GWL_STYLE) & ~WS_BORDER));
    Arrange();
}

void SidePanel::OpenAddGameDialog(const AddGameDialog::Presets& presets) {
    if (dialog_ && dialog_->open())
        return;
    dialog_ = std::make_unique<AddGameDialog>();
    if (dialog_->Create(args_.mainWindow, args_.icon, presets, gameTree_, library()))
        dialog_->ShowModalLater();
}

void SidePanel::RefillRecent() {
    // The recent nodes are made anew: a hovered one is gone.
    if (hoverTree_ == recentTree_) {
        hoverNode_ = nullptr;
        HideDeleteButton();
    }
    if (GameLibrary* lib = library())
        FillRecentTree(recentTree_, *lib);
}

HTREEITEM SidePanel::NodeUnderCursor(HWND tree) const {
    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(tree, &pt);
    return NodeAt(tree, pt);
}

void SidePanel::OnRecentClick() {
    HTREEITEM node = NodeUnderCursor(recentTree_);
    auto* recent = reinterpret_cast<TRecentline*>(NodeData(recentTree_, node));
    if (!recent || !library() || !library()->Contains(recent) || recent->Address.empty())
        return;
    // The recent list keeps its order.
    std::string address = recent->Address, bill = library()->BillOf(*recent), proxy = recent->Proxy;
    if (args_.hooks.onOpenGame)
        args_.hooks.onOpenGame(address, bill, proxy, nullptr);
}

void SidePanel::OnMyGameOpen() {
    HTREEITEM node = NodeUnderCursor(gameTree_);
    if (!node)
        return;
    if (NodeImage(gameTree_, node) == kTreeImageAddGame) {
        AddGameDialog::Presets presets;
        HTREEITEM parent = TreeView_GetParent(gameTree_, node);
        if (parent)
            presets.category = NodeText(gameTree_, parent);
        OpenAddGameDialog(presets);
        return;
    }
    auto* game = reinterpret_cast<TGameline*>(NodeData(gameTree_, node));
    GameLibrary* lib = library();
    if (!game || !lib || !lib->Contains(game) || game->Address.empty())
        return;
    std::string name = game->Name, address = game->Address, bill = lib->BillOf(*game),
                proxy = game->Proxy;
    lib->AddRecentGame(name, address, bill, proxy);
    RefillRecent();
    if (args_.hooks.onOpenGame)
        args_.hooks.onOpenGame(address, bill, proxy, game);
}

void SidePanel::OnTreeMouseDown(UINT msg) {
    // tvwMyGameMouseDown: a game offers "修改名称" on a right click, a
    // category 打开全部. The left button selects by itself; selecting ahead
    // of it would turn a first click into the click that starts an in-place
    // edit.
    HTREEITEM node = NodeUnderCursor(gameTree_);
    editMenuAttached_ = node && NodeImage(gameTree_, node) == kTreeImageGame;
    rightClickNode_ = msg == WM_RBUTTONDOWN ? node : nullptr;
    if (editMenuAttached_ && msg != WM_LBUTTONDOWN)
        TreeView_SelectItem(gameTree_, node);
}

void SidePanel::ChangeName() {
    HTREEITEM node = TreeView_GetSelection(gameTree_);
    if (node && NodeImage(gameTree_, node) == kTreeImageGame) {
        SetFocus(gameTree_);
        SendMessageW(gameTree_, TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(node));
    }
}

void SidePanel::ChangeProxy() {
    HTREEITEM node = TreeView_GetSelection(gameTree_);
    auto* game = node && NodeImage(gameTree_, node) == kTreeImageGame
                     ? reinterpret_cast<TGameline*>(NodeData(gameTree_, node))
                     : nullptr;
    if (!game || !library() || !library()->Contains(game) || (proxyDialog_ && proxyDialog_->open()))
        return;
    proxyDialog_ = std::make_unique<ProxyDialog>();
    if (proxyDialog_->Create(args_.mainWindow, args_.icon, *library(), *game))
        proxyDialog_->ShowModalLater();
}

void SidePanel::OnTreeMouseMove(HWND tree, POINT at) {
    HTREEITEM node = NodeAt(tree, at);
    hoverNode_ = node;
    hoverTree_ = tree;
    if (!node || NodeImage(tree, node) == kTreeImageAddGame) {
        HideDeleteButton();
        return;
    }
    RECT row{};
    if (!TreeView_GetItemRect(tree, node, &row, FALSE)) {
        HideDeleteButton();
        return;
    }
    // At the right end of the row, in the main window's client area.
    const int size = Scale(kDeleteButtonSize, dpi());
    POINT pt{row.right - size, row.top + 1};
    MapWindowPoints(tree, args_.mainWindow, &pt, 1);
    SetWindowPos(deleteBar_.hwnd(), HWND_TOP, pt.x, pt.y, size, size,
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    deleteBar_.Repaint();
}

void SidePanel::OnDeleteClick() {
    HTREEITEM node = hoverNode_;
    HWND tree = hoverTree_;
    // The node goes now: a second click before the mouse moves on must not
    // reach it.
    hoverNode_ = nullptr;
    HideDeleteButton();
    GameLibrary* lib = library();
    if (!node || !lib)
        return;
    if (tree == gameTree_)
        DeleteGameNode(gameTree_, *lib, node);
    else if (tree == recentTree_)
        DeleteRecentNode(recentTree_, *lib, node);
}

LRESULT SidePanel::OnNotify(const NMHDR& nm) {
    bool myGame = nm.hwndFrom == gameTree_;
    if (!myGame && nm.hwndFrom != recentTree_)
        return 0;
    switch (nm.code) {
        case NM_CLICK:
            if (myGame)
                OnMyGameOpen();
            else
                OnRecentClick();
            return 0;
        case NM_DBLCLK:
            // Both events open: a double-click opens the game twice.
            if (myGame)
                OnMyGameOpen();
            return 0;
        case NM_RCLICK:
            // No popup menu elsewhere.
            return myGame ? OnGameTreeRightClick() : 1;
        case TVN_BEGINLABELEDITW: {
            // Only games are renamed; the recent tree has no rule of its own.
            const auto& info = reinterpret_cast<const NMTVDISPINFOW&>(nm);
            return myGame && NodeImage(gameTree_, info.item.hItem) != kTreeImageGame;
        }
        case TVN_ENDLABELEDITW: {
            const auto& info = reinterpret_cast<const NMTVDISPINFOW&>(nm);
            if (!info.item.pszText)
                return FALSE;  // cancelled
            if (myGame && library()) {
                auto* game =
                    reinterpret_cast<const TGameline*>(NodeData(gameTree_, info.item.hItem));
                const std::string oldName =
                    game && library()->Contains(game) ? game->Name : std::string();
                RenameGame(gameTree_, *library(), info.item.hItem, FromW(info.item.pszText));
                if (game && library()->Contains(game) && args_.hooks.onGameChanged)
                    args_.hooks.onGameChanged(*game, oldName);
            }
            return TRUE;
        }
        default:
            return 0;
    }
}

LRESULT CALLBACK SidePanel::TreeSubclass(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                         DWORD_PTR self) {
    auto* panel = reinterpret_cast<SidePanel*>(self);
    switch (msg) {
        case WM_MOUSEMOVE:
            Guarded([&] {
                panel->OnTreeMouseMove(
                    h, POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
            });
            break;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            if (h == panel->gameTree_)
                Guarded([&] { panel->OnTreeMouseDown(msg); });
            break;
        case WM_NCDESTROY:
            ondemand::RemoveWindowSubclass(h, TreeSubclass, kTreeSubclassId);
            break;
        default:
            break;
    }
    return ondemand::DefSubclassProc(h, msg, wp, lp);
}

LRESULT SidePanel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_NOTIFY:
            return GuardedOr<LRESULT>(0, [&] { return OnNotify(*reinterpret_cast<NMHDR*>(lp)); });
        case WM_SIZE:
            // PanelLeftResize: the rows moved under the delete button.
            HideDeleteButton();
            Arrange();
            return 0;
        default:
            return Window::HandleMessage(msg, wp, lp);
    }
}

}  // namespace lumo
