// The frame: the state object's update, then the handle command, the panel
// and the sounds it publishes.
#include "cabrix_plugin.h"
#include "panel_outputs.h"
#include "sound_outputs.h"

namespace cabkit::cabrix {

HandleCommand CabrixPlugin::elapse(const VehicleState& state, int32_t* panel, int32_t* sound) {
    const CabrixOutputs out = cabrix.update(CabrixInputs{
        .state = state,
        .driver = DriverHandles{.brake = brakeHandle, .power = powerHandle, .reverser = reverserHandle},
        .notches = BrakeNotches{.service = serviceNotches, .emergency = emergencyNotch},
        .vehiclePermits = vehiclePermitsSupervision(panel),
    });
    handleOut = out.handles;
    writePanel(out, panel);
    writeSounds(out, sound);
    return handleOut;
}

}  // namespace cabkit::cabrix
