#include "shell/page_state.h"

#include <gtest/gtest.h>

#include <vector>

#include "shell/cookie_journal.h"

namespace lumo {
namespace {

using S = PageState;
using E = PageEvent;

PageLife After(std::vector<E> events) {
    PageLife life;
    for (E e : events) EXPECT_TRUE(life.Apply(e)) << static_cast<int>(e);
    return life;
}

TEST(PageLife, TransitionsFollowTheTable) {
    struct Case {
        std::vector<E> path;  // accepted events from Starting
        E event;
        bool accepted;
        S after;
    } cases[] = {
        {{}, E::WindowFound, true, S::Embedded},
        {{}, E::Show, false, S::Starting},
        {{}, E::NoAnswer, false, S::Starting},  // no window to ask yet
        {{}, E::ProcessEnded, true, S::Crashed},
        {{}, E::Close, true, S::Closing},
        {{E::WindowFound}, E::WindowFound, false, S::Embedded},
        {{E::WindowFound}, E::Show, true, S::Shown},
        {{E::WindowFound, E::Show}, E::Hide, true, S::Hidden},
        {{E::WindowFound, E::Show}, E::NoAnswer, true, S::Hung},
        {{E::WindowFound, E::Show, E::NoAnswer}, E::Answers, true, S::Shown},
        {{E::WindowFound, E::Show, E::NoAnswer, E::Hide}, E::Answers, true, S::Hidden},
        {{E::WindowFound, E::Show, E::NoAnswer}, E::Close, true, S::Closing},
        {{E::WindowFound, E::Show, E::NoAnswer}, E::ProcessEnded, true, S::Crashed},
        {{E::WindowFound, E::Hide}, E::ProcessEnded, true, S::Crashed},
        {{E::WindowFound, E::Close}, E::ProcessEnded, true, S::Ended},
        {{E::WindowFound, E::Close}, E::Show, false, S::Closing},
        {{E::WindowFound, E::Close}, E::Close, false, S::Closing},
        {{E::ProcessEnded}, E::Reload, true, S::Starting},
        {{E::ProcessEnded}, E::Close, true, S::Ended},
        {{E::ProcessEnded}, E::ProcessEnded, false, S::Crashed},
        {{E::WindowFound}, E::Reload, false, S::Embedded},
        {{E::Close, E::ProcessEnded}, E::Reload, false, S::Ended},
        {{E::Close, E::ProcessEnded}, E::Close, false, S::Ended},
    };
    for (const Case& c : cases) {
        PageLife life = After(c.path);
        EXPECT_EQ(life.Apply(c.event), c.accepted) << PageStateName(life.state());
        EXPECT_EQ(life.state(), c.after) << PageStateName(life.state());
    }
}

TEST(PageLife, VisibilitySurvivesAHang) {
    PageLife life = After({E::WindowFound, E::Show, E::NoAnswer});
    EXPECT_TRUE(life.Visible());
    EXPECT_TRUE(life.HasWindow());
    EXPECT_TRUE(life.Live());
    life.Apply(E::ProcessEnded);
    EXPECT_FALSE(life.Live());
    EXPECT_FALSE(life.HasWindow());
}

TEST(RequestRateLimit, BurstThenOneEveryInterval) {
    RequestRateLimit limit(3, 100);
    int allowed = 0;
    for (int i = 0; i < 1000; ++i) allowed += limit.Allow(5000);
    EXPECT_EQ(allowed, 3);
    EXPECT_FALSE(limit.Allow(5050));
    EXPECT_TRUE(limit.Allow(5150));
    EXPECT_FALSE(limit.Allow(5160));
    // A long pause refills only up to the burst.
    allowed = 0;
    for (int i = 0; i < 10; ++i) allowed += limit.Allow(60000);
    EXPECT_EQ(allowed, 3);
}

TEST(CookieJournal, RoundTripsAndRejectsDamage) {
    for (const CookieJournal& j :
         {CookieJournal{true, 2, "%USERPROFILE%\\Cookies\nx\"é"}, CookieJournal{false, 1, ""}}) {
        auto back = DecodeCookieJournal(EncodeCookieJournal(j));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->hadValue, j.hadValue);
        EXPECT_EQ(back->type, j.type);
        EXPECT_EQ(back->value, j.value);
    }
    std::string good = EncodeCookieJournal({true, 2, "v"});
    for (std::string bad :
         {std::string(), good.substr(0, 10), std::string("x") + good,
          std::string("LumoCookieJournal 1\n2\n2\nv"), std::string("LumoCookieJournal 1\n1\nz\nv")})
        EXPECT_FALSE(DecodeCookieJournal(bad)) << bad;
}

}  // namespace
}  // namespace lumo
