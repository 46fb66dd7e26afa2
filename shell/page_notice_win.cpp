#include "shell/page_notice_win.h"

#include "common/dpi_win.h"
#include "common/guard.h"
#include "common/text_win.h"

namespace lumo {

namespace {
constexpr int kFirstId = 101, kSecondId = 102;
}

bool PageNotice::Create(HWND pageArea, Actions actions) {
    actions_ = std::move(actions);
    WindowCreateArgs w;
    w.className = L"LumoPageNotice";
    w.style = WS_CHILD | WS_CLIPSIBLINGS;
    w.parent = pageArea;
    w.x = 0, w.y = 0, w.width = 100, w.height = 100;
    w.background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    if (!CreateWindowFrom(w))
        return false;
    SetControlName(hwnd(), L"PageNotice");
    auto make = [&](const wchar_t* cls, DWORD style, int id, const wchar_t* name) {
        HWND h =
            CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, hwnd(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
        SetGuiFont(h, DpiOf(hwnd()));
        SetControlName(h, name);
        return h;
    };
    text_ = make(L"STATIC", SS_CENTER, 100, L"lblPageNotice");
    first_ = make(L"BUTTON", BS_PUSHBUTTON, kFirstId, L"btnPageNotice1");
    second_ = make(L"BUTTON", BS_PUSHBUTTON, kSecondId, L"btnPageNotice2");
    return true;
}

void PageNotice::Fit() {
    if (!hwnd())
        return;
    RECT rc{};
    GetClientRect(GetParent(hwnd()), &rc);
    // No erasing of the parent here: under Wine that would paint the page
    // windows beside us from this thread, waiting on a page that hangs.
    SetWindowPos(hwnd(), HWND_TOP, 0, 0, rc.right, rc.bottom, SWP_NOACTIVATE | SWP_DEFERERASE);
    // Design sizes at 96 DPI, scaled for the DPI the notice shows at.
    const int dpi = DpiOf(hwnd());
    auto px = [dpi](int design) { return Scale(design, dpi); };
    for (HWND h : {text_, first_, second_})
        if (reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)) != GuiFont(dpi))
            SetGuiFont(h, dpi);
    int cx = rc.right / 2, cy = rc.bottom / 3;
    MoveWindow(text_, px(10), cy, rc.right - px(20), px(24), TRUE);
    bool two = IsWindowVisible(second_) != FALSE;
    if (two) {
        MoveWindow(first_, cx - px(110), cy + px(40), px(100), px(28), TRUE);
        MoveWindow(second_, cx + px(10), cy + px(40), px(100), px(28), TRUE);
    } else {
        MoveWindow(first_, cx - px(50), cy + px(40), px(100), px(28), TRUE);
    }
}

void PageNotice::Show(Kind kind) {
    if (!hwnd())
        return;
    kind_ = kind;
    if (kind == Kind::None) {
        SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                         SWP_DEFERERASE);
        return;
    }
    bool hung = kind == Kind::Hung;
    SetWindowTextW(text_, ToW(hung ? kPageHungText : kPageStoppedText).c_str());
    SetWindowTextW(first_, ToW(hung ? kWaitButton : kReloadButton).c_str());
    SetWindowTextW(second_, ToW(kEndPageButton).c_str());
    ShowWindow(second_, hung ? SW_SHOWNA : SW_HIDE);
    Fit();
    SetWindowPos(hwnd(), HWND_TOP, 0, 0, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_DEFERERASE);
}

LRESULT PageNotice::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND && HIWORD(wp) == BN_CLICKED) {
        int id = LOWORD(wp);
        Kind kind = kind_;
        Guarded([&] {
            if (kind == Kind::Hung && id == kFirstId && actions_.onWait)
                actions_.onWait();
            else if (kind == Kind::Hung && id == kSecondId && actions_.onEnd)
                actions_.onEnd();
            else if (kind == Kind::Stopped && id == kFirstId && actions_.onReload)
                actions_.onReload();
        });
        return 0;
    }
    if (msg == WM_SIZE)
        return 0;
    return Window::HandleMessage(msg, wp, lp);
}

}  // namespace lumo
