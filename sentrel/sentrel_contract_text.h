// The words of sentrel_contract.h: Sentrel's role and what its rows mean, for
// simhost's reference, event log and page only. The plug-in never includes
// this, so rewording a row rebuilds simhost and the docs, not the plug-in.
#ifndef CABKIT_SENTREL_SENTREL_CONTRACT_TEXT_H
#define CABKIT_SENTREL_SENTREL_CONTRACT_TEXT_H

#include <array>

#include "cab_contract_text.h"
#include "sentrel_contract.h"

namespace cabkit::contract::sentrel {

inline constexpr const char* kRole =
    "The point-type train stop: beacons raise a warning that must be acknowledged within 5000 ms, trip the "
    "emergency brake at once, or trip it when two beacons of a pair or a timing window are passed too quickly. "
    "It runs while slot 249 is 0; each time it comes on it sounds a switch-on test of about two seconds.";

inline constexpr const char* kLampGroup = "Train-stop lamps";

// Read at every Initialize from the folder of the library itself. Nothing
// in the supervision depends on them.
inline constexpr const char* kSettingsNote =
    "Read from the folder of the library itself at every `Initialize`; a missing file, section or key gives the "
    "default. The check notch, at or beyond which a warning may be acknowledged, is the third field of the "
    "vehicle record the host passes to `SetVehicleSpec`.";

inline constexpr auto kPanelSlotTexts = std::to_array<PanelSlotText>({
    {"normal lamp", kLampGroup, "0 or 1", "every frame",
     "lit while the train stop is on, key 0 is not held and the alarm lamp was dark at the start of the frame"},
    {"alarm lamp", kLampGroup, "0 or 1", "every frame",
     "lit while the alarm holds: the switch-on test, a warning waiting for acknowledgement, or the emergency "
     "brake latched; dark while the train stop is off"},
    {"brake-override lamp", kLampGroup, "0 or 1", "every frame",
     "lit in frames in which Sentrel imposes the emergency notch"},
});

inline constexpr auto kSoundSlotTexts = std::to_array<SoundSlotText>({
    {"alarm", "0 while the alarm holds, -10000 otherwise; every frame",
     "the alarm: switch-on test, pending warning, emergency brake latched"},
    {"reminder tone", "0 while the tone is latched and the train stop is on, -10000 otherwise; every frame",
     "starts with any alarm and keeps playing after it until key 1 is held in a frame without alarm"},
    {"alarm end", "1 in the frame the alarm stops, 2 after; -10000 while off and after Initialize",
     "the alarm has ended"},
    {"reminder stroke A", "1 when stroke A is due, 2 after; -10000 while off",
     "strokes A and B alternate every 235 to 334 ms (drawn at Initialize) while the reminder tone plays"},
    {"reminder stroke B", "1 when stroke B is due, 2 after; -10000 while off",
     "as slot 21; the first stroke after loading is B"},
});

inline constexpr auto kKeyTexts = std::to_array<KeyText>({
    {"train-stop acknowledge",
     "acknowledges only with the brake handle at or beyond the check notch since the end of the last frame, "
     "after the switch-on test",
     "held: acknowledges a pending warning; a warning beacon passed while it is held is not taken", "no longer held"},
    {"reminder-tone reset", "", "held: silences the reminder tone once no alarm holds", "no longer held"},
    {"train-stop reset", "brake handle at the emergency notch since the end of the last frame",
     "releases the emergency brake latch (a pending warning stays pending)", "the same as pressing"},
});

inline constexpr auto kBeaconTexts = std::to_array<BeaconText>({
    {"train-stop warning", "signal: aspect, 0 at stop; optional: 0 for a signal, otherwise window-only",
     "with optional 0: a warning when the signal is 0; otherwise a warning when a timing window is open. "
     "The driver has 5000 ms to acknowledge"},
    {"train-stop stop", "signal: aspect, 0 at stop; optional: 0 for a signal",
     "trips the emergency brake when optional and signal are both 0, and whenever a timing window is open"},
    {"train-stop pair", "",
     "any two pair beacons in a row form a pair: the second trips when less than 500 ms of frame time lie "
     "between them"},
    {"train-stop pair, second type", "", "as type 50"},
    {"train-stop timing window", "optional: window length, ms",
     "opens a timing window: inside it type 1 trips and type 0 with optional not 0 warns"},
    {"train-stop signal warning", "signal: aspect, 0 at stop", "a warning when the signal is 0"},
    {"train-stop direct stop", "signal: aspect, 0 at stop", "trips the emergency brake when the signal is 0"},
});

inline constexpr auto kSettingTexts = std::to_array<SettingText>({
    {"Speed", "a maximum speed, km/h; read and kept, no rule uses it"},
    {"Deceleration", "a deceleration, km/h/s; read and kept, no rule uses it"},
});

static_assert(describesEachRow(kPanelSlots, kPanelSlotTexts) && describesEachRow(kSoundSlots, kSoundSlotTexts) &&
                  describesEachRow(kKeys, kKeyTexts) && describesEachRow(kBeacons, kBeaconTexts) &&
                  describesEachRow(kSettings, kSettingTexts),
              "each of Sentrel's rows is described once, in its order");

}  // namespace cabkit::contract::sentrel

#endif  // CABKIT_SENTREL_SENTREL_CONTRACT_TEXT_H
