// Elapse: the frame's bookkeeping, the side values and door timers, the
// controller's inputs, the two modules, then the handle command and the
// panel. Nothing here allocates.
#include "int32_arith.h"
#include "panel_slots.h"
#include "velorin_plugin.h"

namespace cabkit::velorin {

HandleCommand VelorinPlugin::elapse(const VehicleState& state, int32_t* panel, int32_t* sound) {
    takeFrame(state);
    readSlot201(panel);
    advanceZoneDistance();
    if (!slot201Active) {
        setSideActivities(runDownRandomTimers() ? 1 : 0);
    } else {
        // Power is on: the timers stand still and the activities go dark.
        setSideActivities(0);
    }
    if (randomTimers.empty()) {
        setSideActivities(0);
    }
    runSideCountdown();
    raiseSideStatesWhenCountdownExpires();
    leaveSideZoneWhenPassed();
    const Frame frame{frameStepMs, currentState};
    const AtoController::FrameOutputs atoCommand = updateAto(frame, panel);
    display.update(frame);
    computeHandleCommand(atoCommand);
    writePanelAndSound(panel, sound);
    return handleOut;
}

void VelorinPlugin::takeFrame(const VehicleState& state) {
    // The first frame of a run, and a host time that went backwards, move
    // nothing. The difference wraps as 32-bit time arithmetic does.
    if (currentState.time == -1) {
        frameStepMs = 0;
    } else {
        const int32_t step = platform::wrappingSub(state.time, lastTimeMs);
        frameStepMs = step < 0 ? 0 : step;
    }
    currentState = state;
    lastTimeMs = state.time;
}

void VelorinPlugin::readSlot201(const int32_t* panel) { slot201Active = slot::read<slot::kPowerPermitted>(panel) != 0; }

AtoController::FrameOutputs VelorinPlugin::updateAto(const Frame& frame, const int32_t* panel) {
    return ato.update({
        .frame = frame,
        .cabSignalCode = slot::read<slot::kCabSignalCode>(panel),
        .cabSignalCutOut = slot::read<slot::kCabSignalCutOut>(panel) != 0,
        .cabSignalBraking = slot::read<slot::kServiceBrakeIndicator>(panel) != 0 ||
                            slot::read<slot::kEmergencyBrakeIndicator>(panel) != 0,
        .driver = driverHandles(),
    });
}

}  // namespace cabkit::velorin
