#include "frame_activity.h"

#include "sound_commands.h"
#include "supervise_frame.h"

namespace cabkit::cabrix {

void decideActive(CCabrix& cab, bool panelPermits) {
    if (cab.signalReceived && cab.signalCode != 1) {
        cab.active = true;
    } else if (cab.mode == kModeOff) {
        cab.active = false;
    } else if (cab.signalReceived || cab.mode == kModeLimited) {
        cab.active = true;
    }
    // Otherwise full mode without a code: supervision stays as it was.

    if (!panelPermits) {
        cab.active = false;
    }
}

void runActiveFrame(CCabrix& cab) {
    cab.activeLamp = 1;
    cab.supervisingLamp = 1;
    superviseFrame(cab);
}

void clearInactiveFrame(CCabrix& cab) {
    if (cab.supervisingLamp == 1) {
        cab.bellTrigger = CABKIT_SOUND_PLAY_ONCE;
    }
    cab.fixedLimitLamp = 0;
    cab.activeLamp = 0;
    cab.supervisingLamp = 0;
    cab.serviceBrakeLamp = 0;
    cab.emergencyBrakeLamp = 0;
    cab.mode = kModeOff;
    // The handle must be moved again before a rollback trip can clear.
    cab.speedOk = false;
    cab.runOk = false;
    cab.brakeAtEmergency = false;
    clearSpeedIndicators(cab);
}

}  // namespace cabkit::cabrix
