// Sentrel's part of the cab contract (the record types are in
// host/cab_contract.h): its lamps and sounds, its keys, the beacon types it
// reads and its settings file. It also reads the exchanged slot 249, which
// switches it off, and the check notch of the vehicle record the host
// passes to SetVehicleSpec (its third field): a warning is acknowledged only with the brake at or beyond
// that notch.
#ifndef CABKIT_SENTREL_SENTREL_CONTRACT_H
#define CABKIT_SENTREL_SENTREL_CONTRACT_H

#include <array>
#include <cstdint>

#include "cab_contract.h"
#include "sentrel_rules.h"

namespace cabkit::contract::sentrel {

inline constexpr auto kPanelSlots = std::to_array<PanelSlot>({
    {0, kSentrel, kNobody, Display::Lamp, "normal lamp", kNotBlanked},
    {1, kSentrel, kNobody, Display::Lamp, "alarm lamp", kNotBlanked},
    {28, kSentrel, kNobody, Display::Lamp, "brake-override lamp", kNotBlanked},
});

inline constexpr auto kSoundSlots = std::to_array<SoundSlot>({
    {0, kSentrel, Play::Looping, kNoTwin, "alarm"},
    {1, kSentrel, Play::Looping, kNoTwin, "reminder tone"},
    {20, kSentrel, Play::OneShot, kNoTwin, "alarm end"},
    {21, kSentrel, Play::Strokes, kNoTwin, "reminder stroke A"},
    {22, kSentrel, Play::Strokes, kNoTwin, "reminder stroke B"},
});

inline constexpr auto kKeys = std::to_array<Key>({
    {0, kSentrel, "train-stop acknowledge"},
    {1, kSentrel, "reminder-tone reset"},
    {3, kSentrel, "train-stop reset"},
});

inline constexpr auto kBeacons = std::to_array<Beacon>({
    {0, kSentrel, BeaconFields{kSignalField | kOptionalField}, Taken::WhileMovingKeyZeroUp, "train-stop warning"},
    {1, kSentrel, BeaconFields{kSignalField | kOptionalField}, Taken::WhileMoving, "train-stop stop"},
    {50, kSentrel, kNoField, Taken::WhileMoving, "train-stop pair"},
    {55, kSentrel, kNoField, Taken::WhileMoving, "train-stop pair, second type"},
    {65, kSentrel, kOptionalField, Taken::Always, "train-stop timing window"},
    {95, kSentrel, kSignalField, Taken::WhileMovingKeyZeroUp, "train-stop signal warning"},
    {101, kSentrel, kSignalField, Taken::WhileMovingNotBackward, "train-stop direct stop"},
});

inline constexpr const char* kSettingsFile = "ZQConfig.ini";

inline constexpr auto kSettings = std::to_array<Setting>({
    {kSettingsFile, "MaxSpd", "Speed", 120},
    {kSettingsFile, "SetSpec", "Deceleration", 2},
});

static_assert(panelSlotsValid(kPanelSlots) && apartFromShared(kPanelSlots),
              "Sentrel's slots lie on the panel, once each, apart from the exchanged ones");
static_assert(soundSlotsValid(kSoundSlots) && keysValid(kKeys) && beaconsValid(kBeacons),
              "Sentrel's sound slots, keys and beacon types are named once each");

}  // namespace cabkit::contract::sentrel

#endif  // CABKIT_SENTREL_SENTREL_CONTRACT_H
