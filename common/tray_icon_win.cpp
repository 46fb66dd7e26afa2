#include "common/tray_icon_win.h"

#include <shellapi.h>

#include "common/text_win.h"

namespace lumo {

TrayIcon::TrayIcon(HWND owner, UINT callbackMessage, HICON icon, const std::string& tip)
    : owner_(owner),
      callback_(callbackMessage),
      icon_(icon),
      tip_(ToW(tip)),
      taskbarCreated_(RegisterWindowMessageW(L"TaskbarCreated")) {
    Add();
}

TrayIcon::~TrayIcon() {
    Remove();
}

namespace {

// The record that names our one icon (identifier 0) of `owner`.
NOTIFYICONDATAW IconOf(HWND owner) {
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof(nid);
    nid.hWnd = owner;
    nid.uID = 0;
    return nid;
}

}  // namespace

bool TrayIcon::Add() {
    NOTIFYICONDATAW nid = IconOf(owner_);
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = callback_;
    nid.hIcon = icon_;
    wcsncpy(nid.szTip, tip_.c_str(), std::size(nid.szTip) - 1);
    added_ = Shell_NotifyIconW(NIM_ADD, &nid) != FALSE;
    return added_;
}

void TrayIcon::Remove() {
    if (!added_)
        return;
    NOTIFYICONDATAW nid = IconOf(owner_);
    Shell_NotifyIconW(NIM_DELETE, &nid);
    added_ = false;
}

void TrayIcon::SetTip(const std::string& tip) {
    tip_ = ToW(tip);
    if (!added_)
        return;
    NOTIFYICONDATAW nid = IconOf(owner_);
    nid.uFlags = NIF_TIP;
    wcsncpy(nid.szTip, tip_.c_str(), std::size(nid.szTip) - 1);
    Shell_NotifyIconW(NIM_MODIFY, &nid);
}

bool TrayIcon::HandleMessage(UINT msg) {
    if (taskbarCreated_ == 0 || msg != taskbarCreated_)
        return false;
    added_ = false;  // Explorer's new notification area knows nothing of us
    Add();
    return true;
}

}  // namespace lumo
