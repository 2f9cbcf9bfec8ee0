// Every export but Elapse (elapse.cpp).
#include "cabrix_plugin.h"

#include "int32_arith.h"
#include "plugin_exports.h"

namespace cabkit::cabrix {

void CabrixPlugin::load() {
    powerHandle = 0;
    brakeHandle = 0;
    reverserHandle = 0;
}

void CabrixPlugin::dispose() {}

int32_t CabrixPlugin::pluginVersion() const { return CABKIT_PLUGIN_VERSION; }

void CabrixPlugin::setVehicleSpec(const VehicleSpec& vehicle) {
    serviceNotches = vehicle.brakeNotches;
    // Wraps as 32-bit arithmetic does for a vehicle at the int32 maximum.
    emergencyNotch = platform::wrappingAdd(serviceNotches, 1);
}

void CabrixPlugin::initialize(int32_t /*brake*/) { cabrix.initialize(); }

void CabrixPlugin::setPower(int32_t notch) { powerHandle = notch; }

void CabrixPlugin::setBrake(int32_t notch) {
    brakeHandle = notch;
    cabrix.brakeMoved(notch, emergencyNotch);
}

void CabrixPlugin::setReverser(int32_t position) { reverserHandle = position; }

void CabrixPlugin::keyDown(int32_t key) { cabrix.keyPressed(key, brakeHandle); }

void CabrixPlugin::keyUp(int32_t /*key*/) {}

void CabrixPlugin::hornBlow(int32_t /*hornType*/) {}

void CabrixPlugin::doorOpen() {}

void CabrixPlugin::doorClose() {}

void CabrixPlugin::setSignal(int32_t aspect) { cabrix.aspectSignalled(aspect); }

void CabrixPlugin::setBeaconData(const BeaconData& /*beacon*/) {}

}  // namespace cabkit::cabrix
