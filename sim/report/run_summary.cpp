#include "run_summary.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "clock_text.h"
#include "command_combiner.h"
#include "utf8_path.h"

namespace cabkit::sim {

RunFigures::RunFigures(FigureRecord* record) : record_(record != nullptr ? record : &own_) { *record_ = FigureRecord{}; }

void RunFigures::onStart(const ReplayContext& context) {
    emergencyNotch_ = context.scenario.train.emergencyNotch();
    stepMs_ = context.scenario.run.stepMs;
}

void RunFigures::onFrame(const Frame& frame) {
    FigureRecord& r = *record_;
    if (r.frames > 0) r.distance += std::fabs(frame.location - r.lastLocation);
    r.maxSpeed = std::max(r.maxSpeed, std::fabs(frame.speed));
    for (std::size_t i = 0; i < frame.commands.size(); ++i) {
        FigureRecord::PerPlugin& plugin = r.plugins[i];
        const HandleCommand& command = frame.commands[i];
        const int32_t imposed = imposesBrake(command, frame.driver) ? command.brake : 0;
        if (imposed > 0) plugin.brakingMs += stepMs_;
        if (imposed > 0 && plugin.lastBrake == 0) ++plugin.brakeApplications;
        if (imposed >= emergencyNotch_ && plugin.lastBrake < emergencyNotch_) ++plugin.emergencyApplications;
        plugin.lastBrake = imposed;
        const bool cut = cutsPower(command, frame.driver);
        if (cut && plugin.lastCut == 0) ++plugin.powerCuts;
        plugin.lastCut = cut ? 1 : 0;
    }
    r.lastElapsedMs = frame.elapsedMs;
    r.lastTimeOfDayMs = frame.timeOfDayMs;
    r.lastLocation = frame.location;
    r.lastSpeed = frame.speed;
    ++r.frames;
}

const char* howText(RunEnding::How how) {
    switch (how) {
        case RunEnding::How::Completed: return "completed";
        case RunEnding::How::StoppedEarly: return "stopped at the first failure";
        case RunEnding::How::PluginFault: return "plug-in fault";
        case RunEnding::How::ReplayFault: return "replay fault";
        case RunEnding::How::BadInput: return "bad input";
        case RunEnding::How::Interrupted: return "interrupted";
    }
    return "unknown";
}

void writeSummary(const std::filesystem::path& path, const JournalContents& journal, const FigureRecord& figures,
                  const RunEnding& ending) {
    using nlohmann::ordered_json;
    ordered_json root;
    root["scenario"] = journal.name;
    root["file"] = journal.file;
    root["frames"] = figures.frames;
    root["step_ms"] = journal.stepMs;
    root["stopped_early"] = journal.stoppedEarly;
    ordered_json ended = {{"how", howText(ending.how)}};
    if (!ending.message.empty()) ended["message"] = ending.message;
    if (ending.place) {
        ended["plugin"] = ending.place->plugin;
        ended["call"] = ending.place->call;
        if (ending.place->frame >= 0) ended["frame"] = ending.place->frame;
        ended["time"] = formatClock(ending.place->timeOfDayMs);
        ended["location_m"] = ending.place->location;
    }
    root["ended"] = ended;
    root["start"] = {{"time", formatClock(journal.startTimeOfDayMs)}, {"location_m", journal.startLocation}};
    // Before its first frame a run stands where it starts.
    const bool moved = figures.frames > 0;
    root["end"] = {{"time", formatClock(moved ? figures.lastTimeOfDayMs : journal.startTimeOfDayMs)},
                   {"elapsed_s", static_cast<double>(moved ? figures.lastElapsedMs : 0) / 1000.0},
                   {"location_m", moved ? figures.lastLocation : journal.startLocation},
                   {"speed_kmh", moved ? figures.lastSpeed : journal.startSpeed}};
    root["max_speed_kmh"] = figures.maxSpeed;
    root["distance_m"] = figures.distance;

    ordered_json stops = ordered_json::array();
    for (const StopRecord& stop : journal.stops) {
        ordered_json entry = {{"elapsed_s", static_cast<double>(stop.elapsedMs) / 1000.0}, {"location_m", stop.location}};
        if (!stop.station.empty()) {
            entry["station"] = stop.station;
            entry["offset_m"] = stop.offset;
        }
        stops.push_back(entry);
    }
    root["stops"] = stops;

    ordered_json plugins = ordered_json::object();
    for (std::size_t i = 0; i < journal.order.size(); ++i) {
        const FigureRecord::PerPlugin& plugin = figures.plugins[i];
        plugins[journal.order[i]] = {{"brake_applications", plugin.brakeApplications},
                                     {"emergency_applications", plugin.emergencyApplications},
                                     {"power_cuts", plugin.powerCuts},
                                     {"braking_s", static_cast<double>(plugin.brakingMs) / 1000.0}};
    }
    root["interventions"] = plugins;

    ordered_json expectations = ordered_json::array();
    for (const JournalContents::Judged& judged : journal.expectations) {
        const char* state = judged.state == ExpectationResult::State::Passed   ? "passed"
                            : judged.state == ExpectationResult::State::Failed ? "failed"
                                                                               : "open";
        expectations.push_back(
            {{"line", judged.line}, {"expects", judged.expects}, {"result", state}, {"detail", judged.detail}});
    }
    root["expectations"] = expectations;
    const bool whole = ending.how == RunEnding::How::Completed || ending.how == RunEnding::How::StoppedEarly;
    root["passed"] = whole && journal.failed() == 0;

    ordered_json events = ordered_json::array();
    for (const LogEntry& entry : journal.events) {
        events.push_back({{"time", formatClock(entry.timeOfDayMs)},
                          {"elapsed_s", static_cast<double>(entry.elapsedMs) / 1000.0},
                          {"location_m", std::round(entry.location * 1000.0) / 1000.0},
                          {"source", entry.source},
                          {"text", entry.text}});
    }
    root["events"] = events;

    // Binary: the same bytes on every system.
    std::ofstream out(path, std::ios::binary);
    if (!out) throw std::runtime_error(fmt::format("cannot write the summary {}", utf8Text(path)));
    out << root.dump(2) << '\n';
    if (!out) throw std::runtime_error(fmt::format("cannot write the summary {}", utf8Text(path)));
}

}  // namespace cabkit::sim
