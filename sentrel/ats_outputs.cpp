#include "ats_outputs.h"

namespace cabkit::sentrel {

HandleOutput buildHandleOutput(bool imposes, const DriverHandles& driver, int32_t emergencyNotch) {
    if (imposes) {
        return HandleOutput{HandleCommand{.brake = emergencyNotch, .power = 0, .reverser = 0, .constantSpeed = 0}, 1};
    }
    return HandleOutput{
        HandleCommand{.brake = driver.brake, .power = driver.power, .reverser = driver.reverser, .constantSpeed = 0},
        0};
}

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
