// A quantity of a replay kept as the frames at which it changed, for outputs
// that carry a whole run (the cab replay page) and must stay small for an
// hour of frames.
//
// Each change is a pair: frames since the previous change, change of the
// value (from frame 0 and value 0 before the first). The encoding is two
// integer lists, `frames` and `values`. A number n >= 0 in `frames` is one
// change of n frames, whose value change is the next entry of `values`. A
// negative number -(8r + k) in `frames` stands for r changes at once:
//   k = 0:     each as many frames after the one before as the change before
//              it, with its value change from `values` (a quantity that
//              changes every frame);
//   k = 1..7:  each a copy of the change k before it (1: steady motion, a
//              clock; more: something that flickers in a short cycle).
#ifndef CABKIT_SIM_CHANGE_SERIES_H
#define CABKIT_SIM_CHANGE_SERIES_H

#include <cstdint>
#include <vector>

namespace cabkit::sim {

class ChangeSeries {
public:
    struct Encoded {
        std::vector<int64_t> frames;
        std::vector<int64_t> values;
    };

    // Frames come in increasing order; a value equal to the last one is no change.
    void record(int64_t frame, int64_t value);
    Encoded encoded() const;
    // Marker kinds: spaced changes, and copies from 1 to 7 changes back.
    static constexpr std::size_t kMarkerKinds = 8;
    bool empty() const { return changes_.empty(); }

private:
    struct Change {
        int64_t frames, value;
        bool operator==(const Change&) const = default;
    };
    // How many changes from `at` on repeat the change `distance` before each
    // (counting stops at `enough`).
    std::size_t copies(std::size_t at, std::size_t distance, std::size_t enough) const;

    std::vector<Change> changes_;
    int64_t lastFrame_ = 0;
    int64_t lastValue_ = 0;
};

// Thousandths of `value` as the trace prints it (three decimals, rounded the
// same way); values beyond ±1e12 are held there and NaN counts as 0, so the
// result always fits an integer a browser reads exactly.
int64_t thousandths(double value);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_CHANGE_SERIES_H
