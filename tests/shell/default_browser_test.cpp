// The values written to register Lumo as the web browser.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "shell/default_browser.h"

using namespace lumo;

TEST(DefaultBrowser, OpenCommandQuotesThePathAndTheAddress) {
    EXPECT_EQ(OpenCommandFor("C:\\Program Files\\游戏\\Lumo.exe"),
              "\"C:\\Program Files\\游戏\\Lumo.exe\" \"%1\"");
    // A path that could break out of its quotes registers nothing.
    for (const char* bad : {"", "C:\\a\"b\\Lumo.exe", "C:\\a\nb.exe", "C:\\a\r.exe"}) {
        EXPECT_EQ(OpenCommandFor(bad), "") << bad;
        EXPECT_TRUE(DefaultBrowserWrites(bad).empty()) << bad;
    }
}

TEST(DefaultBrowser, WritesTheHttpKeysAndThePerUserRegistration) {
    const std::string exe = "C:\\Games\\Lumo.exe";
    const std::string command = "\"C:\\Games\\Lumo.exe\" \"%1\"";
    std::vector<RegistryWrite> writes = DefaultBrowserWrites(exe);
    // The classic keys come first, in the order they always had.
    ASSERT_GE(writes.size(), 3u);
    EXPECT_EQ(writes[0], (RegistryWrite{"Software\\Classes\\http\\shell", "", ""}));
    EXPECT_EQ(writes[1],
              (RegistryWrite{"Software\\Classes\\http\\shell\\open\\command", "", command}));
    EXPECT_EQ(
        writes[2],
        (RegistryWrite{"Software\\Classes\\http\\shell\\open\\ddeexec\\Application", "", "Lumo"}));

    std::map<std::pair<std::string, std::string>, std::string> values;
    for (const RegistryWrite& w : writes) {
        EXPECT_EQ(w.key.rfind("Software\\", 0), 0u) << w.key;  // relative to HKEY_CURRENT_USER
        EXPECT_TRUE(values.emplace(std::pair(w.key, w.name), w.data).second)
            << "written twice: " << w.key << " " << w.name;
    }
    const std::string caps = "Software\\Clients\\StartMenuInternet\\Lumo\\Capabilities";
    struct Expect {
        std::string key, name, data;
    } expected[] = {
        {"Software\\Classes\\LumoURL\\shell\\open\\command", "", command},
        {"Software\\Classes\\LumoURL", "URL Protocol", ""},
        {caps, "ApplicationName", "Lumo"},
        {caps + "\\URLAssociations", "http", "LumoURL"},
        {caps + "\\URLAssociations", "https", "LumoURL"},
        {"Software\\RegisteredApplications", "Lumo", caps},
    };
    for (const Expect& e : expected) {
        auto it = values.find({e.key, e.name});
        ASSERT_NE(it, values.end()) << e.key << " " << e.name;
        EXPECT_EQ(it->second, e.data) << e.key << " " << e.name;
    }
    EXPECT_FALSE((values[{caps, "ApplicationDescription"}].empty()));
}

TEST(DefaultBrowser, InstallerRegistersTheCapabilitiesAloneAndRemovesOnlyItsOwn) {
    const std::string exe = "C:\\Games\\Lumo.exe";
    // The capabilities are the full registration less the "http" handler.
    std::vector<RegistryWrite> all = DefaultBrowserWrites(exe);
    std::vector<RegistryWrite> caps = BrowserCapabilityWrites(exe);
    ASSERT_EQ(all.size(), caps.size() + 3);
    EXPECT_TRUE(std::equal(caps.begin(), caps.end(), all.begin() + 3));
    for (const RegistryWrite& w : caps) {
        EXPECT_EQ(w.key.find("\\http"), std::string::npos) << w.key;
        bool owned = w.key == kRegisteredAppsKey;
        for (const std::string& own : OwnBrowserKeys()) owned |= w.key.rfind(own, 0) == 0;
        EXPECT_TRUE(owned) << "not removed with the registration: " << w.key;
    }
    EXPECT_EQ(all[1].key, std::string(kHttpOpenKey) + "\\command");

    EXPECT_TRUE(IsOwnOpenCommand(" \"c:\\games\\LUMO.exe\" \"%1\"\r\n", exe));
    EXPECT_FALSE(IsOwnOpenCommand("\"C:\\Other\\Lumo.exe\" \"%1\"", exe));
    EXPECT_FALSE(IsOwnOpenCommand("\"C:\\Games\\Lumo.exe\" -- \"%1\"", exe));
    EXPECT_FALSE(IsOwnOpenCommand("", ""));

    using S = BrowserSwitch;
    const std::pair<std::vector<std::string>, S> cases[] = {
        {{"Lumo.exe", "/RegisterBrowser"}, S::Register},
        {{"Lumo.exe", "/unregisterbrowser"}, S::Unregister},
        {{"Lumo.exe"}, S::None},
        {{"Lumo.exe", "http://example.com/"}, S::None},
        {{"Lumo.exe", "/RegisterBrowser", "x"}, S::None},
        {{"Lumo.exe", "/RegisterBrowserX"}, S::None},
    };
    for (const auto& [args, expected] : cases)
        EXPECT_EQ(BrowserSwitchOf(args), expected) << args.size();
}
