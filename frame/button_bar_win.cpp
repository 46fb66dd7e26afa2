#include "frame/button_bar_win.h"

#include <windowsx.h>

#include "common/dpi_win.h"
#include "common/guard.h"
#include "common/text_win.h"
#include "frame/skin_win.h"

namespace lumo {

bool ButtonBar::Create(const CreateArgs& args) {
    args_ = args;
    WindowCreateArgs w;
    w.className = L"TLumoButtonBar";
    w.style = WS_CHILD | WS_CLIPSIBLINGS | (args.visible ? WS_VISIBLE : 0);
    w.parent = args.parent;
    w.x = w.y = 0;
    w.width = w.height = 1;
    w.background = nullptr;
    w.classStyle = 0;  // double-clicks arrive as two presses
    if (!CreateWindowFrom(w))
        return false;
    SetControlName(hwnd(), args.name);
    tips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0,
                            0, 0, hwnd(), nullptr, GetModuleHandleW(nullptr), nullptr);
    return true;
}

void ButtonBar::SetButtons(std::vector<Button> buttons) {
    buttons_ = std::move(buttons);
    hot_ = pressed_ = -1;
    UpdateTips();
    Repaint();
}

void ButtonBar::UpdateTips() {
    if (!tips_)
        return;
    while (SendMessageW(tips_, TTM_GETTOOLCOUNT, 0, 0) > 0) {
        TTTOOLINFOW ti{};
        ti.cbSize = sizeof(ti);
        if (!SendMessageW(tips_, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&ti)))
            break;
        SendMessageW(tips_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    for (size_t i = 0; i < buttons_.size(); ++i) {
        if (buttons_[i].hint.empty())
            continue;
        std::wstring text = ToW(buttons_[i].hint);
        TTTOOLINFOW ti{};
        ti.cbSize = sizeof(ti);
        ti.uFlags = TTF_SUBCLASS;
        ti.hwnd = hwnd();
        ti.uId = i + 1;
        ti.rect = PixelRect(i);
        ti.lpszText = text.data();
        SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
}

int ButtonBar::dpi() const {
    return DpiOf(hwnd());
}

RECT ButtonBar::PixelRect(size_t index) const {
    return index < buttons_.size() ? Scale(buttons_[index].rect, dpi()) : RECT{};
}

RECT ButtonBar::ScreenRect(int id) const {
    for (size_t i = 0; i < buttons_.size(); ++i) {
        if (buttons_[i].id != id)
            continue;
        RECT rc = PixelRect(i);
        MapWindowPoints(hwnd(), nullptr, reinterpret_cast<POINT*>(&rc), 2);
        return rc;
    }
    return {};
}

int ButtonBar::HitTest(int x, int y) const {
    POINT pt{x, y};
    for (size_t i = 0; i < buttons_.size(); ++i) {
        RECT r = PixelRect(i);
        if (buttons_[i].visible && PtInRect(&r, pt))
            return static_cast<int>(i);
    }
    return -1;
}

void ButtonBar::Paint(HDC target) {
    RECT rc;
    GetClientRect(hwnd(), &rc);
    BufferedPaint buffer(target, rc);
    HDC dc = buffer.dc();
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    if (onPaintBackground)
        Guarded([&] { onPaintBackground(dc, rc); });
    const int dpi = this->dpi();
    HIMAGELIST images = args_.imageList ? Skin::Get(dpi).List(args_.imageList) : nullptr;
    for (size_t i = 0; i < buttons_.size(); ++i) {
        if (!buttons_[i].visible)
            continue;
        Button b = buttons_[i];
        b.rect = Scale(b.rect, dpi);
        bool hot = b.enabled && (static_cast<int>(i) == hot_);
        bool pressed = hot && static_cast<int>(i) == pressed_;
        Guarded([&] {
            if (drawButton) {
                drawButton(dc, b, hot, pressed);
            } else {
                int index = b.image + (hot ? args_.hotOffset : 0) + (pressed ? args_.hotOffset : 0);
                DrawListImage(dc, images, index, b.rect.left + Scale(args_.imageAt.x, dpi),
                              b.rect.top + Scale(args_.imageAt.y, dpi), !b.enabled);
            }
        });
    }
}

LRESULT ButtonBar::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd(), &ps);
            Paint(dc);
            EndPaint(hwnd(), &ps);
            return 0;
        }
        case WM_MOUSEMOVE: {
            int hit = HitTest(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            if (!tracking_) {
                TRACKMOUSEEVENT t{sizeof(t), TME_LEAVE, hwnd(), 0};
                tracking_ = TrackMouseEvent(&t) != FALSE;
            }
            if (hit != hot_) {
                hot_ = hit;
                Repaint();
            }
            return 0;
        }
        case WM_MOUSELEAVE:
            tracking_ = false;
            if (GetCapture() != hwnd()) {
                hot_ = -1;
                Repaint();
            }
            return 0;
        case WM_LBUTTONDOWN: {
            int hit = HitTest(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            hot_ = hit;
            if (hit >= 0 && buttons_[static_cast<size_t>(hit)].enabled) {
                pressed_ = hit;
                SetCapture(hwnd());
            }
            Repaint();
            return 0;
        }
        case WM_LBUTTONUP: {
            int hit = HitTest(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
            int pressed = pressed_;
            pressed_ = -1;
            if (GetCapture() == hwnd())
                ReleaseCapture();
            Repaint();
            if (pressed >= 0 && hit == pressed) {
                int id = buttons_[static_cast<size_t>(pressed)].id;
                if (onClick) {
                    Guarded([&] { onClick(id); });
                } else {
                    HWND target = args_.notify ? args_.notify : GetParent(hwnd());
                    PostMessageW(target, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(hwnd()));
                }
            }
            return 0;
        }
        case 0x02E3:  // WM_DPICHANGED_AFTERPARENT: the tips' places changed
            UpdateTips();
            Repaint();
            return 0;
        case WM_CAPTURECHANGED:
            pressed_ = -1;
            Repaint();
            return 0;
        default:
            return Window::HandleMessage(msg, wp, lp);
    }
}

}  // namespace lumo
