// Evaluates a scenario's expectations frame by frame, so that a failure is
// known at the frame it happens (and can end the run there). A span is
// judged on the frames that fall within it; one that holds no frame (shorter
// than a step, or passed over in one) is judged at the frame nearest to it,
// the later of two equally near. A span's result tells its extreme and
// where; one that reaches to the run's own end (its end location, or its
// duration) is judged on the frames up to there. When the run stops early,
// what it had not judged yet stays open. Event expectations count the
// interventions the run's analysis folds (run_analysis.h).
#ifndef CABKIT_SIM_EXPECTATION_CHECKER_H
#define CABKIT_SIM_EXPECTATION_CHECKER_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "replay.h"
#include "run_analysis.h"

namespace cabkit::sim {

// A value read after a frame, and where that frame was.
struct FrameSample {
    double value = 0.0;
    int64_t index = 0;
    int64_t elapsedMs = 0;
    int64_t timeOfDayMs = 0;
    double location = 0.0;
};

struct ExpectationResult {
    const Expectation* expectation = nullptr;
    enum class State { Open, Passed, Failed } state = State::Open;
    std::string detail;  // why it failed, or where it was met
    // Span bookkeeping.
    bool entered = false;
    bool closed = false;
    std::optional<FrameSample> before;           // the last frame before the span, until one falls inside it
    std::optional<FrameSample> lowest, highest;  // within the span, each where first met
    std::optional<FrameSample> firstOutside;     // a span that had to hold throughout: where it broke
    // Failed, but the span's extremes are still followed: the detail is
    // told again, whole, when the span closes or the run ends.
    bool following = false;
    int32_t events = 0;  // events counted so far
    std::optional<FrameSample> firstEvent;
    // Frames for a timeline: where the span (or the instant) was entered,
    // and where the verdict was reached; -1 while not yet.
    int64_t enteredFrame = -1;
    int64_t judgedFrame = -1;
};

class ExpectationChecker : public ReplayObserver {
public:
    // `analysis` is the run's, observed before the checker; without one the
    // checker folds the interventions itself.
    ExpectationChecker(const Scenario& scenario, bool stopOnFailure, const RunAnalysis* analysis = nullptr);

    void onStart(const ReplayContext& context) override;
    void onFrame(const Frame& frame) override;
    void onEnd(const Frame& last) override;
    bool stopRequested() const override { return stopOnFailure_ && failed_ > 0; }

    const std::vector<ExpectationResult>& results() const { return results_; }
    int32_t failed() const { return failed_; }
    int32_t passed() const;

    // The value an expectation reads from a frame.
    static double read(const Quantity& quantity, const Frame& frame, const PluginHost& host);

private:
    bool holds(const Expectation& x, double value) const;
    int64_t dueMs(const Trigger& trigger) const;
    bool reached(const Trigger& trigger, const Frame& frame) const;
    bool beyond(const Trigger& trigger, const Frame& frame) const;
    bool reachesRunEnd(const Trigger& trigger) const;
    double distanceToSpan(const Expectation& x, const FrameSample& sample) const;
    void judgeSpan(ExpectationResult& result, const Frame& frame);
    void judgeEmptySpan(ExpectationResult& result, const FrameSample& now);
    void judgeEvents(ExpectationResult& result, const Frame& frame);
    int32_t eventsIn(const EventKind& event) const;
    void closeSpan(ExpectationResult& result, int64_t frame, const std::string& ending);
    void closeEvents(ExpectationResult& result, int64_t frame, const std::string& ending);
    static void pass(ExpectationResult& result, int64_t frame, std::string detail);
    void fail(ExpectationResult& result, int64_t frame, std::string detail);
    void checkStationStop(ExpectationResult& result, const Frame& frame);

    const Scenario& scenario_;
    AnalysisView analysis_;
    const PluginHost* host_ = nullptr;
    bool stopOnFailure_;
    int32_t failed_ = 0;
    double lastSpeed_ = 0.0;
    std::vector<ExpectationResult> results_;
    // The results a frame may still change, in file order.
    std::vector<std::size_t> live_;
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_EXPECTATION_CHECKER_H
