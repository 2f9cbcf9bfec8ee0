// Panel slots the vehicle plug-in reads or writes by name, taken from the cab
// contract tables, and access that checks at compile time that a slot lies
// inside the part of the panel in use.
#ifndef CABKIT_VELORIN_PANEL_SLOTS_H
#define CABKIT_VELORIN_PANEL_SLOTS_H

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host_arrays.h"
#include "velorin_contract.h"

namespace cabkit::velorin::slot {

// A slot of Velorin's own table, or of the exchanged ones, by its label.
consteval std::size_t own(std::string_view label) {
    return static_cast<std::size_t>(contract::panelSlot(contract::velorin::kPanelSlots, label));
}
consteval std::size_t shared(std::string_view label) { return static_cast<std::size_t>(contract::sharedSlot(label)); }

// Written by the cab-signal plug-in.
inline constexpr std::size_t kServiceBrakeIndicator = shared("service-brake lamp");
inline constexpr std::size_t kEmergencyBrakeIndicator = shared("emergency-brake lamp");
inline constexpr std::size_t kCabSignalCutOut = shared("cut-out lamp");
inline constexpr std::size_t kCabSignalCode = shared("cab-signal code");
// Written by a component outside the three plug-ins.
inline constexpr std::size_t kPowerPermitted = shared("power permitted");
inline constexpr std::size_t kSelectorA = shared("selector A");
inline constexpr std::size_t kSelectorB = shared("selector B");

// Written here.
inline constexpr std::size_t kClockHours = own("clock hours");
inline constexpr std::size_t kClockMinutes = own("clock minutes");
inline constexpr std::size_t kClockSeconds = own("clock seconds");
inline constexpr std::size_t kStopAlertLamp = own("stop alert lamp");
inline constexpr std::size_t kModeTwoLamp = own("mode-2 lamp");
inline constexpr std::size_t kOperatingMode = shared("operating mode");
inline constexpr std::size_t kSideTwoState = own("side two state");
inline constexpr std::size_t kSideOneState = own("side one state");
inline constexpr std::size_t kSideTwoActivity = own("side two activity");
inline constexpr std::size_t kSideOneActivity = own("side one activity");
inline constexpr std::size_t kExtraCode = own("extra code");
inline constexpr std::size_t kCurrentIndicator = own("current indicator");
inline constexpr std::size_t kMonth = own("month");
inline constexpr std::size_t kDay = own("day");
inline constexpr std::size_t kDistanceKm = own("distance km");
inline constexpr std::size_t kDistanceHundreds = own("distance hundreds digit");
inline constexpr std::size_t kNumberLeading = own("number field leading code");
inline constexpr std::size_t kNumberThousands = own("number field thousands digit");
inline constexpr std::size_t kNumberHundreds = own("number field hundreds digit");
inline constexpr std::size_t kNumberTens = own("number field tens digit");
inline constexpr std::size_t kNumberUnits = own("number field units digit");
inline constexpr std::size_t kNumberTrailing = own("number field trailing code");
inline constexpr std::size_t kBrakeNotch = own("brake notch");
inline constexpr std::size_t kToggleLamp = own("toggle lamp");
inline constexpr std::size_t kSelectorIndicator = shared("selector indicator");
inline constexpr std::size_t kTrainStopOff = shared("train-stop switch-off");

// Sound slot of the stop alert.
inline constexpr std::size_t kStopAlertSound =
    static_cast<std::size_t>(contract::soundSlot(contract::velorin::kSoundSlots, "stop alert"));

// The exchanged slots name Velorin as the writer or reader of each one it uses.
consteval bool sharedRole(std::size_t slot, contract::Parties writers, contract::Parties readers) {
    for (const contract::PanelSlot& row : contract::kSharedPanelSlots) {
        if (static_cast<std::size_t>(row.slot) == slot) {
            return (row.writers & writers) == writers && (row.readers & readers) == readers;
        }
    }
    return false;
}
static_assert(sharedRole(kServiceBrakeIndicator, contract::kNobody, contract::kVelorin) &&
                  sharedRole(kEmergencyBrakeIndicator, contract::kNobody, contract::kVelorin) &&
                  sharedRole(kCabSignalCutOut, contract::kNobody, contract::kVelorin) &&
                  sharedRole(kCabSignalCode, contract::kNobody, contract::kVelorin) &&
                  sharedRole(kPowerPermitted, contract::kNobody, contract::kVelorin) &&
                  sharedRole(kSelectorA, contract::kNobody, contract::kVelorin) &&
                  sharedRole(kSelectorB, contract::kNobody, contract::kVelorin),
              "the exchanged slots Velorin reads name it as their reader");
static_assert(sharedRole(kOperatingMode, contract::kVelorin, contract::kNobody) &&
                  sharedRole(kSelectorIndicator, contract::kVelorin, contract::kNobody) &&
                  sharedRole(kTrainStopOff, contract::kVelorin, contract::kNobody),
              "the exchanged slots Velorin writes name it as a writer");

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
