#include "cab_speeds.h"

#include <algorithm>

#include "cab_contract_index.h"
#include "cabrix/cabrix_rules.h"

namespace cabkit::sim {
namespace {

namespace cabrix = contract::cabrix;

constexpr int32_t kCodeSlot = contract::sharedSlot("cab-signal code");
constexpr int32_t kCutOutLamp = contract::sharedSlot("cut-out lamp");
constexpr int32_t kActiveLamp = contract::panelSlot(cabrix::kPanelSlots, "active lamp");
constexpr int32_t kFixedLimitLamp = contract::panelSlot(cabrix::kPanelSlots, "fixed-limit lamp");
constexpr int32_t kModeSlot = contract::panelSlot(cabrix::kPanelSlots, "mode");

// No limit in the table (255 in mode 0): nothing to show.
constexpr int32_t kNoLimitFrom = 255;

int32_t read(const int32_t* panel, int32_t slot) { return panel[static_cast<std::size_t>(slot)]; }

// In mode 2 the lit indicator names the code; without one the code slot does.
const cabrix::CabSignalCode* shownCode(const int32_t* panel, int32_t mode) {
    if (mode == 2) {
        for (const cabrix::CabSignalCode& row : cabSignalCodes()) {
            const int32_t slot = cabrix::indicatorSlot(row);
            if (slot >= 0 && read(panel, slot) != 0) return &row;
        }
    }
    return findCabSignalCode(read(panel, kCodeSlot));
}

}  // namespace

void CabSpeeds::read(const int32_t* panel) {
    code_ = sim::read(panel, kCodeSlot);
    permitted_.reset();
    if (sim::read(panel, kActiveLamp) == 0) return;
    const int32_t mode = sim::read(panel, kModeSlot);
    const cabrix::CabSignalCode* code = shownCode(panel, mode);
    // Any code outside the table permits what code 0 permits.
    if (code == nullptr) code = findCabSignalCode(0);
    const int32_t speed = cabrix::permittedSpeed(mode, code->code);
    if (speed != cabrix::kKeepsPrevious) lastPermitted_ = speed;
    if (sim::read(panel, kCutOutLamp) != 0) return;
    if (sim::read(panel, kFixedLimitLamp) != 0) {
        permitted_ = cabrix::kFixedLimit;
        return;
    }
    if (lastPermitted_ >= kNoLimitFrom) return;
    permitted_ = std::max(lastPermitted_, 0);
}

double CabSpeeds::controllerAllows(const int32_t* panel) {
    const int32_t code = sim::read(panel, kCutOutLamp) != 0 ? 0 : sim::read(panel, kCodeSlot);
    return std::max(atoSignalSpeed(code).speed, 0);
}

}  // namespace cabkit::sim
