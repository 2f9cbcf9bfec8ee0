#include "run_analysis.h"

namespace cabkit::sim {

void RunAnalysis::onStart(const ReplayContext& context) {
    interventions_.emplace(context.scenario.train.emergencyNotch(), context.scenario.run.stepMs);
    standstills_.emplace(context.scenario.start.speed);
    causes_.start(context);
}

void RunAnalysis::onInput(const InputEvent& event) { causes_.input(event); }

void RunAnalysis::onFrame(const Frame& frame) {
    interventions_->fold(frame);
    standstills_->fold(frame);
    causes_.fold(frame);
    // A demand that came on explains what its plug-in began in the same
    // frame (a brake application, a power cut) or took to the emergency notch.
    for (const Trip& trip : causes_.trips()) {
        if (trip.cause.empty()) continue;
        for (const InterventionFolder::News& news : interventions_->news()) {
            const Application& app = interventions_->applications()[news.application];
            const bool fits = news.what == InterventionFolder::News::What::Began ||
                              (news.what == InterventionFolder::News::What::Emergency && trip.emergency);
            // A power cut that came with the brake has the brake's cause.
            if (fits && app.plugin == trip.plugin &&
                (app.kind == Application::Kind::Brake || news.what == InterventionFolder::News::What::Began)) {
                interventions_->addCause(news.application, trip.cause);
            }
        }
    }
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
