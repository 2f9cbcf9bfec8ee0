#include "permitted_speed.h"

#include <cstddef>

#include "cabrix_rules.h"
#include "ccabrix.h"

namespace cabkit::cabrix {

static_assert(contract::cabrix::settledPermittedSpeed(kModeFull, 2, 0.0) == kStopSpeed,
              "the table's stop is the supervision's stop");

// Beside its one caller, so that the frame inlines the lookup.
PermittedSpeed permittedSpeedFor(int32_t mode, int32_t code, double previous) {
    const int32_t indicator = contract::cabrix::litIndicator(mode, code);
    return {contract::cabrix::settledPermittedSpeed(mode, code, previous), indicator >= 0 ? indicator : kNoIndicator};
}

// The permitted speed and the code's indicator.
void CCabrix::settlePermittedSpeed() {
    const PermittedSpeed permitted = permittedSpeedFor(mode, signalCode, permittedSpeed);
    permittedSpeed = permitted.speed;
    if (permitted.indicator != kNoIndicator) {
        speedIndicators[static_cast<std::size_t>(permitted.indicator)] = 1;
    }
}

}  // namespace cabkit::cabrix
