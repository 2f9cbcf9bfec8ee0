// The cab-panel slots the plug-in publishes and the one it reads.
#ifndef CABKIT_CABRIX_PANEL_OUTPUTS_H
#define CABKIT_CABRIX_PANEL_OUTPUTS_H

#include <cstdint>
#include <string_view>

#include "cabrix_contract.h"
#include "ccabrix.h"
#include "host_arrays.h"

namespace cabkit::cabrix {

// A slot of Cabrix's own table, or of the exchanged ones, by its label.
consteval int32_t ownSlot(std::string_view label) { return contract::panelSlot(contract::cabrix::kPanelSlots, label); }

// The vehicle's operating mode; 0 keeps supervision off. Never written here.
inline constexpr int32_t kPanelVehicleMode = contract::sharedSlot("operating mode");
// 1 while the selector is at 0.
inline constexpr int32_t kPanelModeOff = ownSlot("mode-0 lamp");
// Any value but 0 switches the train stop off; written only while the
// selector is not at 0, and never cleared.
inline constexpr int32_t kPanelTrainStopOff = contract::sharedSlot("train-stop switch-off");

inline constexpr int32_t kPanelSignalCode = contract::sharedSlot("cab-signal code");
inline constexpr int32_t kPanelServiceBrake = contract::sharedSlot("service-brake lamp");
inline constexpr int32_t kPanelEmergencyBrake = contract::sharedSlot("emergency-brake lamp");
inline constexpr int32_t kPanelCutOut = contract::sharedSlot("cut-out lamp");

// True when the vehicle lets supervision be active.
bool vehiclePermitsSupervision(const int32_t* panel);

// Writes slots 247 and 249 first, then the lamps, the selector, the code
// and the code indicators.
void writePanel(const CabrixOutputs& out, int32_t* panel);

}  // namespace cabkit::cabrix

#endif  // CABKIT_CABRIX_PANEL_OUTPUTS_H
