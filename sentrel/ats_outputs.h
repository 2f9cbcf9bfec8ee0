// What the train stop hands the host at the end of a frame: the handle
// command, three panel lamps and five sound slots.
#ifndef CABKIT_SENTREL_ATS_OUTPUTS_H
#define CABKIT_SENTREL_ATS_OUTPUTS_H

#include <cstddef>
#include <cstdint>

#include "ats_zq.h"
#include "host_arrays.h"
#include "host_records.h"

namespace cabkit::sentrel {

// Panel slots.
inline constexpr std::size_t kNormalLampSlot = 0;
inline constexpr std::size_t kAlarmLampSlot = 1;
inline constexpr std::size_t kBrakeOverrideSlot = 28;
inline constexpr std::size_t kSwitchOffSlot = 249;  // read only; written by the other plug-ins

// Sound slots.
inline constexpr std::size_t kAlarmSoundSlot = 0;
inline constexpr std::size_t kToneSoundSlot = 1;
inline constexpr std::size_t kAlarmEndSoundSlot = 20;
inline constexpr std::size_t kStrokeASoundSlot = 21;
inline constexpr std::size_t kStrokeBSoundSlot = 22;

static_assert(kBrakeOverrideSlot < CABKIT_PANEL_SLOTS && kSwitchOffSlot <= CABKIT_PANEL_LAST_USED,
              "panel slots lie inside the host's array");
static_assert(kStrokeBSoundSlot < CABKIT_SOUND_SLOTS, "sound slots lie inside the host's array");

// The driver's handles as the host last reported them.
struct DriverHandles {
    int32_t brake;
    int32_t power;
    int32_t reverser;
};

struct HandleOutput {
    HandleCommand command;
    int32_t brakeOverride;  // 1 when the emergency notch is imposed
};

// The driver's handles, or the emergency notch with power and reverser
// cut while the supervisor is active and demands the brake.
HandleOutput buildHandleOutput(const CAtsZQ& ats, const DriverHandles& driver, int32_t emergencyNotch);

// Writes the train stop's slots and leaves all others alone. Either array
// may be absent, in which case nothing is written to it.
void writePanelAndSound(const CAtsZQ& ats, int32_t brakeOverride, int32_t* panel, int32_t* sound);

}  // namespace cabkit::sentrel

#endif  // CABKIT_SENTREL_ATS_OUTPUTS_H
