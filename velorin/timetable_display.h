// The cab's information display: a stop list shown three stops at a time,
// a header line, a number field, a route-distance counter and a stop alert,
// all filled by track-side beacons and advanced one stop each time the train
// leaves a stop where the doors were opened.
#ifndef CABKIT_VELORIN_TIMETABLE_DISPLAY_H
#define CABKIT_VELORIN_TIMETABLE_DISPLAY_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "frame.h"
#include "timetable_stop_list.h"

namespace cabkit::velorin {

class TimetableDisplay {
public:
    // Number of display values the core publishes on the panel.
    static constexpr std::size_t kShownSlots = 39;

    // The contents the display has when the library is loaded.
    TimetableDisplay();

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
    void update(const Frame& frame);

    // What the core publishes after the update.
    const std::array<int32_t, kShownSlots>& shown() const;
    double distance() const;
    // Entries 0..2 of the number field (leading code, number, trailing code).
    int32_t numberField(std::size_t entry) const;
    int32_t extraCode() const;
    int32_t stopAlertLamp() const;   // 1 lit, 0 dark
    int32_t stopAlertSound() const;  // play command for sound slot 10

private:
    // Where a stop row's values land in shown_; a row without a duration has
    // kNoSlot there.
    struct RowSlots {
        std::size_t firstTime;   // hours; minutes and seconds follow
        std::size_t secondTime;  // hours; minutes and seconds follow
        std::size_t codePair;    // element 0; element 1 follows
        std::size_t stopCode;
        std::size_t duration;  // element 0; element 1 follows
        std::size_t stopMark;
    };
    static constexpr std::size_t kNoSlot = kShownSlots;

    // A clock time meaning "no time": it splits into the blanks 24, 60, 60.
    static constexpr int32_t kEmptyTime = 246060;
    // The number field at load and after a reset: leading code, a blank
    // number, a trailing code and three entries that are never read.
    static constexpr std::array<int32_t, 6> kNumberFieldAtReset{0, 10, 10, 10, 10, 0};

    void integrateDistance(int32_t stepMs, float speedKmh);
    void driveStopAlert(int32_t timeMs, float speedKmh);
    void fillRow(uint64_t stop, const RowSlots& slots);
    void fillHeader();
    void advance();
    void blankShown(std::size_t first, std::size_t last);

    // Per stop, one entry each; row 1 shows entry rowIndex_. At load each
    // holds one placeholder, its fill value.
    StopList<IntPair> durations_{IntPair{0, 0}, 1};
    StopList<int32_t> stopCodes_{0, 1};
    StopList<int32_t> firstTimes_{kEmptyTime, 1};   // HHMMSS
    StopList<int32_t> secondTimes_{kEmptyTime, 1};  // HHMMSS
    StopList<IntPair> codePairs_{IntPair{0, 0}, 1};
    StopList<int32_t> stopMarks_{0, 1};

    int32_t headerCode_ = 0;
    int32_t headerHours_ = 24;
    int32_t headerMinutes_ = 60;
    int32_t headerSeconds_ = 60;
    int32_t headerValue_ = 0;

    uint32_t rowIndex_ = 0;
    bool countDown_ = false;
    int32_t revealTimer_ = 0;  // ms since the last advance or reset; saturates
    std::vector<int32_t> numberField_ = std::vector<int32_t>(kNumberFieldAtReset.begin(), kNumberFieldAtReset.end());
    int32_t extraCode_ = 0;
    std::array<int32_t, kShownSlots> shown_{};
    bool advanceArmed_ = false;
    double distance_ = 0.0;  // m
    bool stopAlertActive_ = false;
    int32_t stopAlertSound_ = -10000;
    int32_t stopAlertLamp_ = 0;
};

}  // namespace cabkit::velorin

#endif  // CABKIT_VELORIN_TIMETABLE_DISPLAY_H
