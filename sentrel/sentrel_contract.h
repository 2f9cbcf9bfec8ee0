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

inline constexpr const char* kRole =
    "The point-type train stop: beacons raise a warning that must be acknowledged within 5000 ms, trip the "
    "emergency brake at once, or trip it when two beacons of a pair or a timing window are passed too quickly. "
    "It runs while slot 249 is 0; each time it comes on it sounds a switch-on test of about two seconds.";

inline constexpr const char* kLampGroup = "Train-stop lamps";

inline constexpr auto kPanelSlots = std::to_array<PanelSlot>({
    {0, kSentrel, kNobody, Display::Lamp, "normal lamp", kLampGroup, "0 or 1", "every frame",
     "lit while the train stop is on, key 0 is not held and the alarm lamp was dark at the start of the frame"},
    {1, kSentrel, kNobody, Display::Lamp, "alarm lamp", kLampGroup, "0 or 1", "every frame",
     "lit while the alarm holds: the switch-on test, a warning waiting for acknowledgement, or the emergency "
     "brake latched; dark while the train stop is off"},
    {28, kSentrel, kNobody, Display::Lamp, "brake-override lamp", kLampGroup, "0 or 1", "every frame",
     "lit in frames in which Sentrel imposes the emergency notch"},
});

inline constexpr auto kSoundSlots = std::to_array<SoundSlot>({
    {0, kSentrel, Play::Looping, kNoTwin, "alarm", "0 while the alarm holds, -10000 otherwise; every frame",
     "the alarm: switch-on test, pending warning, emergency brake latched"},
    {1, kSentrel, Play::Looping, kNoTwin, "reminder tone",
     "0 while the tone is latched and the train stop is on, -10000 otherwise; every frame",
     "starts with any alarm and keeps playing after it until key 1 is held in a frame without alarm"},
    {20, kSentrel, Play::OneShot, kNoTwin, "alarm end",
     "1 in the frame the alarm stops, 2 after; -10000 while off and after Initialize", "the alarm has ended"},
    {21, kSentrel, Play::Strokes, kNoTwin, "reminder stroke A", "1 when stroke A is due, 2 after; -10000 while off",
     "strokes A and B alternate every 235 to 334 ms (drawn at Initialize) while the reminder tone plays"},
    {22, kSentrel, Play::Strokes, kNoTwin, "reminder stroke B", "1 when stroke B is due, 2 after; -10000 while off",
     "as slot 21; the first stroke after loading is B"},
});

inline constexpr auto kKeys = std::to_array<Key>({
    {0, kSentrel, "train-stop acknowledge",
     "acknowledges only with the brake handle at or beyond the check notch since the end of the last frame, "
     "after the switch-on test",
     "held: acknowledges a pending warning; a warning beacon passed while it is held is not taken", "no longer held"},
    {1, kSentrel, "reminder-tone reset", "", "held: silences the reminder tone once no alarm holds", "no longer held"},
    {3, kSentrel, "train-stop reset", "brake handle at the emergency notch since the end of the last frame",
     "releases the emergency brake latch (a pending warning stays pending)", "the same as pressing"},
});

inline constexpr auto kBeacons = std::to_array<Beacon>({
    {0, kSentrel, BeaconFields{kSignalField | kOptionalField}, Taken::WhileMovingKeyZeroUp, "train-stop warning",
     "signal: aspect, 0 at stop; optional: 0 for a signal, otherwise window-only",
     "with optional 0: a warning when the signal is 0; otherwise a warning when a timing window is open. "
     "The driver has 5000 ms to acknowledge"},
    {1, kSentrel, BeaconFields{kSignalField | kOptionalField}, Taken::WhileMoving, "train-stop stop",
     "signal: aspect, 0 at stop; optional: 0 for a signal",
     "trips the emergency brake when optional and signal are both 0, and whenever a timing window is open"},
    {50, kSentrel, kNoField, Taken::WhileMoving, "train-stop pair", "",
     "any two pair beacons in a row form a pair: the second trips when less than 500 ms of frame time lie "
     "between them"},
    {55, kSentrel, kNoField, Taken::WhileMoving, "train-stop pair, second type", "", "as type 50"},
    {65, kSentrel, kOptionalField, Taken::Always, "train-stop timing window", "optional: window length, ms",
     "opens a timing window: inside it type 1 trips and type 0 with optional not 0 warns"},
    {95, kSentrel, kSignalField, Taken::WhileMovingKeyZeroUp, "train-stop signal warning", "signal: aspect, 0 at stop",
     "a warning when the signal is 0"},
    {101, kSentrel, kSignalField, Taken::WhileMovingNotBackward, "train-stop direct stop", "signal: aspect, 0 at stop",
     "trips the emergency brake when the signal is 0"},
});

inline constexpr const char* kSettingsFile = "ZQConfig.ini";

// Read at every Initialize from the folder of the library itself. Nothing
// in the supervision depends on them.
inline constexpr const char* kSettingsNote =
    "Read from the folder of the library itself at every `Initialize`; a missing file, section or key gives the "
    "default. The check notch, at or beyond which a warning may be acknowledged, is the third field of the "
    "vehicle record the host passes to `SetVehicleSpec`.";
inline constexpr auto kSettings = std::to_array<Setting>({
    {kSettingsFile, "MaxSpd", "Speed", 120, "a maximum speed, km/h; read and kept, no rule uses it"},
    {kSettingsFile, "SetSpec", "Deceleration", 2, "a deceleration, km/h/s; read and kept, no rule uses it"},
});

static_assert(panelSlotsValid(kPanelSlots) && apartFromShared(kPanelSlots),
              "Sentrel's slots lie on the panel, once each, apart from the exchanged ones");
static_assert(soundSlotsValid(kSoundSlots) && keysValid(kKeys) && beaconsValid(kBeacons),
              "Sentrel's sound slots, keys and beacon types are named once each");

}  // namespace cabkit::contract::sentrel

#endif  // CABKIT_SENTREL_SENTREL_CONTRACT_H
