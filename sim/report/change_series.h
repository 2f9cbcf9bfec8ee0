// A quantity of a replay kept as the frames at which it changed, for outputs
// that carry a whole run (the cab replay page) and must stay small for an
// hour of frames.
//
// The encoding is a flat list of integers: pairs (frames since the previous
// change, change of the value); a negative number -n repeats the pair before
// it n more times, which folds steady motion and the clock into a few
// numbers. The value is 0 before the first change, and frame 0 counts from 0.
#ifndef CABKIT_SIM_CHANGE_SERIES_H
#define CABKIT_SIM_CHANGE_SERIES_H

#include <cstdint>
#include <vector>

namespace cabkit::sim {

class ChangeSeries {
public:
    // Frames come in increasing order; a value equal to the last one is no change.
    void record(int64_t frame, int64_t value);
    // The list described above, complete up to the last recorded frame.
    std::vector<int64_t> encoded() const;
    bool empty() const { return codes_.empty(); }

private:
    std::vector<int64_t> codes_;
    int64_t lastFrame_ = 0;
    int64_t lastValue_ = 0;
    int64_t pairFrames_ = -1;  // the last pair written, -1 while none
    int64_t pairValue_ = 0;
    int64_t repeats_ = 0;      // of the last pair, not yet written
};

// Thousandths of `value` as the trace prints it (three decimals, rounded the
// same way); values beyond ±1e12 are held there and NaN counts as 0, so the
// result always fits an integer a browser reads exactly.
int64_t thousandths(double value);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_CHANGE_SERIES_H
