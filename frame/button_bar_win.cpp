#include "frame/button_bar_win.h"

#include <windowsx.h>

#include "common/dpi_win.h"
#include "common/guard.h"
#include "common/text_win.h"
#include "frame/skin_win.h"

namespace lumo {

namespace {

wchar_t Upper(wchar_t c) {
    return static_cast<wchar_t>(reinterpret_cast<ULONG_PTR>(
        CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(c)))));
}

// "文件(&F)" -> 'F'; 0 without an underlined letter.
wchar_t Mnemonic(const std::wstring& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&')
            continue;
        if (caption[i + 1] != L'&')
            return Upper(caption[i + 1]);
        ++i;
    }
    return 0;
}

// The caption as read aloud: "文件(&F)" -> "文件", "&Open" -> "Open".
std::string SpokenCaption(const std::string& caption) {
    std::string s = caption;
    if (size_t open = s.rfind("(&");
        open != std::string::npos && s.size() == open + 4 && s.back() == ')')
        s.erase(open);
    std::string out;
    for (size_t i = 0; i < s.size(); ++i)
        if (s[i] != '&' || (i + 1 < s.size() && s[++i] == '&'))
            out += s[i];
    return out;
}

}  // namespace

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
    if (focus_ >= static_cast<int>(buttons_.size()))
        focus_ = -1;
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

bool ButtonBar::Usable(int index) const {
    return index >= 0 && index < static_cast<int>(buttons_.size()) &&
           buttons_[static_cast<size_t>(index)].visible &&
           buttons_[static_cast<size_t>(index)].enabled;
}

void ButtonBar::SetKeyFocus(int index) {
    if (index == focus_ || index < -1 || index >= static_cast<int>(buttons_.size()))
        return;
    focus_ = index;
    Repaint();
    if (GetFocus() == hwnd())
        AccessibleHost::NotifyFocus(hwnd(), focus_);
}

int ButtonBar::IndexOfMnemonic(wchar_t letter) const {
    wchar_t upper = Upper(letter);
    for (size_t i = 0; i < buttons_.size(); ++i)
        if (Usable(static_cast<int>(i)) && Mnemonic(ToW(buttons_[i].caption)) == upper)
            return static_cast<int>(i);
    return -1;
}

void ButtonBar::Press(int index) {
    if (!Usable(index))
        return;
    int id = buttons_[static_cast<size_t>(index)].id;
    if (onClick) {
        Guarded([&] { onClick(id); });
    } else {
        HWND target = args_.notify ? args_.notify : GetParent(hwnd());
        PostMessageW(target, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(hwnd()));
    }
}

bool ButtonBar::OnKey(WPARAM vk) {
    int n = static_cast<int>(buttons_.size());
    auto step = [&](int from, int by) {
        for (int k = 1; k <= n; ++k) {
            int i = ((from + by * k) % n + n) % n;
            if (Usable(i))
                return i;
        }
        return focus_;
    };
    switch (vk) {
        case VK_LEFT:
            SetKeyFocus(step(focus_ < 0 ? 0 : focus_, -1));
            return true;
        case VK_RIGHT:
            SetKeyFocus(step(focus_ < 0 ? -1 : focus_, 1));
            return true;
        case VK_HOME:
            SetKeyFocus(step(-1, 1));
            return true;
        case VK_END:
            SetKeyFocus(step(0, -1));
            return true;
        case VK_RETURN:
        case VK_SPACE:
        case VK_DOWN:
            Press(focus_);
            return true;
        case VK_ESCAPE:
            if (onEscape)
                Guarded([&] { onEscape(); });
            return true;
        default:
            return false;
    }
}

AccessibleItem ButtonBar::AccessibleSelf() {
    AccessibleItem item;
    item.name = args_.accessibleName;
    item.role = args_.barRole;
    return item;
}

AccessibleItem ButtonBar::AccessiblePart(int index) {
    const Button& b = buttons_.at(static_cast<size_t>(index));
    AccessibleItem item;
    item.name = b.hint.empty() ? SpokenCaption(b.caption) : b.hint;
    item.role = args_.buttonRole;
    item.rect = PixelRect(static_cast<size_t>(index));
    if (!b.visible)
        item.state |= STATE_SYSTEM_INVISIBLE;
    if (!b.enabled)
        item.state |= STATE_SYSTEM_UNAVAILABLE;
    if (index == pressed_)
        item.state |= STATE_SYSTEM_PRESSED;
    if (index == hot_)
        item.state |= STATE_SYSTEM_HOTTRACKED;
    if (args_.keyboard)
        item.state |= STATE_SYSTEM_FOCUSABLE;
    bool menu = args_.buttonRole == ROLE_SYSTEM_MENUITEM;
    if (menu)
        item.state |= STATE_SYSTEM_HASPOPUP;
    item.action = menu ? "打开" : "按下";
    if (wchar_t letter = Mnemonic(ToW(b.caption)))
        item.shortcut = "Alt+" + FromW(std::wstring(1, letter));
    if (describe)
        describe(b, item);
    return item;
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
        bool keyed = static_cast<int>(i) == focus_ && GetFocus() == hwnd();
        bool hot = b.enabled && (static_cast<int>(i) == hot_ || keyed);
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
    if (LRESULT r = 0; access_.HandleMessage(hwnd(), msg, wp, lp, r))
        return r;
    switch (msg) {
        case WM_SETFOCUS:
            for (int i = 0; !Usable(focus_) && i < static_cast<int>(buttons_.size()); ++i)
                focus_ = i;
            if (!Usable(focus_))
                focus_ = -1;
            Repaint();
            AccessibleHost::NotifyFocus(hwnd(), focus_);
            return 0;
        case WM_KILLFOCUS:
            Repaint();
            return 0;
        case WM_GETDLGCODE:
            return args_.keyboard ? DLGC_WANTARROWS | DLGC_WANTCHARS : 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (args_.keyboard && OnKey(wp))
                return 0;
            return Window::HandleMessage(msg, wp, lp);
        case WM_CHAR:
            if (args_.keyboard) {
                // An underlined letter presses its button; nothing else beeps.
                int index = IndexOfMnemonic(static_cast<wchar_t>(wp));
                if (index >= 0) {
                    SetKeyFocus(index);
                    Press(index);
                }
                return 0;
            }
            return Window::HandleMessage(msg, wp, lp);
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
            if (pressed >= 0 && hit == pressed)
                Press(pressed);
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
