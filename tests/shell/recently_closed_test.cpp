#include "shell/recently_closed.h"

#include <gtest/gtest.h>

using namespace lumo;

TEST(RecentlyClosed, ReopensNewestFirstSkipsBlankAndKeepsABoundedList) {
    RecentlyClosed list;
    EXPECT_EQ(list.Pop(), std::nullopt);
    list.Push("http://a/");
    list.Push("about:blank");
    list.Push("   ");
    list.Push(" http://b/ ");
    EXPECT_EQ(list.Pop(), "http://b/");
    EXPECT_EQ(list.Pop(), "http://a/");
    EXPECT_EQ(list.Pop(), std::nullopt);

    for (size_t i = 0; i < kMaxRecentlyClosed + 5; ++i) list.Push("http://p" + std::to_string(i));
    EXPECT_EQ(list.size(), kMaxRecentlyClosed);
    EXPECT_EQ(list.Pop(), "http://p" + std::to_string(kMaxRecentlyClosed + 4));
}
