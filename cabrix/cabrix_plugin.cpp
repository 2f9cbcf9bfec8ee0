// Every export but Elapse (elapse.cpp).
#include "cabrix_plugin.h"

#include "int32_arith.h"
#include "mode_keys.h"
#include "plugin_exports.h"
#include "signal_codes.h"

namespace cabkit::cabrix {

CabrixPlugin::CabrixPlugin() { attach(); }

void CabrixPlugin::attach() { cabrix.wire(&vehicleStateCopy, &reverserHandle); }

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
    cabrix.brakeAtEmergency = notch == emergencyNotch;
}

void CabrixPlugin::setReverser(int32_t position) { reverserHandle = position; }

void CabrixPlugin::keyDown(int32_t key) { pressKey(cabrix, key, brakeHandle); }

void CabrixPlugin::keyUp(int32_t /*key*/) {}

void CabrixPlugin::hornBlow(int32_t /*hornType*/) {}

void CabrixPlugin::doorOpen() {}

void CabrixPlugin::doorClose() {}

void CabrixPlugin::setSignal(int32_t aspect) { receiveSignal(cabrix, aspect); }

void CabrixPlugin::setBeaconData(const BeaconData& /*beacon*/) {}

}  // namespace cabkit::cabrix
