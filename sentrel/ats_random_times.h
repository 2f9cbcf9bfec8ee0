// The two lengths the train stop draws at each start of a run: the period of
// the reminder strokes and the length of the switch-on test. Each is a base
// plus the magnitude of a product of three draws, reduced by a modulus, so
// every run sounds slightly different.
#ifndef CABKIT_SENTREL_ATS_RANDOM_TIMES_H
#define CABKIT_SENTREL_ATS_RANDOM_TIMES_H

#include <cstdint>

#include "crt_random.h"

namespace cabkit::sentrel {

inline constexpr int32_t kTonePeriodBaseMs = 235;
inline constexpr int32_t kTonePeriodSpreadMs = 100;  // period 235..334
inline constexpr int32_t kSelfTestBaseMs = 2000;
inline constexpr int32_t kSelfTestSpreadMs = 200;  // test 2000..2199

struct RandomTimes {
    int32_t tonePeriodMs;
    int32_t selfTestDurationMs;
};

// base + |(r1 * r2 * r3) rem spread|, the product wrapping in 32 bits and the
// remainder taking the sign of the product. `spread` is above 0.
int32_t drawnLength(int32_t base, int32_t spread, int32_t r1, int32_t r2, int32_t r3);

int32_t tonePeriodFromDraws(int32_t r1, int32_t r2, int32_t r3);
int32_t selfTestDurationFromDraws(int32_t r4, int32_t r5, int32_t r6);

// Seeds `random` with `seedSecond` and draws both lengths, the tone period
// first.
RandomTimes drawRandomTimes(platform::CrtRandom& random, uint32_t seedSecond);

}  // namespace cabkit::sentrel

#endif  // CABKIT_SENTREL_ATS_RANDOM_TIMES_H
