// When Velorin takes the driver's keys and handles: the start of its train
// operation controller, the driver taking the train back, and the two
// mode-selector keys. Stated once here, for the plug-in and for simhost's
// explanations of a refusal. Numbers and conditions only: the words for
// them are in velorin_rules_text.h, which the plug-in does not include.
#ifndef CABKIT_VELORIN_VELORIN_RULES_H
#define CABKIT_VELORIN_VELORIN_RULES_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "driver_handles.h"
#include "velorin_contract.h"

namespace cabkit::contract::velorin {

inline constexpr int32_t kReverserForward = 1;

// The power handle's top positions give other notches, by operating mode
// 0, 1 and 2; every other position passes unchanged (so no handle gives 6).
struct PowerMapping {
    int32_t handle;
    std::array<int32_t, 3> notchByMode;
};
inline constexpr std::array<PowerMapping, 3> kPowerMappings{{
    {3, {4, 4, 4}},
    {4, {5, 5, 5}},
    {5, {5, 8, 7}},
}};

constexpr int32_t powerNotchForHandle(int32_t handle, int32_t mode) {
    if (mode < 0 || mode > 2) {
        return handle;
    }
    for (const PowerMapping& mapping : kPowerMappings) {
        if (mapping.handle == handle) {
            return mapping.notchByMode[static_cast<std::size_t>(mode)];
        }
    }
    return handle;
}
static_assert(powerNotchForHandle(3, 1) == 4 && powerNotchForHandle(5, 2) == 7 && powerNotchForHandle(6, 1) == 6,
              "handle 3 gives notch 4; positions beyond the table pass unchanged");

// A speed restriction (beacon 524) applies this far ahead of its beacon, in
// the direction of travel, and ends once the train is this far past its
// start, m.
inline constexpr double kRestrictionNoticeM = 400.0;
inline constexpr double kRestrictionLengthM = 60.0;
// The one operating mode in which key 0 starts the controller.
inline constexpr int32_t kAtoStartMode = 2;

// Each thing key 0 needs, on its own, so that a refusal can name the unmet
// ones in this order.
enum class AtoStartNeed : uint8_t { ModeTwo, PowerPermitted, BrakeReleased, PowerOff, ReverserForward };
inline constexpr std::array<AtoStartNeed, 5> kAtoStartNeeds{AtoStartNeed::ModeTwo, AtoStartNeed::PowerPermitted,
                                                            AtoStartNeed::BrakeReleased, AtoStartNeed::PowerOff,
                                                            AtoStartNeed::ReverserForward};

// What a key 0 press meets: the operating mode, whether slot 201 was
// non-zero in the last frame, and the driver's handles.
struct AtoStartMoment {
    int32_t mode = 0;
    bool powerPermitted = false;
    DriverHandles driver{};
};

constexpr bool met(AtoStartNeed need, const AtoStartMoment& moment) {
    switch (need) {
        case AtoStartNeed::ModeTwo: return moment.mode == kAtoStartMode;
        case AtoStartNeed::PowerPermitted: return moment.powerPermitted;
        case AtoStartNeed::BrakeReleased: return moment.driver.brake == 0;
        case AtoStartNeed::PowerOff: return moment.driver.power == 0;
        case AtoStartNeed::ReverserForward: return moment.driver.reverser == kReverserForward;
    }
    return false;
}

// Key 0 engages the controller only from a train held by nothing but the
// controller: every need met.
constexpr bool atoStartAccepted(const AtoStartMoment& moment) {
    for (const AtoStartNeed need : kAtoStartNeeds) {
        if (!met(need, moment)) {
            return false;
        }
    }
    return true;
}

// The handles where the controller takes the train: power and brake at 0,
// the reverser forward.
constexpr bool handlesAtRest(const DriverHandles& driver) {
    return driver.brake == 0 && driver.power == 0 && driver.reverser == kReverserForward;
}

// The driver takes the train back from the controller by any power, and by
// the reverser or the brake away from rest unless the cab signal is braking
// (slots 57, 58), when the driver may be moving them in answer to it.
constexpr bool driverTakesOver(const DriverHandles& driver, bool cabSignalBraking) {
    return driver.power != 0 || (!cabSignalBraking && (driver.reverser != kReverserForward || driver.brake != 0));
}

// The mode-selector keys and the end each moves toward.
struct ModeKey {
    int32_t key;
    int32_t toward;
};
inline constexpr std::array<ModeKey, 2> kModeKeys{{
    {keyNumber(kKeys, "mode selector toward 1"), 1},
    {keyNumber(kKeys, "mode selector toward 2"), 2},
}};

// A mode key works only with the brake handle at the emergency notch.
constexpr bool modeKeyTaken(int32_t brakeHandle, int32_t emergencyNotch) { return brakeHandle == emergencyNotch; }

// The selector has 0 in the middle: a step toward one end from 0 reaches
// it, a step from the other end lands on 0, and at that end it stays.
constexpr int32_t modeToward(int32_t mode, int32_t toward) {
    if (mode == 0) {
        return toward;
    }
    return mode != toward ? 0 : mode;
}

// The end a mode key moves toward; 0 for any other key.
constexpr int32_t modeKeyToward(int32_t key) {
    for (const ModeKey& modeKey : kModeKeys) {
        if (modeKey.key == key) {
            return modeKey.toward;
        }
    }
    return 0;
}

// The mode after `key` is pressed; unchanged for any other key, and for a
// mode key the brake handle does not let through.
constexpr int32_t modeAfterKey(int32_t key, int32_t mode, int32_t brakeHandle, int32_t emergencyNotch) {
    const int32_t toward = modeKeyToward(key);
    if (toward == 0 || !modeKeyTaken(brakeHandle, emergencyNotch)) {
        return mode;
    }
    return modeToward(mode, toward);
}

}  // namespace cabkit::contract::velorin

#endif  // CABKIT_VELORIN_VELORIN_RULES_H
