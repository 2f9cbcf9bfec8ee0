// The speed a cab-signal code permits, by mode, and the code indicator that
// goes with it, as the supervision compares them (the table is in
// cabrix_rules.h).
#ifndef CABKIT_CABRIX_PERMITTED_SPEED_H
#define CABKIT_CABRIX_PERMITTED_SPEED_H

#include <cstdint>

namespace cabkit::cabrix {

// No code indicator is lit.
inline constexpr int32_t kNoIndicator = -1;

struct PermittedSpeed {
    double speed;       // km/h; kStopSpeed means the train must stand
    int32_t indicator;  // index into speedIndicators, or kNoIndicator
};

// Mode 2: every code has its own speed and, but for code 1, its own
// indicator. Modes 0 and 1: a flat 25 km/h for codes 4..9 and no
// indicators; a code these modes have no speed for gives 255 in mode 0 and
// keeps `previous` in mode 1. Unknown codes count as code 0.
// CCabrix::settlePermittedSpeed, in permitted_speed.cpp, applies it.
PermittedSpeed permittedSpeedFor(int32_t mode, int32_t code, double previous);

}  // namespace cabkit::cabrix

#endif  // CABKIT_CABRIX_PERMITTED_SPEED_H
