#include "run_figures.h"

#include <algorithm>
#include <cmath>

#include "command_combiner.h"

namespace cabkit::sim {

RunFigures::RunFigures(FigureRecord* record, const RunAnalysis* analysis)
    : record_(record != nullptr ? record : &own_), analysis_(analysis) {
    *record_ = FigureRecord{};
}

void RunFigures::onStart(const ReplayContext& context) {
    stepMs_ = context.scenario.run.stepMs;
    analysis_.onStart(context);
}

void RunFigures::onFrame(const Frame& frame) {
    FigureRecord& r = *record_;
    if (r.frames > 0) r.distance += std::fabs(frame.location - r.lastLocation);
    r.maxSpeed = std::max(r.maxSpeed, std::fabs(frame.speed));
    for (std::size_t i = 0; i < frame.plugins; ++i) {
        if (imposesBrake(frame.commands[i], frame.driver)) r.plugins[i].brakingMs += stepMs_;
    }
    analysis_.onFrame(frame);
    for (const InterventionFolder::News& news : analysis_->interventionNews()) {
        const Application& app = analysis_->applications()[news.application];
        FigureRecord::PerPlugin& plugin = r.plugins[app.plugin];
        const bool brake = app.kind == Application::Kind::Brake;
        switch (news.what) {
            case InterventionFolder::News::What::Began:
                ++(brake ? plugin.brakeApplications : plugin.powerCuts);
                if (app.emergency) ++plugin.emergencyApplications;
                break;
            case InterventionFolder::News::What::Flickered: ++plugin.flickers; break;
            case InterventionFolder::News::What::Emergency: ++plugin.emergencyApplications; break;
            case InterventionFolder::News::What::Ended: break;
        }
    }
    r.lastElapsedMs = frame.elapsedMs;
    r.lastTimeOfDayMs = frame.timeOfDayMs;
    r.lastLocation = frame.location;
    r.lastSpeed = frame.speed;
    ++r.frames;
}

}  // namespace cabkit::sim
