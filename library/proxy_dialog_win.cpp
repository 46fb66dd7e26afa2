// The dialog that changes a saved game's proxy.
#include "library/proxy_dialog_win.h"

#include "common/guard.h"
#include "common/text_win.h"
#include "library/add_game_dialog_win.h"
#include "protocol/proxy.h"

namespace lumo {

namespace {

constexpr UINT kShowModalMessage = WM_APP + 1;
constexpr int kCommandPanelHeight = 29;
constexpr int kButtonW = 81, kButtonH = 25;

std::string WindowText(HWND h) {
    int n = GetWindowTextLengthW(h);
    std::wstring w(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(h, w.data(), n + 1);
    w.resize(static_cast<size_t>(n));
    return FromW(w);
}

}  // namespace

HWND ProxyDialog::Child(HWND parent, const wchar_t* cls, const std::string& text, DWORD style,
                        int id, const wchar_t* name, DWORD exStyle) {
    HWND h = CreateWindowExW(exStyle, cls, ToW(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0,
                             10, 10, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleW(nullptr), nullptr);
    SetControlName(h, name);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    return h;
}

bool ProxyDialog::Create(HWND owner, HICON icon, GameLibrary& library, const TGameline& game) {
    owner_ = owner;
    library_ = &library;
    game_ = &game;
    if (!CreateFrame(DialogArgs(L"TfrmProxy", kProxyDialogTitle + ("：" + game.Name), icon, owner,
                                393, 160)))
        return false;
    label_ = Child(hwnd(), L"STATIC", "代理服务器:", 0, 0, L"lblProxy");
    proxy_ = Child(hwnd(), L"EDIT", game.Proxy, WS_TABSTOP | ES_AUTOHSCROLL, 0, L"edtProxy",
                   WS_EX_CLIENTEDGE);
    hint_ = Child(hwnd(), L"STATIC", "主机:端口，或 socks=主机:端口；留空则不用代理。", 0, 0,
                  L"lblProxyHint");
    commandPanel_.Create({hwnd(), L"pnlCommand"});
    SetWindowLongW(commandPanel_.hwnd(), GWL_EXSTYLE,
                   GetWindowLongW(commandPanel_.hwnd(), GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    commandPanel_.onPaint = [](HDC dc, const RECT& rc) {
        FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
        RECT line{rc.left, rc.top, rc.right, rc.top + 1};
        FillRect(dc, &line, GetSysColorBrush(COLOR_BTNSHADOW));
    };
    ok_ = Child(commandPanel_.hwnd(), L"BUTTON", "确定(&O)", WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK,
                L"sbtnOk");
    cancel_ =
        Child(commandPanel_.hwnd(), L"BUTTON", "取消(&C)", WS_TABSTOP, IDCANCEL, L"sbtnCanel");
    RECT rc;
    GetClientRect(hwnd(), &rc);
    OnFrameResize(rc.right, rc.bottom);
    return true;
}

void ProxyDialog::OnFrameResize(int width, int height) {
    if (!cancel_)
        return;
    int y = kTitleBarHeight + 16;
    MoveWindow(label_, 24, y + 4, 70, 16, TRUE);
    MoveWindow(proxy_, 96, y, 267, 22, TRUE);
    MoveWindow(hint_, 96, y + 30, 267, 32, TRUE);
    commandPanel_.Move(0, height - kCommandPanelHeight, width, kCommandPanelHeight);
    int top = (kCommandPanelHeight - kButtonH) / 2;
    MoveWindow(cancel_, width - kButtonW - 12, top, kButtonW, kButtonH, TRUE);
    MoveWindow(ok_, width - 2 * kButtonW - 20, top, kButtonW, kButtonH, TRUE);
}

void ProxyDialog::ShowModalLater() {
    PostMessageW(hwnd(), kShowModalMessage, 0, 0);
}

void ProxyDialog::OnOk() {
    std::optional<std::string> proxy = NormalizeProxy(WindowText(proxy_));
    if (!proxy) {
        MessageBoxW(hwnd(), ToW(kBadProxyMessage).c_str(), L"Lumo", MB_OK | MB_ICONINFORMATION);
        SetFocus(proxy_);
        return;
    }
    library_->SetProxy(game_, *proxy);
    Close();
}

void ProxyDialog::Close() {
    EndModal();
    ShowWindow(hwnd(), SW_HIDE);
}

LRESULT ProxyDialog::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case kShowModalMessage:
            ShowWindow(hwnd(), SW_SHOW);
            SetFocus(proxy_);
            SendMessageW(proxy_, EM_SETSEL, 0, -1);
            RunModal(owner_, false);
            return 0;
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK && HIWORD(wp) == BN_CLICKED) {
                Guarded([&] { OnOk(); });
                return 0;
            }
            if (LOWORD(wp) == IDCANCEL && HIWORD(wp) == BN_CLICKED) {
                Close();
                return 0;
            }
            return FrameBase::HandleMessage(msg, wp, lp);
        case WM_CLOSE:
            Close();
            return 0;
        default:
            return FrameBase::HandleMessage(msg, wp, lp);
    }
}

}  // namespace lumo
