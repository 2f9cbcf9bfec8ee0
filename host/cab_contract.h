// The cab contract: what each plug-in reads and writes on the host's panel
// and sound arrays, which keys and beacon types it answers, and what they
// mean (the descriptions are apart, in *_contract_text.h, which only simhost
// reads). Every slot number, key number and beacon type of the system is
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

inline constexpr int32_t kNotBlanked = -1;

struct PanelSlot {
    int32_t slot;
    Parties writers;
    Parties readers;  // the plug-ins that act on it; kNobody for a display slot
    Display display;
    const char* label;  // short name, unique within its table
    int32_t blank;      // what a blank timetable (Velorin's mode 2) shows here, or kNotBlanked
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
    int32_t twinOf;     // the slot it always carries the same command as, or kNoTwin
    const char* label;  // short name, unique within its table
};

struct Key {
    int32_t key;
    Parties plugin;
    const char* label;  // short name, unique within its table
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

struct Beacon {
    int32_t type;
    Parties plugin;
    BeaconFields fields;
    Taken taken;
    const char* label;  // short name, unique within its table
};

// An entry of a settings file.
struct Setting {
    const char* file;
    const char* section;
    const char* key;
    int32_t fallback;  // when the file, the section or the key is missing
};

// The descriptions of the rows, one per row, at the same place in a table of
// their own and led by the same label (a setting's by its key): what the
// authors' reference, the event log and the cab page say about a row.
struct PanelSlotText {
    const char* label = "";
    const char* group = "";    // the part of the cab it belongs to
    const char* values = "";   // value range and encoding
    const char* written = "";  // when its writer writes it
    const char* meaning = "";
};
struct SoundSlotText {
    const char* label = "";
    const char* commands = "";  // which command when
    const char* meaning = "";
};
struct KeyText {
    const char* label = "";
    const char* condition = "";  // when a press takes effect; "" for always
    const char* pressed = "";    // effect of KeyDown
    const char* released = "";   // effect of KeyUp; "" for none
};
struct BeaconText {
    const char* label = "";
    const char* units = "";  // what the fields it reads carry; "" when it reads none
    const char* effect = "";
};
struct SettingText {
    const char* key = "";
    const char* meaning = "";
};

template <typename Row>
constexpr std::string_view rowName(const Row& row) {
    if constexpr (requires { row.label; }) {
        return row.label;
    } else {
        return row.key;
    }
}

// Every row has exactly one description, and no description is left over.
template <typename Row, std::size_t N, typename Text, std::size_t M>
constexpr bool describesEachRow(const std::array<Row, N>& rows, const std::array<Text, M>& texts) {
    if (N != M) {
        return false;
    }
    for (std::size_t i = 0; i < N; ++i) {
        if (rowName(rows[i]) != rowName(texts[i])) {
            return false;
        }
    }
    return true;
}

// The description of a row of this table (its number and label match), or
// null for a row of another table.
template <typename Row, std::size_t N, typename Text, typename Number>
constexpr const Text* textOf(const std::array<Row, N>& rows, const std::array<Text, N>& texts, const Row& row,
                             Number Row::*number) {
    for (std::size_t i = 0; i < N; ++i) {
        if (rows[i].*number == row.*number && rowName(rows[i]) == rowName(row)) {
            return &texts[i];
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// The panel slots the plug-ins exchange, and the ones the outside component
// writes.
inline constexpr auto kSharedPanelSlots = std::to_array<PanelSlot>({
    {57, kCabrix, kVelorin, Display::Lamp, "service-brake lamp", kNotBlanked},
    {58, kCabrix, kVelorin, Display::Lamp, "emergency-brake lamp", kNotBlanked},
    {59, kCabrix, kVelorin, Display::Lamp, "cut-out lamp", kNotBlanked},
    {72, kCabrix, kVelorin, Display::State, "cab-signal code", kNotBlanked},
    {75, kVelorin, kCabrix, Display::State, "operating mode", kNotBlanked},
    {201, kOutside, kVelorin, Display::State, "power permitted", kNotBlanked},
    {231, kOutside, kVelorin, Display::State, "selector A", kNotBlanked},
    {232, kOutside, kVelorin, Display::State, "selector B", kNotBlanked},
    {233, kVelorin, kNobody, Display::State, "selector indicator", kNotBlanked},
    {249, Parties{kVelorin | kCabrix}, kSentrel, Display::State, "train-stop switch-off", kNotBlanked},
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
