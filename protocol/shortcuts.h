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

// "KEY:<name>" and back; nullopt for any other text.
std::string ShortcutCommand(Shortcut s);
std::optional<Shortcut> ParseShortcutCommand(std::string_view text);

}  // namespace lumo
