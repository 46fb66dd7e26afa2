// Which key presses a page hands to its shell, and the command text.
#include "protocol/shortcuts.h"

#include <gtest/gtest.h>

using namespace lumo;

namespace {

struct KeyCase {
    int vk;
    bool ctrl, alt, shift;
    std::optional<Shortcut> expected;
};

TEST(Shortcuts, KeysMapOnlyWithTheExactModifiers) {
    const KeyCase cases[] = {
        {'T', true, false, false, Shortcut::NewTab},
        {'T', true, false, true, Shortcut::ReopenClosed},
        {'T', false, false, false, std::nullopt},  // typing a "t"
        {'T', true, true, false, std::nullopt},    // AltGr arrives as Ctrl+Alt
        {'W', true, false, false, Shortcut::CloseTab},
        {0x09, true, false, false, Shortcut::NextTab},
        {0x09, true, false, true, Shortcut::PreviousTab},
        {0x09, false, false, false, std::nullopt},  // Tab moves the focus in the page
        {'1', true, false, false, Shortcut::SelectTab1},
        {'8', true, false, false, Shortcut::SelectTab8},
        {'9', true, false, false, Shortcut::SelectLastTab},
        {'0', true, false, false, std::nullopt},
        {'L', true, false, false, Shortcut::FocusAddress},
        {0x74, false, false, false, Shortcut::Refresh},
        {0x74, true, false, false, Shortcut::HardRefresh},
        {0x74, false, false, true, std::nullopt},
        {0x25, false, true, false, Shortcut::Back},
        {0x27, false, true, false, Shortcut::Forward},
        {0x25, false, false, false, std::nullopt},  // arrows stay with the page
        {0x1B, false, false, false, Shortcut::Stop},
        {'C', true, false, false, std::nullopt},  // copy stays with the page
    };
    for (const KeyCase& c : cases) {
        EXPECT_EQ(ShortcutOf(c.vk, c.ctrl, c.alt, c.shift), c.expected)
            << "vk " << c.vk << " ctrl " << c.ctrl << " alt " << c.alt << " shift " << c.shift;
    }
}

TEST(Shortcuts, CommandTextRoundTripsAndRejectsOthers) {
    for (int i = 0; i <= static_cast<int>(Shortcut::ReopenClosed); ++i) {
        auto s = static_cast<Shortcut>(i);
        EXPECT_EQ(ParseShortcutCommand(ShortcutCommand(s)), s) << ShortcutCommand(s);
    }
    EXPECT_EQ(ShortcutCommand(Shortcut::NewTab), "KEY:NewTab");
    EXPECT_EQ(ParseShortcutCommand("KEY:"), std::nullopt);
    EXPECT_EQ(ParseShortcutCommand("KEY:NewTabX"), std::nullopt);
    EXPECT_EQ(ParseShortcutCommand("key:NewTab"), std::nullopt);
    EXPECT_EQ(ParseShortcutCommand("NT:KEY:NewTab"), std::nullopt);
}

}  // namespace
