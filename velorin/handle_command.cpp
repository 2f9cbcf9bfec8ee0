// The handle command the train obeys: the controller's notches while it is
// engaged, the driver's handles otherwise, with power cut while slot 201 is
// clear and the emergency notch in mode 0.
#include "velorin_plugin.h"
#include "velorin_rules.h"

namespace cabkit::velorin {

void VelorinPlugin::computeHandleCommand(const AtoController::FrameOutputs& atoCommand) {
    handleOut.reverser = atoCommand.engaged ? 1 : reverserHandle;

    int32_t power = contract::velorin::powerNotchForHandle(powerHandle, operatingMode);
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
