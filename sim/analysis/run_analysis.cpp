#include "run_analysis.h"

namespace cabkit::sim {

void RunAnalysis::onStart(const ReplayContext& context) {
    interventions_.emplace(context.scenario.train.emergencyNotch(), context.scenario.run.stepMs);
    standstills_.emplace(context.scenario.start.speed);
}

void RunAnalysis::onFrame(const Frame& frame) {
    interventions_->fold(frame);
    standstills_->fold(frame);
}

void RunAnalysis::onEnd(const Frame& last) {
    interventions_->finish(last);
    standstills_->finish(last);
}

std::span<const InterventionFolder::News> RunAnalysis::interventionNews() const {
    return interventions_ ? interventions_->news() : std::span<const InterventionFolder::News>{};
}

std::span<const StandstillFolder::News> RunAnalysis::standstillNews() const {
    return standstills_ ? standstills_->news() : std::span<const StandstillFolder::News>{};
}

const std::vector<Application>& RunAnalysis::applications() const {
    static const std::vector<Application> none;
    return interventions_ ? interventions_->applications() : none;
}

const std::vector<Standstill>& RunAnalysis::standstills() const {
    static const std::vector<Standstill> none;
    return standstills_ ? standstills_->standstills() : none;
}

}  // namespace cabkit::sim
