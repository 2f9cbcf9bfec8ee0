// One frame as the core hands it to its two modules: the step since the
// last frame and the vehicle state the host gave.
#ifndef CABKIT_VELORIN_FRAME_H
#define CABKIT_VELORIN_FRAME_H

#include <cstdint>

#include "host_records.h"

namespace cabkit::velorin {

struct Frame {
    int32_t stepMs = 0;  // 0 in the first frame of a run and when the host time went back
    VehicleState state{};
};

}  // namespace cabkit::velorin

#endif  // CABKIT_VELORIN_FRAME_H
