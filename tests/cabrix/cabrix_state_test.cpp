// The plug-in class built fresh, driven by its events and read through what
// a frame publishes: load and run-start values, and the decisions that need
// an undecidable speed or a vehicle at the int32 limit.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>

#include "cabrix_plugin.h"
#include "host_arrays.h"

namespace cabkit::cabrix {
namespace {

constexpr int32_t kStopped = -10000;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Slots read here.
constexpr std::size_t kActiveLamp = 52;
constexpr std::size_t kRollbackLamp = 55;
constexpr std::size_t kFixedLimitLamp = 56;
constexpr std::size_t kServiceLamp = 57;
constexpr std::size_t kEmergencyLamp = 58;
constexpr std::size_t kCutOutLamp = 59;
constexpr std::size_t kMode = 66;
constexpr std::size_t kCode = 72;
constexpr std::size_t kVehicleMode = 75;
constexpr std::size_t kBell = 4;

class Cab : public ::testing::Test {
protected:
    // A vehicle with 8 service notches whose operating mode permits supervision.
    void start() {
        plugin.setVehicleSpec(VehicleSpec{8, 5, 1, 0, 10});
        plugin.initialize(0);
        panel[kVehicleMode] = 1;
    }
    HandleCommand frame(float speed) {
        VehicleState state{};
        state.speed = speed;
        return plugin.elapse(state, panel.data(), sound.data());
    }

    CabrixPlugin plugin;
    std::array<int32_t, CABKIT_PANEL_SLOTS> panel{};
    std::array<int32_t, CABKIT_SOUND_SLOTS> sound{};
};

// Before any Initialize nothing is supervised, every sound is stopped and
// the constant-speed command is cancelled (both checks start failed).
TEST_F(Cab, LoadValuesShowInTheFirstFrame) {
    plugin.setPower(3);
    const HandleCommand command = frame(0.0F);
    EXPECT_EQ(command.power, 3);
    EXPECT_EQ(command.constantSpeed, 2);
    for (std::size_t slot :
         {kActiveLamp, kRollbackLamp, kFixedLimitLamp, kServiceLamp, kEmergencyLamp, kCutOutLamp, kMode, kCode}) {
        EXPECT_EQ(panel[slot], 0) << slot;
    }
    for (std::size_t slot : {4, 5, 110, 111, 112, 113, 114}) {
        EXPECT_EQ(sound[slot], kStopped) << slot;
    }
}

// A restart clears the run (rollback, cut-out, fixed limit, mode) but keeps
// the aspect, the code received and the driver's handles.
TEST_F(Cab, InitializeResetsTheRunAndKeepsSignalAndHandles) {
    start();
    plugin.setReverser(1);
    plugin.setPower(2);
    plugin.keyDown(6);
    plugin.keyDown(12);
    plugin.keyDown(13);
    plugin.setSignal(25);
    for (float speed : {-6.0F, 30.0F, 30.0F}) {
        frame(speed);
    }
    ASSERT_EQ(panel[kRollbackLamp], 1);
    ASSERT_EQ(panel[kCutOutLamp], 1);

    plugin.initialize(0);
    const HandleCommand command = frame(20.0F);
    EXPECT_EQ(panel[kRollbackLamp] + panel[kCutOutLamp] + panel[kFixedLimitLamp] + panel[kMode], 0);
    EXPECT_EQ(panel[kCode], 9);
    EXPECT_EQ(panel[kActiveLamp], 1);  // the received code switches supervision on in mode 0
    EXPECT_EQ(command.power, 2);       // 20 km/h is within mode 0's 25
    EXPECT_EQ(command.reverser, 1);
    frame(20.0F);
    plugin.setSignal(25);  // the same aspect as before the restart: no bell
    frame(20.0F);
    EXPECT_EQ(sound[kBell], 2);
}

// The rollback trip clears at a standstill only with the brake handle at the
// emergency notch, which follows the vehicle (0 before SetVehicleSpec).
TEST_F(Cab, RollbackClearsOnlyAtTheVehiclesEmergencyNotch) {
    plugin.initialize(0);
    panel[kVehicleMode] = 1;
    plugin.setSignal(25);
    plugin.setReverser(1);
    frame(-6.0F);
    ASSERT_EQ(panel[kRollbackLamp], 1);
    plugin.setBrake(0);
    frame(0.0F);
    EXPECT_EQ(panel[kRollbackLamp], 0);

    plugin.setVehicleSpec(VehicleSpec{8, 5, 1, 0, 10});
    plugin.setBrake(8);
    frame(-6.0F);
    frame(0.0F);
    EXPECT_EQ(panel[kRollbackLamp], 1);
    plugin.setBrake(9);
    frame(0.0F);
    EXPECT_EQ(panel[kRollbackLamp], 0);
}

// The emergency notch of a vehicle at the int32 maximum wraps.
TEST_F(Cab, EmergencyNotchWrapsAtTheInt32Limit) {
    plugin.setVehicleSpec(VehicleSpec{std::numeric_limits<int32_t>::max(), 0, 0, 0, 0});
    plugin.initialize(0);
    panel[kVehicleMode] = 1;
    plugin.keyDown(6);  // mode 1 without a code: may not run
    EXPECT_EQ(frame(0.0F).brake, std::numeric_limits<int32_t>::min());
}

// Full mode without a code only keeps supervision on; it cannot start it.
TEST_F(Cab, FullModeWithoutCodeKeepsButDoesNotStartSupervision) {
    start();
    plugin.keyDown(6);
    plugin.keyDown(6);
    frame(0.0F);
    EXPECT_EQ(panel[kActiveLamp], 0);
    EXPECT_EQ(panel[kMode], 0);

    plugin.keyDown(6);
    frame(0.0F);
    plugin.keyDown(6);
    for (int i = 0; i < 3; ++i) {
        frame(0.0F);
        EXPECT_EQ(panel[kActiveLamp], 1);
        EXPECT_EQ(panel[kMode], 2);
    }
}

// NaN compares with nothing: within the permitted speed, no rollback, and
// "not moving forward" for clearing a trip.
TEST_F(Cab, UndecidableSpeedIsWithinAndNeitherTripsNorHoldsTheRollback) {
    start();
    plugin.setSignal(11);  // permits nothing: even a standing train is over
    EXPECT_EQ(frame(kNaN).brake, 0);
    EXPECT_EQ(panel[kServiceLamp], 0);
    EXPECT_EQ(frame(0.0F).brake, 8);

    plugin.setSignal(25);
    plugin.setReverser(1);
    frame(kNaN);
    EXPECT_EQ(panel[kRollbackLamp], 0);
    frame(-6.0F);
    ASSERT_EQ(panel[kRollbackLamp], 1);
    plugin.setBrake(9);
    frame(kNaN);
    EXPECT_EQ(panel[kRollbackLamp], 0);
}

TEST_F(Cab, BackingReleasesSpeedAndRunChecks) {
    start();
    plugin.keyDown(6);  // mode 1 without a code: may not run
    plugin.setReverser(-1);
    const HandleCommand command = frame(40.0F);
    EXPECT_EQ(panel[kServiceLamp] + panel[kEmergencyLamp], 0);
    EXPECT_EQ(command.brake, 0);
    EXPECT_EQ(command.reverser, -1);
    EXPECT_EQ(command.constantSpeed, 0);
}

}  // namespace
}  // namespace cabkit::cabrix
