// The dialog that changes a saved game's proxy.
#include "library/proxy_dialog_win.h"

#include "common/guard.h"
#include "common/text_win.h"
#include "library/add_game_dialog_win.h"
#include "protocol/proxy.h"

namespace lumo {

namespace {

constexpr UINT kShowModalMessage = WM_APP + 1;

}  // namespace

bool ProxyDialog::Create(HWND owner, HICON icon, GameLibrary& library, const TGameline& game) {
    owner_ = owner;
    library_ = &library;
    game_ = &game;
    if (!CreateFrame(DialogArgs(L"TfrmProxy", kProxyDialogTitle + ("：" + game.Name), icon, owner,
                                393, 160)))
        return false;
    label_ = MakeDialogControl(hwnd(), L"STATIC", "代理服务器:", 0, 0, L"lblProxy");
    proxy_ = MakeDialogControl(hwnd(), L"EDIT", game.Proxy, WS_TABSTOP | ES_AUTOHSCROLL, 0,
                               L"edtProxy", WS_EX_CLIENTEDGE);
    hint_ = MakeDialogControl(hwnd(), L"STATIC", "主机:端口，或 socks=主机:端口；留空则不用代理。",
                              0, 0, L"lblProxyHint");
    commands_.Create(hwnd());
    RECT rc;
    GetClientRect(hwnd(), &rc);
    OnFrameResize(rc.right, rc.bottom);
    return true;
}

void ProxyDialog::OnFrameResize(int width, int height) {
    if (!commands_.created())
        return;
    // Design sizes at 96 DPI, scaled by Px.
    const int y = kTitleBarHeight + 16;
    MoveWindow(label_, Px(24), Px(y + 4), Px(70), Px(16), TRUE);
    MoveWindow(proxy_, Px(96), Px(y), Px(267), Px(22), TRUE);
    MoveWindow(hint_, Px(96), Px(y + 30), Px(267), Px(32), TRUE);
    commands_.Layout(width, height, dpi());
}

void ProxyDialog::ShowModalLater() {
    PostMessageW(hwnd(), kShowModalMessage, 0, 0);
}

void ProxyDialog::OnOk() {
    std::optional<std::string> proxy = NormalizeProxy(ControlText(proxy_));
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
