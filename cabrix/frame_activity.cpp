// Whether supervision runs in this frame, and what an inactive frame clears.
#include "ccabrix.h"
#include "sound_commands.h"

namespace cabkit::cabrix {

// A received code switches supervision on in any mode, mode 1 switches it on
// without one, and mode 2 without a code keeps it as it was; nothing is
// active unless the vehicle permits it.
void CCabrix::decideActive(bool vehiclePermits) {
    if (signalReceived && signalCode != 1) {
        active = true;
    } else if (mode == kModeOff) {
        active = false;
    } else if (signalReceived || mode == kModeLimited) {
        active = true;
    }

    if (!vehiclePermits) {
        active = false;
    }
}

// Lamps dark but for cut-out and rollback, the selector back to 0, both
// demands and the emergency-notch flag cleared.
void CCabrix::clearInactiveFrame() {
    if (supervisingLamp == 1) {
        bellTrigger = CABKIT_SOUND_PLAY_ONCE;
    }
    fixedLimitLamp = 0;
    activeLamp = 0;
    supervisingLamp = 0;
    serviceBrakeLamp = 0;
    emergencyBrakeLamp = 0;
    mode = kModeOff;
    // The handle must be moved again before a rollback trip can clear.
    speedOk = false;
    runOk = false;
    brakeAtEmergency = false;
    clearSpeedIndicators();
}

}  // namespace cabkit::cabrix
