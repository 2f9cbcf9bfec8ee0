// The timetable display seen from the host: beacons in, panel and sound
// slots out, through the exports of a freshly loaded Velorin in mode 1.
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "allocation_counter.h"
#include "plugin_library.h"
#include "sound_commands.h"

namespace cabkit::test {
namespace {

constexpr int32_t kEmergencyNotch = 9;
constexpr int32_t kStartMs = 36000000;  // 10:00:00

// Panel slots of the display in mode 1.
constexpr std::size_t kAlertLamp = 22;
constexpr std::size_t kHeaderTime = 150;  // hours, minutes, seconds, value follow
constexpr std::size_t kDurations = 154;   // row 1 minutes, seconds; row 2 the same
constexpr std::size_t kExtraCode = 158;
constexpr std::size_t kKilometres = 162;
constexpr std::size_t kHundreds = 163;
constexpr std::size_t kNumberLead = 164;
constexpr std::size_t kNumberDigits = 165;  // four, thousands first
constexpr std::size_t kNumberTrail = 169;
constexpr std::size_t kStopCodes = 170;  // rows 1 to 3
constexpr std::size_t kHours = 179;      // first times rows 1-3, then second times rows 1-3
constexpr std::size_t kMinutes = 185;
constexpr std::size_t kSeconds = 192;
constexpr std::size_t kHeaderCode = 221;
constexpr std::size_t kPairs = 236;  // two per row
constexpr std::size_t kMarks = 242;  // rows 1 to 3
constexpr std::size_t kAlertSound = 10;

class VelorinTimetable : public ::testing::Test {
protected:
    VelorinTimetable() : plugin(std::string("Velorin")) {
        plugin->Load();
        plugin->SetVehicleSpec(VehicleSpec{kEmergencyNotch - 1, 5, 1, 0, 10});
        plugin->Initialize(0);
        enterModeOne();
        elapseAt(kStartMs, 0.0F);  // the first frame of a run has no step
    }

    void enterModeOne() {
        plugin->SetBrake(kEmergencyNotch);
        plugin->KeyDown(14);
    }

    void elapseAt(int32_t timeMs, float speedKmh) {
        now = timeMs;
        plugin->Elapse(stateAt(timeMs, speedKmh), arrays.panel.data(), arrays.sound.data());
    }
    void after(int32_t stepMs, float speedKmh = 0.0F) { elapseAt(now + stepMs, speedKmh); }

    void beacon(int32_t type, int32_t value) { plugin->SetBeaconData(BeaconData{type, 0, 0.0F, value}); }

    int32_t panel(std::size_t slot) const { return arrays.panel[slot]; }

    PluginLibrary plugin;
    HostArrays arrays;
    int32_t now = 0;
};

TEST_F(VelorinTimetable, RowsAppearOnThePanelStrictlyPastTheirThresholds) {
    for (const int32_t code : {11, 12, 13}) {
        beacon(117, code);  // stops 3, 4, 5 after the placeholders
    }
    beacon(129, 5);
    beacon(148, 3);
    after(400);
    EXPECT_EQ(panel(kStopCodes), 0);
    EXPECT_EQ(panel(kHours), 24);
    after(1);
    EXPECT_EQ(panel(kStopCodes), 11);
    EXPECT_EQ(panel(kStopCodes + 1), 0);
    after(399);
    EXPECT_EQ(panel(kStopCodes + 1), 0);
    after(1);
    EXPECT_EQ(panel(kStopCodes + 1), 12);
    EXPECT_EQ(panel(kStopCodes + 2), 0);
    EXPECT_EQ(panel(kHeaderCode), 0);
    after(400);
    EXPECT_EQ(panel(kStopCodes + 2), 13);
    EXPECT_EQ(panel(kHeaderCode), 5);
}

// One beacon, then row 1 moved onto the list's first beacon entry.
struct BeaconCase {
    std::string name;
    int32_t type;
    int32_t value;
    int32_t row;
    std::vector<std::pair<std::size_t, int32_t>> expected;  // panel slot, value
};

class TimetableBeacon : public VelorinTimetable, public ::testing::WithParamInterface<BeaconCase> {};

TEST_P(TimetableBeacon, ReachesItsPanelSlots) {
    beacon(GetParam().type, GetParam().value);
    beacon(148, GetParam().row);
    after(1300);
    for (const auto& [slot, value] : GetParam().expected) {
        EXPECT_EQ(panel(slot), value) << "panel " << slot;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Types, TimetableBeacon,
    ::testing::Values(
        BeaconCase{"StopCode117", 117, 42, 3, {{kStopCodes, 42}}},
        BeaconCase{"FirstTime121", 121, 93015, 3, {{kHours, 9}, {kMinutes, 30}, {kSeconds, 15}}},
        BeaconCase{"SecondTime125", 125, 93015, 3, {{kHours + 3, 9}, {kMinutes + 3, 30}, {kSeconds + 3, 15}}},
        BeaconCase{"Mark139", 139, 7, 3, {{kMarks, 7}}},
        BeaconCase{"Pair143", 143, 512, 3, {{kPairs, 5}, {kPairs + 1, 12}}},
        BeaconCase{"Duration146", 146, 90, 2, {{kDurations, 1}, {kDurations + 1, 30}}},
        BeaconCase{"ExtraCode112", 112, 4, 0, {{kExtraCode, 4}}},
        BeaconCase{"HeaderCode129", 129, 5, 0, {{kHeaderCode, 5}}},
        BeaconCase{"HeaderTime130", 130, 93015, 0, {{kHeaderTime, 9}, {kHeaderTime + 1, 30}, {kHeaderTime + 2, 15}}},
        BeaconCase{"HeaderValue131", 131, 42, 0, {{kHeaderTime + 3, 42}}},
        BeaconCase{"Distance225", 225, 987, 0, {{kKilometres, 0}, {kHundreds, 9}}},
        BeaconCase{"NumberField223",
                   223,
                   5123456,
                   0,
                   {{kNumberLead, 5},
                    {kNumberDigits, 1},
                    {kNumberDigits + 1, 2},
                    {kNumberDigits + 2, 3},
                    {kNumberDigits + 3, 4},
                    {kNumberTrail, 56}}}),
    [](const ::testing::TestParamInfo<BeaconCase>& param) { return param.param.name; });

struct DigitsCase {
    int32_t number;
    std::array<int32_t, 4> digits;
};

class NumberFieldDigits : public VelorinTimetable, public ::testing::WithParamInterface<DigitsCase> {};

TEST_P(NumberFieldDigits, LeadingPositionsAreBlank) {
    beacon(223, GetParam().number * 100);
    after(20);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(panel(kNumberDigits + i), GetParam().digits[i]) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Numbers, NumberFieldDigits,
                         ::testing::Values(DigitsCase{7, {10, 10, 10, 7}}, DigitsCase{1234, {1, 2, 3, 4}},
                                           DigitsCase{50, {10, 10, 5, 0}}, DigitsCase{0, {10, 10, 10, 0}}));

TEST_F(VelorinTimetable, DistanceDigitsFollowTheCounter) {
    const struct {
        int32_t metres;
        int32_t kilometres;
        int32_t hundreds;
    } cases[] = {{987, 0, 9}, {-987, 0, -9}, {-1500, -1, -5}, {1234567, 1234, 5}};
    for (const auto& c : cases) {
        beacon(225, c.metres);
        after(20);
        EXPECT_EQ(panel(kKilometres), c.kilometres) << c.metres;
        EXPECT_EQ(panel(kHundreds), c.hundreds) << c.metres;
    }

    beacon(225, 1000);
    beacon(226, 1);
    after(1000, 36.0F);  // 10 m down
    EXPECT_EQ(panel(kKilometres), 0);
    EXPECT_EQ(panel(kHundreds), 9);
}

TEST_F(VelorinTimetable, StopAlertBlinksOnPanel22AndSoundsWhileRunning) {
    beacon(30, 0);
    elapseAt(kStartMs + 1400, 0.0F);
    EXPECT_EQ(panel(kAlertLamp), 1);
    EXPECT_EQ(arrays.sound[kAlertSound], CABKIT_SOUND_STOP);
    elapseAt(kStartMs + 1600, 30.0F);
    EXPECT_EQ(panel(kAlertLamp), 0);
    EXPECT_EQ(arrays.sound[kAlertSound], CABKIT_SOUND_LOOP);

    plugin->DoorOpen();
    elapseAt(kStartMs + 2400, 30.0F);
    EXPECT_EQ(panel(kAlertLamp), 0);
    EXPECT_EQ(arrays.sound[kAlertSound], CABKIT_SOUND_STOP);
}

TEST_F(VelorinTimetable, StopAlertBeaconOutsideModeOneDoesNothing) {
    plugin->Initialize(0);  // mode 0
    elapseAt(kStartMs, 0.0F);
    beacon(30, 0);
    enterModeOne();
    elapseAt(kStartMs + 400, 30.0F);
    EXPECT_EQ(panel(kAlertLamp), 0);
    EXPECT_EQ(arrays.sound[kAlertSound], CABKIT_SOUND_STOP);
}

TEST_F(VelorinTimetable, DoorsOpenedAtAStopAdvanceOnDeparture) {
    beacon(117, 11);
    beacon(117, 12);
    beacon(148, 3);
    after(1300);
    ASSERT_EQ(panel(kStopCodes), 11);
    plugin->DoorOpen();
    after(1000, 5.0F);
    EXPECT_EQ(panel(kStopCodes), 11);
    after(20, 20.0F);
    EXPECT_EQ(panel(kStopCodes), 0);
    after(1300, 40.0F);
    EXPECT_EQ(panel(kStopCodes), 12);
}

TEST_F(VelorinTimetable, RowNumberBeaconOnlyAtStandstill) {
    beacon(117, 11);
    after(1300, 10.0F);
    beacon(148, 3);
    after(20, 10.0F);
    EXPECT_EQ(panel(kStopCodes), 0);
    after(20, 0.0F);
    beacon(148, 3);
    after(20, 0.0F);
    EXPECT_EQ(panel(kStopCodes), 11);
}

TEST_F(VelorinTimetable, HugeRowNumberShowsFillValuesWithoutAllocating) {
    beacon(117, 11);
    beacon(121, 93000);
    beacon(146, 90);
    beacon(148, -1);
    const std::size_t before = allocatedBytes();
    for (int32_t i = 0; i < 1000; ++i) {
        after(20);
    }
    EXPECT_EQ(allocatedBytes(), before);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(panel(kHours + i), 24) << i;
        EXPECT_EQ(panel(kMinutes + i), 60) << i;
        EXPECT_EQ(panel(kSeconds + i), 60) << i;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(panel(kStopCodes + i), 0) << i;
        EXPECT_EQ(panel(kMarks + i), 0) << i;
    }
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(panel(kPairs + i), 0) << i;
    }
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(panel(kDurations + i), 0) << i;  // padded pairs, not the blank 60
    }
}

}  // namespace
}  // namespace cabkit::test
