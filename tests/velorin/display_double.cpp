#include "display_double.h"

namespace cabkit::velorin {

namespace {
void record(std::string call) { test::displayDouble().calls.push_back(std::move(call)); }
}  // namespace

test::DisplayDouble& test::displayDouble() {
    static DisplayDouble instance;
    return instance;
}

TimetableDisplay::TimetableDisplay() = default;

void TimetableDisplay::reset() { record("reset"); }
void TimetableDisplay::receive(int32_t kind, int32_t value) {
    record("receive " + std::to_string(kind) + " " + std::to_string(value));
}
void TimetableDisplay::armAdvance() { record("armAdvance"); }
void TimetableDisplay::startStopAlert() { record("startStopAlert"); }
void TimetableDisplay::doorsOpened() { record("doorsOpened"); }
void TimetableDisplay::update(const Frame& frame) {
    // What the display is given of the frame.
    record("update step=" + std::to_string(frame.stepMs) + " time=" + std::to_string(frame.state.time));
}

const std::array<int32_t, TimetableDisplay::kShownSlots>& TimetableDisplay::shown() const {
    return test::displayDouble().shown;
}
double TimetableDisplay::distance() const { return test::displayDouble().distance; }
int32_t TimetableDisplay::numberField(std::size_t entry) const { return test::displayDouble().numberField.at(entry); }
int32_t TimetableDisplay::extraCode() const { return test::displayDouble().extraCode; }
int32_t TimetableDisplay::stopAlertLamp() const { return test::displayDouble().stopAlertLamp; }
int32_t TimetableDisplay::stopAlertSound() const { return test::displayDouble().stopAlertSound; }

}  // namespace cabkit::velorin
