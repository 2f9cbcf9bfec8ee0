// What the train stop hands the host at the end of a frame: the handle
// command, three panel lamps and five sound slots.
#ifndef CABKIT_SENTREL_ATS_OUTPUTS_H
#define CABKIT_SENTREL_ATS_OUTPUTS_H

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ats_zq.h"
#include "driver_handles.h"
#include "host_arrays.h"
#include "host_records.h"
#include "sentrel_contract.h"

namespace cabkit::sentrel {

// The train stop's slots by their labels in the contract table.
consteval std::size_t panelSlot(std::string_view label) {
    return static_cast<std::size_t>(contract::panelSlot(contract::sentrel::kPanelSlots, label));
}
consteval std::size_t soundSlot(std::string_view label) {
    return static_cast<std::size_t>(contract::soundSlot(contract::sentrel::kSoundSlots, label));
}

// Panel slots.
inline constexpr std::size_t kNormalLampSlot = panelSlot("normal lamp");
inline constexpr std::size_t kAlarmLampSlot = panelSlot("alarm lamp");
inline constexpr std::size_t kBrakeOverrideSlot = panelSlot("brake-override lamp");
// Read only; written by the other plug-ins.
inline constexpr std::size_t kSwitchOffSlot = static_cast<std::size_t>(contract::sharedSlot("train-stop switch-off"));

// Sound slots.
inline constexpr std::size_t kAlarmSoundSlot = soundSlot("alarm");
inline constexpr std::size_t kToneSoundSlot = soundSlot("reminder tone");
inline constexpr std::size_t kAlarmEndSoundSlot = soundSlot("alarm end");
inline constexpr std::size_t kStrokeASoundSlot = soundSlot("reminder stroke A");
inline constexpr std::size_t kStrokeBSoundSlot = soundSlot("reminder stroke B");

// writePanelAndSound writes the three lamps and the five sounds: every slot of
// the table, and no other.
static_assert(contract::sentrel::kPanelSlots.size() == 3 && contract::sentrel::kSoundSlots.size() == 5,
              "the train stop writes every slot of its table");

// Writes the train stop's slots and leaves all others alone. Either array
// may be absent, in which case nothing is written to it. Inline: it runs
// every frame, and the call with its record in memory cost more than the
// eight writes.
inline void writePanelAndSound(const SentrelOutputs& out, int32_t* panel, int32_t* sound) {
    if (panel != nullptr) {
        panel[kNormalLampSlot] = out.normalLamp;
        panel[kAlarmLampSlot] = out.alarmLamp;
        panel[kBrakeOverrideSlot] = out.brakeOverride;
    }
    if (sound != nullptr) {
        sound[kAlarmSoundSlot] = out.alarmSound;
        sound[kToneSoundSlot] = out.toneSound;
        sound[kAlarmEndSoundSlot] = out.alarmEndOut;
        sound[kStrokeASoundSlot] = out.strokeAOut;
        sound[kStrokeBSoundSlot] = out.strokeBOut;
    }
}

}  // namespace cabkit::sentrel

#endif  // CABKIT_SENTREL_ATS_OUTPUTS_H
