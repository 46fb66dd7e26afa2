#include "mainwindow/tab_strip_win.h"

#include <commctrl.h>

#include "common/guard.h"
#include "common/text_win.h"
#include "common/window_win.h"

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
    SendMessageW(hwnd_, TB_SETBUTTONSIZE, 0, MAKELPARAM(width_, 33));
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    SetWindowSubclass(hwnd_, Subclass, 1, reinterpret_cast<DWORD_PTR>(this));
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

void TabStrip::SetButtonWidth(int width) {
    width_ = width;
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
    for (int i = 0; i < Count(); ++i) {
        TBBUTTON b{};
        SendMessageW(hwnd_, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b));
        SendMessageW(hwnd_, TB_CHECKBUTTON, b.idCommand, MAKELPARAM(i == index, 0));
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
    if (msg == WM_NCDESTROY)
        RemoveWindowSubclass(h, Subclass, 1);
    return DefSubclassProc(h, msg, wp, lp);
}

}  // namespace lumo
