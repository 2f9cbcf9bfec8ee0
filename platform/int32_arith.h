// 32-bit integer and conversion arithmetic whose results are the same on
// every compiler and build, without undefined behaviour.
//
// Quantities that are meant to wrap (products of random draws, time
// differences, clock formulas) wrap in two's complement; timers that count
// down saturate instead of wrapping round to a huge positive value; a double
// that does not fit an int32 saturates and NaN gives 0.
#ifndef CABKIT_PLATFORM_INT32_ARITH_H
#define CABKIT_PLATFORM_INT32_ARITH_H

#include <cmath>
#include <cstdint>
#include <limits>

namespace cabkit::platform {

constexpr int32_t wrappingAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

constexpr int32_t wrappingSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

constexpr int32_t wrappingMul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

constexpr int32_t saturatingAdd(int32_t a, int32_t b) {
    const int64_t sum = static_cast<int64_t>(a) + static_cast<int64_t>(b);
    if (sum > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    if (sum < std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(sum);
}

constexpr int32_t saturatingSub(int32_t a, int32_t b) {
    const int64_t difference = static_cast<int64_t>(a) - static_cast<int64_t>(b);
    if (difference > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    if (difference < std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(difference);
}

// Truncates toward zero; NaN gives 0 and out-of-range values saturate.
inline int32_t truncateToInt32(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483648.0) {
        return std::numeric_limits<int32_t>::max();
    }
    if (value <= -2147483649.0) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(value);
}

}  // namespace cabkit::platform

#endif  // CABKIT_PLATFORM_INT32_ARITH_H
