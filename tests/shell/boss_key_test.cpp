// The boss key's text from Config.ini.
#include <gtest/gtest.h>

#include "shell/boss_key.h"

namespace lumo {
namespace {

TEST(BossKey, ReadsTheKeyTextAndNamesItBack) {
    struct Case {
        const char* text;
        const char* name;  // nullptr: refused
    } cases[] = {
        {"Ctrl+Alt+Z", "Ctrl+Alt+Z"},
        {" alt + control + z ", "Ctrl+Alt+Z"},
        {"Shift+Win+F12", "Shift+Win+F12"},
        {"F9", "F9"},
        {"pause", "Pause"},
        {"Ctrl+Shift+pgdn", "Ctrl+Shift+PgDn"},
        {"Ctrl+Alt+Escape", "Ctrl+Alt+Esc"},
        {"Ctrl+0", "Ctrl+0"},
        {"None", "None"},
        {"无", "None"},
        {"Z", nullptr},
        {"Shift+Z", nullptr},
        {"Ctrl+Ctrl+Z", nullptr},
        {"Ctrl+Alt", nullptr},
        {"Ctrl+", nullptr},
        {"Ctrl++", nullptr},
        {"Ctrl+Alt+ZZ", nullptr},
        {"Ctrl+F25", nullptr},
        {"Ctrl+F0", nullptr},
        {"Hyper+Z", nullptr},
        {"Ctrl+Alt+Ö", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        std::optional<HotKey> key = ParseHotKey(c.text);
        if (!c.name) {
            EXPECT_FALSE(key) << c.text;
            continue;
        }
        ASSERT_TRUE(key) << c.text;
        EXPECT_EQ(HotKeyName(*key), c.name) << c.text;
        EXPECT_EQ(ParseHotKey(HotKeyName(*key)), key) << c.text;
    }
    EXPECT_EQ(*ParseHotKey("Ctrl+Alt+Z"), (HotKey{kHotKeyCtrl | kHotKeyAlt, 'Z'}));
    EXPECT_EQ(ParseHotKey("Alt+F4")->vk, 0x73u);

    // Config.ini: an empty value is the default; a bad one is the default too,
    // reported as not valid.
    bool valid = false;
    EXPECT_EQ(HotKeyName(BossKeyFromSetting("", &valid)), "Ctrl+Alt+Z");
    EXPECT_TRUE(valid);
    EXPECT_EQ(HotKeyName(BossKeyFromSetting("Shift+Q", &valid)), "Ctrl+Alt+Z");
    EXPECT_FALSE(valid);
    EXPECT_EQ(HotKeyName(BossKeyFromSetting("ctrl+shift+b", &valid)), "Ctrl+Shift+B");
    EXPECT_TRUE(valid);
}

}  // namespace
}  // namespace lumo
