// Construction, and the exports that bracket a run: Load,
// SetVehicleSpec, Initialize, Dispose, the version query.
#include "velorin_plugin.h"

#include "int32_arith.h"

namespace cabkit::velorin {

VelorinPlugin::VelorinPlugin() {
    // The whole capacity up front: neither DoorOpen nor Elapse allocates.
    randomTimers.reserve(kRandomTimerCap);
}

void VelorinPlugin::load() {
    brakeHandle = 0;
    powerHandle = 0;
    reverserHandle = 0;
}

void VelorinPlugin::dispose() {}

int32_t VelorinPlugin::pluginVersion() const { return kPluginVersion; }

void VelorinPlugin::setVehicleSpec(const VehicleSpec& vehicle) {
    emergencyNotch = platform::wrappingAdd(vehicle.brakeNotches, 1);
}

void VelorinPlugin::initialize(int32_t /*brake*/) {
    // The controller is deliberately left as it is across restarts.
    zoneDistanceLeft = -1.0;
    powerHandle = 0;
    reverserHandle = 0;
    brakeHandle = emergencyNotch;
    operatingMode = 0;
    toggleLamp = false;
    sideTwoState = kSideOff;
    sideOneState = kSideOff;
    sideTwoActivity = kSideOff;
    sideOneActivity = kSideOff;
    randomTimerCount = 80;
    sideCountdownMs = 0;
    sideCountdownStart = 12;
    sideDeadlineClock = -1;
    currentState = VehicleState{};
    currentState.time = -1;  // marks the first frame of the run
    startLocalTime = platform::localTime();
    display.reset();
}

void VelorinPlugin::setSignal(int32_t /*aspect*/) {}

}  // namespace cabkit::velorin
