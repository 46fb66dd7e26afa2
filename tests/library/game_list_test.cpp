// The game list files and the library's changes to them: the reading rules
// of the old format, values that cannot stand on one line as they are,
// protected bills, and saves that never lose the library.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "common/base64.h"
#include "common/file.h"
#include "common/text.h"
#include "library/game_list.h"

namespace lumo {
namespace {

namespace fs = std::filesystem;

struct Game {
    std::string folder, name, address, bill;
    bool operator==(const Game&) const = default;
};

std::vector<Game> Flat(const GameLines& games, const BillProtector& protector = {}) {
    std::vector<Game> out;
    for (const auto& g : games)
        out.push_back({g->Folder, g->Name, g->Address, BillOf(*g, protector)});
    return out;
}

void PrintTo(const Game& g, std::ostream* os) {
    *os << "{" << g.folder << "|" << g.name << "|" << g.address << "|" << g.bill << "}";
}

GameLines Lines(const std::vector<Game>& games) {
    GameLines out;
    for (const auto& g : games) {
        auto line = std::make_unique<TGameline>();
        line->Folder = g.folder;
        line->Name = g.name;
        line->Address = g.address;
        line->Bill = g.bill;
        out.push_back(std::move(line));
    }
    return out;
}

// A stand-in for the system's protection: reversible, visibly different from
// the plain text, different on every call (as the real one is), and unable
// to open what it did not make. Counts its calls where asked.
BillProtector FakeProtector(int* protects = nullptr, int* unprotects = nullptr) {
    auto counter = std::make_shared<int>(0);
    return BillProtector{[counter, protects](std::string_view plain) -> std::optional<std::string> {
                             if (protects)
                                 ++*protects;
                             std::string sealed = "S" + std::to_string((*counter)++) + ":";
                             for (char c : plain) sealed += static_cast<char>(c ^ 0x5A);
                             return sealed;
                         },
                         [unprotects](std::string_view stored) -> std::optional<std::string> {
                             if (unprotects)
                                 ++*unprotects;
                             const size_t colon = stored.find(':');
                             if (!stored.starts_with("S") || colon == std::string_view::npos)
                                 return std::nullopt;
                             std::string plain;
                             for (char c : stored.substr(colon + 1))
                                 plain += static_cast<char>(c ^ 0x5A);
                             return plain;
                         }};
}

struct ParseCase {
    const char* what;
    std::string bytes;
    std::vector<Game> games;
};

TEST(GameListFile, ReadsAsTheOldProgramDid) {
    const ParseCase cases[] = {
        {"a blank first line ends reading at once",
         "\r\n#BEGIN#\r\n#FOLDER#f\r\n#NAME#n\r\n#END#\r\n",
         {}},
        {"a blank line ends reading after the first block",
         "#BEGIN#\r\n#NAME#a\r\n#END#\r\n \t\r\n#BEGIN#\r\n#NAME#b\r\n#END#\r\n",
         {{"", "a", "", ""}}},
        {"field markers ignore case, the end marker does not",
         "#BEGIN#\r\n#bill#x\r\n#end#\r\n#Name#n\r\n#folder#f\r\n#END#\r\n",
         {{"f", "n", "", "x"}}},
        {"a field given twice is concatenated",
         "#BEGIN#\r\n#NAME#ab\r\n#NAME#cd\r\n#END#\r\n",
         {{"", "abcd", "", ""}}},
        {"blocks without their end are dropped",
         "#BEGIN#\r\n#NAME#a\r\n#BEGIN#\r\n#NAME#b\r\n#END#\r\n#BEGIN#\r\n#NAME#c\r\n",
         {{"", "b", "", ""}}},
        {"the begin marker is exact",
         "#begin#\r\n#NAME#a\r\n#END#\r\n#BEGIN#\r\n#NAME#b\r\n#END#",
         {{"", "b", "", ""}}},
        {"whole lines are trimmed: leading blanks of a value stay, trailing go",
         "  #BEGIN#\t\r\n#NAME#  x y  \r\n\t#ADDRESS# http://a/ \r\n#END#  \r\n",
         {{"", "  x y", " http://a/", ""}}},
        {"stray lines, unknown markers and field order do not matter",
         "junk\r\n#END#\r\n#NAME#out\r\n#BEGIN#\r\n#Bill#b\r\n#OTHER#o\r\n#ADDRESS#u\r\n"
         "#FOLDER#f\r\n#NAME#n\r\n#END#\r\n",
         {{"f", "n", "u", "b"}}},
        {"LF line ends read the same",
         "#BEGIN#\n#FOLDER#f\n#NAME#n\n#ADDRESS#u\n#Bill#b\n#END#\n",
         {{"f", "n", "u", "b"}}},
        {"GBK text becomes UTF-8",
         "#BEGIN#\r\n#FOLDER#\xD3\xCE\xCF\xB7\r\n#NAME#\xD6\xD0\xCE\xC4 1\r\n#END#\r\n",
         {{"游戏", "中文 1", "", ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Flat(ParseGameList(c.bytes)), c.games);
    }
    // The recent list has no folder line; one in the file is skipped.
    RecentLines recents =
        ParseRecentList("#BEGIN#\r\n#FOLDER#f\r\n#NAME#n\r\n#ADDRESS#u\r\n#Bill#b\r\n#END#\r\n");
    ASSERT_EQ(recents.size(), 1u);
    EXPECT_EQ(recents[0]->Name, "n");
    EXPECT_EQ(recents[0]->Address, "u");
    EXPECT_EQ(recents[0]->Bill, "b");
}

TEST(GameListFile, AnOlderFileReadsAndIsRewrittenByteForByte) {
    const std::string old =
        "#BEGIN#\r\n#FOLDER#\xB2\xDF\xC2\xD4\r\n#NAME#\xC8\xC8\xD1\xAA\xC8\xFD\xB9\xFA  "
        "1\xC7\xF8\r\n#ADDRESS#http://s1.example.com/?a=1&b=%20\r\n"
        "#Bill#<Forms><Form><FormName>f</FormName><ITEM><EName>u</EName><EValue>a&amp;b&lt;"
        "</EValue></ITEM></Form></Forms>\r\n#END#\r\n"
        "#BEGIN#\r\n#FOLDER#\r\n#NAME#  lead\r\n#ADDRESS#\r\n#Bill#\r\n#END#\r\n";
    GameLines games = ParseGameList(old);
    ASSERT_EQ(games.size(), 2u);
    EXPECT_EQ(games[0]->Folder, "策略");
    EXPECT_EQ(games[0]->Name, "热血三国  1区");
    EXPECT_EQ(games[1]->Name, "  lead");
    EXPECT_EQ(games[0]->Colour, "");
    EXPECT_EQ(FormatGameList(games), old);

    const std::string recents = "#BEGIN#\r\n#NAME#n\r\n#ADDRESS#u\r\n#Bill#b\r\n#END#\r\n";
    EXPECT_EQ(FormatRecentList(ParseRecentList(recents)), recents);
    EXPECT_EQ(FormatGameList({}), "");
    EXPECT_EQ(FormatRecentList({}), "");
}

TEST(GameListFile, EveryValueSurvivesTheRoundTrip) {
    const std::string bill =
        "<Forms><Form><FormName>登录</FormName><ITEM><EName>memo</EName><EValue>line 1\r\n\r\n"
        "line 3\n&amp; &lt;b&gt; \"q\" 'q'</EValue></ITEM></Form></Forms>";
    const std::vector<Game> games = {
        {"分类", "名字  ", "http://例子.com/?q=%41", bill},
        {"", "", "", ""},
        {"emoji 😀 and 한국어", "=?lumo-esc?not really", "LUMODPAPI1:AAAA", "LUMODPAPI1:AAAA"},
        {"50% off", "tab\tinside", " lead", "=?lumo-esc?x"},
        {"bad utf-8 \xFF\xC3", "\r\n", "\n", "\r"},
    };
    for (bool protect : {false, true}) {
        SCOPED_TRACE(protect ? "protected bills" : "plain bills");
        const BillProtector protector = protect ? FakeProtector() : BillProtector{};
        const std::string text = FormatGameList(Lines(games), protector);
        // One line per field, no blank line, nothing that a trim could cut.
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6 * std::ssize(games));
        EXPECT_EQ(text.find("\r\n\r\n"), std::string::npos);
        std::vector<Game> back = Flat(ParseGameList(text, protector), protector);
        // Trailing blanks of a value outside the escape go, as they always did.
        std::vector<Game> expected = games;
        expected[0].name = "名字";
        EXPECT_EQ(back, expected);
        if (protect) {
            EXPECT_EQ(text.find("line"), std::string::npos);
        }
    }
}

// The proxy line: only in blocks of games that have one, read in both files,
// passed over by a reader that does not know it (as lines of fields added
// later are passed over here), and changed through the library.
TEST(GameListFile, ProxyLineOnlyWhereAGameHasOne) {
    GameLines games = ParseGameList(
        "#BEGIN#\r\n#FOLDER#f\r\n#NAME#a\r\n#ADDRESS#u\r\n#Bill#\r\n#proxy#127.0.0.1:8080\r\n"
        "#COLOR#12\r\n#END#\r\n#BEGIN#\r\n#FOLDER#f\r\n#NAME#b\r\n#ADDRESS#u\r\n#Bill#\r\n#END#"
        "\r\n");
    ASSERT_EQ(games.size(), 2u);
    EXPECT_EQ(games[0]->Proxy, "127.0.0.1:8080");
    EXPECT_EQ(games[1]->Proxy, "");
    const std::string text = FormatGameList(games);
    EXPECT_EQ(text,
              "#BEGIN#\r\n#FOLDER#f\r\n#NAME#a\r\n#ADDRESS#u\r\n#Bill#\r\n#PROXY#127.0.0.1:8080\r\n"
              "#END#\r\n#BEGIN#\r\n#FOLDER#f\r\n#NAME#b\r\n#ADDRESS#u\r\n#Bill#\r\n#END#\r\n");
    // What an older reader makes of it: every other field as before.
    std::string old = text;
    old.erase(old.find("#PROXY#"), std::string("#PROXY#127.0.0.1:8080\r\n").size());
    EXPECT_EQ(Flat(ParseGameList(text)), Flat(ParseGameList(old)));

    RecentLines recents;
    recents.push_back(std::make_unique<TRecentline>());
    recents[0]->Name = "r";
    recents[0]->Proxy = "socks=[::1]:1080";
    EXPECT_EQ(ParseRecentList(FormatRecentList(recents))[0]->Proxy, "socks=[::1]:1080");
}

// The tab colour is an optional line after the bill: written only when set,
// read in any letter case and normalised, a malformed one reads as none, and
// lines this version does not know (a later version's fields) are passed
// over as the older readers pass over this one.
TEST(GameListFile, TheColourIsAnOptionalFieldThatOtherVersionsPassOver) {
    const std::string plain =
        "#BEGIN#\r\n#FOLDER#c\r\n#NAME#a\r\n#ADDRESS#u\r\n#Bill#b\r\n#END#\r\n";
    const std::string coloured =
        "#BEGIN#\r\n#FOLDER#c\r\n#NAME#a\r\n#ADDRESS#u\r\n#Bill#b\r\n#COLOR#E53935\r\n#END#\r\n";
    GameLines games = ParseGameList(coloured);
    ASSERT_EQ(games.size(), 1u);
    EXPECT_EQ(games[0]->Colour, "E53935");
    EXPECT_EQ(FormatGameList(games), coloured);
    games[0]->Colour.clear();
    EXPECT_EQ(FormatGameList(games), plain);

    const struct {
        const char* line;
        const char* colour;
    } cases[] = {{"#color# #1e88e5 ", "1E88E5"},
                 {"#COLOR#12345", ""},
                 {"#COLOR#GG0000", ""},
                 {"#COLOR#", ""},
                 {"#FUTURE#x", ""},
                 {"#COLOR#E53935", "E53935"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        // Anywhere inside the block, the other fields read as without it.
        for (std::string_view after : {"#BEGIN#\r\n", "#NAME#a\r\n", "#Bill#b\r\n"}) {
            std::string text = plain;
            text.insert(text.find(after) + after.size(), std::string(c.line) + "\r\n");
            GameLines read = ParseGameList(text);
            ASSERT_EQ(read.size(), 1u);
            EXPECT_EQ(Flat(read), Flat(ParseGameList(plain)));
            EXPECT_EQ(read[0]->Colour, c.colour);
            EXPECT_EQ(ParseRecentList(text).size(), 1u);
        }
    }
    EXPECT_EQ(NormaliseColour(kGameColours[0].hex), "");
    for (const GameColour& c : kGameColours) EXPECT_EQ(NormaliseColour(c.hex), c.hex);
}

TEST(GameListFile, BillsAreProtectedAtRestAndPlainOnesStillLoad) {
    GameLines games = Lines({{"f", "n", "u", "<Forms>secret</Forms>"}, {"f", "m", "u", ""}});
    const std::string text = FormatGameList(games, FakeProtector());
    EXPECT_EQ(text.find("secret"), std::string::npos);
    EXPECT_NE(text.find("#Bill#LUMODPAPI1:"), std::string::npos);
    EXPECT_NE(text.find("#Bill#\r\n"), std::string::npos);  // an empty bill stays empty

    EXPECT_EQ(Flat(ParseGameList(text, FakeProtector()), FakeProtector())[0].bill,
              "<Forms>secret</Forms>");
    // One that cannot be opened reads empty; a plain one of an older file as it is.
    BillProtector refusing = FakeProtector(), failing = FakeProtector();
    refusing.unprotect = [](std::string_view) { return std::optional<std::string>(); };
    EXPECT_EQ(Flat(ParseGameList(text, refusing), refusing)[0].bill, "");
    EXPECT_EQ(ParseRecentList("#BEGIN#\r\n#Bill#<Forms/>\r\n#END#\r\n", FakeProtector())[0]->Bill,
              "<Forms/>");
    // A bill split over two lines (never written so) is joined in plain text.
    const std::string stored = text.substr(text.find("LUMODPAPI1:"));
    const std::string split =
        "#BEGIN#\r\n#Bill#" + stored.substr(0, stored.find('\r')) + "\r\n#Bill#+more\r\n#END#\r\n";
    EXPECT_EQ(Flat(ParseGameList(split, FakeProtector()))[0].bill, "<Forms>secret</Forms>+more");
    // A protector that fails keeps the bill (plain) rather than losing it.
    failing.protect = refusing.unprotect;
    games = Lines({{"f", "n", "u", "<Forms>secret</Forms>"}});
    EXPECT_EQ(ParseGameList(FormatGameList(games, failing))[0]->Bill, "<Forms>secret</Forms>");
}

class GameLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ =
            fs::temp_directory_path() / ("lumo-library-" + std::to_string(std::random_device()()));
        fs::create_directories(path_);
        folder_ = path_.string() + char(fs::path::preferred_separator);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string File(const char* name) const { return ReadFileBytes(folder_ + name).value_or("?"); }

    fs::path path_;
    std::string folder_;
};

TEST_F(GameLibraryTest, RecentGamesMoveToTheFrontWithTheLatestBill) {
    GameLibrary lib(folder_);
    lib.Load();
    EXPECT_TRUE(lib.recents().empty());
    lib.AddRecentGame("A", "http://a/", "bill1");
    lib.AddRecentGame("B", "http://b/", "");
    lib.AddRecentGame("A", "http://other/", "");  // same name, other address: its own entry
    TRecentline* again = lib.AddRecentGame(" A ", " http://a/\t", "bill2");
    ASSERT_EQ(lib.recents().size(), 3u);
    EXPECT_EQ(lib.recents()[0].get(), again);
    EXPECT_EQ(std::tie(again->Name, again->Address, again->Bill),
              std::tie("A", "http://a/", "bill2"));
    EXPECT_EQ(lib.recents()[1]->Address, "http://other/");
    EXPECT_EQ(lib.recents()[2]->Name, "B");

    GameLibrary reloaded(folder_);
    reloaded.Load();
    ASSERT_EQ(reloaded.recents().size(), 3u);
    EXPECT_EQ(reloaded.recents()[0]->Bill, "bill2");
    for (size_t i = 0; i < 3; ++i) reloaded.RemoveRecent(reloaded.recents().front().get());
    EXPECT_EQ(File("Recents.dat"), "");
}

TEST_F(GameLibraryTest, ChangesToTheGameListAreSaved) {
    // A category with a leading blank from an older file, interleaved with
    // others: deleting it removes all of its games.
    ASSERT_TRUE(WriteFileBytes(folder_ + "gList.dat",
                               "#BEGIN#\r\n#FOLDER# RPG\r\n#NAME#r1\r\n#END#\r\n"
                               "#BEGIN#\r\n#FOLDER#War\r\n#NAME#w1\r\n#END#\r\n"
                               "#BEGIN#\r\n#FOLDER# RPG\r\n#NAME#r2\r\n#END#\r\n"));
    GameLibrary lib(folder_);
    lib.Load();
    TGameline* added = lib.AddGame("  RPG ", " r3\t", " bill ", " http://r3/ ");
    EXPECT_EQ(Flat(lib.games()).back(), (Game{"RPG", "r3", "http://r3/", " bill "}));
    lib.AddGame("War", "w2", "", "http://w2/");
    lib.RemoveCategory(" RPG");
    EXPECT_TRUE(lib.Contains(added));  // "RPG" is a category of its own
    lib.RemoveCategory("RPG");
    EXPECT_FALSE(lib.Contains(added));
    std::vector<Game> left = {{"War", "w1", "", ""}, {"War", "w2", "http://w2/", ""}};
    EXPECT_EQ(Flat(lib.games()), left);

    const TGameline* w1 = lib.games()[0].get();
    EXPECT_TRUE(lib.RenameGame(w1, " new name "));
    EXPECT_FALSE(lib.RenameGame(added, "gone"));
    EXPECT_FALSE(lib.RenameGame(nullptr, "none"));
    EXPECT_TRUE(lib.SetGameColour(lib.games()[1].get(), "#43a047"));
    EXPECT_FALSE(lib.SetGameColour(added, "E53935"));
    lib.RemoveGame(added);  // not in the list: nothing happens
    left[0].name = " new name";
    GameLibrary reloaded(folder_);
    reloaded.Load();
    EXPECT_EQ(Flat(reloaded.games()), left);
    EXPECT_EQ(reloaded.games()[0]->Colour, "");
    EXPECT_EQ(reloaded.games()[1]->Colour, "43A047");
    EXPECT_EQ(reloaded.FindGame(" War", "w2"), reloaded.games()[1].get());
    EXPECT_EQ(reloaded.FindGame("War", "w3"), nullptr);
    reloaded.RemoveCategory("War");
    EXPECT_EQ(File("gList.dat"), "");
}

// A protected bill is opened only when asked for, once; a save writes every
// unchanged bill as it was read, so one that cannot be opened here is kept.
TEST_F(GameLibraryTest, ProxiesAreSavedWithTheirGames) {
    GameLibrary lib(folder_);
    TGameline* a = lib.AddGame("c", "a", "", "http://a/", "10.0.0.1:3128");
    TGameline* b = lib.AddGame("c", "b", "", "http://b/");
    EXPECT_TRUE(lib.SetProxy(b, "proxy.lan:8080"));
    EXPECT_TRUE(lib.SetProxy(a, ""));
    TGameline gone;
    EXPECT_FALSE(lib.SetProxy(&gone, "x:1"));
    lib.AddRecentGame("b", "http://b/", "", "proxy.lan:8080");
    GameLibrary again(folder_);
    again.Load();
    ASSERT_EQ(again.games().size(), 2u);
    EXPECT_EQ(again.games()[0]->Proxy, "");
    EXPECT_EQ(again.games()[1]->Proxy, "proxy.lan:8080");
    EXPECT_EQ(again.recents()[0]->Proxy, "proxy.lan:8080");
}

TEST_F(GameLibraryTest, ProtectedBillsOpenWhenAskedAndSurviveUnchanged) {
    int protects = 0, unprotects = 0;
    {
        GameLibrary lib(folder_, FakeProtector(&protects, &unprotects));
        lib.Load();
        lib.AddGame("c", "one", "<Forms>1</Forms>", "u");
        lib.AddGame("c", "two", "<Forms>2</Forms>", "u");
        lib.AddGame("c", "none", "", "u");
        lib.AddRecentGame("one", "u", "<Forms>1</Forms>");
    }
    EXPECT_EQ(protects, 3);  // each bill once, not on every save
    // Another user's bill, and a leftover of a save cut short.
    const std::string foreign = "#Bill#LUMODPAPI1:" + Base64Encode("X:not ours") + "\r\n";
    ASSERT_TRUE(WriteFileBytes(folder_ + "gList.dat",
                               File("gList.dat") +
                                   "#BEGIN#\r\n#FOLDER#\r\n#NAME#foreign\r\n#ADDRESS#\r\n" +
                                   foreign + "#END#\r\n"));
    ASSERT_TRUE(WriteFileBytes(folder_ + "gList.dat.tmp99-0", "half"));
    const std::string before = File("gList.dat"), recentsBefore = File("Recents.dat");

    protects = unprotects = 0;
    GameLibrary lib(folder_, FakeProtector(&protects, &unprotects));
    lib.Load();
    EXPECT_FALSE(fs::exists(path_ / "gList.dat.tmp99-0"));
    ASSERT_EQ(lib.games().size(), 4u);
    EXPECT_EQ(unprotects, 0);
    EXPECT_TRUE(lib.games()[0]->Bill.empty());        // still closed
    lib.RenameGame(lib.games()[2].get(), "renamed");  // saves: nothing opened
    EXPECT_EQ(unprotects, 0);
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(lib.BillOf(*lib.games()[0]), "<Forms>1</Forms>");
        EXPECT_EQ(lib.BillOf(*lib.games()[1]), "<Forms>2</Forms>");
        EXPECT_EQ(lib.BillOf(*lib.games()[2]), "");
        EXPECT_EQ(lib.BillOf(*lib.games()[3]), "");  // cannot be opened
        EXPECT_EQ(lib.BillOf(*lib.recents()[0]), "<Forms>1</Forms>");
    }
    EXPECT_EQ(unprotects, 4);
    EXPECT_TRUE(lib.SaveGameList());
    EXPECT_TRUE(lib.SaveRecentList());
    std::string expected = before;
    expected.replace(expected.find("#NAME#none"), 10, "#NAME#renamed");
    EXPECT_EQ(File("gList.dat"), expected);
    EXPECT_EQ(File("Recents.dat"), recentsBefore);
    EXPECT_EQ(protects, 0);

    // A changed bill is protected once; the others, the foreign one too, stay as read.
    lib.games()[1]->Bill = "<Forms>new</Forms>";
    lib.games()[3]->Name = "still foreign";
    EXPECT_TRUE(lib.SaveGameList());
    EXPECT_TRUE(lib.SaveGameList());
    EXPECT_EQ(protects, 1);
    const std::string after = File("gList.dat");
    EXPECT_EQ(after.find("<Forms>"), std::string::npos);
    EXPECT_NE(after.find("#NAME#still foreign\r\n#ADDRESS#\r\n" + foreign), std::string::npos);
    {
        // A bill assigned without being opened first is saved too.
        GameLibrary direct(folder_, FakeProtector());
        direct.Load();
        direct.games()[0]->Bill = "<Forms>direct</Forms>";
        EXPECT_TRUE(direct.SaveGameList());
    }
    GameLibrary reloaded(folder_, FakeProtector());
    reloaded.Load();
    EXPECT_EQ(Flat(reloaded.games(), FakeProtector()),
              (std::vector<Game>{{"c", "one", "u", "<Forms>direct</Forms>"},
                                 {"c", "two", "u", "<Forms>new</Forms>"},
                                 {"c", "renamed", "u", ""},
                                 {"", "still foreign", "", ""}}));
}

}  // namespace
}  // namespace lumo
