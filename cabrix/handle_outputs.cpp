#include "handle_outputs.h"

namespace cabkit::cabrix {

HandleCommand commandHandles(const CCabrix& cab, const DriverHandles& driver, const BrakeNotches& notches) {
    HandleCommand command{driver.brake, driver.power, driver.reverser, 0};
    const bool demanding = !cab.speedOk || !cab.runOk;

    // Any brake demand cuts power and the reverser.
    if (cab.active && demanding) {
        command.reverser = 0;
        command.power = 0;
    }

    // The emergency demand wins over the service demand.
    if (cab.active && !cab.speedOk) {
        command.brake = notches.service;
    }
    if (cab.active && !cab.runOk) {
        command.brake = notches.emergency;
    }

    // The constant-speed command is cancelled under any demand; inactive
    // frames clear both flags, so they cancel too.
    command.constantSpeed = demanding ? kCancelConstantSpeed : 0;
    return command;
}

}  // namespace cabkit::cabrix
