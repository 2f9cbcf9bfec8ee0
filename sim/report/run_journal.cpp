#include "run_journal.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <stdexcept>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "output_file.h"
#include "printable_text.h"
#include "run_json.h"
#include "utf8_path.h"

namespace cabkit::sim {
namespace {

using nlohmann::json;

// JSON has no NaN or infinity (they are written as null); read them back as NaN.
double number(const json& value) {
    return value.is_number() ? value.get<double>() : std::numeric_limits<double>::quiet_NaN();
}

template <typename T>
T integer(const json& value) {
    return value.is_number_integer() ? value.get<T>() : T{0};
}

std::string text(const json& value) { return value.is_string() ? value.get<std::string>() : std::string{}; }

RunPoint readPoint(const json& p) {
    return RunPoint{integer<int64_t>(p.value("elapsed_ms", json{})), integer<int64_t>(p.value("time_ms", json{})),
                    number(p.value(run_json::kLocation, json{})), number(p.value(run_json::kSpeed, json{}))};
}

json pointJson(const RunPoint& p) {
    return {{"elapsed_ms", p.elapsedMs},
            {"time_ms", p.timeOfDayMs},
            {run_json::kLocation, p.location},
            {run_json::kSpeed, p.speed}};
}

Application readApplication(const json& a) {
    Application app;
    app.kind = run_json::kindNamed(a.value(run_json::kKind, std::string{}));
    app.plugin = std::min<std::size_t>(integer<std::size_t>(a.value("plugin", json{})), kMaxPlugins - 1);
    app.start = readPoint(a.value(run_json::kStart, json::object()));
    app.end = readPoint(a.value(run_json::kEnd, json::object()));
    app.highestNotch = integer<int32_t>(a.value(run_json::kHighestNotch, json{}));
    app.emergency = a.value(run_json::kEmergency, false);
    app.flickers = integer<int32_t>(a.value(run_json::kFlickers, json{}));
    app.onMs = integer<int64_t>(a.value("on_ms", json{}));
    app.open = a.value("open", false);
    app.cause = text(a.value(run_json::kCause, json{}));
    return app;
}

void readScenario(const json& s, JournalContents& contents) {
    contents.hasScenario = true;
    contents.name = text(s.value("name", json{}));
    contents.file = text(s.value(run_json::kFile, json{}));
    contents.stepMs = integer<int32_t>(s.value(run_json::kStepMs, json{}));
    const json start = s.value(run_json::kStart, json::object());
    contents.startTimeOfDayMs = integer<int64_t>(start.value("time_ms", json{}));
    contents.startLocation = number(start.value(run_json::kLocation, json{}));
    contents.startSpeed = number(start.value(run_json::kSpeed, json{}));
    const json order = s.value("order", json::array());
    for (std::size_t i = 0; i < kMaxPlugins && i < order.size(); ++i) contents.order.push_back(text(order[i]));
    for (const json& x : s.value("expectations", json::array())) {
        contents.expectations.push_back(JournalContents::Judged{integer<int32_t>(x.value(run_json::kLine, json{})),
                                                                text(x.value("id", json{})),
                                                                text(x.value(run_json::kExpects, json{})),
                                                                {},
                                                                {}});
    }
}

void readLine(const json& line, JournalContents& contents) {
    if (!line.is_object() || line.size() != 1) return;
    const std::string& kind = line.begin().key();
    const json& value = line.begin().value();
    if (kind == "scenario" && value.is_object()) {
        readScenario(value, contents);
    } else if (kind == "event" && value.is_object()) {
        contents.events.push_back(LogEntry{
            integer<int64_t>(value.value("elapsed_ms", json{})), integer<int64_t>(value.value("time_ms", json{})),
            number(value.value(run_json::kLocation, json{})), number(value.value(run_json::kSpeed, json{})),
            text(value.value(run_json::kSource, json{})), text(value.value(run_json::kText, json{}))});
    } else if (kind == "stop" && value.is_object()) {
        const StopRecord stop{integer<int64_t>(value.value("elapsed_ms", json{})),
                              number(value.value(run_json::kLocation, json{})),
                              text(value.value(run_json::kStation, json{})),
                              number(value.value(run_json::kOffset, json{})),
                              integer<int32_t>(value.value(run_json::kCreeps, json{})),
                              number(value.value(run_json::kCreepDistance, json{}))};
        // A stop told again replaces what was told of it before.
        const auto index = integer<std::size_t>(value.value("index", json{}));
        if (index < contents.stops.size()) {
            contents.stops[index] = stop;
        } else if (index == contents.stops.size()) {
            contents.stops.push_back(stop);
        }
    } else if (kind == "application" && value.is_object()) {
        contents.applications.push_back(readApplication(value));
    } else if (kind == "verdict" && value.is_object()) {
        const auto index = integer<std::size_t>(value.value("index", json{}));
        if (index >= contents.expectations.size()) return;
        JournalContents::Judged& judged = contents.expectations[index];
        judged.state =
            value.value("passed", false) ? ExpectationResult::State::Passed : ExpectationResult::State::Failed;
        judged.detail = text(value.value(run_json::kDetail, json{}));
    } else if (kind == "error") {
        contents.error = text(value);
    } else if (kind == "end" && value.is_object()) {
        contents.ended = true;
        contents.frames = integer<int64_t>(value.value(run_json::kFrames, json{}));
        contents.stoppedEarly = value.value(run_json::kStoppedEarly, false);
    }
}

}  // namespace

RunJournal::RunJournal(const std::filesystem::path& path) {
    file_ = openOutputStream(path);
    if (file_ == nullptr) throw std::runtime_error(fmt::format("cannot write the journal {}", utf8Text(path)));
    // Every line reaches the file as it is written: nothing waits in memory for a death to lose.
    static_cast<void>(std::setvbuf(file_, nullptr, _IONBF, 0));
}

RunJournal::~RunJournal() { static_cast<void>(std::fclose(file_)); }

void RunJournal::line(const std::string& text) {
    const std::string whole = text + '\n';
    static_cast<void>(std::fwrite(whole.data(), 1, whole.size(), file_));
}

void RunJournal::scenario(const Scenario& s) {
    json expectations = json::array();
    for (const Expectation& x : s.expectations)
        expectations.push_back({{run_json::kLine, x.line}, {"id", x.id}, {run_json::kExpects, x.describe()}});
    json order = json::array();
    for (const int32_t index : s.run.order) order.push_back(s.run.plugins[static_cast<std::size_t>(index)]);
    line(json{{"scenario",
               {{"name", s.name},
                {run_json::kFile, s.path},
                {run_json::kStepMs, s.run.stepMs},
                {run_json::kStart,
                 {{"time_ms", s.start.timeOfDayMs},
                  {run_json::kLocation, s.start.location},
                  {run_json::kSpeed, s.start.speed}}},
                {"order", order},
                {"expectations", expectations}}}}
             .dump());
}

void RunJournal::event(const LogEntry& e) {
    line(json{{"event",
               {{"elapsed_ms", e.elapsedMs},
                {"time_ms", e.timeOfDayMs},
                {run_json::kLocation, e.location},
                {run_json::kSpeed, e.speed},
                {run_json::kSource, e.source},
                {run_json::kText, e.text}}}}
             .dump());
}

void RunJournal::stop(std::size_t index, const StopRecord& s) {
    line(json{{"stop",
               {{"index", index},
                {"elapsed_ms", s.elapsedMs},
                {run_json::kLocation, s.location},
                {run_json::kStation, s.station},
                {run_json::kOffset, s.offset},
                {run_json::kCreeps, s.creeps},
                {run_json::kCreepDistance, s.creepDistance}}}}
             .dump());
}

void RunJournal::application(const Application& a) {
    line(json{{"application",
               {{run_json::kKind, run_json::kindName(a.kind)},
                {"plugin", a.plugin},
                {run_json::kStart, pointJson(a.start)},
                {run_json::kEnd, pointJson(a.end)},
                {run_json::kHighestNotch, a.highestNotch},
                {run_json::kEmergency, a.emergency},
                {run_json::kFlickers, a.flickers},
                {"on_ms", a.onMs},
                {"open", a.open},
                {run_json::kCause, a.cause}}}}
             .dump());
}

void RunJournal::verdict(std::size_t index, const ExpectationResult& result) {
    line(json{{"verdict",
               {{"index", index},
                {"passed", result.state == ExpectationResult::State::Passed},
                {run_json::kDetail, result.detail}}}}
             .dump());
}

// A message may quote a path or a plug-in's text: JSON holds only valid UTF-8.
void RunJournal::error(std::string_view message) { line(json{{"error", printable(message)}}.dump()); }

void RunJournal::end(const ReplayResult& result) {
    line(json{{run_json::kEnd, {{run_json::kFrames, result.frames}, {run_json::kStoppedEarly, result.stoppedEarly}}}}
             .dump());
}

JournalFeed::JournalFeed(RunJournal& journal, const EventLog& log, const ExpectationChecker& checker, bool withEvents)
    : journal_(journal), log_(log), checker_(checker), withEvents_(withEvents) {
    for (std::size_t i = 0; i < checker.results().size(); ++i) open_.push_back(i);
    told_.assign(open_.size(), false);
}

void JournalFeed::onStart(const ReplayContext& /*context*/) { catchUp(); }
void JournalFeed::onInput(const InputEvent& /*event*/) { catchUp(); }
void JournalFeed::onFrame(const Frame& /*frame*/) { catchUp(); }
void JournalFeed::onEnd(const Frame& /*last*/) { catchUp(); }

void JournalFeed::catchUp() {
    if (withEvents_) {
        const auto& entries = log_.entries();
        for (; entriesSent_ < entries.size(); ++entriesSent_) journal_.event(entries[entriesSent_]);
        const auto& stops = log_.stops();
        // Only the last stop learns more (its creeping) once told.
        if (stopsSent_ > 0 && stops[stopsSent_ - 1].creeps != lastStopCreeps_) {
            journal_.stop(stopsSent_ - 1, stops[stopsSent_ - 1]);
            lastStopCreeps_ = stops[stopsSent_ - 1].creeps;
        }
        for (; stopsSent_ < stops.size(); ++stopsSent_) {
            journal_.stop(stopsSent_, stops[stopsSent_]);
            lastStopCreeps_ = stops[stopsSent_].creeps;
        }
        const auto& ended = log_.endedApplications();
        for (; applicationsSent_ < ended.size(); ++applicationsSent_) {
            journal_.application(log_.applications()[ended[applicationsSent_]]);
        }
    }
    // Only the expectations still open are looked at: a frame costs a
    // comparison each, and judged ones leave the list.
    const auto& results = checker_.results();
    for (std::size_t i = 0; i < open_.size();) {
        const ExpectationResult& result = results[open_[i]];
        if (result.state == ExpectationResult::State::Open) {
            ++i;
            continue;
        }
        // A failed span that still follows its extremes is told at once,
        // and again, whole, when it settles.
        if (!told_[open_[i]] || !result.following) journal_.verdict(open_[i], result);
        told_[open_[i]] = true;
        if (result.following) {
            ++i;
            continue;
        }
        open_[i] = open_.back();
        open_.pop_back();
    }
}

int32_t JournalContents::failed() const {
    int32_t count = 0;
    for (const Judged& judged : expectations) count += judged.state == ExpectationResult::State::Failed ? 1 : 0;
    return count;
}

JournalContents readJournal(const std::filesystem::path& path) {
    JournalContents contents;
    std::ifstream in(path, std::ios::binary);
    std::string text;
    while (std::getline(in, text)) {
        // A line the replay did not finish has no newline, and getline still
        // hands it over at the end of the file: only whole lines count.
        if (in.eof()) break;
        const json line = json::parse(text, nullptr, false);
        if (!line.is_discarded()) readLine(line, contents);
    }
    return contents;
}

}  // namespace cabkit::sim
