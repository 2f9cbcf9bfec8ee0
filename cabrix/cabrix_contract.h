// Cabrix's part of the cab contract (the record types are in
// host/cab_contract.h): its lamps, mode and code indicators, its sounds, its
// keys and the table from the aspect of the section ahead to the cab-signal
// code and the speed each mode permits for it. Cabrix also writes the
// exchanged slots 57, 58, 59, 72 and 249 and reads 75; it reads no beacon.
#ifndef CABKIT_CABRIX_CABRIX_CONTRACT_H
#define CABKIT_CABRIX_CABRIX_CONTRACT_H

#include <array>
#include <cstdint>
#include <string_view>

#include "cab_contract.h"
#include "cabrix_rules.h"

namespace cabkit::contract::cabrix {

inline constexpr auto kPanelSlots = std::to_array<PanelSlot>({
    {52, kCabrix, kNobody, Display::Lamp, "active lamp", kNotBlanked},
    {53, kCabrix, kNobody, Display::Lamp, "supervising lamp", kNotBlanked},
    {54, kCabrix, kNobody, Display::Lamp, "code 4 indicator", kNotBlanked},
    {55, kCabrix, kNobody, Display::Lamp, "rollback lamp", kNotBlanked},
    {56, kCabrix, kNobody, Display::Lamp, "fixed-limit lamp", kNotBlanked},
    {66, kCabrix, kNobody, Display::State, "mode", kNotBlanked},
    {70, kCabrix, kNobody, Display::Lamp, "code 0 indicator", kNotBlanked},
    {71, kCabrix, kNobody, Display::Lamp, "code 2 indicator", kNotBlanked},
    {74, kCabrix, kNobody, Display::Lamp, "code 3 indicator", kNotBlanked},
    {76, kCabrix, kNobody, Display::Lamp, "code 5 indicator", kNotBlanked},
    {80, kCabrix, kNobody, Display::Lamp, "code 6 indicator", kNotBlanked},
    {82, kCabrix, kNobody, Display::Lamp, "code 7 indicator", kNotBlanked},
    {84, kCabrix, kNobody, Display::Lamp, "code 8 indicator", kNotBlanked},
    {86, kCabrix, kNobody, Display::Lamp, "code 9 indicator", kNotBlanked},
    {247, kCabrix, kNobody, Display::Lamp, "mode-0 lamp", kNotBlanked},
});

inline constexpr auto kSoundSlots = std::to_array<SoundSlot>({
    {4, kCabrix, Play::OneShot, kNoTwin, "bell"},
    {5, kCabrix, Play::OneShot, 4, "bell, second slot"},
    {110, kCabrix, Play::OneShot, kNoTwin, "chime"},
    {111, kCabrix, Play::OneShot, kNoTwin, "spare sound"},
    {112, kCabrix, Play::Looping, kNoTwin, "fixed-limit sound"},
    {113, kCabrix, Play::Looping, kNoTwin, "cut-out sound"},
    {114, kCabrix, Play::Looping, kNoTwin, "rollback sound"},
});

inline constexpr auto kKeys = std::to_array<Key>({
    {5, kCabrix, "cab-signal mode down"},
    {6, kCabrix, "cab-signal mode up"},
    {12, kCabrix, "fixed 25 km/h limit"},
    {13, kCabrix, "cab-signal cut-out"},
});

// From the aspect of the section ahead (SetSignal) to the cab-signal code
// and the speed each mode permits for it, km/h: the numbers of
// cabrix_rules.h with the label of each code's indicator lamp. A code is
// received when it is one of 2 to 9; a received code switches supervision on
// in any mode. In modes 0 and 1 no indicator is lit.
struct CabSignalCode {
    int32_t code;
    int32_t aspect;
    bool received;
    const char* indicator;  // label of its indicator lamp, or nullptr
    int32_t permittedModeZero;
    int32_t permittedModeOne;
    int32_t permittedModeTwo;
};

// The label of each code's indicator lamp, by code; code 1 has none.
inline constexpr std::array<const char*, kCodeRules.size()> kIndicatorLabels{
    "code 0 indicator", nullptr,
    "code 2 indicator", "code 3 indicator",
    "code 4 indicator", "code 5 indicator",
    "code 6 indicator", "code 7 indicator",
    "code 8 indicator", "code 9 indicator",
};

constexpr std::array<CabSignalCode, kCodeRules.size()> cabSignalCodes() {
    std::array<CabSignalCode, kCodeRules.size()> rows{};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const CodeRule& rule = kCodeRules[i];
        rows[i] = CabSignalCode{rule.code,
                                rule.aspect,
                                rule.received,
                                kIndicatorLabels[i],
                                rule.permittedModeZero,
                                rule.permittedModeOne,
                                rule.permittedModeTwo};
    }
    return rows;
}
inline constexpr std::array<CabSignalCode, kCodeRules.size()> kCabSignalCodes = cabSignalCodes();

// The indicator slot of a code, or -1 when it has none.
constexpr int32_t indicatorSlot(const CabSignalCode& code) {
    if (code.indicator == nullptr) {
        return -1;
    }
    for (const PanelSlot& slot : kPanelSlots) {
        if (std::string_view(code.indicator) == slot.label) {
            return slot.slot;
        }
    }
    return -1;
}

constexpr bool codesValid() {
    for (std::size_t i = 0; i < kCabSignalCodes.size(); ++i) {
        const CabSignalCode& row = kCabSignalCodes[i];
        // One row per code, in order; every named indicator is a lamp of this table.
        if (row.code != static_cast<int32_t>(i) || (row.indicator != nullptr && indicatorSlot(row) < 0) ||
            (row.indicator != nullptr) != kCodeRules[i].hasIndicator) {
            return false;
        }
    }
    return true;
}

static_assert(panelSlotsValid(kPanelSlots) && apartFromShared(kPanelSlots),
              "Cabrix's slots lie on the panel, once each, apart from the exchanged ones");
static_assert(soundSlotsValid(kSoundSlots) && keysValid(kKeys), "Cabrix's sound slots and keys are named once each");
static_assert(codesValid(), "one row per code 0 to 9, each indicator a lamp of the table");

}  // namespace cabkit::contract::cabrix

#endif  // CABKIT_CABRIX_CABRIX_CONTRACT_H
