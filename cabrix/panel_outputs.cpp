#include "panel_outputs.h"

#include <array>
#include <cstddef>

namespace cabkit::cabrix {
namespace {

struct FieldSlot {
    int32_t slot;
    int32_t CabrixOutputs::*field;
};

struct IndicatorSlot {
    int32_t slot;
    std::size_t indicator;
};

constexpr std::array<FieldSlot, 9> kFieldSlots{{
    {ownSlot("active lamp"), &CabrixOutputs::activeLamp},
    {ownSlot("supervising lamp"), &CabrixOutputs::supervisingLamp},
    {ownSlot("rollback lamp"), &CabrixOutputs::rollbackLamp},
    {ownSlot("fixed-limit lamp"), &CabrixOutputs::fixedLimitLamp},
    {kPanelServiceBrake, &CabrixOutputs::serviceBrakeLamp},
    {kPanelEmergencyBrake, &CabrixOutputs::emergencyBrakeLamp},
    {kPanelCutOut, &CabrixOutputs::cutOutLamp},
    {ownSlot("mode"), &CabrixOutputs::mode},
    {kPanelSignalCode, &CabrixOutputs::signalCode},
}};

// Each code's indicator lamp, from the code table; code 1 has none.
constexpr std::size_t kIndicatorCount = 9;
constexpr std::array<IndicatorSlot, kIndicatorCount> indicatorSlots() {
    std::array<IndicatorSlot, kIndicatorCount> slots{};
    std::size_t next = 0;
    for (const contract::cabrix::CabSignalCode& code : contract::cabrix::kCabSignalCodes) {
        if (code.indicator != nullptr && next < slots.size()) {
            slots[next] = IndicatorSlot{contract::cabrix::indicatorSlot(code), static_cast<std::size_t>(code.code)};
            ++next;
        }
    }
    return slots;
}
constexpr std::array<IndicatorSlot, kIndicatorCount> kIndicatorSlots = indicatorSlots();

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

// writePanel writes exactly the slots the contract gives Cabrix: its own
// table and the exchanged slots that name it as a writer.
constexpr bool writes(int32_t slot) {
    bool found = slot == kPanelModeOff || slot == kPanelTrainStopOff;
    for (const FieldSlot& entry : kFieldSlots) {
        found = found || entry.slot == slot;
    }
    for (const IndicatorSlot& entry : kIndicatorSlots) {
        found = found || entry.slot == slot;
    }
    return found;
}
constexpr bool writesWhatTheTableSays() {
    std::size_t expected = contract::cabrix::kPanelSlots.size();
    std::size_t written = 0;
    for (const contract::PanelSlot& row : contract::cabrix::kPanelSlots) {
        written += writes(row.slot) ? 1U : 0U;
    }
    for (const contract::PanelSlot& row : contract::kSharedPanelSlots) {
        const bool ours = (row.writers & contract::kCabrix) != 0;
        if (writes(row.slot) != ours) {
            return false;
        }
        expected += ours ? 1U : 0U;
        written += ours ? 1U : 0U;
    }
    // Two slots are written apart from the tables below: the mode-0 lamp and
    // the train-stop switch-off.
    return written == expected && kFieldSlots.size() + kIndicatorSlots.size() + 2 == expected;
}
static_assert(writesWhatTheTableSays(), "Cabrix writes every slot its table names and no other");

std::size_t at(int32_t slot) { return static_cast<std::size_t>(slot); }

}  // namespace

bool vehiclePermitsSupervision(const int32_t* panel) { return panel[at(kPanelVehicleMode)] != 0; }

void writePanel(const CabrixOutputs& out, int32_t* panel) {
    panel[at(kPanelModeOff)] = out.mode == kModeOff ? 1 : 0;
    if (out.mode != kModeOff) {
        panel[at(kPanelTrainStopOff)] = 1;
    }
    for (const FieldSlot& entry : kFieldSlots) {
        panel[at(entry.slot)] = out.*entry.field;
    }
    for (const IndicatorSlot& entry : kIndicatorSlots) {
        panel[at(entry.slot)] = out.speedIndicators[entry.indicator];
    }
}

}  // namespace cabkit::cabrix
