#include "ats_outputs.h"

namespace cabkit::sentrel {

HandleOutput buildHandleOutput(const CAtsZQ& ats, const DriverHandles& driver, int32_t emergencyNotch) {
    if (ats.brakeDemand && ats.active) {
        return HandleOutput{HandleCommand{emergencyNotch, 0, 0, 0}, 1};
    }
    return HandleOutput{HandleCommand{driver.brake, driver.power, driver.reverser, 0}, 0};
}

void writePanelAndSound(const CAtsZQ& ats, int32_t brakeOverride, int32_t* panel, int32_t* sound) {
    if (panel != nullptr) {
        panel[kNormalLampSlot] = ats.normalLamp;
        panel[kAlarmLampSlot] = ats.alarmLamp;
        panel[kBrakeOverrideSlot] = brakeOverride;
    }
    if (sound != nullptr) {
        sound[kAlarmSoundSlot] = ats.alarmSound;
        sound[kToneSoundSlot] = ats.toneSound;
        sound[kAlarmEndSoundSlot] = ats.alarmEndOut;
        sound[kStrokeASoundSlot] = ats.strokeAOut;
        sound[kStrokeBSoundSlot] = ats.strokeBOut;
    }
}

}  // namespace cabkit::sentrel
