// Elapse: the frame's bookkeeping, the side values and door timers, the
// controller's inputs, the two modules, then the handle command and the
// panel. Nothing here allocates.
#include <array>

#include "int32_arith.h"
#include "panel_slots.h"
#include "velorin_contract.h"
#include "velorin_plugin.h"

namespace cabkit::velorin {

namespace {

// Cab-signal code on the panel -> the controller's signal code (its speed
// table column), from the contract table. Codes not listed give 0, the stop
// code.
constexpr const auto& kCabSignalMappings = contract::velorin::kAtoSignalSpeeds;

// Each mapped code is a column of the speed table, and the row in service
// allows there the speed the contract states.
constexpr bool mappingsFitSpeedTable() {
    constexpr AtoController kAtLoad{};
    for (const contract::velorin::AtoSignalSpeed& mapping : kCabSignalMappings) {
        if (mapping.controllerCode < 0 ||
            static_cast<std::size_t>(mapping.controllerCode) >= AtoController::kSignalCodes ||
            kAtLoad.speedTable[static_cast<std::size_t>(kAtLoad.speedTableRow)]
                              [static_cast<std::size_t>(mapping.controllerCode)] != mapping.speed) {
            return false;
        }
    }
    return true;
}
static_assert(mappingsFitSpeedTable(), "every mapped code is a column of the speed table, at the stated speed");

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

void VelorinPlugin::readSlot201(const int32_t* panel) { slot201Active = slot::read<slot::kPowerPermitted>(panel) != 0; }

void VelorinPlugin::mapSignalCode(const int32_t* panel) {
    const int32_t cabSignalCode = slot::read<slot::kCabSignalCode>(panel);
    int32_t signalCode = 0;
    for (const contract::velorin::AtoSignalSpeed& mapping : kCabSignalMappings) {
        if (mapping.cabSignalCode == cabSignalCode) {
            signalCode = mapping.controllerCode;
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
    const bool cabSignalBraking =
        slot::read<slot::kServiceBrakeIndicator>(panel) != 0 || slot::read<slot::kEmergencyBrakeIndicator>(panel) != 0;
    if (powerHandle != 0 || (!cabSignalBraking && (reverserHandle != 1 || brakeHandle != 0))) {
        ato.engaged = false;
    }
}

}  // namespace cabkit::velorin
