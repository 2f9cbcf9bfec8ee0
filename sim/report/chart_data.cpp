#include "chart_data.h"

namespace cabkit::sim {

void SegmentTrack::update(const RunPoint& at, std::optional<double> value) {
    if (open_ && value && open_->value == *value) return;
    if (!open_ && !value) return;
    finish(at);
    if (value && segments_.size() < kMaxSegments) open_ = ChartSegment{at, at, *value};
}

void SegmentTrack::finish(const RunPoint& at) {
    if (!open_) return;
    open_->to = at;
    segments_.push_back(*open_);
    open_.reset();
}

}  // namespace cabkit::sim
