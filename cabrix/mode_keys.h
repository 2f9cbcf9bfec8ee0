// The driver's keys: mode selector, fixed 25 km/h limit, cut-out switch.
#ifndef CABKIT_CABRIX_MODE_KEYS_H
#define CABKIT_CABRIX_MODE_KEYS_H

#include <cstdint>

#include "ccabrix.h"

namespace cabkit::cabrix {

inline constexpr int32_t kKeyModeDown = 5;
inline constexpr int32_t kKeyModeUp = 6;
inline constexpr int32_t kKeyFixedLimit = 12;
inline constexpr int32_t kKeyCutOut = 13;

// KeyDown with the brake handle as last reported; other keys do nothing.
void pressKey(CCabrix& cab, int32_t key, int32_t brakeHandle);

}  // namespace cabkit::cabrix

#endif  // CABKIT_CABRIX_MODE_KEYS_H
