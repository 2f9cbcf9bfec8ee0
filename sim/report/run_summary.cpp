#include "run_summary.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <stdexcept>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "clock_text.h"
#include "run_json.h"
#include "utf8_path.h"

namespace cabkit::sim {

namespace {

nlohmann::ordered_json pointJson(const RunPoint& at) {
    return {{"time", formatClock(at.timeOfDayMs)},
            {"elapsed_s", static_cast<double>(at.elapsedMs) / 1000.0},
            {run_json::kLocation, std::round(at.location * 1000.0) / 1000.0}};
}

// Each plug-in's counts (complete up to the last whole frame, whatever
// ended the run) and the applications that ended, in the order they began.
nlohmann::ordered_json interventionsJson(const JournalContents& journal, const FigureRecord& figures) {
    using nlohmann::ordered_json;
    std::vector<Application> applications = journal.applications;
    std::stable_sort(applications.begin(), applications.end(),
                     [](const Application& a, const Application& b) { return a.start.elapsedMs < b.start.elapsedMs; });
    ordered_json plugins = ordered_json::object();
    for (std::size_t i = 0; i < journal.order.size(); ++i) {
        const FigureRecord::PerPlugin& plugin = figures.plugins[i];
        ordered_json list = ordered_json::array();
        for (const Application& app : applications) {
            if (app.plugin != i) continue;
            ordered_json entry = {{run_json::kKind, run_json::kindName(app.kind)},
                                  {run_json::kStart, pointJson(app.start)},
                                  {run_json::kEnd, pointJson(app.end)},
                                  {"duration_s", static_cast<double>(app.durationMs()) / 1000.0},
                                  {run_json::kHighestNotch, app.highestNotch},
                                  {run_json::kEmergency, app.emergency},
                                  {run_json::kFlickers, app.flickers},
                                  {"still_on_at_end", app.open}};
            if (!app.cause.empty()) entry[run_json::kCause] = app.cause;
            list.push_back(entry);
        }
        plugins[journal.order[i]] = {{"brake_applications", plugin.brakeApplications},
                                     {"emergency_applications", plugin.emergencyApplications},
                                     {"power_cuts", plugin.powerCuts},
                                     {run_json::kFlickers, plugin.flickers},
                                     {"braking_s", static_cast<double>(plugin.brakingMs) / 1000.0},
                                     {"applications", list}};
    }
    return plugins;
}

}  // namespace

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
    root[run_json::kFile] = journal.file;
    root[run_json::kFrames] = figures.frames;
    root[run_json::kStepMs] = journal.stepMs;
    root[run_json::kStoppedEarly] = journal.stoppedEarly;
    ordered_json ended = {{"how", howText(ending.how)}};
    if (!ending.message.empty()) ended["message"] = ending.message;
    if (ending.place) {
        ended["plugin"] = ending.place->plugin;
        ended["call"] = ending.place->call;
        if (ending.place->frame >= 0) ended["frame"] = ending.place->frame;
        ended["time"] = formatClock(ending.place->timeOfDayMs);
        ended[run_json::kLocation] = ending.place->location;
    }
    root["ended"] = ended;
    root[run_json::kStart] = {{"time", formatClock(journal.startTimeOfDayMs)},
                              {run_json::kLocation, journal.startLocation}};
    // Before its first frame a run stands where it starts.
    const bool moved = figures.frames > 0;
    root[run_json::kEnd] = {{"time", formatClock(moved ? figures.lastTimeOfDayMs : journal.startTimeOfDayMs)},
                            {"elapsed_s", static_cast<double>(moved ? figures.lastElapsedMs : 0) / 1000.0},
                            {run_json::kLocation, moved ? figures.lastLocation : journal.startLocation},
                            {run_json::kSpeed, moved ? figures.lastSpeed : journal.startSpeed}};
    root["max_speed_kmh"] = figures.maxSpeed;
    root["distance_m"] = figures.distance;

    ordered_json stops = ordered_json::array();
    for (const StopRecord& stop : journal.stops) {
        ordered_json entry = {{"elapsed_s", static_cast<double>(stop.elapsedMs) / 1000.0},
                              {run_json::kLocation, stop.location}};
        if (!stop.station.empty()) {
            entry[run_json::kStation] = stop.station;
            entry[run_json::kOffset] = stop.offset;
        }
        if (stop.creeps > 0) {
            entry[run_json::kCreeps] = stop.creeps;
            entry[run_json::kCreepDistance] = stop.creepDistance;
        }
        stops.push_back(entry);
    }
    root["stops"] = stops;

    root["interventions"] = interventionsJson(journal, figures);

    ordered_json expectations = ordered_json::array();
    for (const JournalContents::Judged& judged : journal.expectations) {
        const char* state = judged.state == ExpectationResult::State::Passed   ? "passed"
                            : judged.state == ExpectationResult::State::Failed ? "failed"
                                                                               : "open";
        ordered_json entry = {{run_json::kLine, judged.line}};
        if (!judged.id.empty()) entry["id"] = judged.id;
        entry[run_json::kExpects] = judged.expects;
        entry["result"] = state;
        entry[run_json::kDetail] = judged.detail;
        expectations.push_back(entry);
    }
    root["expectations"] = expectations;
    const bool whole = ending.how == RunEnding::How::Completed || ending.how == RunEnding::How::StoppedEarly;
    root["passed"] = whole && journal.failed() == 0;

    // In time order: what is known only after the hold time is told late.
    std::vector<LogEntry> inOrder = journal.events;
    std::stable_sort(inOrder.begin(), inOrder.end(),
                     [](const LogEntry& a, const LogEntry& b) { return a.elapsedMs < b.elapsedMs; });
    ordered_json events = ordered_json::array();
    for (const LogEntry& entry : inOrder) {
        events.push_back({{"time", formatClock(entry.timeOfDayMs)},
                          {"elapsed_s", static_cast<double>(entry.elapsedMs) / 1000.0},
                          {run_json::kLocation, std::round(entry.location * 1000.0) / 1000.0},
                          {run_json::kSource, entry.source},
                          {run_json::kText, entry.text}});
    }
    root["events"] = events;

    // Binary: the same bytes on every system.
    std::ofstream out(path, std::ios::binary);
    if (!out) throw std::runtime_error(fmt::format("cannot write the summary {}", utf8Text(path)));
    out << root.dump(2) << '\n';
    out.close();
    if (!out) throw std::runtime_error(fmt::format("cannot write the summary {}", utf8Text(path)));
}

}  // namespace cabkit::sim
