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

using slot::own;

// Where each display value goes on the panel in mode 1.
struct ShownRoute {
    std::size_t panelSlot;
    std::size_t shownSlot;
};
constexpr std::array<ShownRoute, TimetableDisplay::kShownSlots> kShownRoutes{{
    {own("timetable header code"), 0},      {own("timetable header hours"), 1},
    {own("timetable header minutes"), 2},   {own("timetable header seconds"), 3},
    {own("timetable header value"), 4},     {own("row 1 duration minutes"), 5},
    {own("row 1 duration seconds"), 6},     {own("row 2 duration minutes"), 7},
    {own("row 2 duration seconds"), 8},     {own("row 1 stop code"), 9},
    {own("row 2 stop code"), 10},           {own("row 3 stop code"), 11},
    {own("row 1 first time hours"), 12},    {own("row 1 first time minutes"), 13},
    {own("row 1 first time seconds"), 14},  {own("row 2 first time hours"), 15},
    {own("row 2 first time minutes"), 16},  {own("row 2 first time seconds"), 17},
    {own("row 3 first time hours"), 18},    {own("row 3 first time minutes"), 19},
    {own("row 3 first time seconds"), 20},  {own("row 1 second time hours"), 21},
    {own("row 1 second time minutes"), 22}, {own("row 1 second time seconds"), 23},
    {own("row 2 second time hours"), 24},   {own("row 2 second time minutes"), 25},
    {own("row 2 second time seconds"), 26}, {own("row 3 second time hours"), 27},
    {own("row 3 second time minutes"), 28}, {own("row 3 second time seconds"), 29},
    {own("row 1 code pair first"), 30},     {own("row 1 code pair second"), 31},
    {own("row 2 code pair first"), 32},     {own("row 2 code pair second"), 33},
    {own("row 3 code pair first"), 34},     {own("row 3 code pair second"), 35},
    {own("row 1 stop mark"), 36},           {own("row 2 stop mark"), 37},
    {own("row 3 stop mark"), 38},
}};

// Mode 2 shows a blank timetable: runs of consecutive panel slots set to a
// fixed value (24 for hours, 60 for minutes and seconds, 0 for codes).
struct BlankRun {
    std::size_t first;
    std::size_t last;
    int32_t value;
};
constexpr std::array<BlankRun, 12> kModeTwoBlanks{{
    {own("number field leading code"), own("number field trailing code"), 0},
    {own("row 1 duration minutes"), own("row 2 duration seconds"), 60},
    {own("extra code"), own("extra code"), 0},
    {own("row 1 stop code"), own("row 3 stop code"), 0},
    {own("row 1 first time hours"), own("row 3 second time hours"), 24},
    {own("row 1 first time minutes"), own("row 3 second time minutes"), 60},
    {own("row 1 first time seconds"), own("row 3 second time seconds"), 60},
    {own("timetable header code"), own("timetable header code"), 0},
    {own("timetable header hours"), own("timetable header hours"), 24},
    {own("timetable header minutes"), own("timetable header seconds"), 60},
    {own("timetable header value"), own("timetable header value"), 0},
    {own("row 1 code pair first"), own("row 3 stop mark"), 0},
}};

constexpr bool shownRoutesValid() {
    std::array<bool, TimetableDisplay::kShownSlots> routed{};
    for (const ShownRoute& route : kShownRoutes) {
        if (route.panelSlot > CABKIT_PANEL_LAST_USED || route.shownSlot >= routed.size() || routed[route.shownSlot]) {
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

// The blank mode 2 shows in a slot as the table states it, or kNotBlanked
// for a slot the table does not blank.
using contract::kNotBlanked;
constexpr int32_t tableBlank(const contract::PanelSlot& row) { return row.blank; }

constexpr int32_t runBlank(std::size_t slot) {
    for (const BlankRun& run : kModeTwoBlanks) {
        if (slot >= run.first && slot <= run.last) {
            return run.value;
        }
    }
    return kNotBlanked;
}

// Every slot of a blank run is a timetable slot of the table with that
// blank; every timetable slot of the table is blanked, and shown in mode 1
// either as a display value or as one of the seven named writes (the number
// field and the extra code).
constexpr bool timetableAgreesWithTable() {
    std::size_t timetableSlots = 0;
    for (const contract::PanelSlot& row : contract::velorin::kPanelSlots) {
        if (runBlank(static_cast<std::size_t>(row.slot)) != tableBlank(row)) {
            return false;
        }
        timetableSlots += tableBlank(row) != kNotBlanked ? 1U : 0U;
    }
    for (const BlankRun& run : kModeTwoBlanks) {
        for (std::size_t slot = run.first; slot <= run.last; ++slot) {
            bool named = false;
            for (const contract::PanelSlot& row : contract::velorin::kPanelSlots) {
                named = named || static_cast<std::size_t>(row.slot) == slot;
            }
            if (!named) {
                return false;
            }
        }
    }
    for (const ShownRoute& route : kShownRoutes) {
        if (runBlank(route.panelSlot) == kNotBlanked) {
            return false;
        }
    }
    constexpr std::size_t kNamedModeOneWrites = 7;
    return timetableSlots == kShownRoutes.size() + kNamedModeOneWrites;
}
static_assert(timetableAgreesWithTable(), "the timetable block writes what the contract table says");

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
        case 0: writeModeZero(panel); break;
        default: break;
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
    const bool selected = slot::read<slot::kSelectorB>(panel) > 2 || slot::read<slot::kSelectorA>(panel) > 2;
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

    slot::write<slot::kModeTwoLamp>(panel, operatingMode == 2 && !panel73Suppressed ? 1 : 0);
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
