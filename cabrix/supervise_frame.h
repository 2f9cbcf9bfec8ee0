// One supervised frame: from the code, the mode and the train's speed to the
// brake demands, the lamps, the looping sounds and the bell
// (CCabrix::superviseFrame, supervise_frame.cpp).
#ifndef CABKIT_CABRIX_SUPERVISE_FRAME_H
#define CABKIT_CABRIX_SUPERVISE_FRAME_H

#include "cabrix_rules.h"
#include "ccabrix.h"

namespace cabkit::cabrix {

// The speeds it compares against and the checks themselves are the
// contract's (cabrix_rules.h).

}  // namespace cabkit::cabrix

#endif  // CABKIT_CABRIX_SUPERVISE_FRAME_H
