// A fresh TimetableDisplay fed frames the way the core feeds the
// process-wide one.
#ifndef CABKIT_TESTS_VELORIN_DISPLAY_FIXTURE_H
#define CABKIT_TESTS_VELORIN_DISPLAY_FIXTURE_H

#include <cstddef>
#include <cstdint>

#include <gtest/gtest.h>

#include "host_records.h"
#include "timetable_display.h"

namespace cabkit::velorin::test {

// Slots of `shown`.
constexpr std::size_t kHeaderCode = 0;
constexpr std::size_t kHeaderHours = 1;
constexpr std::size_t kHeaderValue = 4;
constexpr std::size_t kRow1Duration = 5;
constexpr std::size_t kRow2Duration = 7;
constexpr std::size_t kRow1Code = 9;
constexpr std::size_t kRow2Code = 10;
constexpr std::size_t kRow3Code = 11;
constexpr std::size_t kRow1FirstTime = 12;
constexpr std::size_t kRow2FirstTime = 15;
constexpr std::size_t kRow3FirstTime = 18;
constexpr std::size_t kRow1SecondTime = 21;
constexpr std::size_t kRow3SecondTime = 27;
constexpr std::size_t kRow1Pair = 30;
constexpr std::size_t kRow2Pair = 32;
constexpr std::size_t kRow3Pair = 34;
constexpr std::size_t kRow1Mark = 36;
constexpr std::size_t kRow2Mark = 37;
constexpr std::size_t kRow3Mark = 38;

// Enough accumulated time to reveal every row and the header.
constexpr int32_t kFullRevealMs = 1300;

class DisplayTest : public ::testing::Test {
protected:
    void frame(int32_t stepMs, float speedKmh = 0.0F, int32_t timeMs = 0) {
        last = Frame{.stepMs = stepMs, .state = VehicleState{}};
        last.state.speed = speedKmh;
        last.state.time = timeMs;
        display.update(last);
    }

    int32_t at(std::size_t slot) const { return display.shown()[slot]; }

    // Appends one stop to the five lists that start with three placeholders
    // after a reset (durations start with two and are appended separately).
    void appendStop(int32_t code, int32_t firstTime, int32_t secondTime, int32_t pair, int32_t mark) {
        display.receive(0, code);
        display.receive(1, firstTime);
        display.receive(2, secondTime);
        display.receive(4, pair);
        display.receive(3, mark);
    }

    Frame last{};  // the frame most recently given
    TimetableDisplay display;
};

}  // namespace cabkit::velorin::test

#endif
