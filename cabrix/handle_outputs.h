// The handle command: the driver's handles, overridden by the brake demands
// of an active frame.
#ifndef CABKIT_CABRIX_HANDLE_OUTPUTS_H
#define CABKIT_CABRIX_HANDLE_OUTPUTS_H

#include <cstdint>

#include "ccabrix.h"
#include "driver_handles.h"
#include "host_records.h"

namespace cabkit::cabrix {

// What supervision concluded in the frame.
struct HandleDemands {
    bool active;
    bool speedOk;  // false: service brake demanded
    bool runOk;    // false: emergency brake demanded
};

// Constant-speed command that cancels the train's speed holding.
inline constexpr int32_t kCancelConstantSpeed = 2;

// A demanded notch replaces the driver's, even a stronger one.
HandleCommand commandHandles(const HandleDemands& demands, const DriverHandles& driver, const BrakeNotches& notches);

}  // namespace cabkit::cabrix

#endif  // CABKIT_CABRIX_HANDLE_OUTPUTS_H
