// One pass over a run's frames for every report: the brake applications and
// power cuts (intervention_folder.h), the standstills (standstill_folder.h)
// and the causes of the supervisors' trips (trip_causes.h) are folded once, and the log, the figures, the charts and
// the page read the same applications and stops. It observes before the reports that read it, so that in each frame
// (and at the end) their news is already there.
#ifndef CABKIT_SIM_RUN_ANALYSIS_H
#define CABKIT_SIM_RUN_ANALYSIS_H

#include <optional>
#include <span>
#include <vector>

#include "intervention_folder.h"
#include "replay.h"
#include "standstill_folder.h"
#include "trip_causes.h"

namespace cabkit::sim {

class RunAnalysis : public ReplayObserver {
public:
    void onStart(const ReplayContext& context) override;
    void onInput(const InputEvent& event) override;
    void onFrame(const Frame& frame) override;
    void onEnd(const Frame& last) override;

    // What the train stop made of the last beacon; "" when it did not judge it.
    const std::string& beaconVerdict() const { return causes_.beaconVerdict(); }
    // The supervisors' demands that came on in the last frame, with their
    // causes; those that began an application (or took it to the emergency
    // notch) are in its cause too.
    std::span<const Trip> trips() const { return causes_.trips(); }

    // What the last frame (or the end) brought; empty before the run.
    std::span<const InterventionFolder::News> interventionNews() const;
    std::span<const StandstillFolder::News> standstillNews() const;
    // Empty before the run.
    const std::vector<Application>& applications() const;
    const std::vector<Standstill>& standstills() const;

private:
    std::optional<InterventionFolder> interventions_;
    std::optional<StandstillFolder> standstills_;
    TripCauses causes_;
};

// A report's view of the analysis: the run's when it is given one, else one
// it drives itself from its own calls (a report used on its own).
class AnalysisView {
public:
    explicit AnalysisView(const RunAnalysis* shared) : shared_(shared) {}

    void onStart(const ReplayContext& context) {
        if (shared_ == nullptr) own_.onStart(context);
    }
    void onInput(const InputEvent& event) {
        if (shared_ == nullptr) own_.onInput(event);
    }
    void onFrame(const Frame& frame) {
        if (shared_ == nullptr) own_.onFrame(frame);
    }
    void onEnd(const Frame& last) {
        if (shared_ == nullptr) own_.onEnd(last);
    }
    const RunAnalysis& get() const { return shared_ != nullptr ? *shared_ : own_; }
    const RunAnalysis* operator->() const { return &get(); }

private:
    const RunAnalysis* shared_;
    RunAnalysis own_;
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_RUN_ANALYSIS_H
