// The boss key's registration and what it hides.
#include "shell/boss_key_win.h"

#include <cstdio>

#include "common/guard.h"
#include "common/ini.h"
#include "common/log.h"
#include "common/text.h"
#include "common/text_win.h"
#include "mainwindow/main_window_win.h"

namespace lumo {

namespace {

constexpr int kHotKeyId = 0x4C42;  // 'LB'
constexpr UINT kTellMessage = WM_APP + 1;
constexpr UINT kNoRepeat = 0x4000;  // MOD_NOREPEAT (Windows 7 and later)

std::string Format(const char* pattern, const std::string& a, const std::string& b = {}) {
    char buf[512];
    std::snprintf(buf, sizeof buf, pattern, a.c_str(), b.c_str());
    return buf;
}

struct Walk {
    const std::set<DWORD>* pids;
    HWND main;
    std::vector<HWND>* found;
};

BOOL CALLBACK CollectVisible(HWND h, LPARAM lp) {
    auto& w = *reinterpret_cast<Walk*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (h != w.main && IsWindowVisible(h) && w.pids->count(pid))
        w.found->push_back(h);
    return TRUE;
}

}  // namespace

BossKey::~BossKey() {
    Release();
}

void BossKey::Release() {
    if (registered_ && hwnd())
        UnregisterHotKey(hwnd(), kHotKeyId);
    registered_ = false;
}

bool BossKey::Create(const CreateArgs& args) {
    args_ = args;
    WindowCreateArgs w;
    w.className = L"LumoBossKey";
    w.style = 0;
    w.parent = HWND_MESSAGE;
    w.x = w.y = w.width = w.height = 0;
    if (!CreateWindowFrom(w))
        return false;
    const std::string setting =
        ReadIniString(args.programFolder + "Config.ini", "Options", "BossKey");
    bool valid = true;
    key_ = BossKeyFromSetting(setting, &valid);
    if (!valid) {
        LogWarn("shell", "boss key setting not understood; " + HotKeyName(key_) + " taken");
        Tell(Format(kBossKeyBadMessage, std::string(TrimView(setting)), HotKeyName(key_)));
    }
    if (key_.vk == 0)
        return true;  // turned off
    registered_ = RegisterHotKey(hwnd(), kHotKeyId, key_.modifiers | kNoRepeat, key_.vk) ||
                  RegisterHotKey(hwnd(), kHotKeyId, key_.modifiers, key_.vk);
    if (!registered_) {
        LogWarn("shell", "boss key " + HotKeyName(key_) + " cannot be registered (error " +
                             std::to_string(GetLastError()) + ")");
        Tell(Format(kBossKeyTakenMessage, HotKeyName(key_)));
    }
    return true;
}

// Shown once the current message is done, over the main window.
void BossKey::Tell(const std::string& text) {
    notice_ += notice_.empty() ? text : "\n\n" + text;
    PostMessageW(hwnd(), kTellMessage, 0, 0);
}

void BossKey::Toggle() {
    if (hidden_)
        Show();
    else
        Hide();
}

void BossKey::Hide() {
    hidden_ = true;
    std::set<DWORD> pids = args_.pageProcesses ? args_.pageProcesses() : std::set<DWORD>();
    pids.insert(GetCurrentProcessId());
    HWND main = args_.main->hwnd();
    Walk walk{&pids, main, &hiddenWindows_};
    hiddenWindows_.clear();
    // Every visible top-level window of the shell and its pages: dialogs,
    // message boxes and pop-ups the pages own included.
    EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&walk));
    // Asynchronous: a page that does not answer must not hold the shell.
    for (HWND h : hiddenWindows_) ShowWindowAsync(h, SW_HIDE);
    args_.main->HideForBossKey();
    LogInfo("shell",
            "boss key: hidden (" + std::to_string(hiddenWindows_.size()) + " other windows)");
}

void BossKey::Show() {
    hidden_ = false;
    args_.main->ShowAfterBossKey();
    for (auto it = hiddenWindows_.rbegin(); it != hiddenWindows_.rend(); ++it)
        if (IsWindow(*it))
            ShowWindowAsync(*it, SW_SHOWNA);
    hiddenWindows_.clear();
    LogInfo("shell", "boss key: shown");
}

LRESULT BossKey::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_HOTKEY:
            if (wp == kHotKeyId)
                Guarded([&] { Toggle(); });
            return 0;
        case kTellMessage:
            if (!notice_.empty()) {
                std::string text;
                text.swap(notice_);
                MessageBoxW(args_.main->hwnd(), ToW(text).c_str(), L"Lumo", MB_OK | MB_ICONWARNING);
            }
            return 0;
        default:
            return Window::HandleMessage(msg, wp, lp);
    }
}

}  // namespace lumo
