// The driver's handles and keys: stored handle positions, the mode
// selector, the lamp toggle and engaging the train operation controller.
#include "velorin_contract.h"
#include "velorin_plugin.h"

namespace cabkit::velorin {

namespace {

using contract::velorin::kKeys;
constexpr int32_t kKeyEngageAto = contract::keyNumber(kKeys, "ATO start");
constexpr int32_t kKeyModeTwoLamp = contract::keyNumber(kKeys, "mode-2 lamp");
constexpr int32_t kKeyToggleLamp = contract::keyNumber(kKeys, "toggle lamp");
constexpr int32_t kKeyModeTowardOne = contract::keyNumber(kKeys, "mode selector toward 1");
constexpr int32_t kKeyModeTowardTwo = contract::keyNumber(kKeys, "mode selector toward 2");

constexpr int32_t kReverserForward = 1;

// The selector has 0 in the middle: one key moves toward 1, the other
// toward 2, and a step from the far side lands on 0.
int32_t stepToward(int32_t mode, int32_t target) {
    if (mode == 0) {
        return target;
    }
    if (mode != target) {
        return 0;
    }
    return mode;
}

}  // namespace

// Handle positions are stored as the host gives them.
void VelorinPlugin::setPower(int32_t notch) { powerHandle = notch; }
void VelorinPlugin::setBrake(int32_t notch) { brakeHandle = notch; }
void VelorinPlugin::setReverser(int32_t position) { reverserHandle = position; }

void VelorinPlugin::keyDown(int32_t key) {
    switch (key) {
        case kKeyEngageAto:
            // Only from a train held by nothing but the controller: mode 2,
            // power permitted, handles at rest and the reverser forward.
            if (operatingMode == 2 && slot201Active && brakeHandle == 0 && powerHandle == 0 &&
                reverserHandle == kReverserForward) {
                ato.enabled = true;
                ato.stopTargetActiveA = false;
                ato.stopTargetActiveB = false;
                ato.patternBrake = 0;
                ato.engaged = true;
            }
            break;
        case kKeyModeTwoLamp: ato.panel73Suppressed = !ato.panel73Suppressed; break;
        case kKeyToggleLamp: toggleLamp = !toggleLamp; break;
        case kKeyModeTowardOne:
            if (brakeHandle == emergencyNotch) {
                operatingMode = stepToward(operatingMode, 1);
            }
            break;
        case kKeyModeTowardTwo:
            if (brakeHandle == emergencyNotch) {
                operatingMode = stepToward(operatingMode, 2);
            }
            break;
        default: break;
    }
}

void VelorinPlugin::keyUp(int32_t /*key*/) {}
void VelorinPlugin::hornBlow(int32_t /*hornType*/) {}

}  // namespace cabkit::velorin
