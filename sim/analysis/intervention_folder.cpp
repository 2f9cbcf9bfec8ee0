#include "intervention_folder.h"

#include <algorithm>

#include "command_combiner.h"

namespace cabkit::sim {

RunPoint pointOf(const Frame& frame) {
    return RunPoint{frame.elapsedMs, frame.timeOfDayMs, frame.location, frame.speed};
}

void InterventionFolder::step(Track& track, Application::Kind kind, std::size_t plugin, int32_t notch,
                              const Frame& frame) {
    const bool on = notch > 0;
    // Back after the hold time: the last application ended when it let go.
    if (on && track.open && !track.on && frame.elapsedMs - applications_[*track.open].end.elapsedMs >= kHoldMs) {
        news_.push_back(News{News::What::Ended, *track.open});
        track.open.reset();
    }
    if (on) {
        if (!track.open) {
            Application begun;
            begun.kind = kind;
            begun.plugin = plugin;
            begun.start = pointOf(frame);
            track.open = applications_.size();
            applications_.push_back(begun);
            news_.push_back(News{News::What::Began, *track.open});
        } else if (!track.on) {
            ++applications_[*track.open].flickers;  // came back within the hold time
            news_.push_back(News{News::What::Flickered, *track.open});
        }
        Application& app = applications_[*track.open];
        app.end = pointOf(frame);
        app.onMs += stepMs_;
        app.highestNotch = std::max(app.highestNotch, notch);
        if (kind == Application::Kind::Brake && notch >= emergencyNotch_ && !app.emergency) {
            app.emergency = true;
            if (app.start.elapsedMs != frame.elapsedMs) news_.push_back(News{News::What::Emergency, *track.open});
        }
    } else if (track.open) {
        Application& app = applications_[*track.open];
        if (track.on) {
            app.end = pointOf(frame);  // let go here, unless it comes back
        } else if (frame.elapsedMs - app.end.elapsedMs >= kHoldMs) {
            news_.push_back(News{News::What::Ended, *track.open});
            track.open.reset();
        }
    }
    track.on = on;
}

void InterventionFolder::fold(const Frame& frame) {
    news_.clear();
    for (std::size_t i = 0; i < frame.plugins; ++i) {
        const HandleCommand& command = frame.commands[i];
        const int32_t brake = imposesBrake(command, frame.driver) ? command.brake : 0;
        const int32_t cut = cutsPower(command, frame.driver) ? frame.driver.power : 0;
        step(tracks_[i][0], Application::Kind::Brake, i, brake, frame);
        step(tracks_[i][1], Application::Kind::PowerCut, i, cut, frame);
    }
}

void InterventionFolder::addCause(std::size_t application, const std::string& cause) {
    std::string& text = applications_.at(application).cause;
    text += text.empty() ? cause : "; then " + cause;
}

void InterventionFolder::finish(const Frame& /*last*/) {
    news_.clear();
    for (auto& plugin : tracks_) {
        for (Track& track : plugin) {
            if (!track.open) continue;
            Application& app = applications_[*track.open];
            app.open = track.on;
            news_.push_back(News{News::What::Ended, *track.open});
            track.open.reset();
        }
    }
}

}  // namespace cabkit::sim
