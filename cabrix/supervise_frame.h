// One supervised frame: from the code, the mode and the train's speed to the
// brake demands, the lamps, the looping sounds and the bell
// (CCabrix::superviseFrame, supervise_frame.cpp).
#ifndef CABKIT_CABRIX_SUPERVISE_FRAME_H
#define CABKIT_CABRIX_SUPERVISE_FRAME_H

#include "cabrix_rules.h"
#include "ccabrix.h"

namespace cabkit::cabrix {

// Speeds in km/h that the supervision compares against.
inline constexpr double kRollbackSpeed = -5.0;
inline constexpr double kFixedLimitSpeed = contract::cabrix::kFixedLimit;

}  // namespace cabkit::cabrix

#endif  // CABKIT_CABRIX_SUPERVISE_FRAME_H
