// Whether supervision runs in this frame, and what an inactive frame clears.
#ifndef CABKIT_CABRIX_FRAME_ACTIVITY_H
#define CABKIT_CABRIX_FRAME_ACTIVITY_H

#include "ccabrix.h"

namespace cabkit::cabrix {

// Sets `active`. A received code switches supervision on in any mode, mode 1
// switches it on without one, and mode 2 without a code keeps it as it was;
// nothing is active unless the vehicle permits it (panelPermits).
void decideActive(CCabrix& cab, bool panelPermits);

// An active frame: both lamps on, then the supervision proper.
void runActiveFrame(CCabrix& cab);

// An inactive frame: lamps dark but for cut-out and rollback, the selector
// back to 0, both demands and the emergency-notch flag cleared.
void clearInactiveFrame(CCabrix& cab);

}  // namespace cabkit::cabrix

#endif  // CABKIT_CABRIX_FRAME_ACTIVITY_H
