// The frame: activity, supervision, handle command, panel and sounds.
#include "cabrix_plugin.h"
#include "frame_activity.h"
#include "handle_outputs.h"
#include "panel_outputs.h"
#include "sound_outputs.h"

namespace cabkit::cabrix {

HandleCommand CabrixPlugin::elapse(const VehicleState& state, int32_t* panel, int32_t* sound) {
    // 1. The frame's state, read by supervision through the state object.
    vehicleStateCopy = state;

    // 2, 3. Whether supervision runs.
    const bool panelPermits = vehiclePermitsSupervision(panel);
    decideActive(cabrix, panelPermits);

    // 4. Supervise, or clear what an inactive frame does not show.
    if (cabrix.active) {
        runActiveFrame(cabrix);
    } else {
        clearInactiveFrame(cabrix);
    }

    // 5. One-shot and looping sounds of this frame.
    settleFrameSounds(cabrix);

    // 6. The driver's handles under the brake demands.
    handleOut = commandHandles(cabrix, DriverHandles{reverserHandle, powerHandle, brakeHandle},
                               BrakeNotches{serviceNotches, emergencyNotch});

    // 7, 8. Publish.
    writePanel(cabrix, panel);
    writeSounds(cabrix, sound);

    // 9.
    return handleOut;
}

}  // namespace cabkit::cabrix
