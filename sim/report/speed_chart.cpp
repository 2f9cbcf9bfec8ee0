#include "speed_chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <stdexcept>

#include <fmt/format.h>

#include "cab_contract_index.h"
#include "chart_script.h"
#include "event_log.h"
#include "gnuplot_runner.h"
#include "output_file.h"
#include "printable_text.h"
#include "refusal_reasons.h"
#include "temporary_folder.h"
#include "utf8_path.h"

namespace cabkit::sim {
namespace {

constexpr auto kOperatingMode = static_cast<std::size_t>(contract::sharedSlot("operating mode"));

constexpr uint32_t kDriverColour = 0x333333;

ChartTick tick(const RunPoint& at, std::string label, uint32_t colour = kDriverColour, std::string brief = {},
               int32_t rank = 1) {
    return ChartTick{at, std::move(label), colour, std::move(brief), rank};
}

// Stops and emergency brakes are named first where marks crowd.
constexpr int32_t kFirst = 0;

// Files are named in messages by the caller; these say only what failed.
void writeWhole(const std::filesystem::path& path, const std::string& content) {
    std::string error;
    const int fd = openOutputFile(path, OutputMode::Replace, error);
    if (fd < 0) throw std::runtime_error(error);
    const bool written = writeOutputFile(fd, content.data(), content.size(), error);
    if (!closeOutputFile(fd) && written) throw std::runtime_error("cannot write it");
    if (!written) throw std::runtime_error(error);
}

std::string readWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) throw std::runtime_error("gnuplot wrote no picture");
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw std::runtime_error("cannot read gnuplot's picture");
    return content;
}

RunPoint pointOf(const InputEvent& event) {
    return RunPoint{event.elapsedMs, event.timeOfDayMs, event.location, event.speed};
}

std::string keyLabel(int32_t key) {
    std::string names;
    for (const contract::Key* row : findKeys(key)) names += fmt::format("{}{}", names.empty() ? "" : " / ", row->label);
    return names.empty() ? fmt::format("key {}", key) : fmt::format("key {} ({})", key, names);
}

// The beacon's name, with the value it carries for the plug-ins that read
// one ("ATO speed restriction 35"); among others its name alone.
ChartTick beaconTick(const RunPoint& at, const BeaconData& beacon) {
    std::string names;
    contract::BeaconFields fields = contract::kNoField;
    for (const contract::Beacon* row : findBeacons(beacon.type)) {
        names += fmt::format("{}{}", names.empty() ? "" : " / ", row->label);
        fields |= row->fields;
    }
    if (names.empty()) return tick(at, fmt::format("beacon {}", beacon.type));
    std::string label = names;
    if ((fields & contract::kOptionalField) != 0) label += fmt::format(" {}", beacon.optional);
    if ((fields & contract::kSignalField) != 0) label += fmt::format(" (signal {})", beacon.signal);
    return tick(at, label, kDriverColour, names);
}

}  // namespace

uint32_t pluginColour(const std::string& name) {
    if (name == contract::partyName(contract::kCabrix)) return 0xe67e22;
    if (name == contract::partyName(contract::kVelorin)) return 0x8e44ad;
    if (name == contract::partyName(contract::kSentrel)) return 0xc0392b;
    return kDriverColour;
}

void SpeedChart::onStart(const ReplayContext& context) {
    scenario_ = &context.scenario;
    vehicle_ = context.vehiclePosition;
    data_.title = context.scenario.name;
    data_.names.clear();
    for (std::size_t i = 0; i < context.host.count(); ++i) data_.names.push_back(context.host.nameAt(i));
    data_.emergencyNotch = context.scenario.train.emergencyNotch();
    for (const Station& station : context.scenario.route.stations)
        data_.stations.emplace_back(station.location, station.name);
    for (const SignalSection& section : context.scenario.route.sections)
        data_.sectionLocations.push_back(section.start);
    const int64_t frames = context.scenario.run.durationMs / context.scenario.run.stepMs + 1;
    every_ = std::max<int64_t>(1, frames / kMaxPoints);
    analysis_.onStart(context);
}

void SpeedChart::onInput(const InputEvent& event) {
    zones_.onInput(event);
    switch (event.kind) {
        case InputEvent::Kind::KeyDown:
            data_.marks.push_back(
                tick(pointOf(event), keyLabel(event.value), kDriverColour, fmt::format("key {}", event.value)));
            break;
        case InputEvent::Kind::DoorOpen: data_.marks.push_back(tick(pointOf(event), "doors open")); break;
        case InputEvent::Kind::DoorClose: data_.marks.push_back(tick(pointOf(event), "doors close")); break;
        case InputEvent::Kind::Beacon: data_.beacons.push_back(beaconTick(pointOf(event), event.beacon)); break;
        case InputEvent::Kind::Signal: aspects_.update(pointOf(event), event.value); break;
        default: break;
    }
}

void SpeedChart::followSpeeds(const Frame& frame) {
    const RunPoint at = pointOf(frame);
    cabSpeeds_.read(frame.panel);
    permitted_.update(at, cabSpeeds_.permitted());
    codes_.update(at, cabSpeeds_.code());

    // The controller drives while Velorin's command departs from the driver's
    // handles the way only it makes it do.
    if (vehicle_ < frame.plugins) {
        const HandleCommand& velorin = frame.commands[vehicle_];
        const int32_t mode = frame.panel[kOperatingMode];
        if (!controllerDrives_ && showsController(velorin, frame.driver, mode)) {
            controllerDrives_ = true;
        } else if (controllerDrives_ && followsDriverAwayFromRest(velorin, frame.driver, mode)) {
            controllerDrives_ = false;
        }
    }
    allowed_.update(at,
                    controllerDrives_ ? std::optional<double>(CabSpeeds::controllerAllows(frame.panel)) : std::nullopt);
    if (cabSpeeds_.permitted()) data_.topSpeed = std::max(data_.topSpeed, *cabSpeeds_.permitted());
}

void SpeedChart::followSections(const Frame& frame) {
    if (!started_) return;
    const double low = std::min(lastLocation_, frame.location);
    const double high = std::max(lastLocation_, frame.location);
    for (const double start : data_.sectionLocations) {
        if (start > low && start <= high) data_.sectionStarts.push_back(tick(pointOf(frame), ""));
    }
}

void SpeedChart::markInterventions(const Frame& frame) {
    for (const InterventionFolder::News& news : analysis_->interventionNews()) {
        const Application& app = analysis_->applications()[news.application];
        const bool emergencyNow = news.what == InterventionFolder::News::What::Emergency ||
                                  (news.what == InterventionFolder::News::What::Began && app.emergency);
        if (!emergencyNow) continue;
        const std::string& name = data_.names[app.plugin];
        data_.marks.push_back(tick(pointOf(frame), fmt::format("{} emergency", name), pluginColour(name), {}, kFirst));
    }
}

void SpeedChart::onFrame(const Frame& frame) {
    if (!started_) {
        data_.first = pointOf(frame);
        data_.lowestLocation = data_.highestLocation = frame.location;
    }
    data_.last = pointOf(frame);
    data_.lowestLocation = std::min(data_.lowestLocation, frame.location);
    data_.highestLocation = std::max(data_.highestLocation, frame.location);
    data_.topSpeed = std::max(data_.topSpeed, std::fabs(frame.speed));
    data_.lowestSpeed = std::min(data_.lowestSpeed, frame.speed);
    data_.topPowerNotch = std::max({data_.topPowerNotch, vehiclePower(frame), frame.driver.power});
    // A sample carries the highest power notch since the one before, so that
    // power taken up between samples (a controller creeping) still shows.
    windowPower_ = std::max(windowPower_, vehiclePower(frame));
    if (frame.index % every_ == 0) {
        data_.samples.push_back(ChartSample{pointOf(frame), windowPower_, frame.driver.brake});
        windowPower_ = std::numeric_limits<int32_t>::min();
    }
    analysis_.onFrame(frame);
    zones_.onFrame(frame);
    followSpeeds(frame);
    followSections(frame);
    markInterventions(frame);
    lastLocation_ = frame.location;
    started_ = true;
}

void SpeedChart::markStandstills() {
    for (const Standstill& standstill : analysis_->standstills()) {
        if (standstill.fromStart) continue;
        std::string label = "stop";
        double nearest = EventLog::kStationReach;
        for (const auto& [location, name] : data_.stations) {
            if (std::fabs(standstill.stop.location - location) <= nearest) {
                nearest = std::fabs(standstill.stop.location - location);
                label = fmt::format("stop at {}", name);
            }
        }
        if (standstill.creeps > 0) label += fmt::format(", creeps {} times", standstill.creeps);
        data_.marks.push_back(tick(standstill.stop, label, kDriverColour, {}, kFirst));
    }
}

void SpeedChart::onEnd(const Frame& last) {
    analysis_.onEnd(last);
    if (!started_) return;
    zones_.onEnd(last);
    data_.supervision = zones_.result();
    for (const SpeedRestriction& r : data_.supervision.restrictions)
        data_.topSpeed = std::max(data_.topSpeed, static_cast<double>(r.targetKmh));
    const RunPoint end = pointOf(last);
    if (data_.samples.empty() || data_.samples.back().at.elapsedMs != end.elapsedMs) {
        data_.samples.push_back(ChartSample{end, std::max(windowPower_, vehiclePower(last)), last.driver.brake});
    }
    for (SegmentTrack* track : {&permitted_, &allowed_, &codes_, &aspects_}) track->finish(end);
    data_.permitted = permitted_.segments();
    data_.allowed = allowed_.segments();
    data_.codes = codes_.segments();
    data_.aspects = aspects_.segments();
    data_.applications = analysis_->applications();
    markStandstills();
}

ChartJob SpeedChart::script(const std::string& terminal, ChartAxis axis) const {
    return chartScript(data_, terminal, axis);
}

void SpeedChart::render(const std::filesystem::path& output, ChartAxis axis) const {
    const std::string shown = printable(utf8Text(output));
    const std::string extension = utf8Text(output.extension());
    if (extension != ".svg" && extension != ".png") {
        throw std::runtime_error(fmt::format("the chart {} must end in .svg or .png", shown));
    }
    try {
        const std::string terminal = extension.substr(1);
        const ChartJob job = script(terminal, axis);
        TemporaryFolder folder;
        for (const auto& [name, content] : job.files) writeWhole(folder.path() / name, content);
        runGnuplot(job.script, folder.path());
        writeWhole(output, readWhole(folder.path() / fmt::format("{}.{}", kChartFile, terminal)));
    } catch (const std::runtime_error& error) {
        throw std::runtime_error(fmt::format("cannot draw {}: {}", shown, error.what()));
    }
}

}  // namespace cabkit::sim
