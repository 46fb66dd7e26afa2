#include "mainwindow/tab_strip_win.h"

#include <commctrl.h>

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
    SetDpi(DpiOf(hwnd_));
    return true;
}

int TabStrip::Count() const {
    return static_cast<int>(SendMessageW(hwnd_, TB_BUTTONCOUNT, 0, 0));
}

void TabStrip::Insert(int index, const std::string& caption) {
    InsertTextButton(hwnd_, index, caption, nextCommand_++);
    SetButtonWidth(width_);
}

void TabStrip::Remove(int index) {
    if (index >= 0 && index < Count())
        SendMessageW(hwnd_, TB_DELETEBUTTON, index, 0);
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
    active_ = index;
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
