// Velorin's part of the cab contract (the record types are in
// host/cab_contract.h): its own panel slots and sound slot, its keys, the
// beacon types it reads, and the speed its train operation controller
// allows for each cab-signal code. Velorin also writes the exchanged slots
// 75, 233 and 249 and reads 57, 58, 59, 72, 201, 231 and 232, which the
// shared table names.
#ifndef CABKIT_VELORIN_VELORIN_CONTRACT_H
#define CABKIT_VELORIN_VELORIN_CONTRACT_H

#include <array>
#include <cstdint>

#include "cab_contract.h"

namespace cabkit::contract::velorin {

inline constexpr const char* kRole =
    "The vehicle plug-in: the operating-mode selector, handle mapping, clock, date, current and side "
    "indicators, door timers, the automatic train operation (ATO) controller and the timetable display. It "
    "delivers power only while slot 201 is non-zero, and holds the emergency brake in its mode 0.";

// Groups of the panel, in the order a cab shows them.
inline constexpr const char* kClockGroup = "Clock and date";
inline constexpr const char* kIndicatorGroup = "Cab indicators";
inline constexpr const char* kSideGroup = "Side indicators";
inline constexpr const char* kDistanceGroup = "Route distance";
inline constexpr const char* kNumberGroup = "Number field";
inline constexpr const char* kHeaderGroup = "Timetable header";
inline constexpr const char* kRowsGroup = "Timetable rows";

// How the timetable block is written: the display's values in mode 1, a
// blank timetable in mode 2 (24 in an hours slot, 60 in a minutes or seconds
// slot, 0 in a code slot), untouched in mode 0.
inline constexpr const char* kTimetableBlank24 = "mode 1; mode 2 shows 24; mode 0 leaves it";
inline constexpr const char* kTimetableBlank60 = "mode 1; mode 2 shows 60; mode 0 leaves it";
inline constexpr const char* kTimetableBlank0 = "mode 1; mode 2 shows 0; mode 0 leaves it";

// A stop the route gave no duration for shows 0 and 0 once its row is
// filled; 60 stands only in a row not yet filled and for a negative duration.
inline constexpr const char* kDurationMinutes = "minutes; 0 without a duration; 60 blank or negative";
inline constexpr const char* kDurationSeconds = "1 to 60 (60 for 0); 0 without a duration; 60 blank or negative";

inline constexpr auto kPanelSlots = std::to_array<PanelSlot>({
    {10, kVelorin, kNobody, Display::Value, "clock hours", kClockGroup, "0 and up, not wrapped at 24", "every frame",
     "hours of the simulated time of day"},
    {11, kVelorin, kNobody, Display::Value, "clock minutes", kClockGroup, "0 to 59", "every frame",
     "minutes of the simulated time of day"},
    {12, kVelorin, kNobody, Display::Value, "clock seconds", kClockGroup, "0 to 59", "every frame",
     "seconds of the simulated time of day"},
    {22, kVelorin, kNobody, Display::Lamp, "stop alert lamp", kIndicatorGroup, "0 or 1",
     "mode 1; modes 0 and 2 leave it",
     "blinks while the stop alert is raised (beacon 30): lit in the first 500 ms of each second"},
    {73, kVelorin, kNobody, Display::Lamp, "mode-2 lamp", kIndicatorGroup, "0 or 1", "every frame",
     "lit in mode 2 unless key 7 has put it out"},
    {90, kVelorin, kNobody, Display::State, "side two state", kSideGroup, "0, 1 or 3", "every frame",
     "3 off; 0 once beacon 300 has set side two; 1 once the side countdown has run out"},
    {91, kVelorin, kNobody, Display::State, "side one state", kSideGroup, "0, 1 or 3", "every frame",
     "as slot 90, for side one"},
    {92, kVelorin, kNobody, Display::Value, "side two activity", kSideGroup, "0, 1 or 3", "every frame",
     "3 off; otherwise 1 in frames in which a door timer lies between 800 and 1200 ms (while slot 201 is 0), "
     "else 0"},
    {93, kVelorin, kNobody, Display::Value, "side one activity", kSideGroup, "0, 1 or 3", "every frame",
     "as slot 92, for side one"},
    {150, kVelorin, kNobody, Display::Value, "timetable header hours", kHeaderGroup, "hours; 24 blank",
     kTimetableBlank24, "the header's clock time (beacon 130)"},
    {151, kVelorin, kNobody, Display::Value, "timetable header minutes", kHeaderGroup, "minutes; 60 blank",
     kTimetableBlank60, "the header's clock time (beacon 130)"},
    {152, kVelorin, kNobody, Display::Value, "timetable header seconds", kHeaderGroup, "seconds; 60 blank",
     kTimetableBlank60, "the header's clock time (beacon 130)"},
    {153, kVelorin, kNobody, Display::Value, "timetable header value", kHeaderGroup, "as given; 0 blank",
     kTimetableBlank0, "the header's value (beacon 131)"},
    {154, kVelorin, kNobody, Display::Value, "row 1 duration minutes", kRowsGroup, kDurationMinutes, kTimetableBlank60,
     "row 1's duration (beacon 146)"},
    {155, kVelorin, kNobody, Display::Value, "row 1 duration seconds", kRowsGroup, kDurationSeconds, kTimetableBlank60,
     "row 1's duration (beacon 146)"},
    {156, kVelorin, kNobody, Display::Value, "row 2 duration minutes", kRowsGroup, kDurationMinutes, kTimetableBlank60,
     "row 2's duration (beacon 146)"},
    {157, kVelorin, kNobody, Display::Value, "row 2 duration seconds", kRowsGroup, kDurationSeconds, kTimetableBlank60,
     "row 2's duration (beacon 146)"},
    {158, kVelorin, kNobody, Display::Value, "extra code", kHeaderGroup, "as given; 0 blank", kTimetableBlank0,
     "a code shown unchanged (beacon 112)"},
    {159, kVelorin, kNobody, Display::Value, "current indicator", kIndicatorGroup, "0, 1 or 2", "every frame",
     "1 while the traction current is above 20 A, 2 while it is below -20 A, else 0"},
    {160, kVelorin, kNobody, Display::Value, "month", kClockGroup, "2 to 13 (month + 1)", "every frame",
     "month of the wall-clock date taken at Initialize, plus 1"},
    {161, kVelorin, kNobody, Display::Value, "day", kClockGroup, "2 to 32 (day + 1)", "every frame",
     "day of the month of the wall-clock date taken at Initialize, plus 1"},
    {162, kVelorin, kNobody, Display::Value, "distance km", kDistanceGroup, "whole km; 200 in mode 0", "every frame",
     "the route-distance counter (beacons 225, 226) in whole kilometres"},
    {163, kVelorin, kNobody, Display::Value, "distance hundreds digit", kDistanceGroup, "0 to 9; 200 in mode 0",
     "every frame", "the hundreds-of-metres digit of the route-distance counter"},
    {164, kVelorin, kNobody, Display::Value, "number field leading code", kNumberGroup, "as given; 0 blank",
     kTimetableBlank0,
     "the millions and above of beacon 223. Until the first beacon 223 after Initialize the field reads leading "
     "code 0, the number 10 (slots 165 to 168: 10, 10, 1, 0) and trailing code 10, shown as \"-- 10 10\""},
    {165, kVelorin, kNobody, Display::Value, "number field thousands digit", kNumberGroup, "0 to 9 and up; 10 blank",
     kTimetableBlank0, "all the thousands of the number of beacon 223; 10 when the number is below 1000"},
    {166, kVelorin, kNobody, Display::Value, "number field hundreds digit", kNumberGroup, "0 to 9; 10 blank",
     kTimetableBlank0, "hundreds digit of the number of beacon 223; 10 below 100"},
    {167, kVelorin, kNobody, Display::Value, "number field tens digit", kNumberGroup, "0 to 9; 10 blank",
     kTimetableBlank0, "tens digit of the number of beacon 223; 10 below 10"},
    {168, kVelorin, kNobody, Display::Value, "number field units digit", kNumberGroup, "0 to 9", kTimetableBlank0,
     "units digit of the number of beacon 223"},
    {169, kVelorin, kNobody, Display::Value, "number field trailing code", kNumberGroup, "0 to 99", kTimetableBlank0,
     "the last two digits of beacon 223"},
    {170, kVelorin, kNobody, Display::State, "row 1 stop code", kRowsGroup, "as given; 0 blank", kTimetableBlank0,
     "row 1's stop code (beacon 117)"},
    {171, kVelorin, kNobody, Display::State, "row 2 stop code", kRowsGroup, "as given; 0 blank", kTimetableBlank0,
     "row 2's stop code (beacon 117)"},
    {172, kVelorin, kNobody, Display::State, "row 3 stop code", kRowsGroup, "as given; 0 blank", kTimetableBlank0,
     "row 3's stop code (beacon 117)"},
    {179, kVelorin, kNobody, Display::Value, "row 1 first time hours", kRowsGroup, "hours; 24 blank", kTimetableBlank24,
     "row 1's first time (beacon 121)"},
    {180, kVelorin, kNobody, Display::Value, "row 2 first time hours", kRowsGroup, "hours; 24 blank", kTimetableBlank24,
     "row 2's first time (beacon 121)"},
    {181, kVelorin, kNobody, Display::Value, "row 3 first time hours", kRowsGroup, "hours; 24 blank", kTimetableBlank24,
     "row 3's first time (beacon 121)"},
    {182, kVelorin, kNobody, Display::Value, "row 1 second time hours", kRowsGroup, "hours; 24 blank",
     kTimetableBlank24, "row 1's second time (beacon 125)"},
    {183, kVelorin, kNobody, Display::Value, "row 2 second time hours", kRowsGroup, "hours; 24 blank",
     kTimetableBlank24, "row 2's second time (beacon 125)"},
    {184, kVelorin, kNobody, Display::Value, "row 3 second time hours", kRowsGroup, "hours; 24 blank",
     kTimetableBlank24, "row 3's second time (beacon 125)"},
    {185, kVelorin, kNobody, Display::Value, "row 1 first time minutes", kRowsGroup, "minutes; 60 blank",
     kTimetableBlank60, "row 1's first time (beacon 121)"},
    {186, kVelorin, kNobody, Display::Value, "row 2 first time minutes", kRowsGroup, "minutes; 60 blank",
     kTimetableBlank60, "row 2's first time (beacon 121)"},
    {187, kVelorin, kNobody, Display::Value, "row 3 first time minutes", kRowsGroup, "minutes; 60 blank",
     kTimetableBlank60, "row 3's first time (beacon 121)"},
    {188, kVelorin, kNobody, Display::Value, "row 1 second time minutes", kRowsGroup, "minutes; 60 blank",
     kTimetableBlank60, "row 1's second time (beacon 125)"},
    {189, kVelorin, kNobody, Display::Value, "row 2 second time minutes", kRowsGroup, "minutes; 60 blank",
     kTimetableBlank60, "row 2's second time (beacon 125)"},
    {190, kVelorin, kNobody, Display::Value, "row 3 second time minutes", kRowsGroup, "minutes; 60 blank",
     kTimetableBlank60, "row 3's second time (beacon 125)"},
    {192, kVelorin, kNobody, Display::Value, "row 1 first time seconds", kRowsGroup, "seconds; 60 blank",
     kTimetableBlank60, "row 1's first time (beacon 121)"},
    {193, kVelorin, kNobody, Display::Value, "row 2 first time seconds", kRowsGroup, "seconds; 60 blank",
     kTimetableBlank60, "row 2's first time (beacon 121)"},
    {194, kVelorin, kNobody, Display::Value, "row 3 first time seconds", kRowsGroup, "seconds; 60 blank",
     kTimetableBlank60, "row 3's first time (beacon 121)"},
    {195, kVelorin, kNobody, Display::Value, "row 1 second time seconds", kRowsGroup, "seconds; 60 blank",
     kTimetableBlank60, "row 1's second time (beacon 125)"},
    {196, kVelorin, kNobody, Display::Value, "row 2 second time seconds", kRowsGroup, "seconds; 60 blank",
     kTimetableBlank60, "row 2's second time (beacon 125)"},
    {197, kVelorin, kNobody, Display::Value, "row 3 second time seconds", kRowsGroup, "seconds; 60 blank",
     kTimetableBlank60, "row 3's second time (beacon 125)"},
    {204, kVelorin, kNobody, Display::Value, "brake notch", kIndicatorGroup, "0 to the emergency notch", "every frame",
     "the brake notch Velorin returns, in modes 1 and 2; 0 in mode 0"},
    {207, kVelorin, kNobody, Display::Lamp, "toggle lamp", kIndicatorGroup, "0 or 1", "every frame",
     "mode 1: toggled by key 10; mode 2: lit; mode 0: dark"},
    {221, kVelorin, kNobody, Display::State, "timetable header code", kHeaderGroup, "as given; 0 blank",
     kTimetableBlank0, "the header's code (beacon 129)"},
    {236, kVelorin, kNobody, Display::Value, "row 1 code pair first", kRowsGroup, "as given; 0 blank", kTimetableBlank0,
     "row 1's code pair, the hundreds and above (beacon 143)"},
    {237, kVelorin, kNobody, Display::Value, "row 1 code pair second", kRowsGroup, "0 to 99; 0 blank", kTimetableBlank0,
     "row 1's code pair, the last two digits (beacon 143)"},
    {238, kVelorin, kNobody, Display::Value, "row 2 code pair first", kRowsGroup, "as given; 0 blank", kTimetableBlank0,
     "row 2's code pair, the hundreds and above (beacon 143)"},
    {239, kVelorin, kNobody, Display::Value, "row 2 code pair second", kRowsGroup, "0 to 99; 0 blank", kTimetableBlank0,
     "row 2's code pair, the last two digits (beacon 143)"},
    {240, kVelorin, kNobody, Display::Value, "row 3 code pair first", kRowsGroup, "as given; 0 blank", kTimetableBlank0,
     "row 3's code pair, the hundreds and above (beacon 143)"},
    {241, kVelorin, kNobody, Display::Value, "row 3 code pair second", kRowsGroup, "0 to 99; 0 blank", kTimetableBlank0,
     "row 3's code pair, the last two digits (beacon 143)"},
    {242, kVelorin, kNobody, Display::Value, "row 1 stop mark", kRowsGroup, "as given; 0 blank", kTimetableBlank0,
     "row 1's stop mark (beacon 139)"},
    {243, kVelorin, kNobody, Display::Value, "row 2 stop mark", kRowsGroup, "as given; 0 blank", kTimetableBlank0,
     "row 2's stop mark (beacon 139)"},
    {244, kVelorin, kNobody, Display::Value, "row 3 stop mark", kRowsGroup, "as given; 0 blank", kTimetableBlank0,
     "row 3's stop mark (beacon 139)"},
});

inline constexpr auto kSoundSlots = std::to_array<SoundSlot>({
    {10, kVelorin, Play::Looping, kNoTwin, "stop alert", "0 while it plays, -10000 otherwise; every frame",
     "plays while the stop alert is raised (beacon 30 in mode 1) and the train runs above 5 km/h; opening the "
     "doors lowers the alert"},
});

inline constexpr auto kKeys = std::to_array<Key>({
    {0, kVelorin, "ATO start",
     "mode 2, slot 201 not 0 in the last frame, brake and power handles at 0, reverser forward",
     "engages the train operation controller: it drives and brakes from now on. Disarms both stop points "
     "and enables supervision",
     ""},
    {7, kVelorin, "mode-2 lamp", "", "puts the mode-2 lamp (slot 73) out, or back on", ""},
    {10, kVelorin, "toggle lamp", "", "toggles the lamp of slot 207 (shown in mode 1)", ""},
    {14, kVelorin, "mode selector toward 1", "brake handle at the emergency notch",
     "operating mode 0 becomes 1, 2 becomes 0; 1 stays", ""},
    {15, kVelorin, "mode selector toward 2", "brake handle at the emergency notch",
     "operating mode 0 becomes 2, 1 becomes 0; 2 stays", ""},
});

inline constexpr auto kBeacons = std::to_array<Beacon>({
    {30, kVelorin, kNoField, Taken::InVelorinModeOne, "stop alert", "",
     "raises the stop alert: lamp 22 blinks, sound 10 plays above 5 km/h, until the doors open"},
    {112, kVelorin, kOptionalField, Taken::Always, "timetable extra code", "optional: the code",
     "sets the extra code (slot 158)"},
    {117, kVelorin, kOptionalField, Taken::Always, "timetable stop code", "optional: the code",
     "appends a stop's code to the stop list (slots 170 to 172)"},
    {121, kVelorin, kOptionalField, Taken::Always, "timetable first time", "optional: a clock time HHMMSS",
     "appends a stop's first time (hours in slots 179 to 181, minutes 185 to 187, seconds 192 to 194)"},
    {125, kVelorin, kOptionalField, Taken::Always, "timetable second time", "optional: a clock time HHMMSS",
     "appends a stop's second time (hours in slots 182 to 184, minutes 188 to 190, seconds 195 to 197)"},
    {129, kVelorin, kOptionalField, Taken::Always, "timetable header code", "optional: the code",
     "sets the header's code (slot 221)"},
    {130, kVelorin, kOptionalField, Taken::Always, "timetable header time", "optional: a clock time HHMMSS",
     "sets the header's clock time (slots 150 to 152)"},
    {131, kVelorin, kOptionalField, Taken::Always, "timetable header value", "optional: the value",
     "sets the header's value (slot 153)"},
    {139, kVelorin, kOptionalField, Taken::Always, "timetable stop mark", "optional: the mark",
     "appends a stop's mark (slots 242 to 244)"},
    {143, kVelorin, kOptionalField, Taken::Always, "timetable code pair", "optional: first * 100 + second",
     "appends a stop's code pair (slots 236 to 241)"},
    {146, kVelorin, kOptionalField, Taken::Always, "timetable duration", "optional: seconds; negative: blank",
     "appends a stop's duration as minutes and seconds (slots 154 to 157; 0 seconds show as 60). Rows 1 and 2 "
     "show it; the durations list starts one entry shorter than the other stop lists"},
    {147, kVelorin, kNoField, Taken::Always, "timetable advance", "",
     "arms the advance, as opening the doors does: the display moves on one stop once the train runs above "
     "5 km/h"},
    {148, kVelorin, kOptionalField, Taken::AtStandstill, "timetable row", "optional: stop number",
     "picks the stop shown in row 1. After Initialize each stop list holds three blank entries (durations two), "
     "so the first stop the route supplies is number 3 (its duration is number 2)"},
    {223, kVelorin, kOptionalField, Taken::Always, "number field", "optional: LL NNNN TT as one integer",
     "sets the number field: leading code (millions and above), four-digit number, trailing code (last two "
     "digits)"},
    {225, kVelorin, kOptionalField, Taken::Always, "route distance", "optional: metres",
     "sets the route-distance counter (slots 162, 163)"},
    {226, kVelorin, kOptionalField, Taken::Always, "distance direction", "optional: 0 up, any other down",
     "makes the route-distance counter count down with forward motion, or up"},
    {300, kVelorin, kOptionalField, Taken::InModeTwoOrAtStandstill, "side setting",
     "optional: 0 both off, 1 side one, 2 side two, 3 or more both; negative: none",
     "sets the side values (slots 90 to 93) to 0 or off, restarts the 5 m zone and the side countdown"},
    {304, kVelorin, kOptionalField, Taken::Always, "door timer count", "optional: count",
     "the number of random door timers the next door opening draws (80 after Initialize)"},
    {305, kVelorin, kOptionalField, Taken::Always, "side deadline", "optional: a clock time HHMMSS; negative: none",
     "the side countdown ends 12 s before this clock time"},
    {306, kVelorin, kOptionalField, Taken::Always, "side countdown", "optional: ms",
     "the countdown beacon 300 loads when no deadline is set (12 after Initialize)"},
    {520, kVelorin, kOptionalField, Taken::Always, "ATO stop point A", "optional: metres to the stop mark",
     "arms stop point A: the controller brakes along a 2.5 km/h/s pattern to stop there"},
    {521, kVelorin, kOptionalField, Taken::Always, "ATO stop point A, second type", "optional: metres to the stop mark",
     "as type 520"},
    {522, kVelorin, kOptionalField, Taken::Always, "ATO stop point B", "optional: metres to the stop mark",
     "arms stop point B: a 2.0 km/h/s pattern and, below 1.1 km/h, the final-stop brake steps"},
    {523, kVelorin, kNoField, Taken::Always, "ATO supervision off", "",
     "disables the controller's supervision: while still engaged it holds power 0 and brake 3"},
    {524, kVelorin, kOptionalField, Taken::Always, "ATO speed restriction", "optional: target speed, km/h",
     "a restriction starting 400 m past the beacon and ending 60 m past its start; two can be active, a "
     "third replaces the second"},
});

// What the controller allows for the cab-signal code in slot 72: its own
// signal code (a column of its speed table) and that column's speed in the
// row in service. Any other value, or a cut-out (slot 59), gives its code 0.
struct AtoSignalSpeed {
    int32_t cabSignalCode;
    int32_t controllerCode;
    int32_t speed;  // km/h; -5 keeps the brake on at a standstill
};

inline constexpr const char* kPowerNotchesNote =
    "The driver's power handle reaches the train through Velorin (while slot 201 is not 0): its top positions "
    "give other notches, by operating mode; every other position passes unchanged, so no handle gives notch 6. "
    "While the controller drives, its own notch replaces the handle's.";

inline constexpr const char* kAtoSignalSpeedsNote =
    "The controller takes its signal code from slot 72 (any value not listed gives code 0, and so does a "
    "non-zero slot 59) and allows the speed of that code. Speed restrictions (beacon 524) lower it further; "
    "the stop points (beacons 520 to 522) brake along their own patterns. -5 keeps the brake on even at a "
    "standstill.";

inline constexpr auto kAtoSignalSpeeds = std::to_array<AtoSignalSpeed>({
    {0, 0, -5},
    {1, 0, -5},
    {2, 0, -5},
    {3, 1, 12},
    {4, 0, -5},
    {5, 2, 22},
    {6, 3, 42},
    {7, 4, 52},
    {8, 5, 62},
    {9, 6, 67},
});

static_assert(panelSlotsValid(kPanelSlots) && apartFromShared(kPanelSlots),
              "Velorin's slots lie on the panel, once each, apart from the exchanged ones");
static_assert(soundSlotsValid(kSoundSlots) && keysValid(kKeys) && beaconsValid(kBeacons),
              "Velorin's sound slots, keys and beacon types are named once each");

}  // namespace cabkit::contract::velorin

#endif  // CABKIT_VELORIN_VELORIN_CONTRACT_H
