// The driver's handles and keys: stored handle positions, the mode
// selector, the lamp toggle and engaging the train operation controller.
#include "velorin_contract.h"
#include "velorin_plugin.h"
#include "velorin_rules.h"

namespace cabkit::velorin {

namespace {

using contract::velorin::kKeys;
constexpr int32_t kKeyEngageAto = contract::keyNumber(kKeys, "ATO start");
constexpr int32_t kKeyModeTwoLamp = contract::keyNumber(kKeys, "mode-2 lamp");
constexpr int32_t kKeyToggleLamp = contract::keyNumber(kKeys, "toggle lamp");
constexpr int32_t kKeyModeTowardOne = contract::keyNumber(kKeys, "mode selector toward 1");
constexpr int32_t kKeyModeTowardTwo = contract::keyNumber(kKeys, "mode selector toward 2");

}  // namespace

DriverHandles VelorinPlugin::driverHandles() const {
    return DriverHandles{.brake = brakeHandle, .power = powerHandle, .reverser = reverserHandle};
}

// Handle positions are stored as the host gives them.
void VelorinPlugin::setPower(int32_t notch) { powerHandle = notch; }
void VelorinPlugin::setBrake(int32_t notch) { brakeHandle = notch; }
void VelorinPlugin::setReverser(int32_t position) { reverserHandle = position; }

void VelorinPlugin::keyDown(int32_t key) {
    switch (key) {
        case kKeyEngageAto:
            if (contract::velorin::atoStartAccepted(
                    {.mode = operatingMode, .powerPermitted = slot201Active, .driver = driverHandles()})) {
                ato.engage();
            }
            break;
        case kKeyModeTwoLamp: panel73Suppressed = !panel73Suppressed; break;
        case kKeyToggleLamp: toggleLamp = !toggleLamp; break;
        case kKeyModeTowardOne:
        case kKeyModeTowardTwo:
            operatingMode = contract::velorin::modeAfterKey(key, operatingMode, brakeHandle, emergencyNotch);
            break;
        default: break;
    }
}

void VelorinPlugin::keyUp(int32_t /*key*/) {}
void VelorinPlugin::hornBlow(int32_t /*hornType*/) {}

}  // namespace cabkit::velorin
