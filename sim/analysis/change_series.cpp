#include "change_series.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace cabkit::sim {

void ChangeSeries::record(int64_t frame, int64_t value) {
    if (value == lastValue_) return;
    changes_.push_back(Change{frame - lastFrame_, value - lastValue_});
    lastFrame_ = frame;
    lastValue_ = value;
}

std::size_t ChangeSeries::copies(std::size_t at, std::size_t distance, std::size_t enough) const {
    std::size_t count = 0;
    while (count < enough && at + count < changes_.size() && at + count >= distance &&
           changes_[at + count] == changes_[at + count - distance]) {
        ++count;
    }
    return count;
}

ChangeSeries::Encoded ChangeSeries::encoded() const {
    // Runs shorter than this are cheaper written out.
    constexpr std::size_t kShortest = 2;
    const auto marker = [](std::size_t count, std::size_t kind) {
        return -static_cast<int64_t>(count * kMarkerKinds + kind);
    };
    // The longest run of copies that starts at `at`, and the distance it copies from.
    const auto longestCopies = [this](std::size_t at, std::size_t enough) {
        std::pair<std::size_t, std::size_t> best{0, 1};
        for (std::size_t distance = 1; distance < kMarkerKinds; ++distance) {
            const std::size_t count = copies(at, distance, enough);
            if (count > best.first) best = {count, distance};
        }
        return best;
    };
    Encoded out;
    std::size_t at = 0;
    while (at < changes_.size()) {
        const auto [count, distance] = longestCopies(at, changes_.size());
        if (count >= kShortest) {
            out.frames.push_back(marker(count, distance));
            at += count;
            continue;
        }
        // Changes at the same spacing as the one before, up to where copies start.
        std::size_t spaced = 0;
        while (at > 0 && at + spaced < changes_.size() && changes_[at + spaced].frames == changes_[at - 1].frames &&
               (spaced == 0 || longestCopies(at + spaced, kShortest).first < kShortest)) {
            ++spaced;
        }
        if (spaced >= kShortest) {
            out.frames.push_back(marker(spaced, 0));
            for (std::size_t i = 0; i < spaced; ++i) out.values.push_back(changes_[at + i].value);
            at += spaced;
            continue;
        }
        out.frames.push_back(changes_[at].frames);
        out.values.push_back(changes_[at].value);
        ++at;
    }
    return out;
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
