// The frame: activity, supervision, handle command, panel and sounds.
#include "cabrix_plugin.h"
#include "frame_activity.h"
#include "handle_outputs.h"
#include "panel_outputs.h"
#include "sound_outputs.h"

namespace cabkit::cabrix {

HandleCommand CabrixPlugin::elapse(const VehicleState& state, int32_t* panel, int32_t* sound) {
    // The frame's state, read by supervision through the state object.
    vehicleStateCopy = state;

    // Whether supervision runs.
    const bool panelPermits = vehiclePermitsSupervision(panel);
    decideActive(cabrix, panelPermits);

    // Supervise, or clear what an inactive frame does not show.
    if (cabrix.active) {
        runActiveFrame(cabrix);
    } else {
        clearInactiveFrame(cabrix);
    }

    // One-shot and looping sounds of this frame.
    settleFrameSounds(cabrix);

    // The driver's handles under the brake demands.
    handleOut = commandHandles(cabrix, DriverHandles{reverserHandle, powerHandle, brakeHandle},
                               BrakeNotches{serviceNotches, emergencyNotch});

    // Publish.
    writePanel(cabrix, panel);
    writeSounds(cabrix, sound);

    return handleOut;
}

}  // namespace cabkit::cabrix
