// The words of cabrix_contract.h: Cabrix's role and what its rows mean, for
// simhost's reference, event log and page only. The plug-in never includes
// this, so rewording a row rebuilds simhost and the docs, not the plug-in.
#ifndef CABKIT_CABRIX_CABRIX_CONTRACT_TEXT_H
#define CABKIT_CABRIX_CABRIX_CONTRACT_TEXT_H

#include <array>

#include "cab_contract_text.h"
#include "cabrix_contract.h"

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

// The looping sounds are commanded in supervised frames only.
inline constexpr const char* kSupervisedLoop =
    "0 while it holds, -10000 otherwise, in supervised frames; an inactive frame leaves the last command";

inline constexpr const char* kCabSignalCodesNote =
    "The aspect of the section ahead gives the code in slot 72. A received code (2 to 9) switches supervision on "
    "in any mode. In mode 2 the code's indicator is lit; in modes 0 and 1 none is. A permitted speed of -1 means "
    "stop: a standing train is not below it, so the service brake acts even at a standstill. With the fixed "
    "limit on (key 12) the permitted speed is 25 km/h inclusive, whatever the code.";

inline constexpr auto kPanelSlotTexts = std::to_array<PanelSlotText>({
    {"active lamp", kLampGroup, "0 or 1", "every frame",
     "lit while supervision is active: a code 2 to 9 is received or the mode is 1 (or 2, once active), and "
     "slot 75 is not 0"},
    {"supervising lamp", kLampGroup, "0 or 1", "every frame", "as the active lamp, but dark while cut out"},
    {"code 4 indicator", kCodeGroup, "0 or 1", kIndicatorWritten, "code 4: 25 km/h (no aspect gives code 4)"},
    {"rollback lamp", kLampGroup, "0 or 1", "every frame",
     "the train ran backwards faster than 5 km/h with the reverser forward; clears at a speed of 0 or less "
     "with the brake handle moved to the emergency notch, and rolling back on with the handle there clears it too"},
    {"fixed-limit lamp", kLampGroup, "0 or 1", "every frame",
     "the fixed 25 km/h limit is on (key 12); dark while cut out or inactive"},
    {"mode", kLampGroup, "0, 1 or 2", "every frame", "Cabrix's mode (keys 5 and 6); back to 0 in every inactive frame"},
    {"code 0 indicator", kCodeGroup, "0 or 1", kIndicatorWritten, "no code: stop"},
    {"code 2 indicator", kCodeGroup, "0 or 1", kIndicatorWritten, "code 2: stop"},
    {"code 3 indicator", kCodeGroup, "0 or 1", kIndicatorWritten, "code 3: 15 km/h"},
    {"code 5 indicator", kCodeGroup, "0 or 1", kIndicatorWritten, "code 5: 25 km/h"},
    {"code 6 indicator", kCodeGroup, "0 or 1", kIndicatorWritten, "code 6: 45 km/h"},
    {"code 7 indicator", kCodeGroup, "0 or 1", kIndicatorWritten, "code 7: 55 km/h"},
    {"code 8 indicator", kCodeGroup, "0 or 1", kIndicatorWritten, "code 8: 65 km/h"},
    {"code 9 indicator", kCodeGroup, "0 or 1", kIndicatorWritten, "code 9: 75 km/h"},
    {"mode-0 lamp", kLampGroup, "0 or 1", "every frame", "lit while Cabrix's mode is 0"},
});

inline constexpr auto kSoundSlotTexts = std::to_array<SoundSlotText>({
    {"bell", "1 in the frame of the event, 2 after; every frame",
     "supervision comes on or goes off, a brake demand starts or ends, the mode or the cut-out changes, or "
     "the aspect changes into or out of the aspects from 9 up"},
    {"bell, second slot", "the same command as slot 4", "a second copy of the bell"},
    {"chime", "1 in the frame of the event, 2 after; every frame", "a code 2 to 9 arrives while the mode is not 0"},
    {"spare sound", "-10000 in the first frame after Initialize, 2 after", "never played"},
    {"fixed-limit sound", kSupervisedLoop, "the fixed 25 km/h limit is on"},
    {"cut-out sound", kSupervisedLoop, "supervision is cut out"},
    {"rollback sound", kSupervisedLoop, "the rollback trip holds"},
});

inline constexpr auto kKeyTexts = std::to_array<KeyText>({
    {"cab-signal mode down", "from mode 2 only with no code received and the brake handle above 0; from mode 1 always",
     "mode 2 becomes 1, 1 becomes 0", ""},
    {"cab-signal mode up", "", "mode 0 becomes 1, 1 becomes 2", ""},
    {"fixed 25 km/h limit", "", "toggles the fixed limit: 25.0 km/h whatever the code", ""},
    {"cab-signal cut-out", "",
     "toggles the cut-out: no brake demand, most lamps dark; the code indicators go dark in its first frame and "
     "show the code again from the next",
     ""},
});

static_assert(describesEachRow(kPanelSlots, kPanelSlotTexts) && describesEachRow(kSoundSlots, kSoundSlotTexts) &&
                  describesEachRow(kKeys, kKeyTexts),
              "each of Cabrix's rows is described once, in its order");

}  // namespace cabkit::contract::cabrix

#endif  // CABKIT_CABRIX_CABRIX_CONTRACT_TEXT_H
