// The four side values (two states, two activities): set by the platform
// beacon, moved on each frame by the countdown and the door timers, and
// switched off (3) once the train has left the beacon's zone.
#include "int32_arith.h"
#include "velorin_plugin.h"

namespace cabkit::velorin {

namespace {

// Length of the zone behind a platform beacon, m.
constexpr double kSideZoneM = 5.0;
// The countdown ends this long before the deadline clock time.
constexpr int32_t kDeadlineLeadS = 12;

void setUnlessOff(int32_t& sideValue, int32_t value) {
    if (sideValue != VelorinPlugin::kSideOff) {
        sideValue = value;
    }
}

}  // namespace

void VelorinPlugin::applySideSetting(int32_t sides) {
    if (sides == 0) {
        sideOneState = kSideOff;
        sideTwoState = kSideOff;
        sideOneActivity = kSideOff;
        sideTwoActivity = kSideOff;
    } else if (sides == 1) {
        sideOneState = 0;
        sideOneActivity = 0;
    } else if (sides == 2) {
        sideTwoState = 0;
        sideTwoActivity = 0;
    } else if (sides >= 3) {
        sideOneState = 0;
        sideTwoState = 0;
        sideOneActivity = 0;
        sideTwoActivity = 0;
    }
    // Every beacon, a negative one included, restarts the zone and the countdown.
    zoneDistanceLeft = kSideZoneM;
    sideCountdownMs = sideCountdownStart;
}

void VelorinPlugin::advanceZoneDistance() {
    zoneDistanceLeft -= static_cast<double>(currentState.speed) / 3.6 * static_cast<double>(frameStepMs) / 1000.0;
}

void VelorinPlugin::setSideActivities(int32_t value) {
    setUnlessOff(sideTwoActivity, value);
    setUnlessOff(sideOneActivity, value);
}

void VelorinPlugin::runSideCountdown() {
    if (sideTwoState == kSideOff && sideOneState == kSideOff) {
        return;
    }
    if (sideDeadlineClock < 0) {
        if (!slot201Active) {
            sideCountdownMs = platform::saturatingSub(sideCountdownMs, frameStepMs);
        }
        return;
    }
    // Milliseconds until shortly before the deadline clock time. Any 32-bit
    // HHMMSS is accepted; the arithmetic wraps in two's complement, so an
    // absurd clock time gives a defined countdown.
    using platform::wrappingAdd;
    using platform::wrappingMul;
    using platform::wrappingSub;
    const int32_t hours = sideDeadlineClock / 10000;
    const int32_t minutes = (sideDeadlineClock / 100) % 100;
    const int32_t seconds = sideDeadlineClock % 100;
    const int32_t clockSeconds = wrappingAdd(wrappingAdd(wrappingMul(hours, 3600), minutes * 60), seconds);
    sideCountdownMs = wrappingSub(wrappingMul(wrappingSub(clockSeconds, kDeadlineLeadS), 1000), currentState.time);
}

void VelorinPlugin::raiseSideStatesWhenCountdownExpires() {
    if (sideCountdownMs < 0) {
        if (sideTwoState == 0) {
            sideTwoState = 1;
        }
        if (sideOneState == 0) {
            sideOneState = 1;
        }
    }
}

void VelorinPlugin::leaveSideZoneWhenPassed() {
    if (zoneDistanceLeft < 0.0) {
        sideTwoState = kSideOff;
        sideOneState = kSideOff;
        sideTwoActivity = kSideOff;
        sideOneActivity = kSideOff;
    }
}

}  // namespace cabkit::velorin
