// Track-side beacons, routed by type to the train operation controller, the
// timetable display or the core's own settings.
#include <array>

#include "velorin_plugin.h"

namespace cabkit::velorin {

namespace {

// A restriction is announced this far ahead of its start point.
constexpr double kRestrictionNoticeM = 400.0;

// Beacons that feed the timetable display unconditionally, with the kind
// the display knows them by.
struct TimetableBeacon {
    int32_t type;
    int32_t kind;
};
constexpr std::array<TimetableBeacon, 13> kTimetableBeacons{{
    {117, 0},   // stop code
    {121, 1},   // first time
    {125, 2},   // second time
    {139, 3},   // stop mark
    {143, 4},   // code pair
    {225, 5},   // route distance
    {226, 6},   // distance counts down
    {112, 7},   // extra code
    {223, 8},   // number field
    {129, 9},   // header code
    {130, 10},  // header time
    {131, 11},  // header value
    {146, 12},  // duration
}};
// Picks the stop shown in row 1; only at a standstill.
constexpr int32_t kRowIndexBeacon = 148;
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

}  // namespace

bool VelorinPlugin::standing() const {
    // Exactly zero; a speed that is not a number counts as moving.
    return currentState.speed == 0.0F;
}

void VelorinPlugin::announceRestriction(int32_t targetSpeed) {
    // A second restriction takes slot B; further ones overwrite slot B.
    if (!ato.limitActiveA) {
        ato.limitDistanceA = kRestrictionNoticeM;
        ato.limitActiveA = true;
        ato.limitTargetSpeedA = static_cast<double>(targetSpeed);
    } else {
        ato.limitDistanceB = kRestrictionNoticeM;
        ato.limitActiveB = true;
        ato.limitTargetSpeedB = static_cast<double>(targetSpeed);
    }
}

void VelorinPlugin::setBeaconData(const BeaconData& beacon) {
    const int32_t value = beacon.optional;
    switch (beacon.type) {
    case 520:
    case 521:
        ato.stopTargetActiveA = true;
        ato.stopDistanceA = static_cast<double>(value);
        break;
    case 522:
        ato.stopTargetActiveB = true;
        ato.stopDistanceB = static_cast<double>(value);
        break;
    case 523:
        ato.enabled = false;  // engaged stays as it is
        break;
    case 524:
        announceRestriction(value);
        break;
    case 147:
        display.armAdvance();
        break;
    case 30:
        if (operatingMode == 1) {
            display.startStopAlert();
        }
        break;
    case kRowIndexBeacon:
        if (standing()) {
            display.receive(kRowIndexKind, value);
        }
        break;
    case 300:
        if (operatingMode == 2 || standing()) {
            applySideSetting(value);
        }
        break;
    case 304:
        randomTimerCount = value;
        break;
    case 305:
        sideDeadlineClock = value;
        break;
    case 306:
        sideCountdownStart = value;
        break;
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
