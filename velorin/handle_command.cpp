// The handle command the train obeys: the controller's notches while it is
// engaged, the driver's handles otherwise, with power cut while slot 201 is
// clear and the emergency notch in mode 0.
#include <array>

#include "velorin_plugin.h"

namespace cabkit::velorin {

namespace {

// The power handle's top positions give different notches in each mode;
// every other position passes unchanged.
struct PowerMapping {
    int32_t handle;
    std::array<int32_t, 3> notchByMode;
};
constexpr std::array<PowerMapping, 3> kPowerMappings{{
    {3, {4, 4, 4}},
    {4, {5, 5, 5}},
    {5, {5, 8, 7}},
}};

int32_t powerNotchForHandle(int32_t handle, int32_t mode) {
    if (mode < 0 || mode > 2) {
        return handle;
    }
    for (const PowerMapping& mapping : kPowerMappings) {
        if (mapping.handle == handle) {
            return mapping.notchByMode[static_cast<std::size_t>(mode)];
        }
    }
    return handle;
}

}  // namespace

void VelorinPlugin::computeHandleCommand(const AtoController::FrameOutputs& atoCommand) {
    handleOut.reverser = atoCommand.engaged ? 1 : reverserHandle;

    int32_t power = powerNotchForHandle(powerHandle, operatingMode);
    if (atoCommand.engaged) {
        power = atoCommand.power;
    }
    if (!slot201Active) {
        power = 0;
    }
    handleOut.power = power;

    int32_t brake = atoCommand.engaged ? atoCommand.brake : brakeHandle;
    if (operatingMode == 0) {
        brake = emergencyNotch;
    }
    handleOut.brake = brake;

    handleOut.constantSpeed = 0;
}

}  // namespace cabkit::velorin
