// One supervised frame: from the code, the mode and the train's speed to the
// brake demands (speedOk, runOk), the lamps, the looping sounds and the bell.
#ifndef CABKIT_CABRIX_SUPERVISE_FRAME_H
#define CABKIT_CABRIX_SUPERVISE_FRAME_H

#include "cabrix_contract.h"
#include "ccabrix.h"

namespace cabkit::cabrix {

// Speeds in km/h that the supervision compares against.
inline constexpr double kRollbackSpeed = -5.0;
inline constexpr double kFixedLimitSpeed = contract::cabrix::kFixedLimit;

// Runs in every active frame. Reads the speed and the reverser through the
// wired pointers, which must be set.
void superviseFrame(CCabrix& cab);

}  // namespace cabkit::cabrix

#endif  // CABKIT_CABRIX_SUPERVISE_FRAME_H
