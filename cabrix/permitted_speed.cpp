#include "permitted_speed.h"

#include <array>
#include <cstddef>

#include "cabrix_contract.h"
#include "ccabrix.h"

namespace cabkit::cabrix {
namespace {

using contract::cabrix::CabSignalCode;
using contract::cabrix::kCabSignalCodes;

constexpr std::size_t kCodeCount = kCabSignalCodes.size();
static_assert(kCodeCount == kSpeedIndicatorCount, "one entry per code and indicator");

// A speed of the code table as the supervision compares it.
constexpr double speedOf(int32_t tableSpeed) {
    return tableSpeed == contract::cabrix::kStop ? kStopSpeed : static_cast<double>(tableSpeed);
}
static_assert(speedOf(contract::cabrix::kStop) == kStopSpeed, "the table's stop is the supervision's stop");

constexpr bool isKnownCode(int32_t code) { return code >= 0 && code < static_cast<int32_t>(kCodeCount); }

// Unknown codes count as code 0.
constexpr const CabSignalCode& codeRow(int32_t code) {
    return kCabSignalCodes[static_cast<std::size_t>(isKnownCode(code) ? code : 0)];
}

}  // namespace

PermittedSpeed fullModeSpeed(int32_t code) {
    const CabSignalCode& row = codeRow(code);
    // Every code's indicator is its own element, but code 1 has none.
    return {speedOf(row.permittedModeTwo), row.indicator != nullptr ? row.code : kNoIndicator};
}

PermittedSpeed restrictedModeSpeed(int32_t mode, int32_t code, double previous) {
    const CabSignalCode& row = codeRow(code);
    const int32_t speed = mode == kModeOff ? row.permittedModeZero : row.permittedModeOne;
    if (speed == contract::cabrix::kKeepsPrevious) {
        return {previous, kNoIndicator};
    }
    return {speedOf(speed), kNoIndicator};
}

PermittedSpeed permittedSpeedFor(int32_t mode, int32_t code, double previous) {
    if (mode == kModeFull) {
        return fullModeSpeed(code);
    }
    return restrictedModeSpeed(mode, code, previous);
}

}  // namespace cabkit::cabrix
