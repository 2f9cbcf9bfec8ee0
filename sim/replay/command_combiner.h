// How the host turns the returned handle commands, one per plug-in, into the
// one the train obeys.
//
// The vehicle plug-in owns the power notch: it maps the driver's handle to
// the train's notches and hands over to its train-operation controller, so
// its returned power is the power the train gets. The other plug-ins pass
// the driver's handle through and can only take power away, by returning less
// than the handle, or brake. So:
//   brake    = the highest brake returned, within 0 .. the emergency notch;
//   power    = 0 while that brake is above 0 or another plug-in cuts power,
//              else the vehicle plug-in's power (the driver's handle when
//              no vehicle plug-in is loaded);
//   reverser = neutral when any plug-in returns neutral or two disagree,
//              else the direction they agree on.
#ifndef CABKIT_SIM_COMMAND_COMBINER_H
#define CABKIT_SIM_COMMAND_COMBINER_H

#include <cstdint>
#include <span>

#include "host_records.h"
#include "train_model.h"

namespace cabkit::sim {

struct DriverHandles {
    int32_t reverser = 0;
    int32_t power = 0;
    int32_t brake = 0;
};

// `vehicle` indexes the vehicle plug-in in `commands` (commands.size(): none).
TrainCommand combineCommands(std::span<const HandleCommand> commands, std::size_t vehicle, const DriverHandles& driver,
                             int32_t emergencyNotch);

// A plug-in brakes when it returns more brake than the driver's handle.
inline bool imposesBrake(const HandleCommand& command, const DriverHandles& driver) {
    return command.brake > driver.brake;
}

// A plug-in cuts power when it returns less than the driver's power handle.
inline bool cutsPower(const HandleCommand& command, const DriverHandles& driver) {
    return command.power < driver.power;
}

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_COMMAND_COMBINER_H
