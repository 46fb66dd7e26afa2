// The notification-area icon of a window: added in the constructor, removed
// in the destructor, and added again when Explorer restarts (the owner
// forwards its messages to HandleMessage, which recognises "TaskbarCreated").
#pragma once

#include <windows.h>

#include <string>

namespace lumo {

class TrayIcon {
  public:
    TrayIcon(HWND owner, UINT callbackMessage, HICON icon, const std::string& tip);
    ~TrayIcon();
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    bool added() const { return added_; }
    // True when `msg` was Explorer's restart notice (the icon is re-added).
    bool HandleMessage(UINT msg);
    // Removes the icon now (the destructor then does nothing).
    void Remove();
    // Replaces the tip shown over the icon.
    void SetTip(const std::string& tip);

  private:
    bool Add();

    HWND owner_;
    UINT callback_;
    HICON icon_;
    std::wstring tip_;
    UINT taskbarCreated_;
    bool added_ = false;
};

}  // namespace lumo
