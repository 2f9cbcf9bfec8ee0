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

void RunFigures::onStart(const ReplayContext& context) {
    emergencyNotch_ = context.scenario.train.emergencyNotch();
    stepMs_ = context.scenario.run.stepMs;
    for (std::size_t i = 0; i < plugins_.size(); ++i) plugins_[i].name = context.host.nameAt(i);
}

void RunFigures::onFrame(const Frame& frame) {
    if (!first_) distance_ += std::fabs(frame.location - lastLocation_);
    first_ = false;
    lastLocation_ = frame.location;
    maxSpeed_ = std::max(maxSpeed_, std::fabs(frame.speed));
    for (std::size_t i = 0; i < plugins_.size(); ++i) {
        const HandleCommand& command = frame.commands[i];
        const int32_t imposed = imposesBrake(command, frame.driver) ? command.brake : 0;
        if (imposed > 0) plugins_[i].brakingMs += stepMs_;
        if (imposed > 0 && lastBrake_[i] == 0) ++plugins_[i].brakeApplications;
        if (imposed >= emergencyNotch_ && lastBrake_[i] < emergencyNotch_) ++plugins_[i].emergencyApplications;
        lastBrake_[i] = imposed;
        const bool cut = cutsPower(command, frame.driver);
        if (cut && !lastCut_[i]) ++plugins_[i].powerCuts;
        lastCut_[i] = cut;
    }
}

void writeSummary(const std::filesystem::path& path, const Scenario& scenario, const ReplayResult& result,
                  const RunFigures& figures, const EventLog& log, const ExpectationChecker& checker) {
    using nlohmann::ordered_json;
    ordered_json root;
    root["scenario"] = scenario.name;
    root["file"] = scenario.path;
    root["frames"] = result.frames;
    root["step_ms"] = scenario.run.stepMs;
    root["stopped_early"] = result.stoppedEarly;
    root["start"] = {{"time", formatClock(scenario.start.timeOfDayMs)}, {"location_m", scenario.start.location}};
    root["end"] = {{"time", formatClock(result.last.timeOfDayMs)},
                   {"elapsed_s", static_cast<double>(result.last.elapsedMs) / 1000.0},
                   {"location_m", result.last.location},
                   {"speed_kmh", result.last.speed}};
    root["max_speed_kmh"] = figures.maxSpeed();
    root["distance_m"] = figures.distance();

    ordered_json stops = ordered_json::array();
    for (const StopRecord& stop : log.stops()) {
        ordered_json entry = {{"elapsed_s", static_cast<double>(stop.elapsedMs) / 1000.0}, {"location_m", stop.location}};
        if (!stop.station.empty()) {
            entry["station"] = stop.station;
            entry["offset_m"] = stop.offset;
        }
        stops.push_back(entry);
    }
    root["stops"] = stops;

    ordered_json plugins = ordered_json::object();
    for (const auto& plugin : figures.plugins()) {
        plugins[plugin.name] = {{"brake_applications", plugin.brakeApplications},
                                {"emergency_applications", plugin.emergencyApplications},
                                {"power_cuts", plugin.powerCuts},
                                {"braking_s", static_cast<double>(plugin.brakingMs) / 1000.0}};
    }
    root["interventions"] = plugins;

    ordered_json expectations = ordered_json::array();
    for (const ExpectationResult& r : checker.results()) {
        const char* state = r.state == ExpectationResult::State::Passed   ? "passed"
                            : r.state == ExpectationResult::State::Failed ? "failed"
                                                                          : "open";
        expectations.push_back({{"line", r.expectation->line},
                                {"expects", r.expectation->describe()},
                                {"result", state},
                                {"detail", r.detail}});
    }
    root["expectations"] = expectations;
    root["passed"] = checker.failed() == 0;

    ordered_json events = ordered_json::array();
    for (const LogEntry& entry : log.entries()) {
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
