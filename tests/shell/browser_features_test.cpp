#include "shell/browser_features.h"

#include <gtest/gtest.h>

namespace lumo {
namespace {

TEST(BrowserFeatures, OnlyMissingValuesAndOurOwnAreWritten) {
    EXPECT_EQ(FeatureValueToWrite(std::nullopt, std::nullopt, 11001), 11001u);  // first start
    EXPECT_EQ(FeatureValueToWrite(std::nullopt, 11001, 11001), 11001u);         // removed meanwhile
    EXPECT_EQ(FeatureValueToWrite(11001, 11001, 11001), std::nullopt);          // already there
    EXPECT_EQ(FeatureValueToWrite(10001, 10001, 11001), 11001u);  // ours, from an older version
    EXPECT_EQ(FeatureValueToWrite(10000, std::nullopt, 11001), std::nullopt);  // set by hand
    EXPECT_EQ(FeatureValueToWrite(10000, 11001, 11001), std::nullopt);         // changed by hand
}

}  // namespace
}  // namespace lumo
