// The driver's keys: mode selector, fixed 25 km/h limit, cut-out switch
// (CCabrix::keyPressed; what the mode keys do is in cabrix_rules.h).
#ifndef CABKIT_CABRIX_MODE_KEYS_H
#define CABKIT_CABRIX_MODE_KEYS_H

#include <cstdint>

#include "cabrix_contract.h"
#include "ccabrix.h"

namespace cabkit::cabrix {

inline constexpr int32_t kKeyModeDown = contract::keyNumber(contract::cabrix::kKeys, "cab-signal mode down");
inline constexpr int32_t kKeyModeUp = contract::keyNumber(contract::cabrix::kKeys, "cab-signal mode up");
inline constexpr int32_t kKeyFixedLimit = contract::keyNumber(contract::cabrix::kKeys, "fixed 25 km/h limit");
inline constexpr int32_t kKeyCutOut = contract::keyNumber(contract::cabrix::kKeys, "cab-signal cut-out");

}  // namespace cabkit::cabrix

#endif  // CABKIT_CABRIX_MODE_KEYS_H
