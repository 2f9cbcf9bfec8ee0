#include "mode_keys.h"

namespace cabkit::cabrix {

void CCabrix::keyPressed(int32_t key, int32_t brakeHandle) {
    switch (key) {
        case kKeyModeDown:
            mode = contract::cabrix::modeAfterKey(contract::cabrix::ModeKey::Down, mode, signalReceived, brakeHandle);
            break;
        case kKeyModeUp:
            mode = contract::cabrix::modeAfterKey(contract::cabrix::ModeKey::Up, mode, signalReceived, brakeHandle);
            break;
        case kKeyFixedLimit: fixedLimitMode = !fixedLimitMode; break;
        case kKeyCutOut: cutOut = !cutOut; break;
        default: break;
    }
}

}  // namespace cabkit::cabrix
