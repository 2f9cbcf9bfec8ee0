// The state object and the plug-in class built fresh: load and run-start
// values, the wiring, and the decisions that the panel alone cannot show.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "cabrix_plugin.h"
#include "host_arrays.h"

namespace cabkit::cabrix {
namespace {

struct Frame {
    std::array<int32_t, CABKIT_PANEL_SLOTS> panel{};
    std::array<int32_t, CABKIT_SOUND_SLOTS> sound{};
};

VehicleState at(float speed) {
    VehicleState state{};
    state.speed = speed;
    return state;
}

void expectRunStartFields(const CCabrix& cab) {
    EXPECT_FALSE(cab.rollbackTripped);
    EXPECT_FALSE(cab.wasActive);
    EXPECT_EQ(cab.permittedSpeed, -1.0);
    EXPECT_FALSE(cab.wasCutOut);
    EXPECT_FALSE(cab.active);
    EXPECT_FALSE(cab.brakeAtEmergency);
    for (int32_t value : {cab.bellTrigger, cab.chimeTrigger, cab.spareTrigger, cab.bellSound, cab.chimeSound,
                          cab.spareSound, cab.fixedLimitSound, cab.cutOutSound, cab.rollbackSound}) {
        EXPECT_EQ(value, -10000);
    }
    for (int32_t value : {cab.activeLamp, cab.supervisingLamp, cab.serviceBrakeLamp, cab.emergencyBrakeLamp,
                          cab.fixedLimitLamp, cab.cutOutLamp, cab.rollbackLamp, cab.mode}) {
        EXPECT_EQ(value, 0);
    }
    EXPECT_EQ(cab.speedIndicators, std::vector<int32_t>(10, 0));
    EXPECT_FALSE(cab.cutOut);
    EXPECT_FALSE(cab.fixedLimitMode);
}

TEST(CabrixState, LoadValuesAndWiring) {
    CabrixPlugin plugin;
    const CCabrix& cab = plugin.cabrix;
    expectRunStartFields(cab);
    EXPECT_EQ(cab.lastMode, 0);
    EXPECT_EQ(cab.lastAspect, 0);
    EXPECT_FALSE(cab.speedOk);
    EXPECT_FALSE(cab.runOk);
    EXPECT_FALSE(cab.signalReceived);
    EXPECT_EQ(cab.signalCode, 0);
    EXPECT_EQ(cab.vehicleState, &plugin.vehicleStateCopy);
    EXPECT_EQ(cab.reverserRef, &plugin.reverserHandle);
}

TEST(CabrixState, InitializeResetsTheRunAndKeepsSignalHandlesAndStorage) {
    CabrixPlugin plugin;
    plugin.setVehicleSpec(VehicleSpec{8, 5, 1, 0, 10});
    Frame frame;
    frame.panel[75] = 1;
    plugin.setReverser(1);
    plugin.setPower(2);
    plugin.keyDown(6);
    plugin.keyDown(12);
    plugin.keyDown(13);
    plugin.setSignal(25);
    const int32_t* storage = plugin.cabrix.speedIndicators.data();
    for (float speed : {-6.0F, 30.0F, 30.0F}) {
        plugin.elapse(at(speed), frame.panel.data(), frame.sound.data());
    }
    plugin.setBrake(9);
    ASSERT_TRUE(plugin.cabrix.rollbackTripped);

    plugin.initialize(0);
    const CCabrix& cab = plugin.cabrix;
    expectRunStartFields(cab);
    EXPECT_EQ(cab.lastMode, 4);
    EXPECT_TRUE(cab.speedOk);
    EXPECT_TRUE(cab.runOk);
    EXPECT_EQ(cab.lastAspect, 25);
    EXPECT_EQ(cab.signalCode, 9);
    EXPECT_TRUE(cab.signalReceived);
    EXPECT_EQ(cab.speedIndicators.data(), storage);
    EXPECT_EQ(cab.reverserRef, &plugin.reverserHandle);
    EXPECT_EQ(plugin.reverserHandle, 1);
    EXPECT_EQ(plugin.powerHandle, 2);
    EXPECT_EQ(plugin.brakeHandle, 9);
}

TEST(CabrixState, BrakeAtEmergencyFollowsTheNotchOfTheVehicle) {
    CabrixPlugin plugin;
    plugin.setBrake(0);  // before SetVehicleSpec the emergency notch is 0
    EXPECT_TRUE(plugin.cabrix.brakeAtEmergency);
    plugin.setVehicleSpec(VehicleSpec{8, 5, 1, 0, 10});
    plugin.setBrake(9);
    EXPECT_TRUE(plugin.cabrix.brakeAtEmergency);
    plugin.setBrake(8);
    EXPECT_FALSE(plugin.cabrix.brakeAtEmergency);
    plugin.setVehicleSpec(VehicleSpec{std::numeric_limits<int32_t>::max(), 0, 0, 0, 0});
    EXPECT_EQ(plugin.emergencyNotch, std::numeric_limits<int32_t>::min());
}

// Full mode without a code only keeps supervision on; it cannot start it.
TEST(CabrixState, FullModeWithoutCodeKeepsButDoesNotStartSupervision) {
    Frame frame;
    frame.panel[75] = 1;
    CabrixPlugin direct;
    direct.initialize(0);
    direct.keyDown(6);
    direct.keyDown(6);
    direct.elapse(at(0.0F), frame.panel.data(), frame.sound.data());
    EXPECT_FALSE(direct.cabrix.active);
    EXPECT_EQ(direct.cabrix.mode, 0);

    CabrixPlugin stepped;
    stepped.initialize(0);
    stepped.keyDown(6);
    stepped.elapse(at(0.0F), frame.panel.data(), frame.sound.data());
    stepped.keyDown(6);
    for (int i = 0; i < 3; ++i) {
        stepped.elapse(at(0.0F), frame.panel.data(), frame.sound.data());
        EXPECT_TRUE(stepped.cabrix.active);
        EXPECT_EQ(stepped.cabrix.mode, 2);
    }
}

TEST(CabrixState, UndecidableSpeedCountsAsWithinThePermittedSpeed) {
    CabrixPlugin plugin;
    plugin.setVehicleSpec(VehicleSpec{8, 5, 1, 0, 10});
    plugin.initialize(0);
    Frame frame;
    frame.panel[75] = 1;
    plugin.setSignal(11);  // permits nothing: even a standing train is over
    const float nan = std::numeric_limits<float>::quiet_NaN();
    HandleCommand command = plugin.elapse(at(nan), frame.panel.data(), frame.sound.data());
    EXPECT_TRUE(plugin.cabrix.speedOk);
    EXPECT_EQ(command.brake, 0);
    command = plugin.elapse(at(0.0F), frame.panel.data(), frame.sound.data());
    EXPECT_EQ(command.brake, 8);
}

// The rollback test never trips on an undecidable speed, and "not moving
// forward" holds for it, so the trip can be cleared.
TEST(CabrixState, UndecidableSpeedNeitherTripsNorHoldsTheRollback) {
    CabrixPlugin plugin;
    plugin.setVehicleSpec(VehicleSpec{8, 5, 1, 0, 10});
    plugin.initialize(0);
    Frame frame;
    frame.panel[75] = 1;
    plugin.setSignal(25);
    plugin.setReverser(1);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    plugin.elapse(at(nan), frame.panel.data(), frame.sound.data());
    EXPECT_FALSE(plugin.cabrix.rollbackTripped);
    plugin.elapse(at(-6.0F), frame.panel.data(), frame.sound.data());
    ASSERT_TRUE(plugin.cabrix.rollbackTripped);
    plugin.setBrake(9);
    plugin.elapse(at(nan), frame.panel.data(), frame.sound.data());
    EXPECT_FALSE(plugin.cabrix.rollbackTripped);
}

TEST(CabrixState, BackingReleasesSpeedAndRunChecks) {
    CabrixPlugin plugin;
    plugin.setVehicleSpec(VehicleSpec{8, 5, 1, 0, 10});
    plugin.initialize(0);
    Frame frame;
    frame.panel[75] = 1;
    plugin.keyDown(6);  // mode 1 without a code: may not run
    plugin.setReverser(-1);
    const HandleCommand command = plugin.elapse(at(40.0F), frame.panel.data(), frame.sound.data());
    EXPECT_TRUE(plugin.cabrix.speedOk);
    EXPECT_TRUE(plugin.cabrix.runOk);
    EXPECT_EQ(command.brake, 0);
    EXPECT_EQ(command.reverser, -1);
    EXPECT_EQ(command.constantSpeed, 0);
}

}  // namespace
}  // namespace cabkit::cabrix
