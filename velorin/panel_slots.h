// Panel slots the vehicle plug-in reads or writes by name, and access that
// checks at compile time that a slot lies inside the part of the panel in use.
#ifndef CABKIT_VELORIN_PANEL_SLOTS_H
#define CABKIT_VELORIN_PANEL_SLOTS_H

#include <cstddef>
#include <cstdint>

#include "host_arrays.h"

namespace cabkit::velorin::slot {

// Written by the cab-signal plug-in.
inline constexpr std::size_t kServiceBrakeIndicator = 57;
inline constexpr std::size_t kEmergencyBrakeIndicator = 58;
inline constexpr std::size_t kCabSignalCutOut = 59;
inline constexpr std::size_t kCabSignalCode = 72;
// Written by a component outside the three plug-ins.
inline constexpr std::size_t kPowerPermitted = 201;
inline constexpr std::size_t kSelectorA = 231;
inline constexpr std::size_t kSelectorB = 232;

// Written here.
inline constexpr std::size_t kClockHours = 10;
inline constexpr std::size_t kClockMinutes = 11;
inline constexpr std::size_t kClockSeconds = 12;
inline constexpr std::size_t kStopAlertLamp = 22;
inline constexpr std::size_t kModeTwoLamp = 73;
inline constexpr std::size_t kOperatingMode = 75;
inline constexpr std::size_t kSideTwoState = 90;
inline constexpr std::size_t kSideOneState = 91;
inline constexpr std::size_t kSideTwoActivity = 92;
inline constexpr std::size_t kSideOneActivity = 93;
inline constexpr std::size_t kExtraCode = 158;
inline constexpr std::size_t kCurrentIndicator = 159;
inline constexpr std::size_t kMonth = 160;
inline constexpr std::size_t kDay = 161;
inline constexpr std::size_t kDistanceKm = 162;
inline constexpr std::size_t kDistanceHundreds = 163;
inline constexpr std::size_t kNumberLeading = 164;
inline constexpr std::size_t kNumberThousands = 165;
inline constexpr std::size_t kNumberHundreds = 166;
inline constexpr std::size_t kNumberTens = 167;
inline constexpr std::size_t kNumberUnits = 168;
inline constexpr std::size_t kNumberTrailing = 169;
inline constexpr std::size_t kBrakeNotch = 204;
inline constexpr std::size_t kToggleLamp = 207;
inline constexpr std::size_t kSelectorIndicator = 233;
inline constexpr std::size_t kTrainStopOff = 249;

// Sound slot of the stop alert.
inline constexpr std::size_t kStopAlertSound = 10;

template <std::size_t Slot>
int32_t read(const int32_t* panel) {
    static_assert(Slot <= CABKIT_PANEL_LAST_USED, "panel slot in use");
    return panel[Slot];
}

template <std::size_t Slot>
void write(int32_t* panel, int32_t value) {
    static_assert(Slot <= CABKIT_PANEL_LAST_USED, "panel slot in use");
    panel[Slot] = value;
}

template <std::size_t Slot>
void writeSound(int32_t* sound, int32_t value) {
    static_assert(Slot < CABKIT_SOUND_SLOTS, "sound slot inside the array");
    sound[Slot] = value;
}

}  // namespace cabkit::velorin::slot

#endif  // CABKIT_VELORIN_PANEL_SLOTS_H
