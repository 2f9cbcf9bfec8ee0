// The handle command: the driver's handles, overridden by the brake demands
// of an active frame.
#ifndef CABKIT_CABRIX_HANDLE_OUTPUTS_H
#define CABKIT_CABRIX_HANDLE_OUTPUTS_H

#include <cstdint>

#include "ccabrix.h"
#include "host_records.h"

namespace cabkit::cabrix {

// The driver's handles as last reported.
struct DriverHandles {
    int32_t reverser;
    int32_t power;
    int32_t brake;
};

struct BrakeNotches {
    int32_t service;    // number of service notches, the full service brake
    int32_t emergency;  // service + 1
};

// Constant-speed command that cancels the train's speed holding.
inline constexpr int32_t kCancelConstantSpeed = 2;

// A demanded notch replaces the driver's, even a stronger one.
HandleCommand commandHandles(const CCabrix& cab, const DriverHandles& driver, const BrakeNotches& notches);

}  // namespace cabkit::cabrix

#endif  // CABKIT_CABRIX_HANDLE_OUTPUTS_H
