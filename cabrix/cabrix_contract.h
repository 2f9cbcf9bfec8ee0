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

inline constexpr const char* kRole =
    "The cab-signal speed control: the aspect of the section ahead gives a cab-signal code and a permitted "
    "speed, which it enforces with the service brake; it trips the emergency brake on rollback and on running "
    "without a code in its modes 0 and 1. It is inactive while slot 75 (Velorin's mode) is 0. It reads no "
    "beacon.";

inline constexpr const char* kLampGroup = "Cab-signal lamps";
inline constexpr const char* kCodeGroup = "Cab-signal code indicators";

// A code indicator is lit in mode 2 while its code is received (its first
// cut-out frame excepted), dark in modes 0 and 1.
inline constexpr const char* kIndicatorWritten = "every frame; lit only in mode 2";

inline constexpr auto kPanelSlots = std::to_array<PanelSlot>({
    {52, kCabrix, kNobody, Display::Lamp, "active lamp", kLampGroup, "0 or 1", "every frame",
     "lit while supervision is active: a code 2 to 9 is received or the mode is 1 (or 2, once active), and "
     "slot 75 is not 0"},
    {53, kCabrix, kNobody, Display::Lamp, "supervising lamp", kLampGroup, "0 or 1", "every frame",
     "as the active lamp, but dark while cut out"},
    {54, kCabrix, kNobody, Display::Lamp, "code 4 indicator", kCodeGroup, "0 or 1", kIndicatorWritten,
     "code 4: 25 km/h (no aspect gives code 4)"},
    {55, kCabrix, kNobody, Display::Lamp, "rollback lamp", kLampGroup, "0 or 1", "every frame",
     "the train ran backwards faster than 5 km/h with the reverser forward; clears at a speed of 0 or less "
     "with the brake handle moved to the emergency notch, and rolling back on with the handle there clears it too"},
    {56, kCabrix, kNobody, Display::Lamp, "fixed-limit lamp", kLampGroup, "0 or 1", "every frame",
     "the fixed 25 km/h limit is on (key 12); dark while cut out or inactive"},
    {66, kCabrix, kNobody, Display::State, "mode", kLampGroup, "0, 1 or 2", "every frame",
     "Cabrix's mode (keys 5 and 6); back to 0 in every inactive frame"},
    {70, kCabrix, kNobody, Display::Lamp, "code 0 indicator", kCodeGroup, "0 or 1", kIndicatorWritten, "no code: stop"},
    {71, kCabrix, kNobody, Display::Lamp, "code 2 indicator", kCodeGroup, "0 or 1", kIndicatorWritten, "code 2: stop"},
    {74, kCabrix, kNobody, Display::Lamp, "code 3 indicator", kCodeGroup, "0 or 1", kIndicatorWritten,
     "code 3: 15 km/h"},
    {76, kCabrix, kNobody, Display::Lamp, "code 5 indicator", kCodeGroup, "0 or 1", kIndicatorWritten,
     "code 5: 25 km/h"},
    {80, kCabrix, kNobody, Display::Lamp, "code 6 indicator", kCodeGroup, "0 or 1", kIndicatorWritten,
     "code 6: 45 km/h"},
    {82, kCabrix, kNobody, Display::Lamp, "code 7 indicator", kCodeGroup, "0 or 1", kIndicatorWritten,
     "code 7: 55 km/h"},
    {84, kCabrix, kNobody, Display::Lamp, "code 8 indicator", kCodeGroup, "0 or 1", kIndicatorWritten,
     "code 8: 65 km/h"},
    {86, kCabrix, kNobody, Display::Lamp, "code 9 indicator", kCodeGroup, "0 or 1", kIndicatorWritten,
     "code 9: 75 km/h"},
    {247, kCabrix, kNobody, Display::Lamp, "mode-0 lamp", kLampGroup, "0 or 1", "every frame",
     "lit while Cabrix's mode is 0"},
});

// The looping sounds are commanded in supervised frames only.
inline constexpr const char* kSupervisedLoop =
    "0 while it holds, -10000 otherwise, in supervised frames; an inactive frame leaves the last command";

inline constexpr auto kSoundSlots = std::to_array<SoundSlot>({
    {4, kCabrix, Play::OneShot, kNoTwin, "bell", "1 in the frame of the event, 2 after; every frame",
     "supervision comes on or goes off, a brake demand starts or ends, the mode or the cut-out changes, or "
     "the aspect changes into or out of the aspects from 9 up"},
    {5, kCabrix, Play::OneShot, 4, "bell, second slot", "the same command as slot 4", "a second copy of the bell"},
    {110, kCabrix, Play::OneShot, kNoTwin, "chime", "1 in the frame of the event, 2 after; every frame",
     "a code 2 to 9 arrives while the mode is not 0"},
    {111, kCabrix, Play::OneShot, kNoTwin, "spare sound", "-10000 in the first frame after Initialize, 2 after",
     "never played"},
    {112, kCabrix, Play::Looping, kNoTwin, "fixed-limit sound", kSupervisedLoop, "the fixed 25 km/h limit is on"},
    {113, kCabrix, Play::Looping, kNoTwin, "cut-out sound", kSupervisedLoop, "supervision is cut out"},
    {114, kCabrix, Play::Looping, kNoTwin, "rollback sound", kSupervisedLoop, "the rollback trip holds"},
});

inline constexpr auto kKeys = std::to_array<Key>({
    {5, kCabrix, "cab-signal mode down",
     "from mode 2 only with no code received and the brake handle above 0; from mode 1 always",
     "mode 2 becomes 1, 1 becomes 0", ""},
    {6, kCabrix, "cab-signal mode up", "", "mode 0 becomes 1, 1 becomes 2", ""},
    {12, kCabrix, "fixed 25 km/h limit", "", "toggles the fixed limit: 25.0 km/h whatever the code", ""},
    {13, kCabrix, "cab-signal cut-out", "",
     "toggles the cut-out: no brake demand, most lamps dark; the code indicators go dark in its first frame and "
     "show the code again from the next",
     ""},
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

inline constexpr const char* kCabSignalCodesNote =
    "The aspect of the section ahead gives the code in slot 72. A received code (2 to 9) switches supervision on "
    "in any mode. In mode 2 the code's indicator is lit; in modes 0 and 1 none is. A permitted speed of -1 means "
    "stop: a standing train is not below it, so the service brake acts even at a standstill. With the fixed "
    "limit on (key 12) the permitted speed is 25 km/h inclusive, whatever the code.";

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
