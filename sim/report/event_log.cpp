#include "event_log.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include <fmt/format.h>
#include <fmt/ranges.h>

#include "cab_contract_index.h"
#include "cabrix/cabrix_rules.h"
#include "clock_text.h"
#include "command_combiner.h"
#include "printable_text.h"
#include "refusal_reasons.h"
#include "sentrel/sentrel_rules.h"
#include "sound_commands.h"
#include "velorin/velorin_rules.h"

namespace cabkit::sim {
namespace {

namespace velorin = contract::velorin;
namespace sentrel = contract::sentrel;
namespace cabrix = contract::cabrix;

// The slots the log watches to tell what a key press or the controller did.
constexpr auto kOperatingMode = static_cast<std::size_t>(contract::sharedSlot("operating mode"));
constexpr auto kPowerPermitted = static_cast<std::size_t>(contract::sharedSlot("power permitted"));
constexpr auto kCabSignalCode = static_cast<std::size_t>(contract::sharedSlot("cab-signal code"));
constexpr auto kCutOutLamp = static_cast<std::size_t>(contract::sharedSlot("cut-out lamp"));
constexpr auto kTrainStopOff = static_cast<std::size_t>(contract::sharedSlot("train-stop switch-off"));
constexpr auto kCabrixMode = static_cast<std::size_t>(contract::panelSlot(cabrix::kPanelSlots, "mode"));
constexpr auto kAlarmLamp = static_cast<std::size_t>(contract::panelSlot(sentrel::kPanelSlots, "alarm lamp"));
constexpr auto kBrakeOverrideLamp =
    static_cast<std::size_t>(contract::panelSlot(sentrel::kPanelSlots, "brake-override lamp"));

constexpr int32_t kAtoStartKey = contract::keyNumber(velorin::kKeys, "ATO start");
constexpr int32_t kTowardOneKey = contract::keyNumber(velorin::kKeys, "mode selector toward 1");
constexpr int32_t kTowardTwoKey = contract::keyNumber(velorin::kKeys, "mode selector toward 2");
constexpr int32_t kAcknowledgeKey = contract::keyNumber(sentrel::kKeys, "train-stop acknowledge");
constexpr int32_t kResetKey = contract::keyNumber(sentrel::kKeys, "train-stop reset");
constexpr int32_t kModeDownKey = contract::keyNumber(cabrix::kKeys, "cab-signal mode down");
constexpr int32_t kModeUpKey = contract::keyNumber(cabrix::kKeys, "cab-signal mode up");

// " (ATO start / train-stop acknowledge)": what the plug-ins call a key.
std::string keyHint(int32_t key) {
    std::string labels;
    for (const contract::Key* row : findKeys(key)) {
        labels += fmt::format("{}{}", labels.empty() ? "" : " / ", row->label);
    }
    return labels.empty() ? labels : fmt::format(" ({})", labels);
}

const contract::Key& keyRow(contract::Party plugin, int32_t key) {
    for (const contract::Key* row : findKeys(key)) {
        if (row->plugin == plugin) return *row;
    }
    return keysOf(plugin).front();
}

// The source the log names for a slot: its one writer, or the panel.
std::string slotSource(const contract::PanelSlot& row) {
    const auto writer = static_cast<contract::Party>(row.writers);
    switch (writer) {
        case contract::kVelorin:
        case contract::kSentrel:
        case contract::kCabrix: return std::string(contract::partyName(writer));
        case contract::kOutside: return "outside";
        default: return "panel";
    }
}

std::string reverserText(int32_t position) { return position > 0 ? "forward" : position < 0 ? "backward" : "neutral"; }

}  // namespace

void EventLog::add(int64_t elapsedMs, int64_t timeOfDayMs, double location, double speed, std::string source,
                   std::string text) {
    // Kept escaped too: the summary and the page show what the terminal shows.
    text = printable(text);
    if (out_ != nullptr) {
        fmt::print(out_, "{} +{:>9.3f} s {:>9.1f} m {:>6.1f} km/h  {:<8} {}\n", formatClock(timeOfDayMs),
                   static_cast<double>(elapsedMs) / 1000.0, location, speed, printable(source), text);
    }
    entries_.push_back(LogEntry{elapsedMs, timeOfDayMs, location, speed, std::move(source), std::move(text)});
}

void EventLog::addAt(const RunPoint& at, std::string source, std::string text) {
    add(at.elapsedMs, at.timeOfDayMs, at.location, at.speed, std::move(source), std::move(text));
}

const std::vector<Application>& EventLog::applications() const { return analysis_->applications(); }

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
        if (it->folded++ == 0) ++foldingTopics_;
        it->lastText = std::move(text);
        return;
    }
    add(frame.elapsedMs, frame.timeOfDayMs, frame.location, frame.speed, std::move(source), std::move(text));
}

void EventLog::reportFolded(const Frame& frame, bool all) {
    if (foldingTopics_ == 0) return;  // the usual frame
    for (Topic& topic : topics_) {
        if (topic.folded == 0 || (!all && frame.elapsedMs - topic.lastChangeMs < kQuietMs)) continue;
        add(frame.elapsedMs, frame.timeOfDayMs, frame.location, frame.speed, topic.source,
            fmt::format("{} more change{} until {}, the last: {}", topic.folded, topic.folded == 1 ? "" : "s",
                        formatClock(topic.lastChangeClockMs), topic.lastText));
        topic.folded = 0;
        --foldingTopics_;
    }
}

void EventLog::onStart(const ReplayContext& context) {
    scenario_ = &context.scenario;
    host_ = &context.host;
    names_.clear();
    loaded_.fill(false);
    std::vector<std::string> others;
    for (std::size_t i = 0; i < context.host.count(); ++i) {
        names_.push_back(context.host.nameAt(i));
        const auto index = static_cast<std::size_t>(context.host.pluginAt(i));
        if (index < loaded_.size()) {
            loaded_[index] = true;
        } else {
            others.push_back(names_.back());
        }
    }
    ours_ = std::find(loaded_.begin(), loaded_.end(), true) != loaded_.end();
    others_ = !others.empty();
    soleOther_ = others.size() == 1 ? others.front() : std::string{};
    vehicle_ = context.vehiclePosition;
    hasVehicle_ = context.hasVehicle();
    emergencyNotch_ = context.scenario.train.emergencyNotch();
    checkNotch_ = context.scenario.train.checkNotch;
    const StartSpec& start = context.scenario.start;
    driver_ = DriverHandles{start.reverser, start.power, start.brake.value_or(emergencyNotch_)};
    sound_.fill(CABKIT_SOUND_STOP);
    analysis_.onStart(context);
    add(0, start.timeOfDayMs, start.location, start.speed, "host",
        fmt::format("start of \"{}\": order {}; reverser {}, power {}, brake {}", context.scenario.name,
                    fmt::join(names_, ", "), reverserText(driver_.reverser), driver_.power, driver_.brake));
}

void EventLog::onInput(const InputEvent& e) {
    analysis_.onInput(e);
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
            lastBrakeChangeMs_ = e.elapsedMs;
            log("driver", e.value == 0                 ? std::string("brake released")
                          : e.value >= emergencyNotch_ ? fmt::format("brake to emergency (notch {})", e.value)
                                                       : fmt::format("brake notch {}", e.value));
            break;
        case InputEvent::Kind::KeyDown:
            log("driver", fmt::format("key {} down{}", e.value, keyHint(e.value)));
            watchKeyDown(e);
            break;
        case InputEvent::Kind::KeyUp:
            log("driver", fmt::format("key {} up", e.value));
            watchKeyUp(e);
            break;
        case InputEvent::Kind::Horn: log("driver", fmt::format("horn {}", e.value)); break;
        case InputEvent::Kind::DoorOpen: log("driver", "doors open"); break;
        case InputEvent::Kind::DoorClose: log("driver", "doors close"); break;
        case InputEvent::Kind::Signal:
            lastAspect_ = e.value;
            log("route", fmt::format("aspect {} ahead", e.value));
            break;
        case InputEvent::Kind::Beacon: log("route", beaconText(e.beacon)); break;
        case InputEvent::Kind::StandIn: log("outside", fmt::format("panel {} = {}", e.slot, e.value)); break;
    }
}

void EventLog::narrateOtherPanel(const Frame& frame) {
    if (!others_ || !frame.panelMoved || std::equal(panel_.begin(), panel_.end(), frame.panel)) return;
    const SlotLayout& layout = scenario_->layout;
    for (std::size_t slot = 0; slot < panel_.size(); ++slot) {
        const int32_t now = frame.panel[slot];
        const int32_t before = panel_[slot];
        if (now == before) continue;
        const contract::PanelSlot* row = findPanelSlot(static_cast<int32_t>(slot));
        // Ours tell their own slots; the outside component's inputs are told as they are given.
        if (row != nullptr && (ours_ || row->writers == contract::kOutside)) continue;
        const int32_t writer = host_->arrays().writerOf(slot);
        const std::string source = writer >= 1 && static_cast<std::size_t>(writer) <= names_.size()
                                       ? names_[static_cast<std::size_t>(writer - 1)]
                                       : std::string("panel");
        const LayoutSlot* named = layout.panelSlot(static_cast<int32_t>(slot));
        const std::string topic = fmt::format("panel {}", slot);
        if (named != nullptr && named->lamp && (now == 0 || now == 1) && (before == 0 || before == 1)) {
            change(frame, topic, source, fmt::format("{} {}", named->name, now != 0 ? "on" : "off"));
        } else {
            change(frame, topic, source,
                   fmt::format("{}: {} -> {}", named != nullptr ? named->name : topic, before, now));
        }
    }
}

void EventLog::narratePanel(const Frame& frame) {
    if (!ours_) return;
    // Lamps and states; readings that move by themselves (clock, counters,
    // timetable entries) and the outside component's inputs are not told.
    // The narrated rows are gathered once: most frames change none of them,
    // and a walk over the whole table cost more than the rest of the log.
    static const std::vector<const contract::PanelSlot*> narrated = [] {
        std::vector<const contract::PanelSlot*> rows;
        for (const contract::PanelSlot& row : panelSlots()) {
            if (row.display != contract::Display::Value && row.writers != contract::kOutside) rows.push_back(&row);
        }
        return rows;
    }();
    if (!frame.panelMoved || std::equal(panel_.begin(), panel_.end(), frame.panel)) return;  // the usual frame
    for (const contract::PanelSlot* narratedRow : narrated) {
        const contract::PanelSlot& row = *narratedRow;
        const auto slot = static_cast<std::size_t>(row.slot);
        const int32_t now = frame.panel[slot];
        if (now == panel_[slot]) continue;
        const std::string topic = fmt::format("panel {}", slot);
        if (row.display == contract::Display::Lamp && (now == 0 || now == 1) &&
            (panel_[slot] == 0 || panel_[slot] == 1)) {
            change(frame, topic, slotSource(row), fmt::format("{} {}", row.label, now != 0 ? "on" : "off"));
        } else {
            change(frame, topic, slotSource(row), fmt::format("{} {} -> {}", row.label, panel_[slot], now));
        }
    }
}

void EventLog::narrateSounds(const Frame& frame) {
    if (!frame.soundMoved || std::equal(sound_.begin(), sound_.end(), frame.sound)) return;  // the usual frame
    for (std::size_t slot = 0; slot < sound_.size(); ++slot) {
        const int32_t now = frame.sound[slot];
        const int32_t before = sound_[slot];
        if (now == before) continue;
        // Strokes repeat every few hundred ms, and a twin slot repeats its twin.
        const contract::SoundSlot* named = ours_ ? findSoundSlot(static_cast<int32_t>(slot)) : nullptr;
        if (named != nullptr && (named->play == contract::Play::Strokes || named->twinOf != contract::kNoTwin))
            continue;
        // The sound array keeps no writer: a slot no table names is put to
        // the one plug-in without a table, when there is one.
        const LayoutSlot* laid = scenario_->layout.soundSlot(static_cast<int32_t>(slot));
        const std::string owner = named != nullptr
                                      ? std::string(contract::partyName(static_cast<contract::Party>(named->writer)))
                                  : soleOther_.empty() ? std::string("sound")
                                                       : soleOther_;
        const std::string label = named != nullptr  ? std::string(named->label)
                                  : laid != nullptr ? laid->name
                                                    : fmt::format("sound {}", slot);
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
    const auto news = analysis_->interventionNews();
    for (const InterventionFolder::News& item : news) tellIntervention(item, frame);
    // A demand that began no application of its own (the driver's brake
    // already held as much, or the plug-in's brake was still on) is told
    // with its cause by itself.
    for (const Trip& trip : analysis_->trips()) {
        if (trip.cause.empty()) continue;
        const auto brakes = [&](std::size_t index) {
            const Application& app = analysis_->applications()[index];
            return app.plugin == trip.plugin && app.kind == Application::Kind::Brake;
        };
        const bool told = std::any_of(news.begin(), news.end(), [&](const InterventionFolder::News& item) {
            return brakes(item.application) &&
                   (item.what == InterventionFolder::News::What::Began ||
                    (item.what == InterventionFolder::News::What::Emergency && trip.emergency));
        });
        bool open = false;
        for (std::size_t i = 0; i < analysis_->applications().size() && !open; ++i) {
            open = brakes(i) &&
                   std::find(endedApplications_.begin(), endedApplications_.end(), i) == endedApplications_.end();
        }
        if (told || (open && !trip.emergency)) continue;
        change(frame, fmt::format("cause {}", trip.plugin), names_[trip.plugin],
               fmt::format("demands the {} brake: {}", trip.emergency ? "emergency" : "service", trip.cause));
    }
}

namespace {

std::string flickerText(const Application& app, const char* what) {
    if (app.flickers == 0) return {};
    return fmt::format("; one application: it {} and came back {} time{}, each time within {:.0f} s", what,
                       app.flickers, app.flickers == 1 ? "" : "s",
                       static_cast<double>(InterventionFolder::kHoldMs) / 1000.0);
}

}  // namespace

void EventLog::tellIntervention(const InterventionFolder::News& news, const Frame& frame) {
    const Application& app = analysis_->applications()[news.application];
    const std::string& name = names_[app.plugin];
    const bool brake = app.kind == Application::Kind::Brake;
    const double seconds = static_cast<double>(app.durationMs()) / 1000.0;
    switch (news.what) {
        case InterventionFolder::News::What::Began:
            if (brake) {
                addAt(app.start, name,
                      fmt::format("{}{}",
                                  app.emergency ? fmt::format("EMERGENCY BRAKE (notch {})", app.highestNotch)
                                                : fmt::format("brakes, notch {}", app.highestNotch),
                                  app.cause.empty() ? std::string{} : ": " + app.cause));
            } else {
                addAt(app.start, name,
                      fmt::format("cuts power (driver notch {}, returns {}){}", frame.driver.power,
                                  frame.commands[app.plugin].power, app.cause.empty() ? "" : ": " + app.cause));
            }
            break;
        case InterventionFolder::News::What::Flickered: break;
        case InterventionFolder::News::What::Emergency: {
            std::string cause;
            for (const Trip& trip : analysis_->trips()) {
                if (trip.plugin == app.plugin && trip.emergency && !trip.cause.empty()) cause = ": " + trip.cause;
            }
            logAt(frame, name, fmt::format("EMERGENCY BRAKE (notch {}){}", frame.commands[app.plugin].brake, cause));
            break;
        }
        case InterventionFolder::News::What::Ended:
            endedApplications_.push_back(news.application);
            if (app.open) {
                addAt(app.end, name,
                      fmt::format("still {} at the end of the run, for {:.3f} s{}", brake ? "braking" : "cutting power",
                                  seconds, brake ? fmt::format(", up to notch {}", app.highestNotch) : std::string{}));
            } else if (brake) {
                addAt(app.end, name,
                      fmt::format("releases the brake (after {:.3f} s, up to notch {}){}", seconds, app.highestNotch,
                                  flickerText(app, "released")));
            } else {
                addAt(app.end, name,
                      fmt::format("restores power (after {:.3f} s){}", seconds, flickerText(app, "restored power")));
            }
            break;
    }
}

void EventLog::logAt(const Frame& frame, const std::string& source, std::string text) {
    add(frame.elapsedMs, frame.timeOfDayMs, frame.location, frame.speed, source, std::move(text));
}

void EventLog::narrateEngagement(const Frame& frame) {
    if (!hasVehicle_) return;
    const HandleCommand& velorinCommand = frame.commands[vehicle_];
    const int32_t mode = frame.panel[kOperatingMode];
    if (!atoEngaged_ && showsController(velorinCommand, frame.driver, mode)) {
        atoEngaged_ = true;
        controllerCode_ = -1;
        logAt(frame, names_[vehicle_], "ATO engaged");
    } else if (atoEngaged_ && followsDriverAwayFromRest(velorinCommand, frame.driver, mode)) {
        atoEngaged_ = false;
        logAt(frame, names_[vehicle_], "ATO released by the driver's handles");
    }
    if (atoStart_) {
        if (!atoEngaged_ && !atoStart_->unmet.empty()) {
            logAt(frame, names_[vehicle_], fmt::format("does not start the ATO: {}", joinReasons(atoStart_->unmet)));
        }
        atoStart_.reset();
    }
}

void EventLog::narrateControllerCode(const Frame& frame) {
    if (!atoEngaged_) return;
    // The cut-out counts as its own code, so that cutting out is told too.
    const bool cutOut = frame.panel[kCutOutLamp] != 0;
    const int32_t code = frame.panel[kCabSignalCode];
    const int32_t key = cutOut ? -2 : code;
    if (key == controllerCode_) return;
    controllerCode_ = key;
    const int32_t speed = cutOut ? atoSignalSpeed(0).speed : atoSignalSpeed(code).speed;
    const std::string codeName(panelLabel(static_cast<int32_t>(kCabSignalCode)));
    if (speed > 0) {
        change(frame, "ATO code", names_[vehicle_],
               fmt::format("ATO follows {} {}: up to {} km/h", codeName, code, speed));
        return;
    }
    std::string why;
    if (cutOut) {
        why = fmt::format("Cabrix is cut out ({} lit)", panelLabel(static_cast<int32_t>(kCutOutLamp)));
    } else if (lastAspect_) {
        why = fmt::format("{} is {}, with aspect {} ahead", codeName, code, *lastAspect_);
    } else {
        why = fmt::format("{} is {}, and no aspect was signalled", codeName, code);
    }
    change(frame, "ATO code", names_[vehicle_],
           fmt::format("ATO holds the brake: no cab-signal code it can drive on reaches it ({}); it drives on codes {}",
                       why, drivableCodes()));
}

void EventLog::watchKeyDown(const InputEvent& e) {
    if (e.value >= 0 && e.value < static_cast<int32_t>(keysHeld_.size()))
        keysHeld_[static_cast<std::size_t>(e.value)] = true;
    // Key 0 is also the train stop's acknowledgement: a refused start is news
    // in mode 2, or when no alarm asks for an acknowledgement.
    if (e.value == kAtoStartKey && hasVehicle_ && !atoEngaged_ &&
        (panel_[kOperatingMode] == 2 || panel_[kAlarmLamp] == 0)) {
        atoStart_ = AtoStart{atoStartUnmet(panel_[kOperatingMode], panel_[kPowerPermitted], driver_)};
    }
    if ((e.value == kTowardOneKey || e.value == kTowardTwoKey) && hasVehicle_) {
        velorinModeKey_ = ModeKey{e.value, panel_[kOperatingMode], driver_.brake};
    }
    if ((e.value == kModeDownKey || e.value == kModeUpKey) && loaded(contract::kCabrix)) {
        cabrixModeKey_ = ModeKey{e.value, panel_[kCabrixMode], driver_.brake};
    }
    // Only an alarm that is sounding asks for an acknowledgement, only a
    // latched emergency brake for a reset.
    if (e.value == kAcknowledgeKey && loaded(contract::kSentrel) && panel_[kAlarmLamp] != 0) {
        acknowledge_ = TrainStopKey{e.elapsedMs, driver_.brake, 0, false, false};
    }
    if (e.value == kResetKey && loaded(contract::kSentrel) && panel_[kBrakeOverrideLamp] != 0) {
        reset_ = TrainStopKey{e.elapsedMs, driver_.brake, 0, false, false};
    }
}

void EventLog::watchKeyUp(const InputEvent& e) {
    if (e.value >= 0 && e.value < static_cast<int32_t>(keysHeld_.size()))
        keysHeld_[static_cast<std::size_t>(e.value)] = false;
    if (e.value == kResetKey && reset_) reset_->released = true;
    if (e.value != kAcknowledgeKey || !acknowledge_) return;
    const TrainStopKey ack = *acknowledge_;
    acknowledge_.reset();
    if (ack.done || panel_[kAlarmLamp] == 0) return;
    const contract::Key& row = keyRow(contract::kSentrel, kAcknowledgeKey);
    std::string why;
    if (ack.framesHeld == 0) {
        why = fmt::format("key {} came up before any frame saw it held", e.value);
    } else if (panel_[kBrakeOverrideLamp] != 0) {
        why = fmt::format(
            "the emergency brake is latched, and key {} does not release it: brake handle to the "
            "emergency notch, then key {} ({})",
            e.value, kResetKey, keyRow(contract::kSentrel, kResetKey).label);
    } else if (!sentrel::brakeAtCheck(ack.brake, checkNotch_) || !sentrel::brakeAtCheck(driver_.brake, checkNotch_)) {
        why = fmt::format("the brake handle is at notch {}, below the check notch {}",
                          std::min(ack.brake, driver_.brake), checkNotch_);
    } else if (lastBrakeChangeMs_ >= ack.pressedMs && ack.framesHeld <= 1) {
        why =
            "the brake reached the check notch together with the key; Sentrel counts the brake from the frame "
            "after, so hold the key longer";
    } else {
        why = "the alarm is the switch-on test, which takes no acknowledgement";
    }
    add(e.elapsedMs, e.timeOfDayMs, e.location, e.speed, "Sentrel",
        fmt::format("takes no acknowledgement (key {}, {}): {}", row.key, row.label, why));
}

void EventLog::narrateKeyResults(const Frame& frame) {
    if (velorinModeKey_) {
        const ModeKey key = *velorinModeKey_;
        velorinModeKey_.reset();
        // Refused: the mode stayed where the key, taken, would have moved it.
        const int32_t taken = velorin::modeToward(key.modeBefore, velorin::modeKeyToward(key.key));
        if (frame.panel[kOperatingMode] == key.modeBefore && taken != key.modeBefore) {
            const contract::Key& row = keyRow(contract::kVelorin, key.key);
            logAt(frame, names_[vehicle_],
                  fmt::format("refuses key {} ({}): it needs the {}; the brake handle is at notch {}", key.key,
                              row.label, wordsOf(row).condition, key.brake));
        }
    }
    if (cabrixModeKey_) {
        const ModeKey key = *cabrixModeKey_;
        cabrixModeKey_.reset();
        const int32_t now = frame.panel[kCabrixMode];
        // Whether the key would move the selector with its condition met (no
        // code received, the brake applied).
        const bool wanted =
            cabrix::modeAfterKey(key.key == kModeUpKey ? cabrix::ModeKey::Up : cabrix::ModeKey::Down, key.modeBefore,
                                 false, std::numeric_limits<int32_t>::max()) != key.modeBefore;
        if (wanted && now == key.modeBefore) {
            const contract::Key& row = keyRow(contract::kCabrix, key.key);
            std::string why;
            if (frame.panel[kOperatingMode] == 0) {
                why = fmt::format("Cabrix is inactive while {} (slot {}) is 0, and its mode falls back to 0",
                                  panelLabel(static_cast<int32_t>(kOperatingMode)), kOperatingMode);
            } else {
                why = fmt::format("it works {}; the brake handle is at notch {}", wordsOf(row).condition, key.brake);
            }
            logAt(frame, "Cabrix", fmt::format("refuses key {} ({}): {}", key.key, row.label, why));
        }
    }
    if (acknowledge_) {
        if (keysHeld_[static_cast<std::size_t>(kAcknowledgeKey)]) ++acknowledge_->framesHeld;
        if (frame.panel[kAlarmLamp] == 0) acknowledge_->done = true;
    }
    if (reset_ && reset_->released) {
        const TrainStopKey key = *reset_;
        reset_.reset();
        if (frame.panel[kBrakeOverrideLamp] != 0) {
            const contract::Key& row = keyRow(contract::kSentrel, kResetKey);
            const std::string why =
                key.brake >= emergencyNotch_
                    ? std::string(
                          "the brake reached the emergency notch together with the key; Sentrel counts the "
                          "brake from the frame after, so keep the key down a frame longer")
                    : fmt::format("the brake handle is at notch {}", key.brake);
            logAt(frame, "Sentrel",
                  fmt::format("keeps the emergency brake: key {} ({}) needs the {}; {}", kResetKey, row.label,
                              wordsOf(row).condition, why));
        }
    }
}

std::string EventLog::beaconText(const BeaconData& beacon) const {
    std::string label;
    for (const contract::Beacon* row : findBeacons(beacon.type)) label += fmt::format(" {}", row->label);
    const BeaconMoment moment{pluginSpeed_, panel_[kOperatingMode], panel_[kTrainStopOff],
                              keysHeld_[static_cast<std::size_t>(kAcknowledgeKey)], driver_.reverser};
    const std::string notTaken = beaconNotTaken(beacon, moment);
    const std::string& verdict = notTaken.empty() ? analysis_->beaconVerdict() : notTaken;
    return fmt::format("beacon {}{} (signal {}, optional {}){}", beacon.type, label, beacon.signal, beacon.optional,
                       verdict.empty() ? std::string{} : fmt::format(": {}", verdict));
}

void EventLog::narrateMotion(const Frame& frame) {
    for (const StandstillFolder::News& news : analysis_->standstillNews()) tellStandstill(news, frame);
}

std::string EventLog::creepCause() const {
    if (atoEngaged_) {
        return fmt::format(
            "{}'s ATO still drives after its stop: its stop point stays armed until its next start, "
            "so it powers at a standstill and brakes as soon as the train moves; moving the brake or "
            "power handle releases it",
            names_[vehicle_]);
    }
    return "what powers the train at a standstill gives way to a brake as soon as it moves";
}

void EventLog::tellStandstill(const StandstillFolder::News& news, const Frame& frame) {
    const Standstill& standstill = analysis_->standstills()[news.standstill];
    const double holdSeconds = static_cast<double>(StandstillFolder::kHoldMs) / 1000.0;
    switch (news.what) {
        case StandstillFolder::News::What::Stopped: {
            StopRecord stop{standstill.stop.elapsedMs, standstill.stop.location, {}, 0.0, 0, 0.0};
            double nearest = kStationReach;
            for (const Station& station : scenario_->route.stations) {
                const double offset = standstill.stop.location - station.location;
                if (std::fabs(offset) <= nearest) {
                    nearest = std::fabs(offset);
                    stop.station = station.name;
                    stop.offset = offset;
                }
            }
            stops_.push_back(stop);
            lastStopStandstill_ = news.standstill;
            addAt(standstill.stop, "train",
                  stop.station.empty()
                      ? std::string("stops")
                      : fmt::format("stops at {}, {:.2f} m {}", stop.station, std::fabs(stop.offset),
                                    stop.offset >= 0.0 ? "past the stop mark" : "short of the stop mark"));
            break;
        }
        case StandstillFolder::News::What::Creeps:
            logAt(frame, "train",
                  fmt::format("creeps: moves off and stops again within {:.0f} s; {}", holdSeconds, creepCause()));
            break;
        case StandstillFolder::News::What::CreepingEnded: {
            if (lastStopStandstill_ == news.standstill) {
                stops_.back().creeps = standstill.creeps;
                stops_.back().creepDistance = standstill.creepDistance;
            }
            const double seconds =
                static_cast<double>(standstill.lastCreepStop.elapsedMs - standstill.stop.elapsedMs) / 1000.0;
            addAt(standstill.lastCreepStop, "train",
                  fmt::format("creeping ends: {} move{} off, {:.3f} m in {:.3f} s", standstill.creeps,
                              standstill.creeps == 1 ? "" : "s", standstill.creepDistance, seconds));
            break;
        }
        case StandstillFolder::News::What::MovedOff:
            addAt(*standstill.moveOff, "train",
                  standstill.moveOff->speed >= 0.0 ? "starts moving" : "starts moving backwards");
            break;
    }
}

void EventLog::onFrame(const Frame& frame) {
    analysis_.onFrame(frame);
    narrateMotion(frame);
    narratePanel(frame);
    narrateOtherPanel(frame);
    narrateSounds(frame);
    narrateInterventions(frame);
    narrateEngagement(frame);
    narrateControllerCode(frame);
    narrateKeyResults(frame);
    reportFolded(frame, false);
    pluginSpeed_ = frame.speed;
    if (frame.panelMoved) std::copy(frame.panel, frame.panel + CABKIT_PANEL_SLOTS, panel_.begin());
    if (frame.soundMoved) std::copy(frame.sound, frame.sound + CABKIT_SOUND_SLOTS, sound_.begin());
}

void EventLog::onEnd(const Frame& last) {
    analysis_.onEnd(last);
    for (const InterventionFolder::News& news : analysis_->interventionNews()) tellIntervention(news, last);
    for (const StandstillFolder::News& news : analysis_->standstillNews()) tellStandstill(news, last);
    reportFolded(last, true);
    add(last.elapsedMs, last.timeOfDayMs, last.location, last.speed, "host",
        fmt::format("end after {} frames: {:.1f} m, {:.1f} km/h", last.index + 1, last.location, last.speed));
}

}  // namespace cabkit::sim
