#include "command_combiner.h"

#include <algorithm>

namespace cabkit::sim {

TrainCommand combineCommands(std::span<const HandleCommand> commands, std::size_t vehicle, const DriverHandles& driver,
                             int32_t emergencyNotch) {
    TrainCommand out;
    bool powerCut = false;
    bool neutral = false;
    int32_t direction = 0;
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const HandleCommand& command = commands[i];
        out.brake = std::max(out.brake, command.brake);
        if (i != vehicle && cutsPower(command, driver)) powerCut = true;
        if (command.reverser == 0) {
            neutral = true;
        } else if (direction == 0) {
            direction = command.reverser > 0 ? 1 : -1;
        } else if ((command.reverser > 0 ? 1 : -1) != direction) {
            neutral = true;
        }
    }
    out.brake = std::clamp(out.brake, 0, emergencyNotch);
    out.reverser = neutral ? 0 : direction;
    // Without a vehicle plug-in the driver's handle is the power the others may take away.
    const int32_t vehiclePower = vehicle < commands.size() ? commands[vehicle].power : driver.power;
    out.power = (out.brake > 0 || powerCut) ? 0 : std::max(vehiclePower, 0);
    return out;
}

}  // namespace cabkit::sim
