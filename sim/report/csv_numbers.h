// The trace's numbers written straight into a row: a trace has some forty
// of them a frame, hundreds with every slot, and they are most of what an
// hour's replay with a trace costs. Each writer takes the end of the row and
// returns the new end; the caller makes room for the longest text first.
#ifndef CABKIT_SIM_CSV_NUMBERS_H
#define CABKIT_SIM_CSV_NUMBERS_H

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include <fmt/compile.h>
#include <fmt/format.h>

namespace cabkit::sim {

// The most characters writeInteger and writeFixed3 write.
inline constexpr std::size_t kMaxIntegerChars = 20;  // "-9223372036854775808"
inline constexpr std::size_t kMaxFixed3Chars = 320;  // "-1.8e308" written out, then ".000"

// "00", "01", ... "99": two digits a step.
inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

inline char* writeInteger(char* out, int64_t value) {
    // Through unsigned, so that the lowest value has a magnitude too.
    uint64_t magnitude = static_cast<uint64_t>(value);
    if (value < 0) {
        *out++ = '-';
        magnitude = 0 - magnitude;
    }
    if (magnitude < 10) {  // most of a trace: lamps, notches, commands
        *out++ = static_cast<char>('0' + magnitude);
        return out;
    }
    // Counted first, then written from the last digit back, in place.
    std::size_t count = 2;
    for (uint64_t power = 100; count < kMaxIntegerChars - 1 && magnitude >= power; power *= 10) ++count;
    char* const end = out + count;
    char* digit = end;
    while (magnitude >= 100) {
        const auto pair = static_cast<std::size_t>(magnitude % 100) * 2;
        magnitude /= 100;
        digit -= 2;
        digit[0] = kDigitPairs[pair];
        digit[1] = kDigitPairs[pair + 1];
    }
    if (magnitude >= 10) {
        const auto pair = static_cast<std::size_t>(magnitude) * 2;
        digit[-2] = kDigitPairs[pair];
        digit[-1] = kDigitPairs[pair + 1];
    } else {
        digit[-1] = static_cast<char>('0' + magnitude);
    }
    return end;
}

// What fmt's "{:.3f}" writes, the same text. Values within a thousandth's
// rounding error of a tie, and values too large to scale exactly, are left
// to fmt's exact rounding; the rest round alike by integer arithmetic.
inline char* writeFixed3(char* out, double value) {
    // Below 1e9 the scaled value errs by less than 1e-4 of a unit.
    constexpr double kLargest = 1e9;
    constexpr double kTieMargin = 1e-3;
    const double magnitude = std::fabs(value);
    if (!(magnitude < kLargest)) return fmt::format_to(out, FMT_COMPILE("{:.3f}"), value);
    const double scaled = magnitude * 1000.0;
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) < kTieMargin) return fmt::format_to(out, FMT_COMPILE("{:.3f}"), value);
    const uint64_t thousandths = static_cast<uint64_t>(whole) + (fraction > 0.5 ? 1U : 0U);
    if (std::signbit(value)) *out++ = '-';
    out = writeInteger(out, static_cast<int64_t>(thousandths / 1000));
    const auto rest = static_cast<unsigned>(thousandths % 1000);
    out[0] = '.';
    out[1] = static_cast<char>('0' + rest / 100);
    out[2] = static_cast<char>('0' + rest / 10 % 10);
    out[3] = static_cast<char>('0' + rest % 10);
    return out + 4;
}

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_CSV_NUMBERS_H
