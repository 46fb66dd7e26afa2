// The boss key's text: "Ctrl+Alt+Z" as Config.ini's [Options] BossKey gives
// it, read into the modifiers and virtual key RegisterHotKey takes, and
// named back in the one written form.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumo {

// RegisterHotKey's modifier bits.
inline constexpr unsigned kHotKeyAlt = 0x1, kHotKeyCtrl = 0x2, kHotKeyShift = 0x4, kHotKeyWin = 0x8;
inline constexpr char kDefaultBossKey[] = "Ctrl+Alt+Z";

struct HotKey {
    unsigned modifiers = 0;
    unsigned vk = 0;  // 0: no boss key
    bool operator==(const HotKey&) const = default;
};

// Parts joined by '+', blanks around them and letter case ignored: the
// modifiers Ctrl (Control), Alt, Shift, Win, each at most once, then one
// key: a letter, a digit, F1-F24, Space, Tab, Esc, Enter, Home, End, PgUp
// (PageUp), PgDn (PageDown), Insert (Ins), Delete (Del), Pause, Backspace,
// the arrows Up, Down, Left, Right. At least one modifier besides Shift
// unless the key is F1-F24 or Pause. "None", "Off" or "无" turn the boss
// key off (vk 0). nullopt for anything else.
std::optional<HotKey> ParseHotKey(std::string_view text);

// The written form: "Ctrl+Alt+Z" (modifiers in the order Ctrl, Alt, Shift,
// Win); "None" for no key.
std::string HotKeyName(const HotKey& key);

// The boss key from Config.ini's value: the default when the value is empty
// or no key (`valid` false for the latter, so the player can be told).
HotKey BossKeyFromSetting(std::string_view value, bool* valid = nullptr);

}  // namespace lumo
