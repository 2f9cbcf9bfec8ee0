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

FrameSample sampleOf(double value, const Frame& frame) {
    return FrameSample{value, frame.index, frame.elapsedMs, frame.timeOfDayMs, frame.location};
}

const char* unitOf(const Quantity& q) {
    if (q.kind == Quantity::Kind::Speed) return " km/h";
    if (q.kind == Quantity::Kind::Location) return " m";
    return "";
}

// "speed was at most 37.06 km/h, at ...": the extremes a span met on the
// sides asked for, each where it was first met.
std::string extremes(const Expectation& x, const ExpectationResult& r, bool low, bool high) {
    std::string text;
    const auto add = [&](const char* bound, const std::optional<FrameSample>& sample) {
        if (!sample) return;
        text += fmt::format("{}{} {}{}, {}", text.empty() ? "" : ", and ", bound, sample->value, unitOf(x.quantity),
                            where(*sample));
    };
    if (low && high && r.lowest && r.highest && r.lowest->value == r.highest->value) {
        return fmt::format("{} was {}{} in every frame", x.quantity.text, r.lowest->value, unitOf(x.quantity));
    }
    if (low) add("at least", r.lowest);
    if (high) add("at most", r.highest);
    return text.empty() ? text : fmt::format("{} was {}", x.quantity.text, text);
}

// Throughout: how near it came to its bounds; never held: how near to them.
std::string boundExtremes(const Expectation& x, const ExpectationResult& r) {
    return extremes(x, r, x.low.has_value(), x.high.has_value());
}
std::string nearestExtremes(const Expectation& x, const ExpectationResult& r) {
    return extremes(x, r, x.high.has_value(), x.low.has_value());
}

std::string eventsText(const Expectation& x, const ExpectationResult& r) {
    const char* within = x.wholeRun ? "in the run" : "within the span";
    if (r.events == 0 || !r.firstEvent) return fmt::format("none {}", within);
    if (r.events == 1) return fmt::format("{} {}", x.event.text, where(*r.firstEvent));
    return fmt::format("{} ×{} {}, the first {}", x.event.text, r.events, within, where(*r.firstEvent));
}

}  // namespace

ExpectationChecker::ExpectationChecker(const Scenario& scenario, bool stopOnFailure, const RunAnalysis* analysis)
    : scenario_(scenario), analysis_(analysis), stopOnFailure_(stopOnFailure) {
    for (const Expectation& expectation : scenario.expectations) {
        ExpectationResult result;
        result.expectation = &expectation;
        results_.push_back(result);
        // Judged only at the end: nothing to look at in a frame.
        if (expectation.timing != Expectation::Timing::AtEnd) live_.push_back(results_.size() - 1);
    }
}

void ExpectationChecker::onStart(const ReplayContext& context) {
    analysis_.onStart(context);
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

// The span ending at the trigger runs to the run's own end or beyond it: a
// location at or past the end location, a time at or past the duration.
bool ExpectationChecker::reachesRunEnd(const Trigger& trigger) const {
    if (trigger.kind == Trigger::Kind::Location)
        return scenario_.run.endLocation && trigger.location >= *scenario_.run.endLocation;
    return dueMs(trigger) >= scenario_.run.durationMs;
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

// A span with frames in it closes: `ending` says how, when not at its end.
void ExpectationChecker::closeSpan(ExpectationResult& result, int64_t frame, const std::string& ending) {
    const Expectation& x = *result.expectation;
    result.closed = true;
    if (result.following) {
        result.following = false;
        result.detail +=
            fmt::format("; over the span{}, {}", ending.empty() ? "" : " " + ending, boundExtremes(x, result));
    } else if (x.timing == Expectation::Timing::Throughout) {
        pass(result, frame,
             fmt::format("held throughout the span{}: {}", ending.empty() ? "" : " " + ending,
                         boundExtremes(x, result)));
    } else if (result.state == ExpectationResult::State::Open) {
        fail(result, frame,
             fmt::format("never held within the span{}: {}", ending.empty() ? "" : " " + ending,
                         nearestExtremes(x, result)));
    }
}

void ExpectationChecker::judgeSpan(ExpectationResult& result, const Frame& frame) {
    const Expectation& x = *result.expectation;
    const bool throughout = x.timing == Expectation::Timing::Throughout;
    if (beyond(x.to, frame)) {
        if (!result.entered) {
            result.closed = true;
            judgeEmptySpan(result, sampleOf(read(x.quantity, frame, *host_), frame));
            return;
        }
        closeSpan(result, frame.index, "");
        return;
    }
    const bool inside = reached(x.from, frame);
    if (!inside) {
        if (!result.entered) result.before = sampleOf(read(x.quantity, frame, *host_), frame);
        return;
    }
    if (!result.entered) result.enteredFrame = frame.index;
    result.entered = true;
    result.before.reset();
    const FrameSample now = sampleOf(read(x.quantity, frame, *host_), frame);
    if (!result.lowest || now.value < result.lowest->value) result.lowest = now;
    if (!result.highest || now.value > result.highest->value) result.highest = now;
    if (result.following) return;
    if (throughout && !holds(x, now.value)) {
        result.firstOutside = now;
        result.following = true;
        fail(result, frame.index,
             fmt::format("{} {}, the first frame outside the bounds", was(x, now.value), where(now)));
    } else if (!throughout && holds(x, now.value)) {
        pass(result, frame.index, fmt::format("{} {}", was(x, now.value), where(now)));
    }
}

// The events of the kind this frame brought.
int32_t ExpectationChecker::eventsIn(const EventKind& event) const {
    int32_t count = 0;
    const auto& applications = analysis_->applications();
    for (const InterventionFolder::News& news : analysis_->interventionNews()) {
        const Application& app = applications[news.application];
        if (event.plugin >= 0 && host_->positionOf(event.plugin) != app.plugin) continue;
        const bool began = news.what == InterventionFolder::News::What::Began;
        switch (event.kind) {
            case EventKind::Kind::BrakeApplication:
                count += began && app.kind == Application::Kind::Brake ? 1 : 0;
                break;
            case EventKind::Kind::PowerCut: count += began && app.kind == Application::Kind::PowerCut ? 1 : 0; break;
            case EventKind::Kind::EmergencyBrake:
                // An application that begins at the emergency notch, or reaches it later.
                count += (began && app.emergency) || news.what == InterventionFolder::News::What::Emergency ? 1 : 0;
                break;
        }
    }
    return count;
}

void ExpectationChecker::closeEvents(ExpectationResult& result, int64_t frame, const std::string& ending) {
    const Expectation& x = *result.expectation;
    result.closed = true;
    if (result.state != ExpectationResult::State::Open) return;
    const std::string detail = eventsText(x, result) + (ending.empty() ? "" : " " + ending);
    if (holds(x, result.events)) {
        pass(result, frame, detail);
    } else {
        fail(result, frame, detail);
    }
}

void ExpectationChecker::judgeEvents(ExpectationResult& result, const Frame& frame) {
    const Expectation& x = *result.expectation;
    if (!x.wholeRun && beyond(x.to, frame)) {
        closeEvents(result, frame.index, "");
        return;
    }
    if (!x.wholeRun && !reached(x.from, frame)) return;
    if (!result.entered) result.enteredFrame = frame.index;
    result.entered = true;
    const int32_t now = eventsIn(x.event);
    if (now == 0) return;
    if (!result.firstEvent) result.firstEvent = sampleOf(now, frame);
    result.events += now;
    // Known before the span closes: one too many, or enough with no upper bound.
    if (x.high && result.events > *x.high) {
        fail(result, frame.index, eventsText(x, result));
    } else if (!x.high && holds(x, result.events)) {
        pass(result, frame.index, eventsText(x, result));
    }
}

void ExpectationChecker::onFrame(const Frame& frame) {
    analysis_.onFrame(frame);
    const auto done = [this](std::size_t i) {
        return results_[i].state != ExpectationResult::State::Open && !results_[i].following;
    };
    bool anyDone = false;
    for (const std::size_t i : live_) {
        ExpectationResult& result = results_[i];
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
            case Expectation::Timing::Events: judgeEvents(result, frame); break;
        }
        anyDone = anyDone || done(i);
    }
    // A verdict without a span still followed is final: its frames are over.
    if (anyDone) std::erase_if(live_, done);
    lastSpeed_ = frame.speed;
}

void ExpectationChecker::onEnd(const Frame& last) {
    analysis_.onEnd(last);
    // Stopped at a failure: what was not judged yet stays open.
    const bool stopped = stopRequested();
    for (ExpectationResult& result : results_) {
        if (result.following) closeSpan(result, last.index, fmt::format("until the run ended {}", where(last)));
        if (result.state != ExpectationResult::State::Open || stopped) continue;
        const Expectation& x = *result.expectation;
        const bool spanDone = x.timing != Expectation::Timing::Instant && x.timing != Expectation::Timing::AtEnd &&
                              x.timing != Expectation::Timing::StationStop &&
                              (x.wholeRun || reached(x.to, last) || reachesRunEnd(x.to));
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
            case Expectation::Timing::Sometime:
                if (!result.entered) {
                    fail(result, last.index, fmt::format("the run ended {} before the span began", where(last)));
                } else if (spanDone) {
                    // The span runs to the run's end: the frames up to there are all it has.
                    closeSpan(result, last.index,
                              reached(x.to, last) ? "" : fmt::format("up to the run's end {}", where(last)));
                } else {
                    const std::string seen = x.timing == Expectation::Timing::Throughout ? boundExtremes(x, result)
                                                                                         : nearestExtremes(x, result);
                    fail(result, last.index,
                         fmt::format("the run ended {} before the span closed; until then {}", where(last), seen));
                }
                break;
            case Expectation::Timing::Events:
                if (spanDone) {
                    closeEvents(result, last.index, "");
                } else if (!result.entered) {
                    fail(result, last.index, fmt::format("the run ended {} before the span began", where(last)));
                } else {
                    fail(result, last.index,
                         fmt::format("the run ended {} before the span closed; until then {}", where(last),
                                     eventsText(x, result)));
                }
                break;
        }
    }
}

}  // namespace cabkit::sim
