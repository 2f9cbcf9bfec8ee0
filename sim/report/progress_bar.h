// A progress bar on stderr for long replays, drawn only when stderr is a
// terminal, so logs and pipelines never see it.
#ifndef CABKIT_SIM_PROGRESS_BAR_H
#define CABKIT_SIM_PROGRESS_BAR_H

#include <cstdint>

#include "replay.h"

namespace cabkit::sim {

class ProgressBar : public ReplayObserver {
public:
    // Replays shorter than this many frames finish before a bar would help.
    static constexpr int64_t kMinFrames = 20'000;

    void onStart(const ReplayContext& context) override;
    void onFrame(const Frame& frame) override;
    void onEnd(const Frame& last) override;

private:
    bool shown_ = false;
    int64_t frames_ = 0;
    int64_t every_ = 1;
    int32_t lastPercent_ = -1;
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_PROGRESS_BAR_H
