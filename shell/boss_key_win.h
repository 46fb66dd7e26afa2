// The boss key: a global hot key (Config.ini [Options] BossKey, Ctrl+Alt+Z
// unless set) that hides the main window, its tray icon and every window of
// the pages at once, and brings them back on the next press. A key that
// another program holds is reported once, with its name.
#pragma once

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "common/window_win.h"
#include "shell/boss_key.h"

namespace lumo {

class MainWindow;

inline constexpr char kBossKeyTakenMessage[] =
    "老板键 %s 已被其他程序占用，本次无法使用。\n可在 Config.ini 的 [Options] BossKey "
    "中换一个组合键。";
inline constexpr char kBossKeyBadMessage[] =
    "Config.ini 里的老板键设置 \"%s\" 无法识别，已改用 %s。";

class BossKey : public Window {
  public:
    struct CreateArgs {
        MainWindow* main = nullptr;
        std::string programFolder;  // Config.ini's folder, with trailing backslash
        // The processes of the pages (their windows hide with the shell's).
        std::function<std::set<DWORD>()> pageProcesses;
    };
    ~BossKey() override;
    // Registers the key; a key that cannot be registered, or a setting that
    // names no key, is told to the player once the message loop runs.
    bool Create(const CreateArgs& args);
    // Gives the key back to the system (the shell is closing).
    void Release();
    bool hidden() const { return hidden_; }
    void Toggle();

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

  private:
    void Hide();
    void Show();
    void Tell(const std::string& text);

    CreateArgs args_;
    HotKey key_;
    bool registered_ = false;
    bool hidden_ = false;
    std::string notice_;
    std::vector<HWND> hiddenWindows_;  // other top-level windows hidden by the key
};

}  // namespace lumo
