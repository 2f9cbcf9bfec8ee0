// The core's state between frames: load and run defaults, the driver's
// handles and keys, and the timers drawn when the doors open.
#include <algorithm>
#include <limits>
#include <vector>

#include "core_fixture.h"

namespace cabkit::velorin::test {
namespace {

TEST_F(Core, InitializeSetsTheRunDefaults) {
    EXPECT_EQ(core.randomTimerCount, 0);  // load state: everything zero
    EXPECT_EQ(core.currentState.time, 0);
    EXPECT_EQ(core.sideOneState, 0);
    core.setPower(4);
    core.setReverser(-1);
    selectMode(2);
    lightToggleLamp();

    startRun();
    EXPECT_EQ(core.emergencyNotch, kEmergency);
    EXPECT_EQ(core.brakeHandle, kEmergency);
    EXPECT_EQ(core.powerHandle, 0);
    EXPECT_EQ(core.reverserHandle, 0);
    EXPECT_EQ(core.operatingMode, 0);
    EXPECT_FALSE(core.toggleLamp);
    EXPECT_EQ(core.zoneDistanceLeft, -1.0);
    EXPECT_EQ(core.randomTimerCount, 80);
    EXPECT_EQ(core.sideCountdownStart, 12);
    EXPECT_EQ(core.sideDeadlineClock, -1);
    for (int32_t side : {core.sideOneState, core.sideTwoState, core.sideOneActivity, core.sideTwoActivity}) {
        EXPECT_EQ(side, 3);
    }
    EXPECT_EQ(core.currentState.time, -1);
    EXPECT_EQ(displayDouble().calls, std::vector<std::string>{"reset"});
}

TEST_F(Core, InitializeLeavesTheControllerAlone) {
    startRun();
    panel[72] = 9;  // 67 km/h
    engageInModeTwo(0);
    beacon(524, 20);
    frame(40000, 36.0F);  // 400 m: at the restriction
    startRun();
    engageInModeTwo(0);
    EXPECT_EQ(frame(100, 18.0F).power, 4);  // its 20 km/h still governs
}

TEST_F(Core, WithoutAVehicleSpecTheBrakeStartsReleasedAndLoadClearsHandles) {
    core.initialize(0);
    EXPECT_EQ(core.brakeHandle, 0);
    core.setPower(-7);  // stored unchecked
    core.setBrake(99);
    EXPECT_EQ(core.powerHandle, -7);
    EXPECT_EQ(core.brakeHandle, 99);
    core.load();
    EXPECT_EQ(core.powerHandle, 0);
    EXPECT_EQ(core.brakeHandle, 0);
    EXPECT_EQ(core.pluginVersion(), 0x20000);
}

TEST_F(Core, ModeSelectorMovesOnlyWithTheBrakeAtTheEmergencyNotch) {
    const struct {
        int32_t mode, key, brake, expected;
    } cases[] = {
        {0, 14, kEmergency, 1},     {1, 14, kEmergency, 1},     {2, 14, kEmergency, 0},
        {0, 15, kEmergency, 2},     {1, 15, kEmergency, 0},     {2, 15, kEmergency, 2},
        {0, 14, kEmergency - 1, 0}, {1, 15, kEmergency + 1, 1}, {2, 14, 0, 2},
    };
    startRun();
    for (const auto& c : cases) {
        selectMode(c.mode);
        core.setBrake(c.brake);
        core.keyDown(c.key);
        EXPECT_EQ(core.operatingMode, c.expected) << c.mode << " key " << c.key << " brake " << c.brake;
    }
}

TEST_F(Core, KeyZeroEngagesOnlyFromModeTwoWithPowerPermittedAndHandlesAtRest) {
    const struct {
        int32_t mode, slot201, brake, power, reverser;
        bool engages;
    } cases[] = {
        {2, 1, 0, 0, 1, true},  {1, 1, 0, 0, 1, false}, {0, 1, 0, 0, 1, false}, {2, 0, 0, 0, 1, false},
        {2, 1, 1, 0, 1, false}, {2, 1, 0, 1, 1, false}, {2, 1, 0, 0, 0, false}, {2, 1, 0, 0, -1, false},
    };
    startRun();
    int32_t time = 0;
    for (const auto& c : cases) {
        selectMode(c.mode);
        panel[201] = c.slot201;
        frame(time += 16);
        core.setBrake(c.brake);
        core.setPower(c.power);
        core.setReverser(c.reverser);
        core.keyDown(0);
        // Reverser to neutral while the cab signal brakes: only the
        // controller then commands forward.
        core.setBrake(0);
        core.setPower(0);
        core.setReverser(0);
        panel[57] = 1;
        EXPECT_EQ(frame(time += 16).reverser == 1, c.engages)
            << c.mode << c.slot201 << c.brake << c.power << c.reverser;
        core.setPower(1);  // takes the train back for the next case
        frame(time += 16);
        panel[57] = 0;
    }
}

TEST_F(Core, KeysSevenAndTenToggleAndOtherKeysDoNothing) {
    startRun();
    core.setBrake(kEmergency);
    for (int32_t key : {-1, 1, 2, 3, 4, 5, 6, 8, 9, 11, 12, 13, 16, 1000}) {
        core.keyDown(key);
        core.keyUp(key);
    }
    EXPECT_EQ(core.operatingMode, 0);
    EXPECT_FALSE(core.toggleLamp);
    EXPECT_FALSE(core.panel73Suppressed);

    core.keyDown(7);
    core.keyDown(10);
    EXPECT_TRUE(core.panel73Suppressed);
    EXPECT_TRUE(core.toggleLamp);
    core.keyDown(7);
    core.keyDown(10);
    EXPECT_FALSE(core.panel73Suppressed);
    EXPECT_FALSE(core.toggleLamp);
}

TEST_F(Core, DoorOpenDrawsTheSameTimersFromTheStartTimesMillisecond) {
    const ScopedLocalTime fixed("2024-03-15T10:20:30.123");
    startRun();
    core.doorOpen();
    EXPECT_EQ(displayDouble().calls, (std::vector<std::string>{"reset", "doorsOpened"}));
    ASSERT_EQ(core.randomTimers.size(), 80U);
    // The four-draw products wrap; about half are negative and sit on the floor.
    const std::vector<int32_t> firstEight{7412, 2500, 2500, 2500, 4936, 7192, 2500, 6498};
    EXPECT_TRUE(std::equal(firstEight.begin(), firstEight.end(), core.randomTimers.begin()));
    for (int32_t timer : core.randomTimers) {
        EXPECT_GE(timer, 2500);
        EXPECT_LT(timer, 12500);
    }
    const std::vector<int32_t> first = core.randomTimers;
    core.randomTimers.erase(core.randomTimers.begin(), core.randomTimers.begin() + 30);
    core.doorOpen();
    EXPECT_EQ(core.randomTimers, first);
}

TEST_F(Core, DoorOpenDrawsNothingForACountBelowOneAndAtMostTheCap) {
    startRun();
    const int32_t* storage = core.randomTimers.data();
    for (int32_t count : {0, -5, std::numeric_limits<int32_t>::min()}) {
        beacon(304, count);
        core.doorOpen();
        EXPECT_TRUE(core.randomTimers.empty()) << count;
    }
    beacon(304, std::numeric_limits<int32_t>::max());
    core.doorOpen();
    EXPECT_EQ(core.randomTimers.size(), VelorinPlugin::kRandomTimerCap);
    EXPECT_EQ(core.randomTimers.data(), storage);  // drawn into the storage held since load
}

}  // namespace
}  // namespace cabkit::velorin::test
