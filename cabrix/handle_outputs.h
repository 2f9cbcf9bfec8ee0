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

// A demanded notch replaces the driver's, even a stronger one. Inline: it
// runs every frame, and the call cost more than its body.
constexpr HandleCommand commandHandles(const HandleDemands& demands, const DriverHandles& driver,
                                       const BrakeNotches& notches) {
    HandleCommand command{
        .brake = driver.brake, .power = driver.power, .reverser = driver.reverser, .constantSpeed = 0};
    const bool demanding = !demands.speedOk || !demands.runOk;

    // Any brake demand cuts power and the reverser.
    if (demands.active && demanding) {
        command.reverser = 0;
        command.power = 0;
    }

    // The emergency demand wins over the service demand.
    if (demands.active && !demands.speedOk) {
        command.brake = notches.service;
    }
    if (demands.active && !demands.runOk) {
        command.brake = notches.emergency;
    }

    // The constant-speed command is cancelled under any demand; inactive
    // frames clear both flags, so they cancel too.
    command.constantSpeed = demanding ? kCancelConstantSpeed : 0;
    return command;
}

}  // namespace cabkit::cabrix

#endif  // CABKIT_CABRIX_HANDLE_OUTPUTS_H
