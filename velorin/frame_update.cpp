// Elapse: the frame's bookkeeping, the side values and door timers, the
// controller's inputs, the two modules, then the handle command and the
// panel. Nothing here allocates.
#include <array>

#include "int32_arith.h"
#include "panel_slots.h"
#include "velorin_plugin.h"

namespace cabkit::velorin {

namespace {

// Cab-signal code on the panel -> the controller's signal code (its speed
// table column). Codes not listed give 0, the stop code.
struct CabSignalMapping {
    int32_t cabSignalCode;
    int32_t signalCode;
};
constexpr std::array<CabSignalMapping, 6> kCabSignalMappings{{
    {3, 1},
    {5, 2},
    {6, 3},
    {7, 4},
    {8, 5},
    {9, 6},
}};

constexpr bool mappingsFitSpeedTable() {
    for (const CabSignalMapping& mapping : kCabSignalMappings) {
        if (mapping.signalCode < 0 ||
            static_cast<std::size_t>(mapping.signalCode) >= AtoController::kSignalCodes) {
            return false;
        }
    }
    return true;
}
static_assert(mappingsFitSpeedTable(), "every mapped code is a column of the speed table");

}  // namespace

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
    mapSignalCode(panel);
    disengageOnDriverHandles(panel);
    ato.update();
    display.update();
    computeHandleCommand();
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

void VelorinPlugin::readSlot201(const int32_t* panel) {
    slot201Active = slot::read<slot::kPowerPermitted>(panel) != 0;
}

void VelorinPlugin::mapSignalCode(const int32_t* panel) {
    const int32_t cabSignalCode = slot::read<slot::kCabSignalCode>(panel);
    int32_t signalCode = 0;
    for (const CabSignalMapping& mapping : kCabSignalMappings) {
        if (mapping.cabSignalCode == cabSignalCode) {
            signalCode = mapping.signalCode;
        }
    }
    if (slot::read<slot::kCabSignalCutOut>(panel) != 0) {
        signalCode = 0;
    }
    ato.signalCode = signalCode;
}

void VelorinPlugin::disengageOnDriverHandles(const int32_t* panel) {
    // While the cab signal is braking, the driver's reverser and brake
    // (which the driver may be moving in answer to it) do not take the train
    // back from the controller; power always does.
    const bool cabSignalBraking = slot::read<slot::kServiceBrakeIndicator>(panel) != 0 ||
                                  slot::read<slot::kEmergencyBrakeIndicator>(panel) != 0;
    if (powerHandle != 0 || (!cabSignalBraking && (reverserHandle != 1 || brakeHandle != 0))) {
        ato.engaged = false;
    }
}

}  // namespace cabkit::velorin
