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
                    number(p.value("location_m", json{})), number(p.value("speed_kmh", json{}))};
}

json pointJson(const RunPoint& p) {
    return {
        {"elapsed_ms", p.elapsedMs}, {"time_ms", p.timeOfDayMs}, {"location_m", p.location}, {"speed_kmh", p.speed}};
}

Application readApplication(const json& a) {
    Application app;
    app.kind = a.value("kind", std::string{}) == "power cut" ? Application::Kind::PowerCut : Application::Kind::Brake;
    app.plugin = std::min<std::size_t>(integer<std::size_t>(a.value("plugin", json{})), kPluginCount - 1);
    app.start = readPoint(a.value("start", json::object()));
    app.end = readPoint(a.value("end", json::object()));
    app.highestNotch = integer<int32_t>(a.value("highest_notch", json{}));
    app.emergency = a.value("emergency", false);
    app.flickers = integer<int32_t>(a.value("flickers", json{}));
    app.onMs = integer<int64_t>(a.value("on_ms", json{}));
    app.open = a.value("open", false);
    return app;
}

void readScenario(const json& s, JournalContents& contents) {
    contents.hasScenario = true;
    contents.name = text(s.value("name", json{}));
    contents.file = text(s.value("file", json{}));
    contents.stepMs = integer<int32_t>(s.value("step_ms", json{}));
    const json start = s.value("start", json::object());
    contents.startTimeOfDayMs = integer<int64_t>(start.value("time_ms", json{}));
    contents.startLocation = number(start.value("location_m", json{}));
    contents.startSpeed = number(start.value("speed_kmh", json{}));
    const json order = s.value("order", json::array());
    for (std::size_t i = 0; i < contents.order.size() && i < order.size(); ++i) contents.order[i] = text(order[i]);
    for (const json& x : s.value("expectations", json::array())) {
        contents.expectations.push_back(JournalContents::Judged{
            integer<int32_t>(x.value("line", json{})), text(x.value("expects", json{})), {}, {}});
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
            number(value.value("location_m", json{})), number(value.value("speed_kmh", json{})),
            text(value.value("source", json{})), text(value.value("text", json{}))});
    } else if (kind == "stop" && value.is_object()) {
        const StopRecord stop{integer<int64_t>(value.value("elapsed_ms", json{})),
                              number(value.value("location_m", json{})),
                              text(value.value("station", json{})),
                              number(value.value("offset_m", json{})),
                              integer<int32_t>(value.value("creeps", json{})),
                              number(value.value("creep_m", json{}))};
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
        judged.detail = text(value.value("detail", json{}));
    } else if (kind == "error") {
        contents.error = text(value);
    } else if (kind == "end" && value.is_object()) {
        contents.ended = true;
        contents.frames = integer<int64_t>(value.value("frames", json{}));
        contents.stoppedEarly = value.value("stopped_early", false);
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
    for (const Expectation& x : s.expectations) expectations.push_back({{"line", x.line}, {"expects", x.describe()}});
    json order = json::array();
    for (const int32_t index : s.run.order) order.push_back(kPluginNames[static_cast<std::size_t>(index)]);
    line(json{
        {"scenario",
         {{"name", s.name},
          {"file", s.path},
          {"step_ms", s.run.stepMs},
          {"start", {{"time_ms", s.start.timeOfDayMs}, {"location_m", s.start.location}, {"speed_kmh", s.start.speed}}},
          {"order", order},
          {"expectations", expectations}}}}
             .dump());
}

void RunJournal::event(const LogEntry& e) {
    line(json{{"event",
               {{"elapsed_ms", e.elapsedMs},
                {"time_ms", e.timeOfDayMs},
                {"location_m", e.location},
                {"speed_kmh", e.speed},
                {"source", e.source},
                {"text", e.text}}}}
             .dump());
}

void RunJournal::stop(std::size_t index, const StopRecord& s) {
    line(json{{"stop",
               {{"index", index},
                {"elapsed_ms", s.elapsedMs},
                {"location_m", s.location},
                {"station", s.station},
                {"offset_m", s.offset},
                {"creeps", s.creeps},
                {"creep_m", s.creepDistance}}}}
             .dump());
}

void RunJournal::application(const Application& a) {
    line(json{{"application",
               {{"kind", a.kind == Application::Kind::Brake ? "brake" : "power cut"},
                {"plugin", a.plugin},
                {"start", pointJson(a.start)},
                {"end", pointJson(a.end)},
                {"highest_notch", a.highestNotch},
                {"emergency", a.emergency},
                {"flickers", a.flickers},
                {"on_ms", a.onMs},
                {"open", a.open}}}}
             .dump());
}

void RunJournal::verdict(std::size_t index, const ExpectationResult& result) {
    line(json{
        {"verdict",
         {{"index", index}, {"passed", result.state == ExpectationResult::State::Passed}, {"detail", result.detail}}}}
             .dump());
}

// A message may quote a path or a plug-in's text: JSON holds only valid UTF-8.
void RunJournal::error(std::string_view message) { line(json{{"error", printable(message)}}.dump()); }

void RunJournal::end(const ReplayResult& result) {
    line(json{{"end", {{"frames", result.frames}, {"stopped_early", result.stoppedEarly}}}}.dump());
}

JournalFeed::JournalFeed(RunJournal& journal, const EventLog& log, const ExpectationChecker& checker, bool withEvents)
    : journal_(journal), log_(log), checker_(checker), withEvents_(withEvents) {
    for (std::size_t i = 0; i < checker.results().size(); ++i) open_.push_back(i);
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
        journal_.verdict(open_[i], result);
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
