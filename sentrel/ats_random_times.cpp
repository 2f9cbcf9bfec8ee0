#include "ats_random_times.h"

#include "int32_arith.h"

namespace cabkit::sentrel {

int32_t drawnLength(int32_t base, int32_t spread, int32_t r1, int32_t r2, int32_t r3) {
    using platform::wrappingMul;
    const int32_t product = wrappingMul(wrappingMul(r1, r2), r3);
    // The remainder lies strictly between -spread and spread, so negating it
    // cannot overflow even for the most negative product.
    const int32_t remainder = product % spread;
    const int32_t magnitude = remainder < 0 ? -remainder : remainder;
    return base + magnitude;
}

int32_t tonePeriodFromDraws(int32_t r1, int32_t r2, int32_t r3) {
    return drawnLength(kTonePeriodBaseMs, kTonePeriodSpreadMs, r1, r2, r3);
}

int32_t selfTestDurationFromDraws(int32_t r4, int32_t r5, int32_t r6) {
    return drawnLength(kSelfTestBaseMs, kSelfTestSpreadMs, r4, r5, r6);
}

RandomTimes drawRandomTimes(platform::CrtRandom& random, uint32_t seedSecond) {
    random.seed(seedSecond);
    // Draw order is fixed: three for the tone, then three for the test.
    const int32_t r1 = random.next();
    const int32_t r2 = random.next();
    const int32_t r3 = random.next();
    const int32_t r4 = random.next();
    const int32_t r5 = random.next();
    const int32_t r6 = random.next();
    return RandomTimes{tonePeriodFromDraws(r1, r2, r3), selfTestDurationFromDraws(r4, r5, r6)};
}

}  // namespace cabkit::sentrel
