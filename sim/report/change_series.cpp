#include "change_series.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace cabkit::sim {

void ChangeSeries::record(int64_t frame, int64_t value) {
    if (value == lastValue_) return;
    const int64_t frames = frame - lastFrame_;
    const int64_t change = value - lastValue_;
    lastFrame_ = frame;
    lastValue_ = value;
    if (frames == pairFrames_ && change == pairValue_) {
        ++repeats_;
        return;
    }
    if (repeats_ > 0) codes_.push_back(-repeats_);
    repeats_ = 0;
    codes_.push_back(frames);
    codes_.push_back(change);
    pairFrames_ = frames;
    pairValue_ = change;
}

std::vector<int64_t> ChangeSeries::encoded() const {
    std::vector<int64_t> codes = codes_;
    if (repeats_ > 0) codes.push_back(-repeats_);
    return codes;
}

int64_t thousandths(double value) {
    constexpr double kLimit = 1e12;
    if (std::isnan(value)) return 0;
    value = std::clamp(value, -kLimit, kLimit);
    // The decimal text decides the rounding, as it does for the trace's columns.
    std::array<char, 32> text{};
    const auto written = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, 3);
    int64_t digits = 0;
    bool negative = false;
    for (const char* c = text.data(); c != written.ptr; ++c) {
        if (*c == '-') negative = true;
        if (*c >= '0' && *c <= '9') digits = digits * 10 + (*c - '0');
    }
    return negative ? -digits : digits;
}

}  // namespace cabkit::sim
