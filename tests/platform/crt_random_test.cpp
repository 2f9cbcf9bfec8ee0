#include <gtest/gtest.h>

#include "crt_random.h"

namespace cabkit::platform {
namespace {

// The runtime's documented first draws: without a seed, and after srand(0).
TEST(CrtRandom, DrawsTheRuntimeSequence) {
    CrtRandom unseeded;
    EXPECT_EQ(unseeded.next(), 41);
    EXPECT_EQ(unseeded.next(), 18467);
    EXPECT_EQ(unseeded.next(), 6334);

    CrtRandom zero;
    zero.seed(0);
    EXPECT_EQ(zero.next(), 38);
    EXPECT_EQ(zero.next(), 7719);
}

TEST(CrtRandom, SameSeedSameDrawsAndValuesStayInRange) {
    CrtRandom a;
    CrtRandom b;
    a.seed(123);
    b.seed(123);
    for (int i = 0; i < 1000; ++i) {
        const int32_t value = a.next();
        EXPECT_EQ(value, b.next());
        EXPECT_GE(value, 0);
        EXPECT_LE(value, CrtRandom::kMax);
    }
}

TEST(CrtRandom, ReseedingRestartsTheSequence) {
    CrtRandom random;
    random.seed(42);
    const int32_t first = random.next();
    random.next();
    random.seed(42);
    EXPECT_EQ(random.next(), first);
}

}  // namespace
}  // namespace cabkit::platform
