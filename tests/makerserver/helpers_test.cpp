// The server's own digest and range rules, checked without a running server.
#include <gtest/gtest.h>

#include "tools/makerserver/text_util.h"

namespace makerserver {
namespace {

TEST(MakerServerByteRange, ResolvesAgainstTheBodySize) {
    ByteRange r;
    // The downloader asks for "first-total size": the end is cut to the last byte.
    ASSERT_EQ(ResolveByteRange("bytes=300-1000", 1000, r), RangeCheck::kSatisfiable);
    EXPECT_EQ(r.first, 300u);
    EXPECT_EQ(r.last, 999u);
    ASSERT_EQ(ResolveByteRange(" BYTES=0-0", 10, r), RangeCheck::kSatisfiable);
    EXPECT_EQ(r.first, 0u);
    EXPECT_EQ(r.last, 0u);
    ASSERT_EQ(ResolveByteRange("bytes=7-", 10, r), RangeCheck::kSatisfiable);
    EXPECT_EQ(r.first, 7u);
    EXPECT_EQ(r.last, 9u);
    ASSERT_EQ(ResolveByteRange("bytes=-4", 10, r), RangeCheck::kSatisfiable);
    EXPECT_EQ(r.first, 6u);
    EXPECT_EQ(r.last, 9u);
    ASSERT_EQ(ResolveByteRange("bytes=-40", 10, r), RangeCheck::kSatisfiable);
    EXPECT_EQ(r.first, 0u);

    // A start at or past the end cannot be served.
    EXPECT_EQ(ResolveByteRange("bytes=1000-1000", 1000, r), RangeCheck::kUnsatisfiable);
    EXPECT_EQ(ResolveByteRange("bytes=0-", 0, r), RangeCheck::kUnsatisfiable);
    EXPECT_EQ(ResolveByteRange("bytes=-0", 10, r), RangeCheck::kUnsatisfiable);

    // Anything else is ignored and the whole body goes out.
    EXPECT_EQ(ResolveByteRange("bytes=5-2", 10, r), RangeCheck::kIgnore);
    EXPECT_EQ(ResolveByteRange("bytes=0-1,4-5", 10, r), RangeCheck::kIgnore);
    EXPECT_EQ(ResolveByteRange("items=0-1", 10, r), RangeCheck::kIgnore);
    EXPECT_EQ(ResolveByteRange("bytes=x-1", 10, r), RangeCheck::kIgnore);
    EXPECT_EQ(ResolveByteRange("bytes=", 10, r), RangeCheck::kIgnore);
}

TEST(MakerServerText, CookiesDatesAndGbk) {
    auto cookies = ParseCookieHeader("LUMOSID=abc; LUMOACCT=al%20ice;broken; =x;  spaced = v ");
    EXPECT_EQ(cookies.size(), 3u);
    EXPECT_EQ(cookies["LUMOSID"], "abc");
    EXPECT_EQ(cookies["LUMOACCT"], "al%20ice");
    EXPECT_EQ(cookies["spaced"], "v");

    EXPECT_EQ(HttpDate(784111777), "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(HttpDate(0), "Thu, 01 Jan 1970 00:00:00 GMT");

    EXPECT_EQ(PercentDecode(PercentEncode("张三 a;b=c")), "张三 a;b=c");
    EXPECT_EQ(PercentEncode("a b;"), "a%20b%3B");
    EXPECT_EQ(PercentDecode("100%"), "100%");
}

}  // namespace
}  // namespace makerserver
