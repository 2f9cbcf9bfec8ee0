#include "permitted_speed.h"

#include <cstddef>

#include "cabrix_rules.h"
#include "ccabrix.h"

namespace cabkit::cabrix {
namespace {

// A speed of the code table as the supervision compares it.
constexpr double speedOf(int32_t tableSpeed) {
    return tableSpeed == contract::cabrix::kStop ? kStopSpeed : static_cast<double>(tableSpeed);
}
static_assert(speedOf(contract::cabrix::kStop) == kStopSpeed, "the table's stop is the supervision's stop");

}  // namespace

// Beside its one caller, so that the frame inlines the lookup.
PermittedSpeed permittedSpeedFor(int32_t mode, int32_t code, double previous) {
    const int32_t speed = contract::cabrix::permittedSpeed(mode, code);
    const int32_t indicator = contract::cabrix::litIndicator(mode, code);
    return {speed == contract::cabrix::kKeepsPrevious ? previous : speedOf(speed),
            indicator >= 0 ? indicator : kNoIndicator};
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
