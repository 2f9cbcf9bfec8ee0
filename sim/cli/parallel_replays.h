// Supervised replays side by side: `check -j N` runs up to N scenarios at
// once, each in a child process of its own, and hands their outcomes over in
// the order of the scenarios, each as soon as it and all before it are done.
// With one job the replays run one after the other and share this process's
// output as they go; with more, each child's output is kept and handed over
// with its outcome, so that the output reads as with one job.
#ifndef CABKIT_SIM_PARALLEL_REPLAYS_H
#define CABKIT_SIM_PARALLEL_REPLAYS_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "replay_supervisor.h"

namespace cabkit::sim {

struct TimedOutcome {
    SupervisedOutcome outcome;
    double seconds = 0.0;  // wall time of the replay, child process and all
};

// At most this many replays at once.
inline constexpr int32_t kMostJobs = 64;

// `take` gets each outcome in order and returns false to start no more (the
// replays running then still end and are not handed over).
void superviseInOrder(std::vector<SupervisedReplay> requests, int32_t jobs,
                      const std::function<bool(std::size_t, const TimedOutcome&)>& take);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_PARALLEL_REPLAYS_H
