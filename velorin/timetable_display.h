// The cab's information display: a stop list shown three stops at a time,
// a header line, a number field, a route-distance counter and a stop alert,
// all filled by track-side beacons and advanced one stop each time the train
// leaves a stop where the doors were opened.
#ifndef CABKIT_VELORIN_TIMETABLE_DISPLAY_H
#define CABKIT_VELORIN_TIMETABLE_DISPLAY_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "host_records.h"

namespace cabkit::velorin {

class TimetableDisplay {
public:
    // Number of display values the core publishes on the panel.
    static constexpr std::size_t kShownSlots = 39;

    // The contents the display has when the library is loaded.
    TimetableDisplay();

    // Points the display at the core's frame step and vehicle state; the
    // update reads the frame only through these. Called once at attach.
    void wire(const int32_t* frameStepMs, const VehicleState* vehicleState);

    // Start or restart of a run (the last step of Initialize).
    void reset();

    // Beacon input: kind 0..13 with the beacon's optional value; other kinds
    // do nothing.
    void receive(int32_t kind, int32_t value);
    // The next update above 5 km/h advances one stop.
    void armAdvance();
    // Raises the stop alert (lamp and sound).
    void startStopAlert();
    // Doors opened: arms the advance and lowers the stop alert.
    void doorsOpened();

    // Once per frame, after the train operation controller.
    void update();

    // What the core publishes after the update.
    const std::array<int32_t, kShownSlots>& shown() const;
    double distance() const;
    // Entries 0..2 of the number field (leading code, number, trailing code).
    int32_t numberField(std::size_t entry) const;
    int32_t extraCode() const;
    int32_t stopAlertLamp() const;   // 1 lit, 0 dark
    int32_t stopAlertSound() const;  // play command for sound slot 10

private:
    std::array<int32_t, kShownSlots> shown_{};
};

}  // namespace cabkit::velorin

#endif  // CABKIT_VELORIN_TIMETABLE_DISPLAY_H
