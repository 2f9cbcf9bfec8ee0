#include "signal_codes.h"

#include "sound_commands.h"

namespace cabkit::cabrix {

CabSignal cabSignalForAspect(int32_t aspect) {
    const contract::cabrix::CodeRule& row = contract::cabrix::codeForAspect(aspect);
    return CabSignal{row.code, row.received};
}

void CCabrix::aspectSignalled(int32_t aspect) {
    // The code and whether one is received.
    const CabSignal signal = cabSignalForAspect(aspect);
    signalCode = signal.code;
    signalReceived = signal.received;

    // A received code chimes once supervision can be selected.
    if (signal.received && mode != kModeOff) {
        chimeTrigger = CABKIT_SOUND_PLAY_ONCE;
    }

    // The bell marks a change into or out of the coded aspects.
    if (contract::cabrix::aspectChangeRings(lastAspect, aspect)) {
        bellTrigger = CABKIT_SOUND_PLAY_ONCE;
    }
    lastAspect = aspect;
}

}  // namespace cabkit::cabrix
