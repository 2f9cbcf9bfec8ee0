// A stand-in for the timetable display, linked in place of the real one in
// the core's unit tests: it records every call the core makes and answers
// the output queries with values the test chooses, so the core's routing can
// be checked independently of what the display computes.
#ifndef CABKIT_TESTS_VELORIN_DISPLAY_DOUBLE_H
#define CABKIT_TESTS_VELORIN_DISPLAY_DOUBLE_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "timetable_display.h"

namespace cabkit::velorin::test {

struct DisplayDouble {
    // Calls in order: "reset", "receive 4 512", "armAdvance",
    // "startStopAlert", "doorsOpened", "update step=16 time=1000".
    std::vector<std::string> calls;
    // What the output queries answer.
    std::array<int32_t, TimetableDisplay::kShownSlots> shown{};
    double distance = 0.0;
    std::array<int32_t, 3> numberField{};
    int32_t extraCode = 0;
    int32_t stopAlertLamp = 0;
    int32_t stopAlertSound = -10000;
};

// The one double behind every TimetableDisplay of the test process; tests
// clear it in their fixture.
DisplayDouble& displayDouble();

}  // namespace cabkit::velorin::test

#endif  // CABKIT_TESTS_VELORIN_DISPLAY_DOUBLE_H
