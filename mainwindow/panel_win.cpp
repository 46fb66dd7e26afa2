#include "mainwindow/panel_win.h"

#include "common/dpi_win.h"
#include "common/handle_win.h"
#include "common/text_win.h"

namespace lumo {

bool Panel::Create(const CreateArgs& args) {
    color_ = args.color;
    WindowCreateArgs w;
    w.className = args.className;
    w.style = WS_CHILD | WS_VISIBLE | (args.clipChildren ? WS_CLIPCHILDREN | WS_CLIPSIBLINGS : 0);
    w.parent = args.parent;
    w.x = w.y = 0;
    w.width = w.height = 10;
    w.background = nullptr;  // painted in WM_ERASEBKGND with our colour
    if (!CreateWindowFrom(w))
        return false;
    SetControlName(hwnd(), args.name);
    return true;
}

void Panel::SetText(const std::string& utf8) {
    if (utf8 == text_)
        return;
    text_ = utf8;
    SetWindowTextW(hwnd(), ToW(utf8).c_str());
    InvalidateRect(hwnd(), nullptr, TRUE);
}

LRESULT Panel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_ERASEBKGND: {
            RECT rc;
            GetClientRect(hwnd(), &rc);
            UniqueBrush brush(CreateSolidBrush(color_));
            FillRect(reinterpret_cast<HDC>(wp), &rc, brush.get());
            return 1;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd(), &ps);
            if (!text_.empty()) {
                RECT rc;
                GetClientRect(hwnd(), &rc);
                const int dpi = DpiOf(hwnd());
                rc.left += Scale(4, dpi);
                SetBkMode(dc, TRANSPARENT);
                HGDIOBJ old = SelectObject(dc, GuiFont(dpi));
                std::wstring w = ToW(text_);
                DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &rc,
                          DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
                SelectObject(dc, old);
            }
            EndPaint(hwnd(), &ps);
            return 0;
        }
        case WM_COMMAND:
        case WM_NOTIFY:
            // Controls report to their parent; panels pass that on upwards.
            return SendMessageW(GetParent(hwnd()), msg, wp, lp);
        default:
            return Window::HandleMessage(msg, wp, lp);
    }
}

}  // namespace lumo
