// The cab contract: what each plug-in reads and writes on the host's panel
// and sound arrays, which keys and beacon types it answers, and what they
// mean. Every slot number, key number and beacon type of the system is
// written once, in these tables: the record types and the slots the plug-ins
// exchange live here, each plug-in's own table beside its code
// (velorin/velorin_contract.h, sentrel/sentrel_contract.h,
// cabrix/cabrix_contract.h). The plug-ins' output code, simhost, the fuzz
// harness and the authors' reference (simhost reference) all read them.
//
// The tables are constexpr data of the standard library only: a plug-in
// that takes a slot number from them pays nothing at run time.
#ifndef CABKIT_HOST_CAB_CONTRACT_H
#define CABKIT_HOST_CAB_CONTRACT_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "host_arrays.h"

namespace cabkit::contract {

// The parties that meet at the panel, as bits so that one slot can name two
// writers. The outside component stands for whatever part of the vehicle
// beyond the three plug-ins writes the slots it is given (power permitted,
// the two selectors).
enum Party : uint8_t {
    kNobody = 0,
    kVelorin = 1U << 0U,
    kSentrel = 1U << 1U,
    kCabrix = 1U << 2U,
    kOutside = 1U << 3U,
};
using Parties = uint8_t;

inline constexpr std::array<Party, 4> kParties{kVelorin, kSentrel, kCabrix, kOutside};

constexpr std::string_view partyName(Party party) {
    switch (party) {
        case kVelorin: return "Velorin";
        case kSentrel: return "Sentrel";
        case kCabrix: return "Cabrix";
        case kOutside: return "outside component";
        case kNobody: break;
    }
    return "nobody";
}

// How a panel slot is best shown: a lamp is 0 (dark) or 1 (lit); a state
// changes only when the driver or the route does something (a mode, a code,
// a selector), so every change is worth telling; a value is a reading that
// moves on its own (a clock, a counter, a digit, a timetable entry).
enum class Display : uint8_t { Lamp, State, Value };

struct PanelSlot {
    int32_t slot;
    Parties writers;
    Parties readers;  // the plug-ins that act on it; kNobody for a display slot
    Display display;
    const char* label;    // short name, unique within its table
    const char* group;    // the part of the cab it belongs to
    const char* values;   // value range and encoding
    const char* written;  // when its writer writes it
    const char* meaning;
};

// How a sound slot is commanded (the commands are in sound_commands.h):
// looping sounds get 0 while they play and -10000 otherwise; one-shots get
// 1 in the frame of the event and 2 in the frames after; strokes are
// one-shots repeated every few hundred ms while something lasts.
enum class Play : uint8_t { Looping, OneShot, Strokes };

inline constexpr int32_t kNoTwin = -1;

struct SoundSlot {
    int32_t slot;
    Parties writer;
    Play play;
    int32_t twinOf;        // the slot it always carries the same command as, or kNoTwin
    const char* label;     // short name, unique within its table
    const char* commands;  // which command when
    const char* meaning;
};

struct Key {
    int32_t key;
    Parties plugin;
    const char* label;      // short name, unique within its table
    const char* condition;  // when a press takes effect; "" for always
    const char* pressed;    // effect of KeyDown
    const char* released;   // effect of KeyUp; "" for none
};

// The BeaconData fields a plug-in reads of a beacon type (its type aside).
enum BeaconField : uint8_t {
    kNoField = 0,
    kSignalField = 1U << 0U,
    kOptionalField = 1U << 1U,
    kDistanceField = 1U << 2U,
};
using BeaconFields = uint8_t;

// When a plug-in takes a beacon it is passed; a beacon not taken has no
// effect at all. Standing and moving refer to the speed of the last frame
// (0 between Initialize and the first frame).
enum class Taken : uint8_t {
    Always,
    AtStandstill,      // speed exactly 0
    InVelorinModeOne,  // Velorin's operating mode 1
    InModeTwoOrAtStandstill,
    WhileMoving,             // any speed but 0, backwards included
    WhileMovingKeyZeroUp,    // moving, and key 0 not held
    WhileMovingNotBackward,  // moving, and the reverser not backward
};

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

struct Beacon {
    int32_t type;
    Parties plugin;
    BeaconFields fields;
    Taken taken;
    const char* label;  // short name, unique within its table
    const char* units;  // what the fields it reads carry; "" when it reads none
    const char* effect;
};

// An entry of a settings file.
struct Setting {
    const char* file;
    const char* section;
    const char* key;
    int32_t fallback;  // when the file, the section or the key is missing
    const char* meaning;
};

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

inline constexpr auto kSharedPanelSlots = std::to_array<PanelSlot>({
    {57, kCabrix, kVelorin, Display::Lamp, "service-brake lamp", "Exchanged between plug-ins", "0 or 1", "every frame",
     "Cabrix demands the service brake: the speed is not below the permitted speed. While this slot or "
     "slot 58 is set, the driver's reverser and brake do not release Velorin's train operation controller"},
    {58, kCabrix, kVelorin, Display::Lamp, "emergency-brake lamp", "Exchanged between plug-ins", "0 or 1",
     "every frame",
     "Cabrix demands the emergency brake: rollback, or running without a code in its modes 0 and 1. Acts on "
     "the controller as slot 57 does"},
    {59, kCabrix, kVelorin, Display::Lamp, "cut-out lamp", "Exchanged between plug-ins", "0 or 1", "every frame",
     "Cabrix's supervision is cut out (its key 13). Velorin's controller then reads no cab-signal code and "
     "holds the brake"},
    {72, kCabrix, kVelorin, Display::State, "cab-signal code", "Exchanged between plug-ins",
     "0 to 9; no aspect gives 4", "every frame",
     "the cab-signal code of the section ahead (Cabrix's aspect table); Velorin's controller takes its speed "
     "from it"},
    {75, kVelorin, kCabrix, Display::State, "operating mode", "Exchanged between plug-ins", "0, 1 or 2", "every frame",
     "Velorin's operating mode; 0 keeps Cabrix inactive"},
    {201, kOutside, kVelorin, Display::State, "power permitted", "Exchanged between plug-ins", "any; 0 or not 0 counts",
     "by the outside component",
     "non-zero permits Velorin's power output and key 0 (the controller's start), and stops its door "
     "timers; while it is 0 Velorin's power output is 0"},
    {231, kOutside, kVelorin, Display::State, "selector A", "Exchanged between plug-ins", "any; above 2 counts",
     "by the outside component", "with slot 232, selects the value of slot 233 in mode 2"},
    {232, kOutside, kVelorin, Display::State, "selector B", "Exchanged between plug-ins", "any; above 2 counts",
     "by the outside component", "with slot 231, selects the value of slot 233 in mode 2"},
    {233, kVelorin, kNobody, Display::State, "selector indicator", "Exchanged between plug-ins", "0, 1 or 2",
     "every frame", "0 in modes 0 and 1; in mode 2, 1 when slot 231 or 232 is above 2, else 2"},
    {249, Parties{kVelorin | kCabrix}, kSentrel, Display::State, "train-stop switch-off", "Exchanged between plug-ins",
     "0, 1 or 4", "by Velorin in its mode 0 (4), by Cabrix while its mode is not 0 (1)",
     "any value but 0 switches Sentrel off. No plug-in writes 0 here: the host decides what a slot nobody "
     "wrote in a frame reads"},
});

// ---------------------------------------------------------------------------
// Compile-time lookups by label, for the code that writes or reads a slot: a
// label that is not in the table does not compile.
namespace detail {
// Declared and never defined: a constant evaluation that reaches it fails.
void labelIsNotInTheTable();
}  // namespace detail

template <typename Row, std::size_t N>
consteval int32_t numberNamed(const std::array<Row, N>& rows, int32_t Row::*number, std::string_view label) {
    for (const Row& row : rows) {
        if (label == row.label) {
            return row.*number;
        }
    }
    detail::labelIsNotInTheTable();
    return -1;
}

template <std::size_t N>
consteval int32_t panelSlot(const std::array<PanelSlot, N>& rows, std::string_view label) {
    return numberNamed(rows, &PanelSlot::slot, label);
}
template <std::size_t N>
consteval int32_t soundSlot(const std::array<SoundSlot, N>& rows, std::string_view label) {
    return numberNamed(rows, &SoundSlot::slot, label);
}
template <std::size_t N>
consteval int32_t keyNumber(const std::array<Key, N>& rows, std::string_view label) {
    return numberNamed(rows, &Key::key, label);
}
template <std::size_t N>
consteval int32_t beaconType(const std::array<Beacon, N>& rows, std::string_view label) {
    return numberNamed(rows, &Beacon::type, label);
}

// A slot of the shared table by its label.
consteval int32_t sharedSlot(std::string_view label) { return panelSlot(kSharedPanelSlots, label); }

// ---------------------------------------------------------------------------
// The invariants every table keeps, checked where each table is defined.

template <typename Row, std::size_t N>
constexpr bool labelsDistinct(const std::array<Row, N>& rows) {
    for (std::size_t i = 0; i < N; ++i) {
        for (std::size_t j = i + 1; j < N; ++j) {
            if (std::string_view(rows[i].label) == rows[j].label) {
                return false;
            }
        }
    }
    return true;
}

template <typename Row, std::size_t N>
constexpr bool numbersDistinct(const std::array<Row, N>& rows, int32_t Row::*number) {
    for (std::size_t i = 0; i < N; ++i) {
        for (std::size_t j = i + 1; j < N; ++j) {
            if (rows[i].*number == rows[j].*number) {
                return false;
            }
        }
    }
    return true;
}

template <std::size_t N>
constexpr bool panelSlotsValid(const std::array<PanelSlot, N>& rows) {
    for (const PanelSlot& row : rows) {
        if (row.slot < 0 || row.slot > CABKIT_PANEL_LAST_USED || row.writers == kNobody) {
            return false;
        }
    }
    return labelsDistinct(rows) && numbersDistinct(rows, &PanelSlot::slot);
}

template <std::size_t N>
constexpr bool soundSlotsValid(const std::array<SoundSlot, N>& rows) {
    for (const SoundSlot& row : rows) {
        if (row.slot < 0 || row.slot >= CABKIT_SOUND_SLOTS || row.twinOf >= CABKIT_SOUND_SLOTS) {
            return false;
        }
    }
    return labelsDistinct(rows) && numbersDistinct(rows, &SoundSlot::slot);
}

// Key numbers run from 0 to 15; each plug-in names a key once.
template <std::size_t N>
constexpr bool keysValid(const std::array<Key, N>& rows) {
    for (const Key& row : rows) {
        if (row.key < 0 || row.key > 15) {
            return false;
        }
    }
    return labelsDistinct(rows) && numbersDistinct(rows, &Key::key);
}

template <std::size_t N>
constexpr bool beaconsValid(const std::array<Beacon, N>& rows) {
    return labelsDistinct(rows) && numbersDistinct(rows, &Beacon::type);
}

// No slot of a plug-in's own table is one of the exchanged slots.
template <std::size_t N>
constexpr bool apartFromShared(const std::array<PanelSlot, N>& rows) {
    for (const PanelSlot& row : rows) {
        for (const PanelSlot& shared : kSharedPanelSlots) {
            if (row.slot == shared.slot) {
                return false;
            }
        }
    }
    return true;
}

static_assert(panelSlotsValid(kSharedPanelSlots), "exchanged slots lie on the panel, once each");

}  // namespace cabkit::contract

#endif  // CABKIT_HOST_CAB_CONTRACT_H
