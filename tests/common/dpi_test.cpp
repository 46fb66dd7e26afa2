// Design sizes scaled for a DPI, and the skin pictures scaled with them.
#include <gtest/gtest.h>

#include "common/dpi.h"

namespace lumo {
namespace {

TEST(Dpi, ScaleRoundsAsMulDivAndUnscaleInverts) {
    EXPECT_EQ(Scale(26, 96), 26);
    EXPECT_EQ(Scale(26, 120), 33);  // 32.5 rounds up
    EXPECT_EQ(Scale(33, 144), 50);  // 49.5
    EXPECT_EQ(Scale(-12, 144), -18);
    EXPECT_EQ(Scale(-3, 120), -4);  // half away from zero, as MulDiv
    EXPECT_EQ(Scale(188, 192), 376);
    for (int dpi : {96, 120, 144, 168, 192})
        for (int v = 0; v < 400; ++v)
            EXPECT_NEAR(Unscale(Scale(v, dpi), dpi), v, 1) << v << " at " << dpi;
    EXPECT_EQ(Unscale(1920, 144), 1280);
    EXPECT_EQ(Unscale(50, 0), 50);
}

// A 2x2 picture: a key pixel (magenta), and three colours.
Pixels Sample() {
    return {2, 2, {0xFF00FF, 0x000000, 0xFFFFFF, 0x808080}};
}

TEST(Dpi, ScalePixelsRepeatsWholeFactorsAndKeepsKeyEdgesClean) {
    constexpr std::uint32_t kKey = 0xFF00FF;
    Pixels twice = ScalePixels(Sample(), 4, 4, kKey);
    ASSERT_EQ(twice.data.size(), 16u);
    // 200 %: every pixel repeated, nothing blended.
    EXPECT_EQ(twice.data[0], kKey);
    EXPECT_EQ(twice.data[5], kKey);
    EXPECT_EQ(twice.data[2], 0x000000u);
    EXPECT_EQ(twice.data[15], 0x808080u);

    // 150 %: blended, but a key pixel never mixes into a colour and no
    // colour turns into the key.
    Pixels half = ScalePixels(Sample(), 3, 3, kKey);
    ASSERT_EQ(half.data.size(), 9u);
    EXPECT_EQ(half.data[0], kKey);
    for (std::uint32_t p : half.data) {
        if (p == kKey)
            continue;
        std::uint32_t r = p >> 16, g = (p >> 8) & 0xFF, b = p & 0xFF;
        EXPECT_TRUE(r == g && g == b) << std::hex << p;  // greys only: no magenta tint
    }
    // Without a key the corner blends like any other pixel, and a picture
    // of one colour stays that colour at any size.
    Pixels plain = ScalePixels(Sample(), 3, 3);
    EXPECT_NE(plain.data[4], kKey);
    Pixels flat = ScalePixels({1, 1, {0x123456}}, 5, 7);
    EXPECT_EQ(flat.width, 5);
    for (std::uint32_t p : flat.data) EXPECT_EQ(p, 0x123456u);
    EXPECT_TRUE(ScalePixels({2, 2, {1}}, 3, 3).data.empty());  // too few pixels
    EXPECT_TRUE(ScalePixels(Sample(), 0, 3).data.empty());
}

}  // namespace
}  // namespace lumo
