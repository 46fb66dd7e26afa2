// The boss key's text.
#include "shell/boss_key.h"

#include <array>
#include <vector>

#include "common/text.h"

namespace lumo {

namespace {

struct Named {
    const char* name;
    unsigned vk;
};

// Named keys; the first name of a key is its written form.
constexpr std::array<Named, 21> kKeys{{
    {"Space", 0x20},    {"Tab", 0x09},       {"Esc", 0x1B},  {"Escape", 0x1B}, {"Enter", 0x0D},
    {"Home", 0x24},     {"End", 0x23},       {"PgUp", 0x21}, {"PageUp", 0x21}, {"PgDn", 0x22},
    {"PageDown", 0x22}, {"Insert", 0x2D},    {"Ins", 0x2D},  {"Delete", 0x2E}, {"Del", 0x2E},
    {"Pause", 0x13},    {"Backspace", 0x08}, {"Up", 0x26},   {"Down", 0x28},   {"Left", 0x25},
    {"Right", 0x27},
}};

constexpr unsigned kF1 = 0x70, kF24 = 0x87, kPause = 0x13;

std::optional<unsigned> KeyOf(std::string_view part) {
    if (part.size() == 1) {
        char c = part[0];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            return static_cast<unsigned>(c);
        return std::nullopt;
    }
    if ((part[0] == 'F' || part[0] == 'f') && part.size() <= 3 && part[1] >= '1' &&
        part[1] <= '9') {
        unsigned n = static_cast<unsigned>(part[1] - '0');
        if (part.size() == 3) {
            if (part[2] < '0' || part[2] > '9')
                return std::nullopt;
            n = n * 10 + static_cast<unsigned>(part[2] - '0');
        }
        if (n >= 1 && n <= 24)
            return kF1 + n - 1;
        return std::nullopt;
    }
    for (const Named& k : kKeys)
        if (EqualsNoCase(part, k.name))
            return k.vk;
    return std::nullopt;
}

std::string KeyName(unsigned vk) {
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))
        return std::string(1, static_cast<char>(vk));
    if (vk >= kF1 && vk <= kF24)
        return "F" + std::to_string(vk - kF1 + 1);
    for (const Named& k : kKeys)
        if (k.vk == vk)
            return k.name;
    return "?";
}

}  // namespace

std::optional<HotKey> ParseHotKey(std::string_view text) {
    std::string_view all = TrimView(text);
    if (EqualsNoCase(all, "None") || EqualsNoCase(all, "Off") || all == "无")
        return HotKey{};
    std::vector<std::string_view> parts;
    for (size_t pos = 0;;) {
        size_t plus = all.find('+', pos);
        parts.push_back(
            TrimView(all.substr(pos, plus == std::string_view::npos ? plus : plus - pos)));
        if (plus == std::string_view::npos)
            break;
        pos = plus + 1;
    }
    HotKey key;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        unsigned bit = EqualsNoCase(parts[i], "Ctrl") || EqualsNoCase(parts[i], "Control")
                           ? kHotKeyCtrl
                       : EqualsNoCase(parts[i], "Alt")   ? kHotKeyAlt
                       : EqualsNoCase(parts[i], "Shift") ? kHotKeyShift
                       : EqualsNoCase(parts[i], "Win")   ? kHotKeyWin
                                                         : 0;
        if (bit == 0 || (key.modifiers & bit))
            return std::nullopt;
        key.modifiers |= bit;
    }
    std::optional<unsigned> vk = parts.back().empty() ? std::nullopt : KeyOf(parts.back());
    if (!vk)
        return std::nullopt;
    key.vk = *vk;
    const bool alone = (*vk >= kF1 && *vk <= kF24) || *vk == kPause;
    if (!alone && (key.modifiers & ~kHotKeyShift) == 0)
        return std::nullopt;  // a plain key would be taken from every program
    return key;
}

std::string HotKeyName(const HotKey& key) {
    if (key.vk == 0)
        return "None";
    std::string out;
    if (key.modifiers & kHotKeyCtrl)
        out += "Ctrl+";
    if (key.modifiers & kHotKeyAlt)
        out += "Alt+";
    if (key.modifiers & kHotKeyShift)
        out += "Shift+";
    if (key.modifiers & kHotKeyWin)
        out += "Win+";
    return out + KeyName(key.vk);
}

HotKey BossKeyFromSetting(std::string_view value, bool* valid) {
    std::optional<HotKey> key = ParseHotKey(value);
    if (valid)
        *valid = key.has_value() || TrimView(value).empty();
    if (!key)
        key = ParseHotKey(kDefaultBossKey);
    return *key;
}

}  // namespace lumo
