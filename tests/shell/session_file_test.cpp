// Session.dat: what is written reads back as it was, and a file that is not
// whole (cut short, changed by hand, another file) reads as damaged.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "common/file.h"
#include "shell/session_file.h"

namespace lumo {
namespace {

TEST(SessionFile, TabsReadBackAndAnythingElseIsDamaged) {
    const std::vector<SessionTab> tabs = {
        {"仙侠世界", "仙侠世界 - 小号", "http://127.0.0.1/game/login.html?a=1%20b"},
        {"", "", "http://example.com/\tpath\r\n"},
        {"c\x01", "n%", ""},
    };
    const std::string text = FormatSession(tabs);
    EXPECT_EQ(ParseSession(text), tabs);
    EXPECT_EQ(ParseSession(FormatSession({})), std::vector<SessionTab>{});
    EXPECT_TRUE(tabs[0].savedGame());
    EXPECT_FALSE(tabs[1].savedGame());
    EXPECT_EQ(text.substr(0, 16), "LUMO-SESSION 1\r\n");

    const std::string damaged[] = {
        "",
        text.substr(0, text.size() - 1),   // cut short
        text.substr(0, text.find("END")),  // no end line
        "LUMO-SESSION 2\r\nEND 0\r\n",     // another version
        "LUMO-SESSION 1\r\nEND 1\r\n",     // a count that does not match
        "LUMO-SESSION 1\r\nEND 01x\r\n",
        "LUMO-SESSION 1\r\nTAB\ta\tb\r\nEND 1\r\n",        // a field missing
        "LUMO-SESSION 1\r\nTAB\ta\tb\tc\td\r\nEND 1\r\n",  // one too many
        "LUMO-SESSION 1\r\nTAB\ta\tb\t%G0\r\nEND 1\r\n",   // a bad escape
        "LUMO-SESSION 1\r\nTAB\ta\tb\t%4\r\nEND 1\r\n",
        "LUMO-SESSION 1\r\nTAB\ta\tb\tc\x01\r\nEND 1\r\n",  // an unescaped control byte
        "LUMO-SESSION 1\nEND 0\n",                          // bare line feeds
        "#BEGIN#\r\n#NAME#x\r\n#END#\r\n",                  // another file
        "LUMO-SESSION 1\r\nEND 99999999999999999999999\r\n",
    };
    for (const std::string& d : damaged) {
        SCOPED_TRACE(d);
        EXPECT_EQ(ParseSession(d), std::nullopt);
    }
    std::string many = "LUMO-SESSION 1\r\n";
    for (size_t i = 0; i <= kMaxSessionTabs; ++i) many += "TAB\t\t\tx\r\n";
    EXPECT_EQ(ParseSession(many + "END " + std::to_string(kMaxSessionTabs + 1) + "\r\n"),
              std::nullopt);
}

// A damaged file is set aside, never read in part and never in the way: the
// next write makes a fresh one, and a second damaged file keeps the first.
TEST(SessionFile, ADamagedFileIsSetAside) {
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() / ("lumo_session_" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    const std::string path = (dir / kSessionFileName).string();
    bool setAside = true;
    EXPECT_TRUE(LoadSessionFile(path, &setAside).empty());  // no file
    EXPECT_FALSE(setAside);

    const std::vector<SessionTab> tabs = {{"c", "n", "http://a/"}};
    ASSERT_TRUE(WriteFileAtomic(path, FormatSession(tabs)));
    EXPECT_EQ(LoadSessionFile(path, &setAside), tabs);
    EXPECT_FALSE(setAside);

    const std::string cut = FormatSession(tabs).substr(0, 20);
    for (const char* aside : {".bad", ".bad2"}) {
        ASSERT_TRUE(WriteFileBytes(path, cut));
        EXPECT_TRUE(LoadSessionFile(path, &setAside).empty());
        EXPECT_TRUE(setAside);
        EXPECT_FALSE(FileExists(path));
        EXPECT_EQ(ReadFileBytes(path + aside), cut);
    }
    ASSERT_TRUE(WriteFileAtomic(path, FormatSession(tabs)));
    EXPECT_EQ(LoadSessionFile(path), tabs);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace lumo
