#include "page/cookie_jar.h"

#include <gtest/gtest.h>

namespace lumo::html {
namespace {

constexpr int64_t kNow = 1796812800;  // 2026-12-09 10:40:00 UTC

TEST(CookieDate, ReadsTheFormsServersSend) {
    EXPECT_EQ(ParseCookieDate("Wed, 09 Dec 2026 10:40:00 GMT"), kNow);
    EXPECT_EQ(ParseCookieDate("Wednesday, 09-Dec-26 10:40:00 GMT"), kNow);
    EXPECT_EQ(ParseCookieDate("Wed Dec  9 10:40:00 2026"), kNow);
    EXPECT_EQ(ParseCookieDate("Thu, 01 Jan 1970 00:00:00 GMT"), 0);
    EXPECT_FALSE(ParseCookieDate("tomorrow"));
    EXPECT_FALSE(ParseCookieDate("Wed, 32 Dec 2026 10:40:00 GMT"));
    EXPECT_FALSE(ParseCookieDate(""));
}

TEST(CookieJar, SendsWhatTheServerSetWhereItApplies) {
    CookieJar jar;
    const std::string login = "http://127.0.0.1:8080/game/login";
    jar.Store(login, "LUMOSID=abc; path=/", kNow);
    jar.Store(login, "LUMOACCT=alice; expires=Thu, 09 Dec 2027 10:40:00 GMT; path=/", kNow);
    jar.Store(login, "NARROW=1", kNow);                    // default path /game
    jar.Store(login, "MAIN=1; Domain=example.com", kNow);  // not this host's: refused
    jar.Store(login, "PARENT=1; Domain=0.0.1", kNow);      // no domain cookies for addresses
    jar.Store(login, "novalue", kNow);
    EXPECT_EQ(jar.size(), 3u);
    EXPECT_EQ(jar.HeaderFor("http://127.0.0.1:8080/game/lobby.html", kNow),
              "NARROW=1; LUMOSID=abc; LUMOACCT=alice");
    EXPECT_EQ(jar.HeaderFor("http://127.0.0.1:9999/gamer", kNow), "LUMOSID=abc; LUMOACCT=alice");
    EXPECT_EQ(jar.HeaderFor("http://localhost:8080/game/", kNow), "");
    // The same name, domain and path replaces; a past expiry or Max-Age=0
    // removes; an expiry passing later hides it.
    jar.Store(login, "LUMOSID=def; path=/", kNow);
    jar.Store(login, "LUMOACCT=; expires=Thu, 01 Jan 1970 00:00:00 GMT; path=/", kNow);
    jar.Store(login, "NARROW=; Max-Age=0", kNow);
    jar.Store(login, "SHORT=1; Max-Age=60; Expires=Thu, 09 Dec 2027 10:40:00 GMT", kNow);
    EXPECT_EQ(jar.HeaderFor(login, kNow), "SHORT=1; LUMOSID=def");  // /game before /
    EXPECT_EQ(jar.HeaderFor(login, kNow + 61), "LUMOSID=def");
}

TEST(CookieJar, DomainAndSecureCookies) {
    CookieJar jar;
    jar.Store("https://www.game.cn/a", "S=1; Secure; Domain=.GAME.cn", kNow);
    jar.Store("https://www.game.cn/a", "H=1", kNow);
    EXPECT_EQ(jar.HeaderFor("https://s1.game.cn/", kNow), "S=1");
    EXPECT_EQ(jar.HeaderFor("http://s1.game.cn/", kNow), "");
    EXPECT_EQ(jar.HeaderFor("https://www.game.cn/b", kNow), "S=1; H=1");
    EXPECT_EQ(jar.HeaderFor("https://xgame.cn/", kNow), "");
    // Bounded: the oldest cookie (S) goes when the jar is full.
    for (size_t i = 0; i + 1 < CookieJar::kMaxCookies; ++i)
        jar.Store("http://x.cn/", "c" + std::to_string(i) + "=1", kNow);
    EXPECT_EQ(jar.size(), CookieJar::kMaxCookies);
    EXPECT_EQ(jar.HeaderFor("https://www.game.cn/b", kNow), "H=1");
}

}  // namespace
}  // namespace lumo::html
