// Whether supervision runs in this frame, and what an inactive frame clears:
// members of CCabrix, defined in frame_activity.cpp.
#ifndef CABKIT_CABRIX_FRAME_ACTIVITY_H
#define CABKIT_CABRIX_FRAME_ACTIVITY_H

#include "ccabrix.h"

#endif  // CABKIT_CABRIX_FRAME_ACTIVITY_H
