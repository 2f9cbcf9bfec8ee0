#include "progress_bar.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include <fmt/format.h>

#include "clock_text.h"
#include "terminal.h"

namespace cabkit::sim {

void ProgressBar::onStart(const ReplayContext& context) {
    frames_ = context.scenario.run.durationMs / context.scenario.run.stepMs + 1;
    shown_ = frames_ >= kMinFrames && standardErrorIsTerminal();
    every_ = std::max<int64_t>(1, frames_ / 200);
}

void ProgressBar::onFrame(const Frame& frame) {
    if (!shown_ || frame.index % every_ != 0) return;
    const auto percent = static_cast<int32_t>(frame.index * 100 / frames_);
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    constexpr int32_t kWidth = 40;
    const int32_t filled = percent * kWidth / 100;
    fmt::print(stderr, "\r[{}{}] {:3}%  {}", std::string(static_cast<std::size_t>(filled), '#'),
               std::string(static_cast<std::size_t>(kWidth - filled), '.'), percent, formatClock(frame.timeOfDayMs));
    static_cast<void>(std::fflush(stderr));
}

void ProgressBar::onEnd(const Frame& /*last*/) {
    if (!shown_) return;
    fmt::print(stderr, "\r{}\r", std::string(70, ' '));
    static_cast<void>(std::fflush(stderr));
}

}  // namespace cabkit::sim
