// Things that fall due at a time or when the train reaches a location, handed
// out once each, in the order they were added.
#ifndef CABKIT_SIM_TRIGGER_QUEUE_H
#define CABKIT_SIM_TRIGGER_QUEUE_H

#include <cstdint>
#include <utility>
#include <vector>

#include "scenario.h"

namespace cabkit::sim {

class TriggerQueue {
public:
    // `startTimeOfDayMs` turns a time of day into ms after the start. Times
    // of day come resolved to the start's day or later; one before the start
    // would be due at once.
    explicit TriggerQueue(int64_t startTimeOfDayMs) : start_(startTimeOfDayMs) {}

    void add(const Trigger& trigger, std::size_t id);

    // Appends, in id order, the ids that fell due by `elapsedMs` or by the
    // train reaching `location` (at or beyond, running forward or not).
    void collectDue(int64_t elapsedMs, double location, std::vector<std::size_t>& due);

    bool empty() const { return nextTime_ == byTime_.size() && nextLocation_ == byLocation_.size(); }

private:
    void sortOnce();

    int64_t start_;
    bool sorted_ = true;
    std::vector<std::pair<int64_t, std::size_t>> byTime_;
    std::vector<std::pair<double, std::size_t>> byLocation_;
    std::size_t nextTime_ = 0;
    std::size_t nextLocation_ = 0;
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_TRIGGER_QUEUE_H
