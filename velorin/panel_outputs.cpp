// The panel and the stop-alert sound: a block that depends on the operating
// mode (the timetable in mode 1, a blank timetable in mode 2, the
// switched-off state in mode 0), then a block common to every mode. A mode
// leaves untouched whatever it does not write.
#include <array>
#include <cstddef>

#include "int32_arith.h"
#include "panel_slots.h"
#include "velorin_plugin.h"

namespace cabkit::velorin {

namespace {

// Where each display value goes on the panel in mode 1.
struct ShownRoute {
    std::size_t panelSlot;
    std::size_t shownSlot;
};
constexpr std::array<ShownRoute, TimetableDisplay::kShownSlots> kShownRoutes{{
    // header: code, clock time, value
    {221, 0}, {150, 1}, {151, 2}, {152, 3}, {153, 4},
    // durations of rows 1 and 2
    {154, 5}, {155, 6}, {156, 7}, {157, 8},
    // stop codes of rows 1 to 3
    {170, 9}, {171, 10}, {172, 11},
    // hours, minutes, seconds of the first and second times of rows 1 to 3
    {179, 12}, {185, 13}, {192, 14},
    {180, 15}, {186, 16}, {193, 17},
    {181, 18}, {187, 19}, {194, 20},
    {182, 21}, {188, 22}, {195, 23},
    {183, 24}, {189, 25}, {196, 26},
    {184, 27}, {190, 28}, {197, 29},
    // code pairs, then stop marks, of rows 1 to 3
    {236, 30}, {237, 31}, {238, 32}, {239, 33}, {240, 34}, {241, 35},
    {242, 36}, {243, 37}, {244, 38},
}};

// Mode 2 shows a blank timetable: runs of panel slots set to a fixed value.
struct BlankRun {
    std::size_t first;
    std::size_t last;
    int32_t value;
};
constexpr std::array<BlankRun, 12> kModeTwoBlanks{{
    {164, 169, 0},   // number field
    {154, 157, 60},  // durations
    {158, 158, 0},   // extra code
    {170, 172, 0},   // stop codes
    {179, 184, 24},  // hours
    {185, 190, 60},  // minutes
    {192, 197, 60},  // seconds
    {221, 221, 0},   // header code
    {150, 150, 24},  // header time
    {151, 152, 60},
    {153, 153, 0},   // header value
    {236, 244, 0},   // code pairs and stop marks
}};

constexpr bool shownRoutesValid() {
    std::array<bool, TimetableDisplay::kShownSlots> routed{};
    for (const ShownRoute& route : kShownRoutes) {
        if (route.panelSlot > CABKIT_PANEL_LAST_USED || route.shownSlot >= routed.size() ||
            routed[route.shownSlot]) {
            return false;
        }
        routed[route.shownSlot] = true;
    }
    return true;
}
static_assert(shownRoutesValid(), "each display value goes to exactly one panel slot in use");

constexpr bool blankRunsValid() {
    for (const BlankRun& run : kModeTwoBlanks) {
        if (run.first > run.last || run.last > CABKIT_PANEL_LAST_USED) {
            return false;
        }
    }
    return true;
}
static_assert(blankRunsValid(), "blank runs lie inside the panel slots in use");

// A number-field digit, or 10 (blank) where the number has no such digit.
// The leading position takes all the thousands.
constexpr int32_t kBlankDigit = 10;
int32_t leadingDigitOrBlank(int32_t number) { return number >= 1000 ? number / 1000 : kBlankDigit; }
int32_t digitOrBlank(int32_t number, int32_t placeValue) {
    return number >= placeValue ? (number / placeValue) % 10 : kBlankDigit;
}

// Threshold of the traction-current indicator, A.
constexpr float kCurrentThreshold = 20.0F;

}  // namespace

void VelorinPlugin::writePanelAndSound(int32_t* panel, int32_t* sound) const {
    switch (operatingMode) {
    case 1:
        writeModeOne(panel);
        slot::write<slot::kBrakeNotch>(panel, handleOut.brake);
        break;
    case 2:
        writeModeTwo(panel);
        slot::write<slot::kBrakeNotch>(panel, handleOut.brake);
        break;
    case 0:
        writeModeZero(panel);
        break;
    default:
        break;
    }
    writeCommon(panel, sound);
}

void VelorinPlugin::writeDistance(int32_t* panel) const {
    // Whole kilometres and the hundreds-of-metres digit.
    const double metres = display.distance();
    slot::write<slot::kDistanceKm>(panel, platform::truncateToInt32(metres / 1000.0));
    slot::write<slot::kDistanceHundreds>(panel, platform::truncateToInt32(metres / 100.0) % 10);
}

void VelorinPlugin::writeModeOne(int32_t* panel) const {
    slot::write<slot::kToggleLamp>(panel, toggleLamp ? 1 : 0);
    slot::write<slot::kSelectorIndicator>(panel, 0);
    writeDistance(panel);

    const int32_t number = display.numberField(1);
    slot::write<slot::kNumberLeading>(panel, display.numberField(0));
    slot::write<slot::kNumberThousands>(panel, leadingDigitOrBlank(number));
    slot::write<slot::kNumberHundreds>(panel, digitOrBlank(number, 100));
    slot::write<slot::kNumberTens>(panel, digitOrBlank(number, 10));
    slot::write<slot::kNumberUnits>(panel, number % 10);
    slot::write<slot::kNumberTrailing>(panel, display.numberField(2));

    slot::write<slot::kStopAlertLamp>(panel, display.stopAlertLamp());
    slot::write<slot::kExtraCode>(panel, display.extraCode());
    const auto& shown = display.shown();
    for (const ShownRoute& route : kShownRoutes) {
        panel[route.panelSlot] = shown[route.shownSlot];
    }
}

void VelorinPlugin::writeModeTwo(int32_t* panel) const {
    const bool selected =
        slot::read<slot::kSelectorB>(panel) > 2 || slot::read<slot::kSelectorA>(panel) > 2;
    slot::write<slot::kSelectorIndicator>(panel, selected ? 1 : 2);
    slot::write<slot::kToggleLamp>(panel, 1);
    writeDistance(panel);
    for (const BlankRun& run : kModeTwoBlanks) {
        for (std::size_t index = run.first; index <= run.last; ++index) {
            panel[index] = run.value;
        }
    }
}

void VelorinPlugin::writeModeZero(int32_t* panel) {
    slot::write<slot::kTrainStopOff>(panel, 4);
    slot::write<slot::kBrakeNotch>(panel, 0);
    slot::write<slot::kToggleLamp>(panel, 0);
    slot::write<slot::kSelectorIndicator>(panel, 0);
    slot::write<slot::kDistanceKm>(panel, 200);
    slot::write<slot::kDistanceHundreds>(panel, 200);
}

void VelorinPlugin::writeCommon(int32_t* panel, int32_t* sound) const {
    // Clock of the simulated day; hours run on past 24.
    const int32_t seconds = currentState.time / 1000;
    slot::write<slot::kClockSeconds>(panel, seconds % 60);
    slot::write<slot::kClockHours>(panel, (seconds / 60) / 60);
    slot::write<slot::kClockMinutes>(panel, (seconds / 60) % 60);

    slot::write<slot::kMonth>(panel, static_cast<int32_t>(startLocalTime.month) + 1);
    slot::write<slot::kDay>(panel, static_cast<int32_t>(startLocalTime.day) + 1);

    slot::write<slot::kModeTwoLamp>(panel, operatingMode == 2 && !ato.panel73Suppressed ? 1 : 0);
    slot::write<slot::kOperatingMode>(panel, operatingMode);

    // A current that is not a number shows neither direction.
    const float current = currentState.current;
    int32_t currentIndicator = 0;
    if (current < -kCurrentThreshold) {
        currentIndicator = 2;
    } else if (current > kCurrentThreshold) {
        currentIndicator = 1;
    }
    slot::write<slot::kCurrentIndicator>(panel, currentIndicator);

    slot::write<slot::kSideTwoState>(panel, sideTwoState);
    slot::write<slot::kSideOneState>(panel, sideOneState);
    slot::write<slot::kSideTwoActivity>(panel, sideTwoActivity);
    slot::write<slot::kSideOneActivity>(panel, sideOneActivity);

    slot::writeSound<slot::kStopAlertSound>(sound, display.stopAlertSound());
}

}  // namespace cabkit::velorin
