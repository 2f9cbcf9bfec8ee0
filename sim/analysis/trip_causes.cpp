#include "trip_causes.h"

#include <algorithm>

#include <fmt/format.h>

#include "cab_contract_index.h"
#include "cabrix/cabrix_rules.h"
#include "sentrel/sentrel_rules.h"
#include "sound_commands.h"

namespace cabkit::sim {
namespace {

namespace sentrel = contract::sentrel;
namespace cabrix = contract::cabrix;

constexpr int32_t kWarningBeacon = contract::beaconType(sentrel::kBeacons, "train-stop warning");
constexpr int32_t kStopBeacon = contract::beaconType(sentrel::kBeacons, "train-stop stop");
constexpr int32_t kPairBeacon = contract::beaconType(sentrel::kBeacons, "train-stop pair");
constexpr int32_t kPairBeaconB = contract::beaconType(sentrel::kBeacons, "train-stop pair, second type");
constexpr int32_t kWindowBeacon = contract::beaconType(sentrel::kBeacons, "train-stop timing window");
constexpr int32_t kSignalWarningBeacon = contract::beaconType(sentrel::kBeacons, "train-stop signal warning");
constexpr int32_t kDirectStopBeacon = contract::beaconType(sentrel::kBeacons, "train-stop direct stop");

constexpr int32_t kAcknowledgeKey = contract::keyNumber(sentrel::kKeys, "train-stop acknowledge");
constexpr int32_t kFixedLimitKey = contract::keyNumber(cabrix::kKeys, "fixed 25 km/h limit");

constexpr auto kOperatingMode = static_cast<std::size_t>(contract::sharedSlot("operating mode"));
constexpr auto kTrainStopOff = static_cast<std::size_t>(contract::sharedSlot("train-stop switch-off"));
constexpr auto kCabSignalCode = static_cast<std::size_t>(contract::sharedSlot("cab-signal code"));
constexpr auto kServiceLamp = static_cast<std::size_t>(contract::sharedSlot("service-brake lamp"));
constexpr auto kEmergencyLamp = static_cast<std::size_t>(contract::sharedSlot("emergency-brake lamp"));
constexpr auto kAlarmLamp = static_cast<std::size_t>(contract::panelSlot(sentrel::kPanelSlots, "alarm lamp"));
constexpr auto kOverrideLamp =
    static_cast<std::size_t>(contract::panelSlot(sentrel::kPanelSlots, "brake-override lamp"));
constexpr auto kStrokeA = static_cast<std::size_t>(contract::soundSlot(sentrel::kSoundSlots, "reminder stroke A"));
constexpr auto kStrokeB = static_cast<std::size_t>(contract::soundSlot(sentrel::kSoundSlots, "reminder stroke B"));
constexpr auto kActiveLamp = static_cast<std::size_t>(contract::panelSlot(cabrix::kPanelSlots, "active lamp"));
constexpr auto kRollbackLamp = static_cast<std::size_t>(contract::panelSlot(cabrix::kPanelSlots, "rollback lamp"));
constexpr auto kFixedLimitLamp = static_cast<std::size_t>(contract::panelSlot(cabrix::kPanelSlots, "fixed-limit lamp"));
constexpr auto kCabrixMode = static_cast<std::size_t>(contract::panelSlot(cabrix::kPanelSlots, "mode"));

// A countdown of the supervisor: it stops at 0, and a window beacon may
// have loaded any value, the most negative included.
int32_t countDown(int32_t left, int32_t stepMs) { return left > stepMs ? left - stepMs : 0; }

std::string seconds(int32_t ms) { return fmt::format("{:g} s", static_cast<double>(ms) / 1000.0); }

std::string warningRaised(const std::string& why) {
    return fmt::format("warning: {}; acknowledge within {}", why, seconds(sentrel::kAcknowledgeMs));
}

std::string notAtStop(int32_t signal) { return fmt::format("signal {} is not 0 (at stop)", signal); }

std::optional<std::size_t> positionOf(const PluginHost& host, contract::Party party) {
    for (std::size_t i = 0; i < host.count(); ++i) {
        if (host.nameAt(i) == contract::partyName(party)) return i;
    }
    return std::nullopt;
}

}  // namespace

std::string judgeTrainStopBeacon(const BeaconData& beacon, int64_t elapsedMs, double location, TrainStopState& state,
                                 std::string& tripCause) {
    const bool windowOpen = state.windowLeftMs > 0;
    const std::string window = fmt::format("a timing window is open ({} ms left)", state.windowLeftMs);
    const auto trips = [&](const std::string& cause) {
        if (tripCause.empty()) tripCause = cause;
        return fmt::format("trips: {}", cause);
    };
    const auto warns = [&](const std::string& why) {
        state.warning = fmt::format("beacon {} at {:.1f} m", beacon.type, location);
        state.ackLeftMs = sentrel::kAcknowledgeMs;
        return warningRaised(why);
    };
    const int32_t type = beacon.type;
    if (type == kPairBeacon || type == kPairBeaconB) {
        if (!state.pairArmed) {
            state.pairArmed = true;
            state.pairType = type;
            state.pairArmedMs = elapsedMs;
            return fmt::format("arms the pair check: the next pair beacon within {} ms trips", sentrel::kPairMs);
        }
        state.pairArmed = false;
        const int64_t apart = elapsedMs - state.pairArmedMs;
        const auto left = static_cast<int32_t>(std::max<int64_t>(0, sentrel::kPairMs - apart));
        const std::string pair = fmt::format("pair {} -> {} passed {} ms apart", state.pairType, type, apart);
        if (sentrel::pairTrips(true, left)) return trips(fmt::format("{}, under {} ms", pair, sentrel::kPairMs));
        return fmt::format("no trip: {}, not under {} ms", pair, sentrel::kPairMs);
    }
    if (type == kStopBeacon) {
        if (sentrel::stopBeaconTrips(beacon.signal, beacon.optional, windowOpen)) {
            return trips(windowOpen ? fmt::format("stop beacon {} passed while {}", type, window)
                                    : fmt::format("stop beacon {} at signal 0 (at stop)", type));
        }
        return fmt::format(
            "no trip: {}, and no timing window is open",
            beacon.optional != 0 ? fmt::format("optional {} is not 0", beacon.optional) : notAtStop(beacon.signal));
    }
    if (type == kDirectStopBeacon) {
        if (sentrel::signalAtStop(beacon.signal)) {
            return trips(fmt::format("direct-stop beacon {} at signal 0 (at stop)", type));
        }
        return fmt::format("no trip: {}", notAtStop(beacon.signal));
    }
    if (type == kWarningBeacon) {
        if (sentrel::warningBeaconWarns(beacon.signal, beacon.optional, windowOpen)) {
            return warns(beacon.optional == 0 ? std::string("signal 0 (at stop)") : window);
        }
        return fmt::format(
            "no warning: {}",
            beacon.optional == 0
                ? notAtStop(beacon.signal)
                : fmt::format("optional {} warns only in a timing window, and none is open", beacon.optional));
    }
    if (type == kSignalWarningBeacon) {
        if (sentrel::signalAtStop(beacon.signal)) return warns("signal 0 (at stop)");
        return fmt::format("no warning: {}", notAtStop(beacon.signal));
    }
    if (type == kWindowBeacon) {
        state.windowLeftMs = beacon.optional;
        return fmt::format("opens a timing window of {} ms", beacon.optional);
    }
    return {};
}

std::string cabSignalCause(bool emergency, const CabSignalMoment& m) {
    if (emergency) {
        if (m.rollback) {
            return fmt::format("rollback: {:.2f} km/h with the reverser forward, beyond {:g} km/h", m.rollbackSpeed,
                               cabrix::kRollbackSpeed);
        }
        return fmt::format(
            "no cab-signal code in mode {}: modes 0 and 1 run only with a code, the fixed limit (key {}) or the "
            "reverser backward",
            m.mode, kFixedLimitKey);
    }
    if (m.fixedLimit) {
        return fmt::format("over the fixed {} km/h limit by {:.1f} km/h", cabrix::kFixedLimit,
                           m.speed - cabrix::kFixedLimit);
    }
    if (m.permitted < 0.0) {
        return fmt::format("code {} in mode {} permits no running: the service brake holds even at a standstill",
                           m.code, m.mode);
    }
    if (m.speed > m.permitted) {
        return fmt::format("over the permitted {:g} km/h by {:.1f} km/h", m.permitted, m.speed - m.permitted);
    }
    return fmt::format("at the permitted {:g} km/h, which the speed must stay below", m.permitted);
}

void TripCauses::start(const ReplayContext& context) {
    sentrel_ = positionOf(context.host, contract::kSentrel);
    cabrix_ = positionOf(context.host, contract::kCabrix);
    stepMs_ = context.scenario.run.stepMs;
    moment_ = BeaconMoment{context.scenario.start.speed, 0, 0, false, context.scenario.start.reverser};
    // Cabrix's permitted speed until its first supervised frame settles it.
    permitted_ = cabrix::settledPermittedSpeed(cabrix::kModeTwo, 0, 0.0);
}

void TripCauses::input(const InputEvent& event) {
    switch (event.kind) {
        case InputEvent::Kind::Reverser: moment_.reverser = event.value; break;
        case InputEvent::Kind::KeyDown:
            if (event.value == kAcknowledgeKey) moment_.keyZeroHeld = true;
            break;
        case InputEvent::Kind::KeyUp:
            if (event.value == kAcknowledgeKey) moment_.keyZeroHeld = false;
            break;
        case InputEvent::Kind::Beacon:
            verdict_.clear();
            if (sentrel_ && takesBeacon(contract::kSentrel, event.beacon, moment_)) {
                verdict_ = judgeTrainStopBeacon(event.beacon, event.elapsedMs, event.location, trainStop_, beaconTrip_);
            }
            break;
        default: break;
    }
}

void TripCauses::fold(const Frame& frame) {
    trips_.clear();
    if (sentrel_) foldTrainStop(frame);
    if (cabrix_) foldCabSignal(frame);
    moment_.speed = frame.speed;
    moment_.velorinMode = frame.panel[kOperatingMode];
    moment_.trainStopOff = frame.panel[kTrainStopOff];
}

void TripCauses::foldTrainStop(const Frame& frame) {
    // The stroke slots carry -10000 in every frame the train stop is off
    // (and in the first, when no stroke is due): an off frame clears its state.
    const bool active =
        frame.index == 0 || frame.sound[kStrokeA] != CABKIT_SOUND_STOP || frame.sound[kStrokeB] != CABKIT_SOUND_STOP;
    std::string expired;
    if (!active) {
        trainStop_ = TrainStopState{};
    } else {
        trainStop_.windowLeftMs = countDown(trainStop_.windowLeftMs, stepMs_);
        trainStop_.ackLeftMs = countDown(trainStop_.ackLeftMs, stepMs_);
        if (trainStop_.warning) {
            if (sentrel::warningExpires(true, trainStop_.ackLeftMs)) {
                expired = fmt::format("warning of {} not acknowledged within {}", *trainStop_.warning,
                                      seconds(sentrel::kAcknowledgeMs));
                trainStop_.warning.reset();
            } else if (frame.panel[kAlarmLamp] == 0) {
                trainStop_.warning.reset();  // acknowledged
            }
        }
    }
    const bool lit = frame.panel[kOverrideLamp] != 0;
    if (lit && !overrideLit_) trips_.push_back(Trip{*sentrel_, true, beaconTrip_.empty() ? expired : beaconTrip_});
    overrideLit_ = lit;
    beaconTrip_.clear();
}

void TripCauses::foldCabSignal(const Frame& frame) {
    const int32_t code = frame.panel[kCabSignalCode];
    const int32_t mode = frame.panel[kCabrixMode];
    if (frame.panel[kActiveLamp] != 0) permitted_ = cabrix::settledPermittedSpeed(mode, code, permitted_);
    const bool rollback = frame.panel[kRollbackLamp] != 0;
    if (rollback && !rollbackLit_) rollbackSpeed_ = frame.speed;
    rollbackLit_ = rollback;
    const int32_t demand = frame.panel[kEmergencyLamp] != 0 ? 2 : frame.panel[kServiceLamp] != 0 ? 1 : 0;
    if (demand > cabDemand_) {
        const CabSignalMoment moment{frame.speed, code,           mode,      frame.panel[kFixedLimitLamp] != 0,
                                     rollback,    rollbackSpeed_, permitted_};
        trips_.push_back(Trip{*cabrix_, demand == 2, cabSignalCause(demand == 2, moment)});
    }
    cabDemand_ = demand;
}

}  // namespace cabkit::sim
