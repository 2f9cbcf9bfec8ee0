#include "trigger_queue.h"

#include <algorithm>

namespace cabkit::sim {

void TriggerQueue::add(const Trigger& trigger, std::size_t id) {
    sorted_ = false;
    switch (trigger.kind) {
        case Trigger::Kind::AfterStart: byTime_.emplace_back(trigger.ms, id); break;
        case Trigger::Kind::TimeOfDay: byTime_.emplace_back(std::max<int64_t>(trigger.ms - start_, 0), id); break;
        case Trigger::Kind::Location: byLocation_.emplace_back(trigger.location, id); break;
    }
}

void TriggerQueue::sortOnce() {
    if (sorted_) return;
    std::stable_sort(byTime_.begin(), byTime_.end());
    std::stable_sort(byLocation_.begin(), byLocation_.end());
    sorted_ = true;
}

void TriggerQueue::collectDue(int64_t elapsedMs, double location, std::vector<std::size_t>& due) {
    sortOnce();
    const std::size_t first = due.size();
    while (nextTime_ < byTime_.size() && byTime_[nextTime_].first <= elapsedMs)
        due.push_back(byTime_[nextTime_++].second);
    while (nextLocation_ < byLocation_.size() && byLocation_[nextLocation_].first <= location) {
        due.push_back(byLocation_[nextLocation_++].second);
    }
    if (due.size() - first > 1) std::sort(due.begin() + static_cast<std::ptrdiff_t>(first), due.end());
}

}  // namespace cabkit::sim
