// The words of the cab contract: what its conventions and the exchanged
// slots mean, for simhost's reference, event log and page only. The
// plug-ins never include this, so rewording a row rebuilds simhost and the
// docs, not the plug-ins.
#ifndef CABKIT_HOST_CAB_CONTRACT_TEXT_H
#define CABKIT_HOST_CAB_CONTRACT_TEXT_H

#include <array>
#include <string_view>

#include "cab_contract.h"

namespace cabkit::contract {

// What every table takes for granted, in the authors' words.
inline constexpr const char* kConventions =
    "- Panel and sound slots are 32-bit integers; panel slots 0 to 249 are in use.\n"
    "- Sound commands: -10000 stops a sound, 0 plays it looping, 1 plays it once from the start, 2 leaves it "
    "unchanged. A one-shot is sent as 1 in one frame and 2 in the frames after.\n"
    "- A beacon carries `type`, `signal`, `distance` and `optional`; the tables say which of them a plug-in "
    "reads. No plug-in reads `distance`.\n"
    "- Clock times travel as one integer HHMMSS (08:02:30 is 80230). Empty fields show 24 in an hours slot, 60 "
    "in a minutes or seconds slot, 10 in a single-digit slot and 0 in a code slot; the clock time 246060 is "
    "an empty time.\n"
    "- Speeds are in km/h, distances in m, times in ms.\n"
    "- Standing and moving refer to the speed of the last frame; a beacon a plug-in does not take has no "
    "effect at all.\n";

// ---------------------------------------------------------------------------
// The panel slots the plug-ins exchange, and the ones the outside component
// writes.
inline constexpr const char* kSharedPanelSlotsNote =
    "No plug-in clears a slot that another writes, and no plug-in writes 0 to slot 249: whether a slot nobody "
    "wrote in a frame reads 0 is the host's policy. Slots 201, 231 and 232 belong to a component of the vehicle "
    "outside these plug-ins; without a writer of slot 201 Velorin's power output is 0.";

inline constexpr auto kSharedPanelSlotTexts = std::to_array<PanelSlotText>({
    {"service-brake lamp", "Exchanged between plug-ins", "0 or 1", "every frame",
     "Cabrix demands the service brake: the speed is not below the permitted speed. While this slot or "
     "slot 58 is set, the driver's reverser and brake do not release Velorin's train operation controller"},
    {"emergency-brake lamp", "Exchanged between plug-ins", "0 or 1", "every frame",
     "Cabrix demands the emergency brake: rollback, or running without a code in its modes 0 and 1. Acts on "
     "the controller as slot 57 does"},
    {"cut-out lamp", "Exchanged between plug-ins", "0 or 1", "every frame",
     "Cabrix's supervision is cut out (its key 13). Velorin's controller then reads no cab-signal code and "
     "holds the brake"},
    {"cab-signal code", "Exchanged between plug-ins", "0 to 9; no aspect gives 4", "every frame",
     "the cab-signal code of the section ahead (Cabrix's aspect table); Velorin's controller takes its speed "
     "from it"},
    {"operating mode", "Exchanged between plug-ins", "0, 1 or 2", "every frame",
     "Velorin's operating mode; 0 keeps Cabrix inactive"},
    {"power permitted", "Exchanged between plug-ins", "any; 0 or not 0 counts", "by the outside component",
     "non-zero permits Velorin's power output and key 0 (the controller's start), and stops its door "
     "timers; while it is 0 Velorin's power output is 0"},
    {"selector A", "Exchanged between plug-ins", "any; above 2 counts", "by the outside component",
     "with slot 232, selects the value of slot 233 in mode 2"},
    {"selector B", "Exchanged between plug-ins", "any; above 2 counts", "by the outside component",
     "with slot 231, selects the value of slot 233 in mode 2"},
    {"selector indicator", "Exchanged between plug-ins", "0, 1 or 2", "every frame",
     "0 in modes 0 and 1; in mode 2, 1 when slot 231 or 232 is above 2, else 2"},
    {"train-stop switch-off", "Exchanged between plug-ins", "0, 1 or 4",
     "by Velorin in its mode 0 (4), by Cabrix while its mode is not 0 (1)",
     "any value but 0 switches Sentrel off. No plug-in writes 0 here: the host decides what a slot nobody "
     "wrote in a frame reads"},
});

// When a plug-in takes a beacon, in words.
constexpr std::string_view describe(Taken taken) {
    switch (taken) {
        case Taken::Always: return "always";
        case Taken::AtStandstill: return "only at a standstill";
        case Taken::InVelorinModeOne: return "only in operating mode 1";
        case Taken::InModeTwoOrAtStandstill: return "in operating mode 2, or at a standstill";
        case Taken::WhileMoving: return "only while moving";
        case Taken::WhileMovingKeyZeroUp: return "only while moving, and not while key 0 is held";
        case Taken::WhileMovingNotBackward: return "only while moving, and not with the reverser backward";
    }
    return "";
}

static_assert(describesEachRow(kSharedPanelSlots, kSharedPanelSlotTexts), "each exchanged slot is described once");

}  // namespace cabkit::contract

#endif  // CABKIT_HOST_CAB_CONTRACT_TEXT_H
