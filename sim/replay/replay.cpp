#include "replay.h"

#include <algorithm>
#include <span>
#include <utility>

#include "trigger_queue.h"

namespace cabkit::sim {
namespace {

// The moving parts of one run that are not the train or the plug-ins.
class RunState {
public:
    RunState(const Scenario& scenario, PluginHost& host, std::vector<ReplayObserver*>& observers)
        : scenario_(scenario),
          host_(host),
          observers_(observers),
          actions_(scenario.start.timeOfDayMs),
          standIns_(scenario.start.timeOfDayMs),
          aspectChanges_(scenario.start.timeOfDayMs) {
        for (std::size_t i = 0; i < scenario.driver.size(); ++i) actions_.add(scenario.driver[i].when, i);
        for (std::size_t i = 0; i < scenario.panel.size(); ++i) standIns_.add(scenario.panel[i].when, i);
        for (std::size_t s = 0; s < scenario.route.sections.size(); ++s) {
            const SignalSection& section = scenario.route.sections[s];
            sectionAspect_.push_back(section.aspect);
            for (std::size_t c = 0; c < section.changes.size(); ++c) {
                aspectChanges_.add(section.changes[c].when, changeIds_.size());
                changeIds_.emplace_back(s, c);
            }
        }
    }

    DriverHandles& driver() { return driver_; }

    // Everything that falls due before the frame at (elapsedMs, location).
    void deliverEvents(int64_t elapsedMs, double previousLocation, double location, double speed, bool firstFrame) {
        now_ = InputEvent{};
        now_.elapsedMs = elapsedMs;
        now_.timeOfDayMs = scenario_.start.timeOfDayMs + elapsedMs;
        now_.location = location;
        now_.speed = speed;
        if (!firstFrame) deliverBeacons(previousLocation, location);
        deliverAspect(elapsedMs, location);
        deliverDriverActions(elapsedMs, location);
        deliverReleases(elapsedMs);
        updateStandIns(elapsedMs, location);
    }

    void writeStandIns() { host_.writeStandIns(standInValues_); }

private:
    void emit(InputEvent::Kind kind, int32_t value) {
        InputEvent event = now_;
        event.kind = kind;
        event.value = value;
        for (ReplayObserver* observer : observers_) observer->onInput(event);
    }

    static bool fires(const Beacon& beacon, bool forward) {
        if (beacon.direction == Beacon::Direction::Both) return true;
        return forward == (beacon.direction == Beacon::Direction::Forward);
    }

    void passBeacon(const Beacon& beacon) {
        host_.setBeaconData(beacon.data);
        InputEvent event = now_;
        event.kind = InputEvent::Kind::Beacon;
        event.beacon = beacon.data;
        for (ReplayObserver* observer : observers_) observer->onInput(event);
    }

    // Running forward a beacon is passed when the train moves onto or over
    // it: previous < beacon <= now. Backward the same, mirrored.
    void deliverBeacons(double previous, double now) {
        const auto& beacons = scenario_.route.beacons;
        const auto after = [](double x, const Beacon& b) { return x < b.location; };
        if (now > previous) {
            auto it = std::upper_bound(beacons.begin(), beacons.end(), previous, after);
            for (; it != beacons.end() && it->location <= now; ++it) {
                if (fires(*it, true)) passBeacon(*it);
            }
        } else if (now < previous) {
            auto first = std::upper_bound(beacons.begin(), beacons.end(), now, after);
            auto last = std::upper_bound(beacons.begin(), beacons.end(), previous, after);
            while (last != first) {
                --last;
                if (fires(*last, false)) passBeacon(*last);
            }
        }
    }

    void deliverAspect(int64_t elapsedMs, double location) {
        due_.clear();
        aspectChanges_.collectDue(elapsedMs, location, due_);
        for (std::size_t id : due_) {
            const auto [section, change] = changeIds_[id];
            sectionAspect_[section] = scenario_.route.sections[section].changes[change].aspect;
        }
        const auto& sections = scenario_.route.sections;
        // The section the train is in: the last one starting at or before it.
        auto it = std::upper_bound(sections.begin(), sections.end(), location,
                                   [](double x, const SignalSection& s) { return x < s.start; });
        if (it == sections.begin()) return;  // before the first section nothing is signalled
        const int32_t aspect = sectionAspect_[static_cast<std::size_t>(it - sections.begin() - 1)];
        if (reportedAspect_ && *reportedAspect_ == aspect) return;
        reportedAspect_ = aspect;
        host_.setSignal(aspect);
        emit(InputEvent::Kind::Signal, aspect);
    }

    void deliverDriverActions(int64_t elapsedMs, double location) {
        due_.clear();
        actions_.collectDue(elapsedMs, location, due_);
        for (std::size_t id : due_) apply(scenario_.driver[id], elapsedMs);
    }

    void apply(const DriverAction& action, int64_t elapsedMs) {
        if (action.reverser) {
            driver_.reverser = *action.reverser;
            host_.setReverser(driver_.reverser);
            emit(InputEvent::Kind::Reverser, driver_.reverser);
        }
        if (action.brake) {
            driver_.brake = *action.brake;
            host_.setBrake(driver_.brake);
            emit(InputEvent::Kind::Brake, driver_.brake);
        }
        if (action.power) {
            driver_.power = *action.power;
            host_.setPower(driver_.power);
            emit(InputEvent::Kind::Power, driver_.power);
        }
        if (action.door) {
            if (*action.door == "open") {
                host_.doorOpen();
                emit(InputEvent::Kind::DoorOpen, 0);
            } else {
                host_.doorClose();
                emit(InputEvent::Kind::DoorClose, 0);
            }
        }
        if (action.keyDown) {
            host_.keyDown(*action.keyDown);
            emit(InputEvent::Kind::KeyDown, *action.keyDown);
        }
        if (action.keyUp) {
            host_.keyUp(*action.keyUp);
            emit(InputEvent::Kind::KeyUp, *action.keyUp);
        }
        if (action.press) {
            host_.keyDown(*action.press);
            emit(InputEvent::Kind::KeyDown, *action.press);
            // Held at least until the next frame has seen it.
            releases_.emplace_back(elapsedMs + std::max(action.holdMs, 1), *action.press);
        }
        if (action.horn) {
            host_.hornBlow(*action.horn);
            emit(InputEvent::Kind::Horn, *action.horn);
        }
    }

    void deliverReleases(int64_t elapsedMs) {
        // In the order the keys were pressed.
        for (auto it = releases_.begin(); it != releases_.end();) {
            if (it->first <= elapsedMs) {
                host_.keyUp(it->second);
                emit(InputEvent::Kind::KeyUp, it->second);
                it = releases_.erase(it);
            } else {
                ++it;
            }
        }
    }

    void updateStandIns(int64_t elapsedMs, double location) {
        due_.clear();
        standIns_.collectDue(elapsedMs, location, due_);
        for (std::size_t id : due_) {
            const PanelStandIn& standIn = scenario_.panel[id];
            auto it = std::find_if(standInValues_.begin(), standInValues_.end(),
                                   [&](const PanelWrite& entry) { return entry.slot == standIn.slot; });
            if (it == standInValues_.end()) {
                standInValues_.push_back(PanelWrite{standIn.slot, standIn.value});
            } else {
                it->value = standIn.value;
            }
            InputEvent event = now_;
            event.kind = InputEvent::Kind::StandIn;
            event.slot = standIn.slot;
            event.value = standIn.value;
            for (ReplayObserver* observer : observers_) observer->onInput(event);
        }
    }

    const Scenario& scenario_;
    PluginHost& host_;
    std::vector<ReplayObserver*>& observers_;
    DriverHandles driver_;
    InputEvent now_;
    TriggerQueue actions_;
    TriggerQueue standIns_;
    TriggerQueue aspectChanges_;
    std::vector<std::pair<std::size_t, std::size_t>> changeIds_;  // (section, change)
    std::vector<int32_t> sectionAspect_;
    std::optional<int32_t> reportedAspect_;
    std::vector<std::pair<int64_t, int32_t>> releases_;  // (due ms after start, key)
    std::vector<PanelWrite> standInValues_;
    std::vector<std::size_t> due_;
};

}  // namespace

Replay::Replay(const Scenario& scenario, std::filesystem::path pluginFolder, std::filesystem::path copyFolder,
               CallRecord& calls)
    : Replay(scenario, PluginChoice{std::move(pluginFolder), {}, {}}, std::move(copyFolder), calls) {}

Replay::Replay(const Scenario& scenario, PluginChoice choice, std::filesystem::path copyFolder, CallRecord& calls)
    : scenario_(scenario), choice_(std::move(choice)), copyFolder_(std::move(copyFolder)), calls_(calls) {}

ReplayResult Replay::run() {
    const Scenario& s = scenario_;
    calls_.at(-1, s.start.timeOfDayMs, s.start.location);
    PluginHost host(lineupFiles(choice_, s.run), copyFolder_, s.run.zeroUnwrittenPanel, calls_);
    const std::size_t vehicle = host.positionOf(pluginIndexOf(contract::kVelorin));
    RunState state(s, host, observers_);
    DriverHandles& driver = state.driver();
    driver = DriverHandles{s.start.reverser, s.start.power, s.start.brake.value_or(s.train.emergencyNotch())};
    host.start(s.train.vehicleSpec(), driver);

    const ReplayContext context{s, host, vehicle};
    for (ReplayObserver* observer : observers_) observer->onStart(context);

    TrainModel train(s.train, s.route.gradients, s.start.location, s.start.speed, s.start.timeOfDayMs);
    ReplayResult result;
    Frame frame;
    double previousLocation = s.start.location;
    for (int64_t n = 0;; ++n) {
        const int64_t elapsed = n * s.run.stepMs;
        if (n > 0) train.step(frame.combined, s.run.stepMs);
        calls_.at(n, train.timeOfDayMs(), train.location());
        state.deliverEvents(elapsed, previousLocation, train.location(), train.speed(), n == 0);
        state.writeStandIns();

        frame.commands = host.elapse(train.vehicleState());
        frame.plugins = host.count();
        frame.index = n;
        frame.elapsedMs = elapsed;
        frame.timeOfDayMs = train.timeOfDayMs();
        frame.location = train.location();
        frame.speed = train.speed();
        frame.driver = driver;
        frame.combined =
            combineCommands(std::span(frame.commands).first(frame.plugins), vehicle, driver, s.train.emergencyNotch());
        frame.panel = host.panel();
        frame.sound = host.sound();
        frame.panelMoved = n == 0 || host.arrays().panelMoved();
        frame.soundMoved = n == 0 || host.arrays().soundMoved();

        bool stop = false;
        for (ReplayObserver* observer : observers_) {
            observer->onFrame(frame);
            stop = stop || observer->stopRequested();
        }
        result.frames = n + 1;
        previousLocation = train.location();
        if (stop) {
            result.stoppedEarly = true;
            break;
        }
        if (elapsed >= s.run.durationMs) break;
        if (s.run.endLocation && train.location() >= *s.run.endLocation) break;
    }
    for (ReplayObserver* observer : observers_) observer->onEnd(frame);
    host.dispose();
    result.last = frame;
    result.last.panel = nullptr;  // the arrays went with the host
    result.last.sound = nullptr;
    return result;
}

}  // namespace cabkit::sim
