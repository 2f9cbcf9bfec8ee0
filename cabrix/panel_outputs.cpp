#include "panel_outputs.h"

#include <array>
#include <cstddef>

namespace cabkit::cabrix {
namespace {

struct FieldSlot {
    int32_t slot;
    int32_t CCabrix::*field;
};

struct IndicatorSlot {
    int32_t slot;
    std::size_t indicator;
};

constexpr std::array<FieldSlot, 9> kFieldSlots{{
    {52, &CCabrix::activeLamp},
    {53, &CCabrix::supervisingLamp},
    {55, &CCabrix::rollbackLamp},
    {56, &CCabrix::fixedLimitLamp},
    {kPanelServiceBrake, &CCabrix::serviceBrakeLamp},
    {kPanelEmergencyBrake, &CCabrix::emergencyBrakeLamp},
    {kPanelCutOut, &CCabrix::cutOutLamp},
    {66, &CCabrix::mode},
    {kPanelSignalCode, &CCabrix::signalCode},
}};

// Indicator 1 (code 1) has no lamp.
constexpr std::array<IndicatorSlot, 9> kIndicatorSlots{{
    {70, 0},
    {71, 2},
    {74, 3},
    {54, 4},
    {76, 5},
    {80, 6},
    {82, 7},
    {84, 8},
    {86, 9},
}};

constexpr bool slotsAreWritable() {
    for (const FieldSlot& entry : kFieldSlots) {
        if (entry.slot < 0 || entry.slot > CABKIT_PANEL_LAST_USED || entry.slot == kPanelVehicleMode) {
            return false;
        }
    }
    for (const IndicatorSlot& entry : kIndicatorSlots) {
        if (entry.slot < 0 || entry.slot > CABKIT_PANEL_LAST_USED || entry.slot == kPanelVehicleMode ||
            entry.indicator >= kSpeedIndicatorCount || entry.indicator == 1) {
            return false;
        }
    }
    return true;
}
static_assert(slotsAreWritable(), "slots lie on the panel, skip the vehicle's mode, indicators exist");

std::size_t at(int32_t slot) { return static_cast<std::size_t>(slot); }

}  // namespace

bool vehiclePermitsSupervision(const int32_t* panel) { return panel[at(kPanelVehicleMode)] != 0; }

void writePanel(const CCabrix& cab, int32_t* panel) {
    panel[at(kPanelModeOff)] = cab.mode == kModeOff ? 1 : 0;
    if (cab.mode != kModeOff) {
        panel[at(kPanelTrainStopOff)] = 1;
    }
    for (const FieldSlot& entry : kFieldSlots) {
        panel[at(entry.slot)] = cab.*entry.field;
    }
    for (const IndicatorSlot& entry : kIndicatorSlots) {
        panel[at(entry.slot)] = cab.speedIndicators[entry.indicator];
    }
}

}  // namespace cabkit::cabrix
