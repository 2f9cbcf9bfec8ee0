// Placeholder with the display's interface; the display itself lands next.
#include "timetable_display.h"

namespace cabkit::velorin {

TimetableDisplay::TimetableDisplay() = default;
void TimetableDisplay::wire(const int32_t* /*frameStepMs*/, const VehicleState* /*vehicleState*/) {}
void TimetableDisplay::reset() {}
void TimetableDisplay::receive(int32_t /*kind*/, int32_t /*value*/) {}
void TimetableDisplay::armAdvance() {}
void TimetableDisplay::startStopAlert() {}
void TimetableDisplay::doorsOpened() {}
void TimetableDisplay::update() {}
const std::array<int32_t, TimetableDisplay::kShownSlots>& TimetableDisplay::shown() const { return shown_; }
double TimetableDisplay::distance() const { return 0.0; }
int32_t TimetableDisplay::numberField(std::size_t /*entry*/) const { return 0; }
int32_t TimetableDisplay::extraCode() const { return 0; }
int32_t TimetableDisplay::stopAlertLamp() const { return 0; }
int32_t TimetableDisplay::stopAlertSound() const { return -10000; }

}  // namespace cabkit::velorin
