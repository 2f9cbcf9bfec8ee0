#include "permitted_speed.h"

#include <array>
#include <cstddef>

#include "ccabrix.h"

namespace cabkit::cabrix {
namespace {

constexpr std::size_t kCodeCount = 10;

constexpr std::array<PermittedSpeed, kCodeCount> kFullModeTable{{
    {kStopSpeed, 0},
    {25.0, kNoIndicator},
    {kStopSpeed, 2},
    {15.0, 3},
    {25.0, 4},
    {25.0, 5},
    {45.0, 6},
    {55.0, 7},
    {65.0, 8},
    {75.0, 9},
}};
static_assert(kFullModeTable.size() == kSpeedIndicatorCount, "one entry per code and indicator");

constexpr double kRestrictedCodeSpeed = 25.0;
constexpr double kCautionSpeed = 15.0;
constexpr double kModeOffUncodedSpeed = 255.0;

constexpr bool isKnownCode(int32_t code) { return code >= 0 && code < static_cast<int32_t>(kCodeCount); }

}  // namespace

PermittedSpeed fullModeSpeed(int32_t code) {
    const int32_t known = isKnownCode(code) ? code : 0;
    return kFullModeTable[static_cast<std::size_t>(known)];
}

PermittedSpeed restrictedModeSpeed(int32_t mode, int32_t code, double previous) {
    if (code == 2) {
        return {kStopSpeed, kNoIndicator};
    }
    if (code == 3) {
        return {kCautionSpeed, kNoIndicator};
    }
    if (code >= 4 && code <= 9) {
        return {kRestrictedCodeSpeed, kNoIndicator};
    }
    if (mode == kModeOff) {
        return {kModeOffUncodedSpeed, kNoIndicator};
    }
    return {previous, kNoIndicator};
}

PermittedSpeed permittedSpeedFor(int32_t mode, int32_t code, double previous) {
    if (mode == kModeFull) {
        return fullModeSpeed(code);
    }
    return restrictedModeSpeed(mode, code, previous);
}

}  // namespace cabkit::cabrix
