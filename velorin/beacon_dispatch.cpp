// Track-side beacons, routed by type to the train operation controller, the
// timetable display or the core's own settings.
#include <array>
#include <string_view>

#include "velorin_contract.h"
#include "velorin_plugin.h"

namespace cabkit::velorin {

namespace {

consteval int32_t type(std::string_view label) { return contract::beaconType(contract::velorin::kBeacons, label); }

constexpr int32_t kStopPointA = type("ATO stop point A");
constexpr int32_t kStopPointASecondType = type("ATO stop point A, second type");
constexpr int32_t kStopPointB = type("ATO stop point B");
constexpr int32_t kSupervisionOff = type("ATO supervision off");
constexpr int32_t kSpeedRestriction = type("ATO speed restriction");
constexpr int32_t kTimetableAdvance = type("timetable advance");
constexpr int32_t kStopAlert = type("stop alert");
constexpr int32_t kSideSetting = type("side setting");
constexpr int32_t kDoorTimerCount = type("door timer count");
constexpr int32_t kSideDeadline = type("side deadline");
constexpr int32_t kSideCountdown = type("side countdown");

// Beacons that feed the timetable display unconditionally, with the kind
// the display knows them by.
struct TimetableBeacon {
    int32_t type;
    int32_t kind;
};
constexpr std::array<TimetableBeacon, 13> kTimetableBeacons{{
    {type("timetable stop code"), 0},
    {type("timetable first time"), 1},
    {type("timetable second time"), 2},
    {type("timetable stop mark"), 3},
    {type("timetable code pair"), 4},
    {type("route distance"), 5},
    {type("distance direction"), 6},
    {type("timetable extra code"), 7},
    {type("number field"), 8},
    {type("timetable header code"), 9},
    {type("timetable header time"), 10},
    {type("timetable header value"), 11},
    {type("timetable duration"), 12},
}};
// Picks the stop shown in row 1; only at a standstill.
constexpr int32_t kRowIndexBeacon = type("timetable row");
constexpr int32_t kRowIndexKind = 13;

constexpr bool timetableKindsDistinct() {
    for (std::size_t i = 0; i < kTimetableBeacons.size(); ++i) {
        for (std::size_t j = i + 1; j < kTimetableBeacons.size(); ++j) {
            if (kTimetableBeacons[i].type == kTimetableBeacons[j].type ||
                kTimetableBeacons[i].kind == kTimetableBeacons[j].kind) {
                return false;
            }
        }
        if (kTimetableBeacons[i].type == kRowIndexBeacon || kTimetableBeacons[i].kind == kRowIndexKind) {
            return false;
        }
    }
    return true;
}
static_assert(timetableKindsDistinct(), "each timetable beacon type feeds its own kind");

// The dispatch below handles every type of the table, and takes the
// conditional ones when the table says.
constexpr contract::Taken taken(int32_t beaconType) {
    for (const contract::Beacon& row : contract::velorin::kBeacons) {
        if (row.type == beaconType) {
            return row.taken;
        }
    }
    return contract::Taken::Always;
}
constexpr std::size_t kTypesHandledBySwitch = 12;
static_assert(kTimetableBeacons.size() + kTypesHandledBySwitch == contract::velorin::kBeacons.size(),
              "every beacon type of the table is dispatched");
static_assert(taken(kStopAlert) == contract::Taken::InVelorinModeOne &&
                  taken(kRowIndexBeacon) == contract::Taken::AtStandstill &&
                  taken(kSideSetting) == contract::Taken::InModeTwoOrAtStandstill,
              "the conditional beacons are taken when the table says");

}  // namespace

bool VelorinPlugin::standing() const {
    // Exactly zero; a speed that is not a number counts as moving.
    return currentState.speed == 0.0F;
}

void VelorinPlugin::setBeaconData(const BeaconData& beacon) {
    const int32_t value = beacon.optional;
    switch (beacon.type) {
        case kStopPointA:
        case kStopPointASecondType: ato.stopPointAAnnounced(value); break;
        case kStopPointB: ato.stopPointBAnnounced(value); break;
        case kSupervisionOff: ato.supervisionOff(); break;
        case kSpeedRestriction: ato.restrictionAnnounced(value); break;
        case kTimetableAdvance: display.armAdvance(); break;
        case kStopAlert:
            if (operatingMode == 1) {
                display.startStopAlert();
            }
            break;
        case kRowIndexBeacon:
            if (standing()) {
                display.receive(kRowIndexKind, value);
            }
            break;
        case kSideSetting:
            if (operatingMode == 2 || standing()) {
                applySideSetting(value);
            }
            break;
        case kDoorTimerCount: randomTimerCount = value; break;
        case kSideDeadline: sideDeadlineClock = value; break;
        case kSideCountdown: sideCountdownStart = value; break;
        default:
            for (const TimetableBeacon& route : kTimetableBeacons) {
                if (route.type == beacon.type) {
                    display.receive(route.kind, value);
                }
            }
            break;
    }
}

}  // namespace cabkit::velorin
