#include "handle_outputs.h"

namespace cabkit::cabrix {

HandleCommand commandHandles(const HandleDemands& demands, const DriverHandles& driver, const BrakeNotches& notches) {
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
