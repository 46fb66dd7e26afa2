// What the page manager's files share: its timers, a page's run record and its host window.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "common/log.h"
#include "common/window_win.h"
#include "protocol/messages_win.h"
#include "shell/page_manager_win.h"

namespace lumo::page_manager_internal {

constexpr UINT_PTR kStartTimer = 1, kHeartbeatTimer = 2;
constexpr UINT kStartTickMs = 15, kHeartbeatMs = 500;

inline PageManager* g_manager = nullptr;  // for the ping callback; one per shell

inline std::string PidText(DWORD pid) {
    return "pid " + std::to_string(pid);
}

}  // namespace lumo::page_manager_internal

namespace lumo {

struct PageManager::PageRun {
    uint32_t id = 0;
    PageLife life;
    std::unique_ptr<PageProcess> process;
    HWND window = nullptr;
    std::string folder;
    std::string address;  // the address it was started for
    std::string bill;
    std::string billAddress;  // the address the bill was given for (a saved game's)
    std::string proxy;        // every request of the process goes through it; "" direct
    bool visited = false;     // asked to load something other than the blank page
    LogTimer startTimer;
    bool embedAsked = false;
    bool pingOutstanding = false;
    ULONGLONG pingSent = 0;
    ULONGLONG closeAt = 0;
    bool userWaits = false;      // "wait" chosen for this hang
    bool inputDetached = false;  // its input state parted from the shell's while hung
    std::string pendingNavigate;
    std::string pendingBill;  // sent before pendingNavigate
};

// A message-only window that receives the timers, the process watches and
// the start page for the page manager.
class PageManager::Host : public Window {
  public:
    explicit Host(PageManager& owner) : owner_(owner) {}
    bool Create() {
        WindowCreateArgs w;
        w.className = L"LumoPageHost";
        w.style = 0;
        w.parent = HWND_MESSAGE;
        w.x = w.y = w.width = w.height = 0;
        return CreateWindowFrom(w);
    }

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override {
        switch (msg) {
            case WM_TIMER:
                if (wp == page_manager_internal::kStartTimer) {
                    owner_.OnStartTick();
                } else if (wp == page_manager_internal::kHeartbeatTimer) {
                    owner_.OnHeartbeat();
                    owner_.OnHeartbeatDone();
                }
                return 0;
            case kPageEndedMessage:
                owner_.OnPageEnded(static_cast<uint32_t>(wp));
                return 0;
            case kFirstPageMessage: {
                std::unique_ptr<std::string> address(reinterpret_cast<std::string*>(lp));
                owner_.OnFirstPage(*address);
                return 0;
            }
            case kRunDeferredMessage:
                owner_.RunDeferredPages();
                return 0;
            default:
                return Window::HandleMessage(msg, wp, lp);
        }
    }

  private:
    PageManager& owner_;
};

}  // namespace lumo
