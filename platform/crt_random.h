// A private random-number generator with the contract of the Windows C
// runtime's srand/rand, so that Linux and Windows builds draw the same
// numbers and one plug-in's draws never disturb another's.
#ifndef CABKIT_PLATFORM_CRT_RANDOM_H
#define CABKIT_PLATFORM_CRT_RANDOM_H

#include <cstdint>

namespace cabkit::platform {

class CrtRandom {
public:
    static constexpr int32_t kMax = 0x7FFF;

    // srand: the next draws depend on this seed alone.
    void seed(uint32_t seed) { state_ = seed; }

    // rand: 0..kMax. The state update wraps modulo 2^32 by design.
    int32_t next() {
        state_ = state_ * 214013U + 2531011U;
        return static_cast<int32_t>((state_ >> 16U) & 0x7FFFU);
    }

private:
    uint32_t state_ = 1;  // the runtime's state before any srand
};

}  // namespace cabkit::platform

#endif  // CABKIT_PLATFORM_CRT_RANDOM_H
