#include "run_summary.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "clock_text.h"
#include "command_combiner.h"

namespace cabkit::sim {

void RunFigures::onFrame(const Frame& frame) {
    if (!first_) distance_ += std::fabs(frame.location - lastLocation_);
    first_ = false;
    lastLocation_ = frame.location;
    maxSpeed_ = std::max(maxSpeed_, std::fabs(frame.speed));
}

namespace {

nlohmann::ordered_json pointJson(const RunPoint& at) {
    return {{"time", formatClock(at.timeOfDayMs)},
            {"elapsed_s", static_cast<double>(at.elapsedMs) / 1000.0},
            {"location_m", std::round(at.location * 1000.0) / 1000.0}};
}

// Each plug-in's brake applications and power cuts, folded as the log tells
// them, with their counts.
nlohmann::ordered_json interventionsJson(const Scenario& scenario, const EventLog& log) {
    using nlohmann::ordered_json;
    ordered_json plugins = ordered_json::object();
    for (std::size_t i = 0; i < kPluginCount; ++i) {
        int32_t brakes = 0, emergencies = 0, cuts = 0, flickers = 0;
        int64_t brakingMs = 0;
        ordered_json list = ordered_json::array();
        for (const Application& app : log.applications()) {
            if (app.plugin != i) continue;
            const bool brake = app.kind == Application::Kind::Brake;
            (brake ? brakes : cuts) += 1;
            emergencies += app.emergency ? 1 : 0;
            flickers += app.flickers;
            if (brake) brakingMs += app.onMs;
            ordered_json entry = {{"kind", brake ? "brake" : "power cut"},
                                  {"start", pointJson(app.start)},
                                  {"end", pointJson(app.end)},
                                  {"duration_s", static_cast<double>(app.durationMs()) / 1000.0},
                                  {"highest_notch", app.highestNotch},
                                  {"emergency", app.emergency},
                                  {"flickers", app.flickers},
                                  {"still_on_at_end", app.open}};
            list.push_back(entry);
        }
        plugins[kPluginNames[static_cast<std::size_t>(scenario.run.order[i])]] = {{"brake_applications", brakes},
                                    {"emergency_applications", emergencies},
                                    {"power_cuts", cuts},
                                    {"flickers", flickers},
                                    {"braking_s", static_cast<double>(brakingMs) / 1000.0},
                                    {"applications", list}};
    }
    return plugins;
}

}  // namespace

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
        if (stop.creeps > 0) {
            entry["creeps"] = stop.creeps;
            entry["creep_m"] = stop.creepDistance;
        }
        stops.push_back(entry);
    }
    root["stops"] = stops;
    root["interventions"] = interventionsJson(scenario, log);

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

    std::ofstream out(path);
    if (!out) throw std::runtime_error(fmt::format("cannot write the summary {}", path.string()));
    out << root.dump(2) << '\n';
    if (!out) throw std::runtime_error(fmt::format("cannot write the summary {}", path.string()));
}

}  // namespace cabkit::sim
