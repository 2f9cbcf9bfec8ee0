// The cab-panel slots the plug-in publishes and the one it reads.
#ifndef CABKIT_CABRIX_PANEL_OUTPUTS_H
#define CABKIT_CABRIX_PANEL_OUTPUTS_H

#include <cstdint>

#include "ccabrix.h"
#include "host_arrays.h"

namespace cabkit::cabrix {

// The vehicle's operating mode; 0 keeps supervision off. Never written here.
inline constexpr int32_t kPanelVehicleMode = 75;
// 1 while the selector is at 0.
inline constexpr int32_t kPanelModeOff = 247;
// Any value but 0 switches the train stop off; written only while the
// selector is not at 0, and never cleared.
inline constexpr int32_t kPanelTrainStopOff = 249;

inline constexpr int32_t kPanelSignalCode = 72;
inline constexpr int32_t kPanelServiceBrake = 57;
inline constexpr int32_t kPanelEmergencyBrake = 58;
inline constexpr int32_t kPanelCutOut = 59;

static_assert(kPanelTrainStopOff <= CABKIT_PANEL_LAST_USED, "every slot lies within the panel in use");

// True when the vehicle lets supervision be active.
bool vehiclePermitsSupervision(const int32_t* panel);

// Writes slots 247 and 249 first, then the lamps, the selector, the code
// and the code indicators.
void writePanel(const CCabrix& cab, int32_t* panel);

}  // namespace cabkit::cabrix

#endif  // CABKIT_CABRIX_PANEL_OUTPUTS_H
