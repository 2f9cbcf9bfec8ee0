#include "supervision_zones.h"

#include <algorithm>
#include <cstdint>

#include "cab_contract_index.h"
#include "sentrel/sentrel_rules.h"
#include "velorin/velorin_rules.h"

namespace cabkit::sim {
namespace {

namespace velorin = contract::velorin;
namespace sentrel = contract::sentrel;

constexpr int32_t kRestriction = contract::beaconType(velorin::kBeacons, "ATO speed restriction");
constexpr const char* kStopPointAName = "ATO stop point A";
constexpr const char* kStopPointBName = "ATO stop point B";
constexpr int32_t kStopPointA = contract::beaconType(velorin::kBeacons, kStopPointAName);
constexpr int32_t kStopPointASecond = contract::beaconType(velorin::kBeacons, "ATO stop point A, second type");
constexpr int32_t kStopPointB = contract::beaconType(velorin::kBeacons, kStopPointBName);
constexpr int32_t kPair = contract::beaconType(sentrel::kBeacons, "train-stop pair");
constexpr int32_t kPairSecond = contract::beaconType(sentrel::kBeacons, "train-stop pair, second type");
constexpr int32_t kWindow = contract::beaconType(sentrel::kBeacons, "train-stop timing window");
constexpr auto kCutOutLamp = static_cast<std::size_t>(contract::sharedSlot("cut-out lamp"));

RunPoint pointOf(const InputEvent& event) {
    return RunPoint{event.elapsedMs, event.timeOfDayMs, event.location, event.speed};
}

template <typename T>
bool room(const std::vector<T>& items) {
    return items.size() < SupervisionZones::kMostOfAKind;
}

}  // namespace

void SupervisionZones::restrictionAnnounced(const RunPoint& at, int32_t targetKmh) {
    // A slot is free once the train is through its restriction.
    const auto applies = [&](const std::optional<std::size_t>& slot) {
        return slot && !result_.restrictions[*slot].left && !result_.restrictions[*slot].replaced;
    };
    if (!room(result_.restrictions)) return;
    const double start = at.location + velorin::kRestrictionNoticeM;
    result_.restrictions.push_back(
        SpeedRestriction{at, start, start + velorin::kRestrictionLengthM, targetKmh, std::nullopt, std::nullopt});
    const std::size_t added = result_.restrictions.size() - 1;
    if (!applies(slotA_)) {
        slotA_ = added;
        return;
    }
    if (applies(slotB_)) result_.restrictions[*slotB_].replaced = true;
    slotB_ = added;
}

void SupervisionZones::stopPointAnnounced(const RunPoint& at, int32_t distanceM, int32_t type) {
    // Both types of A arm the same point.
    const std::string label = type == kStopPointB ? kStopPointBName : kStopPointAName;
    for (StopPoint& point : result_.stopPoints) {
        if (point.label == label && !point.reached) point.replaced = true;
    }
    if (!room(result_.stopPoints)) return;
    result_.stopPoints.push_back(StopPoint{at, at.location + distanceM, label, std::nullopt});
}

void SupervisionZones::onInput(const InputEvent& event) {
    if (event.kind != InputEvent::Kind::Beacon) return;
    const RunPoint at = pointOf(event);
    const int32_t type = event.beacon.type;
    if (type == kRestriction) {
        restrictionAnnounced(at, event.beacon.optional);
    } else if (type == kStopPointA || type == kStopPointASecond || type == kStopPointB) {
        stopPointAnnounced(at, event.beacon.optional, type);
    } else if (type == kPair || type == kPairSecond) {
        // Sentrel counts a pair beacon only while the train moves.
        if (event.speed == 0.0) return;
        if (pairArmed_ && !result_.pairs.empty()) {
            BeaconPair& pair = result_.pairs.back();
            pair.second = at;
            const int64_t apart = at.elapsedMs - pair.first.elapsedMs;
            pair.trips = sentrel::pairTrips(true, static_cast<int32_t>(std::max<int64_t>(0, sentrel::kPairMs - apart)));
        } else if (room(result_.pairs)) {
            result_.pairs.push_back(BeaconPair{at, std::nullopt, false});
        }
        pairArmed_ = !pairArmed_;
    } else if (type == kWindow) {
        // A new window replaces the one open.
        if (!result_.windows.empty() && !result_.windows.back().closed) result_.windows.back().closed = at;
        if (event.beacon.optional > 0 && room(result_.windows))
            result_.windows.push_back(TimingWindow{at, std::nullopt, event.beacon.optional});
    }
}

void SupervisionZones::onFrame(const Frame& frame) {
    const RunPoint at = sim::pointOf(frame);
    for (SpeedRestriction& r : result_.restrictions) {
        if (r.left || r.replaced) continue;
        if (!r.entered && frame.location >= r.start) r.entered = at;
        if (frame.location > r.end) r.left = at;
    }
    for (StopPoint& point : result_.stopPoints) {
        if (!point.reached && !point.replaced && frame.location >= point.location) point.reached = at;
    }
    if (!result_.windows.empty()) {
        TimingWindow& window = result_.windows.back();
        if (!window.closed && frame.elapsedMs >= window.opened.elapsedMs + window.lengthMs) window.closed = at;
    }
    const bool cutOut = frame.panel[kCutOutLamp] != 0;
    if (cutOut && !cutOutFrom_) cutOutFrom_ = at;
    if (!cutOut && cutOutFrom_) {
        if (room(result_.cutOuts)) result_.cutOuts.push_back(CutOut{*cutOutFrom_, at});
        cutOutFrom_.reset();
    }
}

void SupervisionZones::onEnd(const Frame& last) {
    const RunPoint end = sim::pointOf(last);
    if (cutOutFrom_ && room(result_.cutOuts)) result_.cutOuts.push_back(CutOut{*cutOutFrom_, end, true});
    cutOutFrom_.reset();
}

}  // namespace cabkit::sim
