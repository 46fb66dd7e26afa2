#include "protocol/shortcuts.h"

#include <array>

namespace lumo {

namespace {

// Virtual-key codes (the values of the system's VK_ constants).
constexpr int kVkTab = 0x09, kVkEscape = 0x1B, kVkLeft = 0x25, kVkRight = 0x27;
constexpr int kVkF5 = 0x74;
constexpr int kVkMenu = 0x12, kVkLeftMenu = 0xA4, kVkRightMenu = 0xA5;

bool IsAlt(int vk) {
    return vk == kVkMenu || vk == kVkLeftMenu || vk == kVkRightMenu;
}

constexpr std::array<std::string_view, 20> kNames = {
    "NewTab",  "CloseTab",    "NextTab", "PreviousTab", "Tab1", "Tab2",    "Tab3",
    "Tab4",    "Tab5",        "Tab6",    "Tab7",        "Tab8", "LastTab", "Address",
    "Refresh", "HardRefresh", "Back",    "Forward",     "Stop", "Reopen",
};

}  // namespace

std::optional<Shortcut> ShortcutOf(int vk, bool ctrl, bool alt, bool shift) {
    if (ctrl && !alt && !shift) {
        if (vk == 'T')
            return Shortcut::NewTab;
        if (vk == 'W')
            return Shortcut::CloseTab;
        if (vk == kVkTab)
            return Shortcut::NextTab;
        if (vk == 'L')
            return Shortcut::FocusAddress;
        if (vk == kVkF5)
            return Shortcut::HardRefresh;
        if (vk >= '1' && vk <= '9')
            return static_cast<Shortcut>(static_cast<int>(Shortcut::SelectTab1) + (vk - '1'));
        return std::nullopt;
    }
    if (ctrl && shift && !alt) {
        if (vk == kVkTab)
            return Shortcut::PreviousTab;
        if (vk == 'T')
            return Shortcut::ReopenClosed;
        return std::nullopt;
    }
    if (alt && !ctrl && !shift) {
        if (vk == kVkLeft)
            return Shortcut::Back;
        if (vk == kVkRight)
            return Shortcut::Forward;
        return std::nullopt;
    }
    if (!ctrl && !alt && !shift) {
        if (vk == kVkF5)
            return Shortcut::Refresh;
        if (vk == kVkEscape)
            return Shortcut::Stop;
    }
    return std::nullopt;
}

std::string ShortcutCommand(Shortcut s) {
    return std::string(kPrefixShortcut) + std::string(kNames[static_cast<size_t>(s)]);
}

std::optional<Shortcut> ParseShortcutCommand(std::string_view text) {
    if (text.substr(0, kPrefixShortcut.size()) != kPrefixShortcut)
        return std::nullopt;
    std::string_view name = text.substr(kPrefixShortcut.size());
    for (size_t i = 0; i < kNames.size(); ++i)
        if (kNames[i] == name)
            return static_cast<Shortcut>(i);
    return std::nullopt;
}

void AltShortcutRelease::KeyDown(bool altHeld, bool taken) {
    // Any key the default procedure sees (a new Alt press, or a key after
    // Alt) sets its own idea of a lone Alt press right again.
    dropAltUp_ = taken && altHeld;
}

bool AltShortcutRelease::DropKeyUp(int vk) {
    if (!IsAlt(vk) || !dropAltUp_)
        return false;
    dropAltUp_ = false;
    return true;
}

}  // namespace lumo
