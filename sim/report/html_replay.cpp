#include "html_replay.h"

#include <algorithm>
#include <initializer_list>
#include <stdexcept>
#include <string_view>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "cab_contract_index.h"
#include "cab_layout.h"
#include "cab_replay_assets.h"
#include "clock_text.h"
#include "utf8_path.h"

namespace cabkit::sim {
namespace {

using nlohmann::ordered_json;

void recordHandles(ChangeSeries& brake, ChangeSeries& power, ChangeSeries& reverser, int64_t frame, int32_t brakeNotch,
                   int32_t powerNotch, int32_t reverserPosition) {
    brake.record(frame, brakeNotch);
    power.record(frame, powerNotch);
    reverser.record(frame, reverserPosition);
}

// [frames, values], as ChangeSeries encodes them.
ordered_json encode(const ChangeSeries& series) {
    ChangeSeries::Encoded e = series.encoded();
    return ordered_json::array({std::move(e.frames), std::move(e.values)});
}

// Slots that never left 0 are left out: the page reads a missing slot as 0.
template <std::size_t N>
ordered_json encodeSlots(const std::array<ChangeSeries, N>& slots) {
    ordered_json out = ordered_json::object();
    for (std::size_t slot = 0; slot < N; ++slot) {
        if (!slots[slot].empty()) out[std::to_string(slot)] = encode(slots[slot]);
    }
    return out;
}

const char* stateName(ExpectationResult::State state) {
    switch (state) {
        case ExpectationResult::State::Passed: return "passed";
        case ExpectationResult::State::Failed: return "failed";
        case ExpectationResult::State::Open: break;
    }
    return "open";
}

ordered_json triggerJson(const Trigger& trigger, int64_t startTimeOfDayMs) {
    switch (trigger.kind) {
        case Trigger::Kind::Location: return {{"location", trigger.location}};
        case Trigger::Kind::TimeOfDay: return {{"elapsedMs", trigger.ms - startTimeOfDayMs}};
        case Trigger::Kind::AfterStart: break;
    }
    return {{"elapsedMs", trigger.ms}};
}

ordered_json expectationsJson(const ExpectationChecker& checker, int64_t startTimeOfDayMs) {
    ordered_json out = ordered_json::array();
    for (const ExpectationResult& result : checker.results()) {
        const Expectation& x = *result.expectation;
        ordered_json entry = {{"line", x.line},
                              {"text", x.describe()},
                              {"note", x.note},
                              {"state", stateName(result.state)},
                              {"detail", result.detail},
                              {"enteredFrame", result.enteredFrame},
                              {"judgedFrame", result.judgedFrame}};
        const bool span = x.timing == Expectation::Timing::Throughout || x.timing == Expectation::Timing::Sometime;
        if (span) entry["span"] = {triggerJson(x.from, startTimeOfDayMs), triggerJson(x.to, startTimeOfDayMs)};
        out.push_back(std::move(entry));
    }
    return out;
}

ordered_json routeJson(const Route& route) {
    ordered_json stations = ordered_json::array();
    for (const Station& station : route.stations)
        stations.push_back({{"name", station.name}, {"location", station.location}});
    ordered_json sections = ordered_json::array();
    for (const SignalSection& section : route.sections) {
        sections.push_back({{"start", section.start}, {"aspect", section.aspect}});
    }
    ordered_json beacons = ordered_json::array();
    for (const Beacon& beacon : route.beacons) {
        beacons.push_back(
            {{"location", beacon.location}, {"type", beacon.data.type}, {"optional", beacon.data.optional}});
    }
    return {{"stations", stations}, {"sections", sections}, {"beacons", beacons}};
}

// What the plug-ins supervise, for the page's chart: places in metres,
// Cabrix's cut-out also in frames (the page drops its permitted speed then).
ordered_json supervisionJson(const Supervision& zones, int64_t firstElapsedMs, int64_t stepMs, int64_t frames) {
    const auto frameOf = [&](const RunPoint& at) {
        return std::clamp<int64_t>((at.elapsedMs - firstElapsedMs) / stepMs, 0, std::max<int64_t>(0, frames - 1));
    };
    ordered_json restrictions = ordered_json::array();
    for (const SpeedRestriction& r : zones.restrictions) {
        if (!r.replaced) restrictions.push_back({{"start", r.start}, {"end", r.end}, {"targetKmh", r.targetKmh}});
    }
    ordered_json stopPoints = ordered_json::array();
    for (const StopPoint& point : zones.stopPoints) {
        if (!point.replaced) stopPoints.push_back({{"location", point.location}, {"label", point.label}});
    }
    ordered_json pairs = ordered_json::array();
    for (const BeaconPair& pair : zones.pairs) {
        ordered_json entry = {{"from", pair.first.location}, {"trips", pair.trips}};
        if (pair.second) {
            entry["to"] = pair.second->location;
            entry["ms"] = pair.second->elapsedMs - pair.first.elapsedMs;
        }
        pairs.push_back(std::move(entry));
    }
    ordered_json windows = ordered_json::array();
    for (const TimingWindow& w : zones.windows) {
        ordered_json entry = {{"from", w.opened.location}, {"lengthMs", w.lengthMs}};
        if (w.closed) entry["to"] = w.closed->location;
        windows.push_back(std::move(entry));
    }
    ordered_json cutOuts = ordered_json::array();
    for (const CutOut& c : zones.cutOuts) {
        // Frames [fromFrame, toFrame) were cut out.
        cutOuts.push_back({{"from", c.from.location},
                           {"to", c.to.location},
                           {"fromFrame", frameOf(c.from)},
                           {"toFrame", c.untilEnd ? frames : frameOf(c.to)}});
    }
    return {{"restrictions", restrictions},
            {"stopPoints", stopPoints},
            {"pairs", pairs},
            {"windows", windows},
            {"cutOuts", cutOuts}};
}

// Replaces what a browser would read as markup inside the data's script
// element ("</script>", "<!--"): JSON allows "<", ">" and "&" as escapes.
std::string escapeForScript(std::string_view json) {
    std::string out;
    out.reserve(json.size());
    for (char c : json) {
        switch (c) {
            case '<': out += "\\u003c"; break;
            case '>': out += "\\u003e"; break;
            case '&': out += "\\u0026"; break;
            default: out += c;
        }
    }
    return out;
}

std::string escapeHtml(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '&': out += "&amp;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

struct Insert {
    std::string_view marker;
    std::string_view text;
};

// The template with each marker replaced, markers in the order they stand
// there; text put in is never searched again.
std::string assemble(std::string_view page, std::initializer_list<Insert> inserts) {
    std::string out;
    for (const Insert& insert : inserts) {
        const std::size_t at = page.find(insert.marker);
        if (at == std::string_view::npos) {
            throw std::logic_error(fmt::format("the page template lacks {}", insert.marker));
        }
        out.append(page.substr(0, at));
        out.append(insert.text);
        page.remove_prefix(at + insert.marker.size());
    }
    out.append(page);
    return out;
}

}  // namespace

HtmlReplay::HtmlReplay(const std::filesystem::path& path)
    : path_(path), out_(path, std::ios::binary | std::ios::trunc) {
    if (!out_) throw std::runtime_error(fmt::format("cannot write the cab replay {}", utf8Text(path)));
}

void HtmlReplay::onStart(const ReplayContext& context) {
    scenario_ = &context.scenario;
    callingOrder_.clear();
    otherPlugins_.clear();
    ours_ = false;
    for (std::size_t i = 0; i < context.host.count(); ++i) {
        callingOrder_.push_back(context.host.nameAt(i));
        if (context.host.pluginAt(i) < static_cast<int32_t>(kPluginNames.size())) {
            ours_ = true;
        } else {
            otherPlugins_ += fmt::format("{}{}", otherPlugins_.empty() ? "" : ", ", callingOrder_.back());
        }
    }
}

void HtmlReplay::onInput(const InputEvent& event) { zones_.onInput(event); }

void HtmlReplay::onEnd(const Frame& last) {
    if (frames_ > 0) zones_.onEnd(last);
}

void HtmlReplay::onFrame(const Frame& frame) {
    const int64_t n = frame.index;
    if (n == 0) firstElapsedMs_ = frame.elapsedMs;
    zones_.onFrame(frame);
    frames_ = n + 1;
    elapsed_.record(n, frame.elapsedMs);
    timeOfDay_.record(n, frame.timeOfDayMs);
    location_.record(n, thousandths(frame.location));
    speed_.record(n, thousandths(frame.speed));
    recordHandles(driver_.brake, driver_.power, driver_.reverser, n, frame.driver.brake, frame.driver.power,
                  frame.driver.reverser);
    recordHandles(combined_.brake, combined_.power, combined_.reverser, n, frame.combined.brake, frame.combined.power,
                  frame.combined.reverser);
    for (std::size_t i = 0; i < frame.plugins; ++i) {
        const HandleCommand& command = frame.commands[i];
        recordHandles(commands_[i].brake, commands_[i].power, commands_[i].reverser, n, command.brake, command.power,
                      command.reverser);
        commands_[i].constantSpeed.record(n, command.constantSpeed);
    }
    for (std::size_t slot = 0; slot < panel_.size(); ++slot) panel_[slot].record(n, frame.panel[slot]);
    for (std::size_t slot = 0; slot < sound_.size(); ++slot) sound_[slot].record(n, frame.sound[slot]);
}

OtherSlots HtmlReplay::otherSlots() const {
    OtherSlots others{otherPlugins_, {}, {}};
    if (otherPlugins_.empty()) return others;
    const SlotLayout& layout = scenario_->layout;
    // What ours name is theirs while one of them runs; a slot never written stays off the panel.
    for (std::size_t i = 0; i < panel_.size(); ++i) {
        const auto slot = static_cast<int32_t>(i);
        const bool oursNames = ours_ && findPanelSlot(slot) != nullptr;
        if (layout.panelSlot(slot) != nullptr || (!oursNames && !panel_[i].empty())) others.panel.push_back(slot);
    }
    for (std::size_t i = 0; i < sound_.size(); ++i) {
        const auto slot = static_cast<int32_t>(i);
        const bool oursNames = ours_ && findSoundSlot(slot) != nullptr;
        // Every sound slot changes once, from 0 to stopped, in the first frame.
        if (layout.soundSlot(slot) != nullptr || (!oursNames && sound_[i].encoded().frames.size() > 1)) {
            others.sound.push_back(slot);
        }
    }
    return others;
}

std::string HtmlReplay::data(const EventLog& log, const ExpectationChecker& checker) const {
    if (scenario_ == nullptr) throw std::logic_error("the cab replay was asked for its data before the run started");
    const Scenario& s = *scenario_;
    const auto handles = [](const Handles& h, bool withConstantSpeed) {
        ordered_json out = {{"brake", encode(h.brake)}, {"power", encode(h.power)}, {"reverser", encode(h.reverser)}};
        if (withConstantSpeed) out["constantSpeed"] = encode(h.constantSpeed);
        return out;
    };
    ordered_json commands = ordered_json::array();
    for (std::size_t i = 0; i < callingOrder_.size(); ++i) {
        ordered_json entry = handles(commands_[i], true);
        entry["plugin"] = callingOrder_[i];
        commands.push_back(std::move(entry));
    }

    // Log entries fall between frames; each belongs to the frame that follows it.
    const int64_t step = std::max<int64_t>(1, s.run.stepMs);
    ordered_json entries = ordered_json::array();
    for (const LogEntry& entry : log.entries()) {
        const int64_t frame =
            std::clamp<int64_t>((entry.elapsedMs + step - 1) / step, 0, std::max<int64_t>(0, frames_ - 1));
        entries.push_back({frame, formatClock(entry.timeOfDayMs), entry.location, entry.source, entry.text});
    }

    ordered_json root;
    root["title"] = s.name;
    root["description"] = s.description;
    root["file"] = s.path;
    root["date"] = fmt::format("{:04}-{:02}-{:02}", s.start.year, s.start.month, s.start.day);
    root["stepMs"] = s.run.stepMs;
    root["frames"] = frames_;
    root["callingOrder"] = callingOrder_;
    root["train"] = {{"brakeNotches", s.train.brakeNotches},
                     {"emergencyNotch", s.train.emergencyNotch()},
                     {"powerNotches", s.train.powerNotches}};
    root["route"] = routeJson(s.route);
    root["supervision"] = supervisionJson(zones_.result(), firstElapsedMs_, step, frames_);
    root["series"] = {{"elapsedMs", encode(elapsed_)},         {"timeOfDayMs", encode(timeOfDay_)},
                      {"location", encode(location_)},         {"speed", encode(speed_)},
                      {"driver", handles(driver_, false)},     {"commands", commands},
                      {"combined", handles(combined_, false)}, {"panel", encodeSlots(panel_)},
                      {"sound", encodeSlots(sound_)}};
    root["log"] = entries;
    root["expectations"] = expectationsJson(checker, s.start.timeOfDayMs);
    root["cab"] = ordered_json::parse(cabLayoutJson(otherSlots(), s.layout));
    return root.dump();
}

std::string htmlReplayPage(const std::string& title, const std::string& dataJson) {
    const std::string safeTitle = escapeHtml(title);
    const std::string safeData = escapeForScript(dataJson);
    return assemble(embedded::kCabReplayHtml, {{"@TITLE@", safeTitle},
                                               {"/*@STYLE@*/", embedded::kCabReplayCss},
                                               {"/*@DATA@*/", safeData},
                                               {"/*@SCRIPT@*/", embedded::kCabReplayJs}});
}

void HtmlReplay::write(const EventLog& log, const ExpectationChecker& checker) {
    const std::string page = htmlReplayPage(scenario_ != nullptr ? scenario_->name : std::string{}, data(log, checker));
    out_.write(page.data(), static_cast<std::streamsize>(page.size()));
    out_.close();
    if (!out_) throw std::runtime_error(fmt::format("cannot write the cab replay {}", utf8Text(path_)));
}

}  // namespace cabkit::sim
