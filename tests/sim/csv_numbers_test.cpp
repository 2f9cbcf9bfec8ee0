// The trace's hand-written numbers against fmt's text for the same values:
// a trace row must read the same whichever writes it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include <fmt/format.h>

#include "csv_numbers.h"

namespace cabkit::sim {
namespace {

std::string fixed3(double value) {
    char text[kMaxFixed3Chars];
    return {text, writeFixed3(text, value)};
}

std::string integer(int64_t value) {
    char text[kMaxIntegerChars];
    return {text, writeInteger(text, value)};
}

TEST(CsvNumbers, WriteWhatFmtWrites) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    // Signed zeros, ties and near-ties of the third decimal, the edge of the
    // integer path, values fmt writes in full, and what is not a number.
    for (const double value : {0.0,      -0.0,           -1e-9,   0.0005,    -0.0005,
                               0.0625,   0.1875,         -2.0625, 0.9994999, 0.9995,
                               123.4565, 999999999.9995, 1e9,     -1e9,      1e300,
                               -1e300,   5e-324,         kInf,    -kInf,     std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(fixed3(value), fmt::format("{:.3f}", value)) << value;
    for (const int64_t value : {int64_t{0}, int64_t{-1}, int64_t{9}, int64_t{10}, int64_t{-10}, int64_t{INT32_MIN},
                                std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::min()})
        EXPECT_EQ(integer(value), std::to_string(value));
    int64_t power = 1;
    for (int digits = 1; digits <= 18; ++digits) {  // where a digit is added
        power *= 10;
        for (const int64_t value : {power - 1, power, -power}) EXPECT_EQ(integer(value), std::to_string(value));
    }

    std::mt19937_64 random(22);
    std::uniform_real_distribution<double> wide(-2e9, 2e9);
    std::uniform_real_distribution<double> speed(-200.0, 200.0);
    int mismatches = 0;
    for (int i = 0; i < 20'000 && mismatches < 5; ++i) {
        // Any value, a train's speed, and sixteenths (exact ties at .xxx5).
        for (const double value : {wide(random), speed(random), std::round(speed(random) * 16.0) / 16.0}) {
            if (fixed3(value) != fmt::format("{:.3f}", value)) {
                ADD_FAILURE() << fmt::format("{:.17g}", value);
                ++mismatches;
            }
        }
        const auto any = static_cast<int64_t>(random());
        if (integer(any) != std::to_string(any)) ADD_FAILURE() << any;
    }
}

}  // namespace
}  // namespace cabkit::sim
