#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "int32_arith.h"

namespace cabkit::platform {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

TEST(Int32Arith, WrapsLikeTwosComplement) {
    EXPECT_EQ(wrappingAdd(kMax, 1), kMin);
    EXPECT_EQ(wrappingSub(kMin, 1), kMax);
    EXPECT_EQ(wrappingMul(2000, wrappingMul(2000, 2000)), -589934592);  // 8e9 mod 2^32
    EXPECT_EQ(wrappingMul(-1, kMin), kMin);
}

TEST(Int32Arith, SaturatesInsteadOfWrapping) {
    EXPECT_EQ(saturatingSub(kMin + 5, 10), kMin);
    EXPECT_EQ(saturatingSub(kMax - 5, -10), kMax);
    EXPECT_EQ(saturatingAdd(kMax, 1), kMax);
    EXPECT_EQ(saturatingAdd(kMin, -1), kMin);
    EXPECT_EQ(saturatingSub(100, 30), 70);
}

TEST(Int32Arith, DoubleConversionIsDefinedEverywhere) {
    EXPECT_EQ(truncateToInt32(std::nan("")), 0);
    EXPECT_EQ(truncateToInt32(std::numeric_limits<double>::infinity()), kMax);
    EXPECT_EQ(truncateToInt32(-std::numeric_limits<double>::infinity()), kMin);
    EXPECT_EQ(truncateToInt32(3.0e9), kMax);
    EXPECT_EQ(truncateToInt32(-3.0e9), kMin);
    EXPECT_EQ(truncateToInt32(2147483647.9), kMax);
    EXPECT_EQ(truncateToInt32(-2147483648.9), kMin);
    EXPECT_EQ(truncateToInt32(-7.9), -7);
    EXPECT_EQ(truncateToInt32(7.9), 7);
}

}  // namespace
}  // namespace cabkit::platform
