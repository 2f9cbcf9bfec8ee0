#include "event_log.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "clock_text.h"
#include "command_combiner.h"
#include "slot_names.h"
#include "sound_commands.h"

namespace cabkit::sim {
namespace {

const char* keyHint(int32_t key) {
    switch (key) {
        case 0: return " (ATO start / train-stop acknowledge)";
        case 1: return " (reminder-tone reset)";
        case 3: return " (train-stop reset)";
        case 5: return " (cab-signal mode down)";
        case 6: return " (cab-signal mode up)";
        case 7: return " (mode-2 lamp)";
        case 10: return " (toggle lamp)";
        case 12: return " (fixed 25 km/h limit)";
        case 13: return " (cab-signal cut-out)";
        case 14: return " (mode selector toward 1)";
        case 15: return " (mode selector toward 2)";
        default: return "";
    }
}

const char* beaconHint(int32_t type) {
    switch (type) {
        case 0: return " train-stop warning";
        case 1: return " train-stop stop";
        case 50: case 55: return " train-stop pair";
        case 65: return " train-stop timing window";
        case 95: return " train-stop signal warning";
        case 101: return " train-stop direct stop";
        case 520: case 521: return " ATO stop point A";
        case 522: return " ATO stop point B";
        case 523: return " ATO supervision off";
        case 524: return " ATO speed restriction";
        case 147: return " timetable advance";
        case 30: return " stop alert";
        case 300: return " side setting";
        default: return (type >= 112 && type <= 148) || type == 223 || type == 225 || type == 226 ? " timetable" : "";
    }
}

std::string reverserText(int32_t position) {
    return position > 0 ? "forward" : position < 0 ? "backward" : "neutral";
}

}  // namespace

void EventLog::add(int64_t elapsedMs, int64_t timeOfDayMs, double location, double speed, std::string source,
                   std::string text) {
    if (out_ != nullptr) {
        fmt::print(out_, "{} +{:>9.3f} s {:>9.1f} m {:>6.1f} km/h  {:<8} {}\n", formatClock(timeOfDayMs),
                   static_cast<double>(elapsedMs) / 1000.0, location, speed, source, text);
    }
    entries_.push_back(LogEntry{elapsedMs, timeOfDayMs, location, speed, std::move(source), std::move(text)});
}

void EventLog::change(const Frame& frame, const std::string& topic, std::string source, std::string text) {
    auto it = std::find_if(topics_.begin(), topics_.end(), [&](const Topic& t) { return t.name == topic; });
    if (it == topics_.end()) {
        const int64_t never = frame.elapsedMs - 2 * kQuietMs;
        topics_.push_back(Topic{topic, source, never, never, 0, 0, {}});
        it = topics_.end() - 1;
    }
    // An output flaps when this is its third change within kQuietMs; from
    // then on its changes are folded until it has been quiet for kQuietMs.
    const bool flapping = it->folded > 0 || frame.elapsedMs - it->changeBeforeLastMs < kQuietMs;
    it->changeBeforeLastMs = it->lastChangeMs;
    it->lastChangeMs = frame.elapsedMs;
    it->lastChangeClockMs = frame.timeOfDayMs;
    if (flapping) {
        ++it->folded;
        it->lastText = std::move(text);
        return;
    }
    add(frame.elapsedMs, frame.timeOfDayMs, frame.location, frame.speed, std::move(source), std::move(text));
}

void EventLog::reportFolded(const Frame& frame, bool all) {
    for (Topic& topic : topics_) {
        if (topic.folded == 0 || (!all && frame.elapsedMs - topic.lastChangeMs < kQuietMs)) continue;
        add(frame.elapsedMs, frame.timeOfDayMs, frame.location, frame.speed, topic.source,
            fmt::format("{} more change{} until {}, the last: {}", topic.folded, topic.folded == 1 ? "" : "s",
                        formatClock(topic.lastChangeClockMs), topic.lastText));
        topic.folded = 0;
    }
}

void EventLog::onStart(const ReplayContext& context) {
    scenario_ = &context.scenario;
    for (std::size_t i = 0; i < names_.size(); ++i) names_[i] = context.host.nameAt(i);
    vehicle_ = context.vehiclePosition;
    emergencyNotch_ = context.scenario.train.emergencyNotch();
    const StartSpec& start = context.scenario.start;
    driver_ = DriverHandles{start.reverser, start.power, start.brake.value_or(emergencyNotch_)};
    sound_.fill(CABKIT_SOUND_STOP);
    lastSpeed_ = start.speed;
    add(0, start.timeOfDayMs, start.location, start.speed, "host",
        fmt::format("start of \"{}\": order {}, {}, {}; reverser {}, power {}, brake {}", context.scenario.name,
                    names_[0], names_[1], names_[2], reverserText(driver_.reverser), driver_.power, driver_.brake));
}

void EventLog::onInput(const InputEvent& e) {
    const auto log = [&](const char* source, std::string text) {
        add(e.elapsedMs, e.timeOfDayMs, e.location, e.speed, source, std::move(text));
    };
    switch (e.kind) {
        case InputEvent::Kind::Reverser:
            driver_.reverser = e.value;
            log("driver", fmt::format("reverser {}", reverserText(e.value)));
            break;
        case InputEvent::Kind::Power:
            driver_.power = e.value;
            log("driver", e.value == 0 ? std::string("power off") : fmt::format("power notch {}", e.value));
            break;
        case InputEvent::Kind::Brake:
            driver_.brake = e.value;
            log("driver", e.value == 0                ? std::string("brake released")
                          : e.value >= emergencyNotch_ ? fmt::format("brake to emergency (notch {})", e.value)
                                                       : fmt::format("brake notch {}", e.value));
            break;
        case InputEvent::Kind::KeyDown:
            log("driver", fmt::format("key {} down{}", e.value, keyHint(e.value)));
            // Key 0 engages the controller when the vehicle plug-in would accept it.
            if (e.value == 0 && panel_[75] == 2 && panel_[201] != 0 && driver_.brake == 0 && driver_.power == 0 &&
                driver_.reverser == 1 && !atoEngaged_) {
                atoEngaged_ = true;
                log(names_[vehicle_].c_str(), "ATO engaged");
            }
            break;
        case InputEvent::Kind::KeyUp:
            log("driver", fmt::format("key {} up", e.value));
            break;
        case InputEvent::Kind::Horn:
            log("driver", fmt::format("horn {}", e.value));
            break;
        case InputEvent::Kind::DoorOpen:
            log("driver", "doors open");
            break;
        case InputEvent::Kind::DoorClose:
            log("driver", "doors close");
            break;
        case InputEvent::Kind::Signal:
            log("route", fmt::format("aspect {} ahead", e.value));
            break;
        case InputEvent::Kind::Beacon:
            log("route", fmt::format("beacon {}{} (signal {}, optional {})", e.beacon.type, beaconHint(e.beacon.type),
                                     e.beacon.signal, e.beacon.optional));
            break;
        case InputEvent::Kind::StandIn:
            log("outside", fmt::format("panel {} = {}", e.slot, e.value));
            break;
    }
}

void EventLog::narratePanel(const Frame& frame) {
    for (const NamedSlot& named : narratedPanelSlots()) {
        const auto slot = static_cast<std::size_t>(named.slot);
        const int32_t now = frame.panel[slot];
        if (now == panel_[slot]) continue;
        const std::string topic = fmt::format("panel {}", slot);
        if (named.lamp && (now == 0 || now == 1) && (panel_[slot] == 0 || panel_[slot] == 1)) {
            change(frame, topic, named.owner, fmt::format("{} {}", named.label, now != 0 ? "on" : "off"));
        } else {
            change(frame, topic, named.owner, fmt::format("{} {} -> {}", named.label, panel_[slot], now));
        }
    }
}

void EventLog::narrateSounds(const Frame& frame) {
    if (std::equal(sound_.begin(), sound_.end(), frame.sound)) return;  // the usual frame
    for (std::size_t slot = 0; slot < sound_.size(); ++slot) {
        const int32_t now = frame.sound[slot];
        const int32_t before = sound_[slot];
        if (now == before) continue;
        const NamedSound* named = findSound(static_cast<int32_t>(slot));
        if (named != nullptr && named->quiet) continue;
        const std::string owner = named != nullptr ? named->owner : "sound";
        const std::string label = named != nullptr ? std::string(named->label) : fmt::format("sound {}", slot);
        const std::string topic = fmt::format("sound {}", slot);
        if (now == CABKIT_SOUND_PLAY_ONCE) {
            change(frame, topic, owner, fmt::format("{} plays once", label));
        } else if (now == CABKIT_SOUND_LOOP) {
            change(frame, topic, owner, fmt::format("{} starts", label));
        } else if (now == CABKIT_SOUND_STOP && before == CABKIT_SOUND_LOOP) {
            change(frame, topic, owner, fmt::format("{} stops", label));
        }
    }
}

void EventLog::narrateInterventions(const Frame& frame) {
    for (std::size_t i = 0; i < frame.commands.size(); ++i) {
        const HandleCommand& command = frame.commands[i];
        const int32_t imposed = imposesBrake(command, frame.driver) ? command.brake : 0;
        const int32_t before = imposedBrake_[i];
        const bool emergencyNow = imposed >= emergencyNotch_;
        const bool emergencyBefore = before >= emergencyNotch_;
        const std::string brakeTopic = names_[i] + " brake";
        if (before == 0 && imposed > 0) {
            brakeSinceMs_[i] = frame.elapsedMs;
            highestBrake_[i] = imposed;
            change(frame, brakeTopic, names_[i],
                  emergencyNow ? fmt::format("EMERGENCY BRAKE (notch {})", imposed) : fmt::format("brakes, notch {}", imposed));
        } else if (before > 0 && imposed == 0) {
            change(frame, brakeTopic, names_[i],
                  fmt::format("releases the brake (after {:.3f} s, up to notch {})",
                              static_cast<double>(frame.elapsedMs - brakeSinceMs_[i]) / 1000.0, highestBrake_[i]));
        } else if (imposed > 0 && emergencyNow != emergencyBefore) {
            change(frame, brakeTopic, names_[i],
                  emergencyNow ? fmt::format("EMERGENCY BRAKE (notch {})", imposed)
                               : fmt::format("brake back from emergency to notch {}", imposed));
        }
        if (imposed > highestBrake_[i]) highestBrake_[i] = imposed;
        imposedBrake_[i] = imposed;

        const bool cutting = cutsPower(command, frame.driver);
        if (cutting != cutting_[i]) {
            change(frame, names_[i] + " power", names_[i],
                  cutting ? fmt::format("cuts power (driver notch {}, returns {})", frame.driver.power, command.power)
                          : std::string("restores power"));
            cutting_[i] = cutting;
        }
    }
}

void EventLog::narrateEngagement(const Frame& frame) {
    if (!atoEngaged_) return;
    const bool brakeIndicators = frame.panel[57] != 0 || frame.panel[58] != 0;
    if (frame.driver.power != 0 ||
        ((frame.driver.reverser != 1 || frame.driver.brake != 0) && !brakeIndicators)) {
        atoEngaged_ = false;
        add(frame.elapsedMs, frame.timeOfDayMs, frame.location, frame.speed, names_[vehicle_],
            "ATO released by the driver's handles");
    }
}

void EventLog::narrateMotion(const Frame& frame) {
    if (lastSpeed_ != 0.0 && frame.speed == 0.0) {
        StopRecord stop{frame.elapsedMs, frame.location, {}, 0.0};
        double nearest = kStationReach;
        for (const Station& station : scenario_->route.stations) {
            const double offset = frame.location - station.location;
            if (std::fabs(offset) <= nearest) {
                nearest = std::fabs(offset);
                stop.station = station.name;
                stop.offset = offset;
            }
        }
        stops_.push_back(stop);
        if (stop.station.empty()) {
            change(frame, "motion", "train", "stops");
        } else {
            change(frame, "motion", "train",
                  fmt::format("stops at {}, {:.2f} m {}", stop.station, std::fabs(stop.offset),
                              stop.offset >= 0.0 ? "past the stop mark" : "short of the stop mark"));
        }
    } else if (lastSpeed_ == 0.0 && frame.speed != 0.0) {
        change(frame, "motion", "train", frame.speed > 0.0 ? "starts moving" : "starts moving backwards");
    }
    lastSpeed_ = frame.speed;
}

void EventLog::onFrame(const Frame& frame) {
    narrateMotion(frame);
    narratePanel(frame);
    narrateSounds(frame);
    narrateInterventions(frame);
    narrateEngagement(frame);
    reportFolded(frame, false);
    std::copy(frame.panel, frame.panel + CABKIT_PANEL_SLOTS, panel_.begin());
    std::copy(frame.sound, frame.sound + CABKIT_SOUND_SLOTS, sound_.begin());
}

void EventLog::onEnd(const Frame& last) {
    reportFolded(last, true);
    add(last.elapsedMs, last.timeOfDayMs, last.location, last.speed, "host", fmt::format("end after {} frames: {:.1f} m, {:.1f} km/h", last.index + 1, last.location,
                                    last.speed));
}

}  // namespace cabkit::sim
