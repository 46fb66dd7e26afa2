// The Go action, Enter completions, the search box, the typed history and
// the address shown in the box.
#include <gtest/gtest.h>

#include "mainwindow/address_rules.h"

using namespace lumo;

namespace {

using Kind = GoDecision::Kind;
using Mods = EnterModifiers;

// No request leaves the machine: every search address points at loopback.
const SearchEndpoint kEngine{"http://127.0.0.1:18765"};
const std::string kWord = "http://127.0.0.1:18765/baidu?word=";

struct GoCase {
    const char* text;
    Mods mods;
    bool noPages;
    Kind kind;
    std::string address;  // Navigate/Keyword
    bool clearStatus;
};

const GoCase kGoCases[] = {
    {"", Mods::None, false, Kind::Stop, "", false},
    {"   ", Mods::None, false, Kind::Stop, "", false},
    {"TOP://x", Mods::None, false, Kind::Stop, "", false},
    {"about:blank", Mods::None, false, Kind::Stop, "", false},
    {" about:blank ", Mods::None, true, Kind::OpenBlankTab, "", false},
    {"about:", Mods::None, true, Kind::OpenBlankTab, "", false},
    {"About:Blank", Mods::None, false, Kind::Keyword, kWord + "About:Blank", true},
    {"JavaScript:alert(1)", Mods::None, false, Kind::Stop, "", true},
    {" HTTP://a.b ", Mods::None, false, Kind::Navigate, "HTTP://a.b", true},
    {"ftp://x", Mods::None, false, Kind::Navigate, "ftp://x", true},
    {"C:\\", Mods::None, false, Kind::Navigate, "file://C:\\", true},
    {"C:\\games\\", Mods::None, false, Kind::Navigate, "file://C:\\games\\/", true},
    {"C:\\games\\a.htm", Mods::None, false, Kind::Navigate, "file://C:\\games\\a.htm/", true},
    {"C:", Mods::None, false, Kind::Navigate, "file://C:/", true},
    {"D:/", Mods::None, false, Kind::Navigate, "file://D:/", true},
    // Only a letter before the first ':' makes a drive.
    {"1:x", Mods::None, false, Kind::Keyword, kWord + "1:x", true},
    {"中:", Mods::None, false, Kind::Keyword, kWord + "中:", true},
    {"abc.def", Mods::None, false, Kind::Navigate, "http://abc.def", true},
    {"localhost", Mods::None, false, Kind::Navigate, "http://localhost", true},
    {"LOCALHOST", Mods::None, true, Kind::Navigate, "http://LOCALHOST", true},
    {"hello", Mods::None, false, Kind::Keyword, kWord + "hello", true},
    {"网页 游戏", Mods::None, false, Kind::Keyword, kWord + "网页 游戏", true},
    // The keyword is inserted once, even when it reads like the placeholder.
    {"keyword_", Mods::None, false, Kind::Keyword, kWord + "keyword_", true},
    // Completions, then the Go action on the completed text.
    {"http://a.b", Mods::Ctrl, false, Kind::Navigate, "http://www.http://a.b.com/", true},
    {"http://a.b", Mods::Alt, false, Kind::Navigate, "http://a.b", true},
    {" sina ", Mods::Alt, false, Kind::Navigate, "http://www.sina.net/", true},
    {"sina", Mods::Shift, false, Kind::Navigate, "http://www.sina.com.cn/", true},
    {"Https:x", Mods::Shift, false, Kind::Keyword, kWord + "Https:x", true},
    {"sina", Mods::Other, false, Kind::Keyword, kWord + "sina", true},
    {"  ", Mods::Ctrl, false, Kind::Stop, "", false},
};

TEST(AddressRules, GoTable) {
    for (const GoCase& c : kGoCases) {
        SCOPED_TRACE(std::string(c.text) + " mods " + std::to_string(int(c.mods)));
        GoDecision d = DecideGo(CompleteOnEnter(c.text, c.mods), c.noPages, kEngine);
        EXPECT_EQ(d.kind, c.kind);
        EXPECT_EQ(d.address, c.address);
        EXPECT_EQ(d.clearStatus, c.clearStatus);
        EXPECT_EQ(d.openInNewPage, c.noPages && !c.address.empty());
        if (c.kind == Kind::Navigate) {
            EXPECT_EQ(d.boxText, c.address);
            EXPECT_EQ(d.statusText, " 正在打开:<" + c.address + ">");
            EXPECT_TRUE(d.addToHistory);
        }
        if (c.kind == Kind::Keyword) {
            EXPECT_EQ(d.boxText, DisplayAddress(c.address));
            EXPECT_TRUE(d.statusText.empty());
            EXPECT_FALSE(d.addToHistory);
            EXPECT_TRUE(d.focusPageArea);
        }
    }
}

TEST(AddressRules, EnterModifiersMustMatchExactly) {
    EXPECT_EQ(ModifiersOf(false, false, false), Mods::None);
    EXPECT_EQ(ModifiersOf(true, false, false), Mods::Ctrl);
    EXPECT_EQ(ModifiersOf(false, true, false), Mods::Alt);
    EXPECT_EQ(ModifiersOf(false, false, true), Mods::Shift);
    EXPECT_EQ(ModifiersOf(true, false, true), Mods::Other);
    EXPECT_EQ(ModifiersOf(true, true, true), Mods::Other);
    // Without a completion the text is left exactly as typed.
    EXPECT_EQ(CompleteOnEnter(" a b ", Mods::Other), " a b ");
}

TEST(AddressRules, KeywordShownWithoutPartnerTag) {
    GoDecision d = DecideGo("xtn=abcdy", false, kEngine);
    EXPECT_EQ(d.address, kWord + "xtn=abcdy");
    EXPECT_EQ(d.boxText, kWord + "xy");
}

TEST(AddressRules, DefaultEngineAndPlaceholderCase) {
    EXPECT_EQ(SearchEndpoint{}.KeywordTemplate(), "https://www.baidu.com/baidu?word=KEYWORD_");
    EXPECT_EQ(SearchEndpoint{}.SearchBaseAddress(), "https://www.baidu.com/baidu?");
    EXPECT_EQ(FillKeywordTemplate("a=KeyWord_&b=keyword_&c=KEYWORD", "中"), "a=中&b=中&c=KEYWORD");
}

TEST(AddressRules, DisplayAddress) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://s/?word=x&tn=abcd&y=1", "http://s/?word=x&&y=1"},
        {"a tn=1234 tn=5678", "a  tn=5678"},  // the first only
        {"TN=abcd", "TN=abcd"},
        {"no tag", "no tag"},
        {"x?tn=ab", "x?"},  // fewer than four characters left
        {"tn=", ""},
        {"x?tn=中文字符后", "x?后"},  // characters, not bytes
        {"x?tn=中", "x?"},
    };
    for (auto [in, out] : cases) EXPECT_EQ(DisplayAddress(in), out) << in;
}

TEST(AddressRules, HasNoKnownScheme) {
    for (const char* known : {"http:x", "HTTPS://a", "rtsp:", "Mms:", "file:///c", "ftp:"})
        EXPECT_FALSE(HasNoKnownScheme(known)) << known;
    for (const char* none : {"", "htt", "www.a.com", " http:", "javascript:", "中文"})
        EXPECT_TRUE(HasNoKnownScheme(none)) << none;
}

TEST(AddressRules, SearchTable) {
    const std::string base = "http://127.0.0.1:18765/baidu?";
    struct Case {
        const char* q;
        const char* active;
        bool stop, newTab;
        std::string url, box;
    } cases[] = {
        {"", "http://a", true, false, "", ""},
        {"  ABOUT:BLANK ", "http://a", true, false, "", ""},
        {"x", "about:blank", false, false, kWord + "x", kWord + "x"},
        {" x ", "http://a", false, true, kWord + "x", kWord + "x"},
        {"x", "About:Blank", false, true, kWord + "x", kWord + "x"},
        {"x", "", false, true, kWord + "x", kWord + "x"},
        {"百度搜索", "about:blank", false, false, base, base},
        {" 百度搜索 ", "http://a", false, true, base, base},
        {"百度搜索 x", "about:blank", false, false, kWord + "百度搜索 x", kWord + "百度搜索 x"},
        {"游戏tn=abcd", "about:blank", false, false, kWord + "游戏tn=abcd", kWord + "游戏"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.q) + " in " + c.active);
        SearchDecision d = DecideSearch(c.q, c.active, kEngine);
        EXPECT_EQ(d.stop, c.stop);
        EXPECT_EQ(d.newTab, c.newTab);
        EXPECT_EQ(d.url, c.url);
        EXPECT_EQ(d.boxText, c.box);
    }
}

TEST(AddressRules, TypedHistoryAppendsOnce) {
    std::vector<std::string> h;
    EXPECT_TRUE(AddTypedAddress(h, "http://a"));
    EXPECT_TRUE(AddTypedAddress(h, "http://b"));
    EXPECT_FALSE(AddTypedAddress(h, "http://a"));
    EXPECT_TRUE(AddTypedAddress(h, "HTTP://a"));  // case-sensitive
    EXPECT_FALSE(AddTypedAddress(h, "  "));
    EXPECT_EQ(h, (std::vector<std::string>{"http://a", "http://b", "HTTP://a"}));
}

}  // namespace
