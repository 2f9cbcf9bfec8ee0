#include "mode_keys.h"

namespace cabkit::cabrix {
namespace {

void modeDown(CCabrix& cab, int32_t brakeHandle) {
    if (cab.mode == kModeFull) {
        // Leaving full supervision needs a braked train and no code on the
        // rails, so that the driver cannot shed a restrictive code.
        if (!cab.signalReceived && brakeHandle > 0) {
            cab.mode = kModeLimited;
        }
    } else if (cab.mode == kModeLimited) {
        cab.mode = kModeOff;
    }
}

void modeUp(CCabrix& cab) {
    if (cab.mode < kModeFull) {
        cab.mode += 1;
    }
}

}  // namespace

void pressKey(CCabrix& cab, int32_t key, int32_t brakeHandle) {
    switch (key) {
        case kKeyModeDown: modeDown(cab, brakeHandle); break;
        case kKeyModeUp: modeUp(cab); break;
        case kKeyFixedLimit: cab.fixedLimitMode = !cab.fixedLimitMode; break;
        case kKeyCutOut: cab.cutOut = !cab.cutOut; break;
        default: break;
    }
}

}  // namespace cabkit::cabrix
