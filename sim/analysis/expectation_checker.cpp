#include "expectation_checker.h"

#include <cmath>

#include <fmt/format.h>

#include "clock_text.h"
#include "command_combiner.h"

namespace cabkit::sim {
namespace {

std::string where(int64_t timeOfDayMs, int64_t elapsedMs, double location) {
    return fmt::format("at {} (+{:.3f} s, {:.1f} m)", formatClock(timeOfDayMs), static_cast<double>(elapsedMs) / 1000.0,
                       location);
}

std::string where(const Frame& frame) { return where(frame.timeOfDayMs, frame.elapsedMs, frame.location); }

std::string where(const FrameSample& sample) { return where(sample.timeOfDayMs, sample.elapsedMs, sample.location); }

// Values in full: a message must never show two different numbers alike.
std::string was(const Expectation& x, double value) { return fmt::format("{} was {}", x.quantity.text, value); }

}  // namespace

ExpectationChecker::ExpectationChecker(const Scenario& scenario, bool stopOnFailure)
    : scenario_(scenario), stopOnFailure_(stopOnFailure) {
    for (const Expectation& expectation : scenario.expectations) {
        ExpectationResult result;
        result.expectation = &expectation;
        results_.push_back(result);
    }
}

void ExpectationChecker::onStart(const ReplayContext& context) {
    host_ = &context.host;
    lastSpeed_ = scenario_.start.speed;
}

int32_t ExpectationChecker::passed() const {
    int32_t count = 0;
    for (const ExpectationResult& result : results_) count += result.state == ExpectationResult::State::Passed ? 1 : 0;
    return count;
}

double ExpectationChecker::read(const Quantity& q, const Frame& frame, const PluginHost& host) {
    const auto plugin = [&]() -> const HandleCommand& { return frame.commands[host.positionOf(q.index)]; };
    switch (q.kind) {
        case Quantity::Kind::Panel: return frame.panel[q.index];
        case Quantity::Kind::Sound: return frame.sound[q.index];
        case Quantity::Kind::Brake: return frame.combined.brake;
        case Quantity::Kind::Power: return frame.combined.power;
        case Quantity::Kind::Reverser: return frame.combined.reverser;
        case Quantity::Kind::Speed: return frame.speed;
        case Quantity::Kind::Location: return frame.location;
        case Quantity::Kind::PluginBrake: return plugin().brake;
        case Quantity::Kind::PluginPower: return plugin().power;
        case Quantity::Kind::PluginReverser: return plugin().reverser;
        case Quantity::Kind::PluginImposesBrake: return imposesBrake(plugin(), frame.driver) ? plugin().brake : 0;
        case Quantity::Kind::PluginCutsPower: return cutsPower(plugin(), frame.driver) ? 1 : 0;
        case Quantity::Kind::DriverBrake: return frame.driver.brake;
        case Quantity::Kind::DriverPower: return frame.driver.power;
        case Quantity::Kind::DriverReverser: return frame.driver.reverser;
    }
    return 0.0;
}

bool ExpectationChecker::holds(const Expectation& x, double value) const {
    return (!x.low || value >= *x.low) && (!x.high || value <= *x.high);
}

int64_t ExpectationChecker::dueMs(const Trigger& trigger) const {
    return trigger.kind == Trigger::Kind::TimeOfDay ? trigger.ms - scenario_.start.timeOfDayMs : trigger.ms;
}

// The frame is at or past the trigger.
bool ExpectationChecker::reached(const Trigger& trigger, const Frame& frame) const {
    if (trigger.kind == Trigger::Kind::Location) return frame.location >= trigger.location;
    return frame.elapsedMs >= dueMs(trigger);
}

// The frame is strictly past the trigger: a span ending there has closed.
bool ExpectationChecker::beyond(const Trigger& trigger, const Frame& frame) const {
    if (trigger.kind == Trigger::Kind::Location) return frame.location > trigger.location;
    return frame.elapsedMs > dueMs(trigger);
}

void ExpectationChecker::pass(ExpectationResult& result, int64_t frame, std::string detail) {
    result.state = ExpectationResult::State::Passed;
    result.judgedFrame = frame;
    result.detail = std::move(detail);
}

void ExpectationChecker::fail(ExpectationResult& result, int64_t frame, std::string detail) {
    result.state = ExpectationResult::State::Failed;
    result.judgedFrame = frame;
    result.detail = std::move(detail);
    ++failed_;
}

void ExpectationChecker::checkStationStop(ExpectationResult& result, const Frame& frame) {
    const Expectation& x = *result.expectation;
    if (!(lastSpeed_ != 0.0 && frame.speed == 0.0)) return;
    for (const Station& station : scenario_.route.stations) {
        if (station.name != x.station) continue;
        const double offset = frame.location - station.location;
        if (std::fabs(offset) <= x.within) {
            pass(result, frame.index, fmt::format("stopped {:+} m from the mark {}", offset, where(frame)));
        } else if (result.detail.empty() || std::fabs(offset) < 100.0) {
            result.detail = fmt::format("nearest stop {:+} m from the mark {}", offset, where(frame));
        }
    }
}

double ExpectationChecker::distanceToSpan(const Expectation& x, const FrameSample& sample) const {
    const bool byLocation = x.from.kind == Trigger::Kind::Location;
    const double at = byLocation ? sample.location : static_cast<double>(sample.elapsedMs);
    const double low = byLocation ? x.from.location : static_cast<double>(dueMs(x.from));
    const double high = byLocation ? x.to.location : static_cast<double>(dueMs(x.to));
    return at < low ? low - at : (at > high ? at - high : 0.0);
}

void ExpectationChecker::judgeEmptySpan(ExpectationResult& result, const FrameSample& now) {
    const Expectation& x = *result.expectation;
    const FrameSample& nearest =
        result.before && distanceToSpan(x, *result.before) < distanceToSpan(x, now) ? *result.before : now;
    const std::string detail = fmt::format("{} {}, the frame nearest to the span (none falls within it)",
                                           was(x, nearest.value), where(nearest));
    result.enteredFrame = nearest.index;
    if (holds(x, nearest.value)) {
        pass(result, nearest.index, detail);
    } else {
        fail(result, nearest.index, detail);
    }
}

void ExpectationChecker::judgeSpan(ExpectationResult& result, const Frame& frame) {
    const Expectation& x = *result.expectation;
    const bool throughout = x.timing == Expectation::Timing::Throughout;
    if (beyond(x.to, frame)) {
        result.closed = true;
        if (!result.entered) {
            judgeEmptySpan(result, FrameSample{read(x.quantity, frame, *host_), frame.index, frame.elapsedMs,
                                               frame.timeOfDayMs, frame.location});
            return;
        }
        if (throughout) {
            pass(result, frame.index, "held throughout the span");
            return;
        }
    }
    const bool inside = reached(x.from, frame) && !beyond(x.to, frame);
    if (!inside) {
        if (!result.entered) {
            result.before = FrameSample{read(x.quantity, frame, *host_), frame.index, frame.elapsedMs,
                                        frame.timeOfDayMs, frame.location};
        }
        return;
    }
    if (!result.entered) result.enteredFrame = frame.index;
    result.entered = true;
    result.before.reset();
    const double value = read(x.quantity, frame, *host_);
    if (throughout && !holds(x, value)) {
        fail(result, frame.index, fmt::format("{} {}", was(x, value), where(frame)));
    } else if (!throughout && holds(x, value)) {
        pass(result, frame.index, fmt::format("{} {}", was(x, value), where(frame)));
    }
}

void ExpectationChecker::onFrame(const Frame& frame) {
    for (ExpectationResult& result : results_) {
        if (result.state != ExpectationResult::State::Open) continue;
        const Expectation& x = *result.expectation;
        switch (x.timing) {
            case Expectation::Timing::StationStop: checkStationStop(result, frame); break;
            case Expectation::Timing::AtEnd: break;
            case Expectation::Timing::Instant: {
                if (!reached(x.from, frame)) break;
                result.enteredFrame = frame.index;
                const double value = read(x.quantity, frame, *host_);
                if (holds(x, value)) {
                    pass(result, frame.index, fmt::format("{} {}", was(x, value), where(frame)));
                } else {
                    fail(result, frame.index, fmt::format("{} {}", was(x, value), where(frame)));
                }
                break;
            }
            case Expectation::Timing::Throughout:
            case Expectation::Timing::Sometime: judgeSpan(result, frame); break;
        }
    }
    lastSpeed_ = frame.speed;
}

void ExpectationChecker::onEnd(const Frame& last) {
    for (ExpectationResult& result : results_) {
        if (result.state != ExpectationResult::State::Open) continue;
        const Expectation& x = *result.expectation;
        switch (x.timing) {
            case Expectation::Timing::AtEnd: {
                const double value = read(x.quantity, last, *host_);
                if (holds(x, value)) {
                    pass(result, last.index, fmt::format("{} {}", was(x, value), where(last)));
                } else {
                    fail(result, last.index, fmt::format("{} {}", was(x, value), where(last)));
                }
                break;
            }
            case Expectation::Timing::StationStop:
                fail(result, last.index,
                     result.detail.empty() ? std::string("the train never stopped there") : result.detail);
                break;
            case Expectation::Timing::Instant:
                fail(result, last.index, fmt::format("the run ended {} before that point", where(last)));
                break;
            case Expectation::Timing::Throughout:
                if (result.entered && reached(x.to, last)) {
                    pass(result, last.index, "held throughout the span");
                } else if (!result.entered) {
                    fail(result, last.index, fmt::format("the run ended {} before the span began", where(last)));
                } else {
                    fail(result, last.index, fmt::format("the run ended {} before the span closed", where(last)));
                }
                break;
            case Expectation::Timing::Sometime:
                fail(result, last.index,
                     result.entered ? std::string("never held within the span")
                                    : fmt::format("the run ended {} before the span began", where(last)));
                break;
        }
    }
}

}  // namespace cabkit::sim
