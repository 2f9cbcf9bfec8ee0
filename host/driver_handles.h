// The driver's three handle positions as the host last set them (SetBrake,
// SetPower, SetReverser), shared by every plug-in's frame update. The fields
// stand in the order of HandleCommand, so that a plug-in that passes the
// driver's handles on builds its command field by field from this record,
// never positionally from another layout.
#ifndef CABKIT_HOST_DRIVER_HANDLES_H
#define CABKIT_HOST_DRIVER_HANDLES_H

#include <cstddef>
#include <cstdint>

#include "host_records.h"

namespace cabkit {

struct DriverHandles {
    int32_t brake = 0;     // brake notch
    int32_t power = 0;     // power notch
    int32_t reverser = 0;  // -1 backward, 0 neutral, 1 forward
};

static_assert(offsetof(DriverHandles, brake) == offsetof(HandleCommand, brake));
static_assert(offsetof(DriverHandles, power) == offsetof(HandleCommand, power));
static_assert(offsetof(DriverHandles, reverser) == offsetof(HandleCommand, reverser));

}  // namespace cabkit

#endif  // CABKIT_HOST_DRIVER_HANDLES_H
