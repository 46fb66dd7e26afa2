// Browser shortcuts that work wherever the keyboard focus is: a page process
// sees the keys first (the focus sits in its browser control), recognises
// them here and hands them to its shell as the text command "KEY:" + name.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumo {

enum class Shortcut {
    NewTab,       // Ctrl+T
    CloseTab,     // Ctrl+W
    NextTab,      // Ctrl+Tab
    PreviousTab,  // Ctrl+Shift+Tab
    SelectTab1,   // Ctrl+1 .. Ctrl+8: that tab
    SelectTab2,
    SelectTab3,
    SelectTab4,
    SelectTab5,
    SelectTab6,
    SelectTab7,
    SelectTab8,
    SelectLastTab,  // Ctrl+9
    FocusAddress,   // Ctrl+L
    Refresh,        // F5
    HardRefresh,    // Ctrl+F5
    Back,           // Alt+Left
    Forward,        // Alt+Right
    Stop,           // Esc
    ReopenClosed,   // Ctrl+Shift+T
};

inline constexpr std::string_view kPrefixShortcut = "KEY:";

// The shortcut of a key press (virtual-key code and the modifiers held), or
// nullopt for any other key. The modifier set must match exactly.
std::optional<Shortcut> ShortcutOf(int virtualKey, bool ctrl, bool alt, bool shift);

// A message loop that takes Alt shortcuts (Alt+Left, Alt+Right) out of the
// message stream must also drop the Alt release that follows: the default
// window procedure saw Alt go down but not the key that made it a shortcut,
// so that release would read as a lone Alt press and send the top-level
// window SC_KEYMENU. For a page that window is the shell's main window, in
// another process, which would then sit in menu mode and ignore every click
// and key. Works in either release order.
class AltShortcutRelease {
  public:
    // Every key-down message the loop sees: `taken` when it took it as a
    // shortcut, `altHeld` when Alt was down.
    void KeyDown(bool altHeld, bool taken);
    // A key-up message: true when the loop must drop it.
    bool DropKeyUp(int virtualKey);

  private:
    bool dropAltUp_ = false;
};

// "KEY:<name>" and back; nullopt for any other text.
std::string ShortcutCommand(Shortcut s);
std::optional<Shortcut> ParseShortcutCommand(std::string_view text);

}  // namespace lumo
