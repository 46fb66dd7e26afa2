#include "mainwindow/tab_strip_win.h"

#include <commctrl.h>

#include <algorithm>

#include "common/dpi_win.h"
#include "common/guard.h"
#include "common/handle_win.h"
#include "common/on_demand_win.h"
#include "common/text.h"
#include "common/text_win.h"
#include "common/window_win.h"
#include "frame/skin_win.h"

namespace lumo {

void InsertTextButton(HWND bar, int index, const std::string& text, int commandId) {
    std::wstring w = ToW(text);
    TBBUTTON b{};
    b.iBitmap = I_IMAGENONE;
    b.idCommand = commandId;
    b.fsState = TBSTATE_ENABLED;
    b.fsStyle = BTNS_BUTTON | BTNS_SHOWTEXT | BTNS_NOPREFIX;
    b.iString = reinterpret_cast<INT_PTR>(w.c_str());
    SendMessageW(bar, TB_INSERTBUTTONW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&b));
}

bool TabStrip::Create(const CreateArgs& args) {
    args_ = args;
    hwnd_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST |
                                CCS_NORESIZE | CCS_NODIVIDER | CCS_NOPARENTALIGN,
                            0, 0, 100, 33, args.parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(args.id)),
                            GetModuleHandleW(nullptr), nullptr);
    if (!hwnd_)
        return false;
    SetControlName(hwnd_, L"ToolBarTabParent");
    SendMessageW(hwnd_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(hwnd_, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    ondemand::SetWindowSubclass(hwnd_, Subclass, 1, reinterpret_cast<DWORD_PTR>(this));
    // One tool over the tab under the mouse; its text is asked for when it
    // shows (TTN_GETDISPINFO reaches the strip's own subclass).
    tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX, 0, 0,
                           0, 0, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (tip_) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = hwnd_;
        tool.uId = 1;
        tool.lpszText = LPSTR_TEXTCALLBACKW;
        SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, 400);
    }
    SetDpi(DpiOf(hwnd_));
    return true;
}

void TabStrip::SetTab(int index, const std::string& tip, COLORREF colour) {
    if (index < 0 || index >= static_cast<int>(extras_.size()))
        return;
    Extra& e = extras_[static_cast<size_t>(index)];
    if (e.tip == tip && e.colour == colour)
        return;
    e.tip = tip;
    e.colour = colour;
    InvalidateRect(hwnd_, nullptr, FALSE);
}

std::string TabStrip::Tip(int index) const {
    return index >= 0 && index < static_cast<int>(extras_.size())
               ? extras_[static_cast<size_t>(index)].tip
               : std::string();
}

// The tool covers the tab under the mouse; moving to another tab pops the
// tip, so the next one asks for that tab's text.
void TabStrip::TrackTip(POINT pt) {
    if (!tip_)
        return;
    int index = static_cast<int>(SendMessageW(hwnd_, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&pt)));
    if (index < 0 || index >= Count())
        index = -1;
    if (index == tipTab_)
        return;
    tipTab_ = index;
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = hwnd_;
    tool.uId = 1;
    tool.rect = index >= 0 ? TabRect(index) : RECT{};
    SendMessageW(tip_, TTM_POP, 0, 0);
    SendMessageW(tip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
}

int TabStrip::Count() const {
    return static_cast<int>(SendMessageW(hwnd_, TB_BUTTONCOUNT, 0, 0));
}

void TabStrip::Insert(int index, const std::string& caption) {
    InsertTextButton(hwnd_, index, caption, nextCommand_++);
    index = std::clamp(index, 0, static_cast<int>(extras_.size()));
    extras_.insert(extras_.begin() + index, Extra{});
    SetButtonWidth(width_);
}

void TabStrip::Remove(int index) {
    if (index >= 0 && index < Count())
        SendMessageW(hwnd_, TB_DELETEBUTTON, index, 0);
    if (index >= 0 && index < static_cast<int>(extras_.size()))
        extras_.erase(extras_.begin() + index);
    tipTab_ = -2;  // the tool's tab may be another one now
    if (focus_ >= Count())
        focus_ = Count() - 1;
}

void TabStrip::MoveKeyFocus(int index) {
    if (index < 0 || index >= Count())
        return;
    focus_ = index;
    InvalidateRect(hwnd_, nullptr, FALSE);
    if (GetFocus() == hwnd_)
        AccessibleHost::NotifyFocus(hwnd_, index);
}

void TabStrip::Select(int index) {
    if (index >= 0 && index < Count() && args_.onTabMouseDown)
        Guarded([&] { args_.onTabMouseDown(index, VK_LBUTTON); });
}

bool TabStrip::OnKey(WPARAM vk) {
    int n = Count();
    if (n == 0)
        return false;
    int at = focus_ >= 0 && focus_ < n ? focus_ : std::max(active_, 0);
    switch (vk) {
        case VK_LEFT:
            MoveKeyFocus((at + n - 1) % n);
            return true;
        case VK_RIGHT:
            MoveKeyFocus((at + 1) % n);
            return true;
        case VK_HOME:
            MoveKeyFocus(0);
            return true;
        case VK_END:
            MoveKeyFocus(n - 1);
            return true;
        case VK_RETURN:
        case VK_SPACE:
            Select(at);
            return true;
        default:
            return false;
    }
}

AccessibleItem TabStrip::AccessibleSelf() {
    AccessibleItem item;
    item.name = "标签";
    item.role = ROLE_SYSTEM_PAGETABLIST;
    item.state = STATE_SYSTEM_FOCUSABLE;
    return item;
}

AccessibleItem TabStrip::AccessiblePart(int index) {
    AccessibleItem item;
    item.name = Trim(Caption(index));
    item.role = ROLE_SYSTEM_PAGETAB;
    item.state = STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
    if (index == active_)
        item.state |= STATE_SYSTEM_SELECTED;
    item.rect = TabRect(index);
    item.action = "切换";
    return item;
}

void TabStrip::SetCaption(int index, const std::string& caption) {
    if (index < 0 || index >= Count())
        return;
    std::wstring text = ToW(caption);
    TBBUTTONINFOW info{};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_TEXT | TBIF_BYINDEX;
    info.pszText = text.data();
    SendMessageW(hwnd_, TB_SETBUTTONINFOW, index, reinterpret_cast<LPARAM>(&info));
    SetButtonWidth(width_);
}

void TabStrip::SetDpi(int dpi) {
    dpi_ = dpi;
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont(dpi_)), 0);
    SetButtonWidth(width_);
}

void TabStrip::SetButtonWidth(int designWidth) {
    width_ = designWidth;
    int width = Scale(designWidth, dpi_);
    // Also the default size, so other processes can read the tab width.
    SendMessageW(hwnd_, TB_SETBUTTONSIZE, 0,
                 MAKELPARAM(width > 0 ? width : 1, Scale(kTabHeight, dpi_)));
    for (int i = 0; i < Count(); ++i) {
        TBBUTTONINFOW info{};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_SIZE | TBIF_BYINDEX;
        info.cx = static_cast<WORD>(width > 0 ? width : 1);
        SendMessageW(hwnd_, TB_SETBUTTONINFOW, i, reinterpret_cast<LPARAM>(&info));
    }
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void TabStrip::SetActive(int index) {
    bool changed = index != active_;
    active_ = index;
    if (changed && index >= 0) {
        NotifyWinEvent(EVENT_OBJECT_SELECTION, hwnd_, OBJID_CLIENT, index + 1);
        if (GetFocus() == hwnd_)
            MoveKeyFocus(index);
    }
    InvalidateRect(hwnd_, nullptr, FALSE);
    for (int i = 0; i < Count(); ++i) {
        TBBUTTON b{};
        SendMessageW(hwnd_, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
        SendMessageW(hwnd_, TB_CHECKBUTTON, b.idCommand, MAKELPARAM(i == index, 0));
    }
}

std::string TabStrip::Caption(int index) const {
    TBBUTTON b{};
    if (!SendMessageW(hwnd_, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&b)))
        return {};
    wchar_t text[512] = {};
    SendMessageW(hwnd_, TB_GETBUTTONTEXTW, b.idCommand, reinterpret_cast<LPARAM>(text));
    text[511] = 0;
    return FromW(text);
}

void TabStrip::Paint(HDC target) {
    RECT client;
    GetClientRect(hwnd_, &client);
    BufferedPaint buffer(target, client);
    HDC dc = buffer.dc();
    const Skin& skin = Skin::Get(dpi_);
    const int tabHeight = skin.Px(kTabHeight);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    StretchPicture(dc, skin.Picture(IDB_IMAGE_TAB_BG), client);
    static constexpr int kPictures[] = {IDB_IMAGE_FIRST_ACTIVE_TAB_BUTTON,
                                        IDB_IMAGE_ACTIVE_TAB_BUTTON, IDB_IMAGE_TAB_ACTIVE_NEXT,
                                        IDB_IMAGE_FIRST_BUTTON, IDB_IMAGE_NORMAL_BUTTON};
    SelectedObject font(dc, GuiFont(dpi_));
    SetBkMode(dc, TRANSPARENT);
    int count = Count();
    for (int i = 0; i < count; ++i) {
        RECT r = TabRect(i);
        StripRect tab{r.left, 0, r.right, tabHeight};
        Guarded([&] {
            HBITMAP pic = skin.Picture(kPictures[static_cast<int>(PickTabPicture(i, active_))]);
            TabSlices s = SliceTabPicture(tab, dpi_);
            for (const TabSlice* slice : {&s.leftCap, &s.middle, &s.rightCap}) {
                const StripRect& d = slice->dst;
                DrawPictureColumns(dc, pic, slice->srcLeft, slice->srcWidth,
                                   {d.left, d.top, d.right, d.bottom});
            }
            if (i == count - 1) {
                int end =
                    i == active_ ? IDB_IMAGE_TAB_BUTTON_ACTIVE_RIGHT : IDB_IMAGE_TAB_BUTTON_RIGHT;
                StretchPicture(
                    dc, skin.Picture(end),
                    {tab.right - 1, 0, tab.right - 1 + skin.Px(kTabEndPieceWidth), tabHeight});
            }
            DrawListImage(dc, skin.List(IDB_IMAGE_LIST_WEB_ICON), 0,
                          tab.left + skin.Px(kTabIconLeft), skin.Px(kTabIconTop));
        });
        if (i < static_cast<int>(extras_.size()) &&
            extras_[static_cast<size_t>(i)].colour != kNoTabColour) {
            // The saved game's colour: a strip along the tab's top edge.
            UniqueBrush brush(CreateSolidBrush(extras_[static_cast<size_t>(i)].colour));
            RECT strip{tab.left + skin.Px(4), skin.Px(2), tab.right - skin.Px(4), skin.Px(5)};
            FillRect(dc, &strip, brush.get());
        }
        // The title is drawn even when the picture failed.
        std::wstring title = ToW(Trim(Caption(i)));
        SIZE extent{};
        GetTextExtentPoint32W(dc, title.c_str(), static_cast<int>(title.size()), &extent);
        TabTitleLayout t = LayoutTabTitle(tab, extent.cx, dpi_);
        RECT tr{t.rect.left, t.rect.top, t.rect.right, t.rect.bottom};
        SetTextColor(dc, i == active_ ? RGB(0x1F, 0x29, 0x33) : RGB(0x4A, 0x52, 0x5C));
        DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &tr,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX |
                      (t.ellipsis ? DT_LEFT | DT_END_ELLIPSIS : DT_CENTER));
        if (i == focus_ && GetFocus() == hwnd_) {
            // The keyboard's tab: a focus rectangle inside the tab's shape.
            RECT mark{tab.left + kTabCapWidth / 2, kTabBodyTop + 3, tab.right - kTabCapWidth / 2,
                      kTabHeight - 3};
            DrawFocusRect(dc, &mark);
        }
    }
}

RECT TabStrip::TabRect(int index) const {
    RECT rc{};
    SendMessageW(hwnd_, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rc));
    return rc;
}

LRESULT CALLBACK TabStrip::Subclass(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                    DWORD_PTR selfPtr) {
    auto* self = reinterpret_cast<TabStrip*>(selfPtr);
    if (LRESULT r = 0; self->access_.HandleMessage(h, msg, wp, lp, r))
        return r;
    switch (msg) {
        case WM_SETFOCUS:
            if (self->focus_ < 0 || self->focus_ >= self->Count())
                self->focus_ = self->active_;
            InvalidateRect(h, nullptr, FALSE);
            AccessibleHost::NotifyFocus(h, self->focus_);
            return 0;
        case WM_KILLFOCUS:
            InvalidateRect(h, nullptr, FALSE);
            return 0;
        case WM_KEYDOWN:
            if (GuardedOr(false, [&] { return self->OnKey(wp); }))
                return 0;
            break;
        case WM_CHAR:
            if (wp == VK_RETURN || wp == VK_SPACE)
                return 0;  // no beep: the key-down did it
            break;
        default:
            break;
    }
    int button = msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK   ? VK_LBUTTON
                 : msg == WM_RBUTTONDOWN || msg == WM_RBUTTONDBLCLK ? VK_RBUTTON
                 : msg == WM_MBUTTONDOWN                            ? VK_MBUTTON
                                                                    : 0;
    if (button) {
        POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        int index = static_cast<int>(SendMessageW(h, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&pt)));
        if (index >= 0 && index < self->Count()) {
            // A double-click is one more press on the tab.
            Guarded([&] {
                if (self->args_.onTabMouseDown)
                    self->args_.onTabMouseDown(index, button);
            });
            return 0;
        }
        if (msg == WM_LBUTTONDBLCLK && self->args_.onEmptyDoubleClick) {
            Guarded([&] { self->args_.onEmptyDoubleClick(); });
            return 0;
        }
    }
    if (msg == WM_ERASEBKGND)
        return 1;
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        Guarded([&] { self->Paint(dc); });
        EndPaint(h, &ps);
        return 0;
    }
    if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(lp);
        Guarded([&] {
            // Kept until the next request: the tip reads it after we return.
            static std::wstring text;
            text = ToW(self->Tip(self->tipTab_));
            info->lpszText = text.data();
        });
        return 0;
    }
    if (msg == WM_MOUSEMOVE)
        Guarded([&] {
            self->TrackTip(POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
        });
    if (msg == WM_MOUSEMOVE && self->args_.onCloseButton) {
        POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        int index = static_cast<int>(SendMessageW(h, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&pt)));
        CloseButtonPlace place;
        if (index >= 0 && index < self->Count()) {
            RECT r = self->TabRect(index);
            place = PlaceCloseButton(index, {r.left, 0, r.right, Scale(kTabHeight, self->dpi_)},
                                     pt.x - r.left, pt.y, self->dpi_);
        }
        Guarded([&] { self->args_.onCloseButton(place); });
    }
    if (msg == WM_NCDESTROY)
        ondemand::RemoveWindowSubclass(h, Subclass, 1);
    return ondemand::DefSubclassProc(h, msg, wp, lp);
}

}  // namespace lumo
