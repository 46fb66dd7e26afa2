#include "frame/paint_panel_win.h"

#include <windowsx.h>

#include <cstdlib>

#include "common/guard.h"
#include "frame/skin_win.h"

namespace lumo {

bool PaintPanel::Create(const CreateArgs& args) {
    WindowCreateArgs w;
    w.className = L"TPaintPanel";
    w.style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | (args.visible ? WS_VISIBLE : 0);
    w.parent = args.parent;
    w.x = w.y = 0;
    w.width = w.height = 1;
    w.background = nullptr;
    w.classStyle = CS_DBLCLKS;  // no full repaint on resize
    if (!CreateWindowFrom(w))
        return false;
    SetControlName(hwnd(), args.name);
    return true;
}

void PaintPanel::Paint(HDC dc) {
    RECT rc;
    GetClientRect(hwnd(), &rc);
    BufferedPaint buffer(dc, rc);
    FillRect(buffer.dc(), &rc, GetSysColorBrush(COLOR_BTNFACE));
    if (onPaint)
        Guarded([&] { onPaint(buffer.dc(), rc); });
    if (GetFocus() == hwnd()) {
        RECT mark = rc;
        InflateRect(&mark, -2, -2);
        DrawFocusRect(buffer.dc(), &mark);
    }
}

LRESULT PaintPanel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (LRESULT r = 0; access_ && access_->HandleMessage(hwnd(), msg, wp, lp, r))
        return r;
    switch (msg) {
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            Repaint();
            return 0;
        case WM_KEYDOWN:
            if (onKey) {
                Guarded([&] { onKey(wp); });
                return 0;
            }
            return Window::HandleMessage(msg, wp, lp);
        case WM_ERASEBKGND:
            Paint(reinterpret_cast<HDC>(wp));
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd(), &ps);
            Paint(dc);
            EndPaint(hwnd(), &ps);
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONUP:
        case WM_MOUSEMOVE:
            if (onMouse) {
                Guarded([&] { onMouse(msg, GET_X_LPARAM(lp), GET_Y_LPARAM(lp)); });
                return 0;
            }
            return Window::HandleMessage(msg, wp, lp);
        case WM_SETCURSOR:
            if (cursor && LOWORD(lp) == HTCLIENT) {
                SetCursor(cursor);
                return TRUE;
            }
            return Window::HandleMessage(msg, wp, lp);
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_DRAWITEM:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORLISTBOX:
            return SendMessageW(GetParent(hwnd()), msg, wp, lp);
        default:
            return Window::HandleMessage(msg, wp, lp);
    }
}

void CaptionDrag::OnMouse(HWND area, HWND frame, UINT msg, int x, int y) {
    if (msg == WM_LBUTTONDOWN) {
        armed_ = true;
        start_ = {x, y};
        SetCapture(area);
    } else if (msg == WM_LBUTTONUP || msg == WM_LBUTTONDBLCLK) {
        armed_ = false;
        if (GetCapture() == area)
            ReleaseCapture();
    } else if (msg == WM_MOUSEMOVE && armed_ && (GetKeyState(VK_LBUTTON) & 0x8000)) {
        if (std::abs(x - start_.x) >= GetSystemMetrics(SM_CXDRAG) ||
            std::abs(y - start_.y) >= GetSystemMetrics(SM_CYDRAG)) {
            armed_ = false;
            ReleaseCapture();
            if (!IsZoomed(frame))
                SendMessageW(frame, WM_SYSCOMMAND, 0xF012, 0);  // move, as by the caption
        }
    } else if (msg == WM_MOUSEMOVE) {
        armed_ = false;
    }
}

}  // namespace lumo
