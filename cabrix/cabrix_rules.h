// Cabrix's rules as numbers and pure functions: the code each aspect
// carries, the speed each mode permits for a code, what the mode keys do and
// when the bell rings for an aspect. The plug-in decides by these and simhost
// explains by them. No prose here: the labels and descriptions are in
// cabrix_contract.h, so rewording one rebuilds only what prints it.
#ifndef CABKIT_CABRIX_CABRIX_RULES_H
#define CABKIT_CABRIX_CABRIX_RULES_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace cabkit::contract::cabrix {

// Markers in the code table.
inline constexpr int32_t kAnyOtherAspect = -1;  // the code of every aspect not listed
inline constexpr int32_t kNoAspect = -2;        // no aspect gives the code
inline constexpr int32_t kStop = -1;            // permitted speed: a standing train is not below it
inline constexpr int32_t kKeepsPrevious = std::numeric_limits<int32_t>::min();  // the last permitted speed holds

// Positions of the mode selector.
inline constexpr int32_t kModeZero = 0;
inline constexpr int32_t kModeOne = 1;
inline constexpr int32_t kModeTwo = 2;

// One row per cab-signal code 0..9: the aspect that gives it, whether it
// counts as received (and so switches supervision on in any mode), whether
// it has an indicator lamp, and the speed each mode permits, km/h.
struct CodeRule {
    int32_t code;
    int32_t aspect;
    bool received;
    bool hasIndicator;
    int32_t permittedModeZero;
    int32_t permittedModeOne;
    int32_t permittedModeTwo;
};

inline constexpr auto kCodeRules = std::to_array<CodeRule>({
    {0, kAnyOtherAspect, false, true, 255, kKeepsPrevious, kStop},
    {1, 10, false, false, 255, kKeepsPrevious, 25},
    {2, 11, true, true, kStop, kStop, kStop},
    {3, 13, true, true, 15, 15, 15},
    {4, kNoAspect, true, true, 25, 25, 25},
    {5, 15, true, true, 25, 25, 25},
    {6, 19, true, true, 25, 25, 45},
    {7, 21, true, true, 25, 25, 55},
    {8, 23, true, true, 25, 25, 65},
    {9, 25, true, true, 25, 25, 75},
});

// The fixed limit (key 12): within while the speed is at most this, km/h.
inline constexpr int32_t kFixedLimit = 25;
// Aspects from this one up ring the bell when they come or go.
inline constexpr int32_t kBellAspectFrom = 9;

// The row of a code; a code outside the table counts as code 0.
constexpr const CodeRule& codeRule(int32_t code) {
    const bool known = code >= 0 && static_cast<std::size_t>(code) < kCodeRules.size();
    return kCodeRules[known ? static_cast<std::size_t>(code) : 0U];
}

// The code an aspect carries; an aspect outside the table carries code 0.
// The markers are no aspects: a host passing -2 does not get code 4.
constexpr const CodeRule& codeForAspect(int32_t aspect) {
    for (const CodeRule& row : kCodeRules) {
        if (row.aspect >= 0 && row.aspect == aspect) {
            return row;
        }
    }
    return kCodeRules[0];
}

// The speed a mode permits for a code (kStop, or kKeepsPrevious for the last
// one). The selector only takes 0 to 2; any other value reads as mode 0.
constexpr int32_t permittedSpeed(int32_t mode, int32_t code) {
    const CodeRule& row = codeRule(code);
    if (mode == kModeTwo) {
        return row.permittedModeTwo;
    }
    return mode == kModeOne ? row.permittedModeOne : row.permittedModeZero;
}

// The code whose indicator is lit, or -1: only mode 2 lights one.
constexpr int32_t litIndicator(int32_t mode, int32_t code) {
    const CodeRule& row = codeRule(code);
    return mode == kModeTwo && row.hasIndicator ? row.code : -1;
}

enum class ModeKey { Down, Up };

// The selector after a mode key. Leaving mode 2 needs no code received and
// the brake applied, so that a driver cannot shed a restrictive code; the
// selector stops at 0 and at 2.
constexpr int32_t modeAfterKey(ModeKey key, int32_t mode, bool codeReceived, int32_t brakeHandle) {
    if (key == ModeKey::Up) {
        return mode < kModeTwo ? mode + 1 : mode;
    }
    if (mode == kModeTwo) {
        return !codeReceived && brakeHandle > 0 ? kModeOne : kModeTwo;
    }
    return mode == kModeOne ? kModeZero : mode;
}

// A change into or out of the aspects from kBellAspectFrom up rings the bell.
constexpr bool aspectChangeRings(int32_t previous, int32_t aspect) {
    return aspect != previous && (aspect >= kBellAspectFrom || previous >= kBellAspectFrom);
}

// The speed a mode permits for a code as supervision compares it, km/h:
// kStop reads as -1, and a code the mode has no speed for keeps `previous`.
constexpr double settledPermittedSpeed(int32_t mode, int32_t code, double previous) {
    const int32_t speed = permittedSpeed(mode, code);
    return speed == kKeepsPrevious ? previous : static_cast<double>(speed);
}

// Reverser positions as SetReverser reports them.
inline constexpr int32_t kReverserForward = 1;
inline constexpr int32_t kReverserBackward = -1;
// Running backwards faster than this with the reverser forward trips the
// emergency brake, km/h.
inline constexpr double kRollbackSpeed = -5.0;

constexpr bool rollbackTrips(int32_t reverser, double speed) {
    return reverser == kReverserForward && kRollbackSpeed > speed;
}
// The rollback trip clears at a speed of 0 or less with the brake handle at
// the emergency notch: rolling back on with the handle there clears it too.
constexpr bool rollbackClears(double speed, bool brakeAtEmergencyNotch) {
    return !(speed > 0.0) && brakeAtEmergencyNotch;
}
// Within the permitted speed: below it (a comparison that cannot be decided
// counts as within), or at most the fixed limit while that is on.
constexpr bool withinPermitted(double speed, double permitted, bool fixedLimit) {
    return fixedLimit ? speed <= static_cast<double>(kFixedLimit) : !(speed >= permitted);
}
// Without a code the limited modes may not run at all, unless the driver
// took the fixed limit or is backing the train.
constexpr bool runsUncoded(int32_t code, bool fixedLimit, int32_t reverser, int32_t mode) {
    return code == 0 && !fixedLimit && reverser != kReverserBackward && mode != kModeTwo;
}

// SetBrake: the handle at the vehicle's emergency notch.
constexpr bool brakeAtEmergency(int32_t notch, int32_t emergencyNotch) { return notch == emergencyNotch; }

constexpr bool codeRulesValid() {
    for (std::size_t i = 0; i < kCodeRules.size(); ++i) {
        const CodeRule& row = kCodeRules[i];
        if (row.code != static_cast<int32_t>(i) || row.received != (row.code >= 2)) {
            return false;
        }
    }
    return kCodeRules[0].aspect == kAnyOtherAspect;
}
static_assert(codeRulesValid(), "one row per code 0 to 9 in order, the first for every other aspect");
static_assert(permittedSpeed(kModeTwo, 9) == 75 && permittedSpeed(kModeZero, 6) == 25 &&
                  permittedSpeed(kModeOne, 0) == kKeepsPrevious && permittedSpeed(kModeTwo, 42) == kStop &&
                  codeForAspect(kNoAspect).code == 0 && codeForAspect(25).code == 9,
              "the permitted speeds of the table, unknown codes as code 0");
static_assert(rollbackTrips(kReverserForward, -5.1) && !rollbackTrips(kReverserForward, -5.0) &&
                  !rollbackTrips(0, -9.0) && rollbackClears(-3.0, true) && !rollbackClears(0.0, false) &&
                  withinPermitted(25.0, 0.0, true) && !withinPermitted(55.0, 55.0, false) &&
                  !withinPermitted(0.0, settledPermittedSpeed(kModeTwo, 2, 75.0), false) &&
                  settledPermittedSpeed(kModeOne, 0, 45.0) == 45.0,
              "rollback beyond -5 km/h with the reverser forward; the stop code holds a standing train");
static_assert(modeAfterKey(ModeKey::Down, kModeTwo, true, 5) == kModeTwo &&
                  modeAfterKey(ModeKey::Down, kModeTwo, false, 0) == kModeTwo &&
                  modeAfterKey(ModeKey::Down, kModeTwo, false, 1) == kModeOne &&
                  modeAfterKey(ModeKey::Up, kModeTwo, false, 0) == kModeTwo,
              "mode 2 is left only braked without a code; the selector stops at 2");

}  // namespace cabkit::contract::cabrix

#endif  // CABKIT_CABRIX_CABRIX_RULES_H
