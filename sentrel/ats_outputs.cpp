#include "ats_outputs.h"

namespace cabkit::sentrel {

void writePanelAndSound(const SentrelOutputs& out, int32_t* panel, int32_t* sound) {
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
