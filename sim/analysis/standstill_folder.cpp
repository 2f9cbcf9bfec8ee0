#include "standstill_folder.h"

#include <cmath>

namespace cabkit::sim {

void StandstillFolder::creep(Standstill& standstill, const Frame& frame) {
    ++standstill.creeps;
    standstill.creepDistance += gapDistance_;
    standstill.lastCreepStop = pointOf(frame);
    moving_.reset();
    if (!creeping_) {
        creeping_ = true;
        news_.push_back(News{News::What::Creeps, *open_});
    }
}

void StandstillFolder::moveOff(std::size_t index) {
    if (creeping_) {
        creeping_ = false;
        news_.push_back(News{News::What::CreepingEnded, index});
    }
    standstills_[index].moveOff = *moving_;
    news_.push_back(News{News::What::MovedOff, index});
    moving_.reset();
    open_.reset();
}

void StandstillFolder::fold(const Frame& frame) {
    news_.clear();
    const bool standing = frame.speed == 0.0;
    if (first_) lastLocation_ = frame.location;
    if (first_ && lastSpeed_ == 0.0) {
        // Standing at the start is no stop, but moving off from there is news.
        Standstill start;
        start.stop = pointOf(frame);
        start.fromStart = true;
        open_ = standstills_.size();
        standstills_.push_back(start);
        if (!standing) moving_ = pointOf(frame);
    }
    first_ = false;
    const double run = std::fabs(frame.location - lastLocation_);  // in the step up to this frame
    if (moving_) gapDistance_ += run;
    lastLocation_ = frame.location;

    if (lastSpeed_ != 0.0 && standing) {
        if (open_ && moving_) {
            creep(standstills_[*open_], frame);
        } else {
            Standstill stop;
            stop.stop = pointOf(frame);
            open_ = standstills_.size();
            standstills_.push_back(stop);
            news_.push_back(News{News::What::Stopped, *open_});
        }
    } else if (lastSpeed_ == 0.0 && !standing && open_ && !moving_) {
        moving_ = pointOf(frame);
        gapDistance_ = run;
    }
    lastSpeed_ = frame.speed;

    if (!open_) return;
    if (moving_ && frame.elapsedMs - moving_->elapsedMs >= kHoldMs) {
        moveOff(*open_);
    } else if (creeping_ && standing && frame.elapsedMs - standstills_[*open_].lastCreepStop.elapsedMs >= kHoldMs) {
        creeping_ = false;
        news_.push_back(News{News::What::CreepingEnded, *open_});
    }
}

void StandstillFolder::finish(const Frame& /*last*/) {
    news_.clear();
    if (!open_) return;
    if (moving_) {
        moveOff(*open_);
    } else if (creeping_) {
        creeping_ = false;
        news_.push_back(News{News::What::CreepingEnded, *open_});
    }
}

}  // namespace cabkit::sim
