// Each beacon type once, with the train's state that decides whether it is
// taken: what it leaves pending or latched.
#include <gtest/gtest.h>

#include <string>

#include "ats_beacons.h"
#include "fixed_local_time.h"

namespace cabkit::sentrel {
namespace {

struct BeaconCase {
    std::string name;
    int32_t type;
    int32_t signal;
    int32_t optional;
    float speed;
    int32_t reverser;
    bool keyHeld;
    int32_t windowMs;
    bool warns;
    bool trips;
};

class OneBeacon : public ::testing::TestWithParam<BeaconCase> {
protected:
    // A frame of `stepMs`; true when the emergency notch is imposed.
    bool braking(int32_t stepMs) {
        const SentrelOutputs out = ats.update(SentrelInputs{.frameStepMs = stepMs,
                                                            .permissionRead = true,
                                                            .permitted = true,
                                                            .driver = DriverHandles{},
                                                            .emergencyNotch = 9,
                                                            .checkNotch = 1});
        alarm = out.alarmLamp == 1;
        return out.brakeOverride == 1;
    }

    FixedLocalTime fixedTime{kFixedTime};
    CAtsZQ ats;
    bool alarm = false;
};

// A warning sounds the alarm and trips when its 5000 ms have run out; a trip
// brakes in the next frame.
TEST_P(OneBeacon, WarnsOrTripsAsItsRuleSays) {
    const BeaconCase& c = GetParam();
    ats.initialize();
    ats.acknowledgeKey(c.keyHeld);
    if (c.windowMs > 0) {
        ats.beaconPassed(BeaconData{65, 0, 0.0F, c.windowMs}, BeaconContext{0.0F, 0});
    }
    ats.beaconPassed(BeaconData{c.type, c.signal, 250.0F, c.optional}, BeaconContext{c.speed, c.reverser});
    EXPECT_EQ(braking(0), c.trips);
    EXPECT_EQ(alarm, c.warns || c.trips);
    if (!c.trips) {
        EXPECT_FALSE(braking(4999));
        EXPECT_EQ(braking(1), c.warns);
    }
}

// name, type, signal, optional, speed, reverser, key 0 held, windowMs, warns, trips
INSTANTIATE_TEST_SUITE_P(
    Types, OneBeacon,
    ::testing::Values(BeaconCase{"WarningAtStop", 0, 0, 0, 60.0F, 1, false, 0, true, false},
                      BeaconCase{"WarningBackwards", 0, 0, 0, -5.0F, 1, false, 0, true, false},
                      BeaconCase{"WarningAtProceed", 0, 2, 0, 60.0F, 1, false, 0, false, false},
                      BeaconCase{"WarningStanding", 0, 0, 0, 0.0F, 1, false, 0, false, false},
                      BeaconCase{"WarningKeyHeld", 0, 0, 0, 60.0F, 1, true, 1200, false, false},
                      BeaconCase{"WarningTimedNoWindow", 0, 0, 1, 60.0F, 1, false, 0, false, false},
                      BeaconCase{"WarningTimedInWindow", 0, 5, 1, 60.0F, 1, false, 1200, true, false},
                      BeaconCase{"StopAtStop", 1, 0, 0, 60.0F, 1, false, 0, false, true},
                      BeaconCase{"StopTimedNoWindow", 1, 0, 7, 60.0F, 1, false, 0, false, false},
                      BeaconCase{"StopInWindowAnySignal", 1, 3, 7, 60.0F, 1, false, 1200, false, true},
                      BeaconCase{"StopStanding", 1, 0, 0, 0.0F, 1, false, 1200, false, false},
                      BeaconCase{"SignalWarningAtStop", 95, 0, 9, 60.0F, 1, false, 0, true, false},
                      BeaconCase{"SignalWarningAtProceed", 95, 1, 0, 60.0F, 1, false, 0, false, false},
                      BeaconCase{"SignalWarningKeyHeld", 95, 0, 0, 60.0F, 1, true, 0, false, false},
                      BeaconCase{"DirectStopForward", 101, 0, 5, 60.0F, 1, false, 0, false, true},
                      BeaconCase{"DirectStopNeutral", 101, 0, 0, 60.0F, 0, false, 0, false, true},
                      BeaconCase{"DirectStopReversing", 101, 0, 0, -60.0F, -1, false, 0, false, false},
                      BeaconCase{"DirectStopAtProceed", 101, 2, 0, 60.0F, 1, false, 0, false, false},
                      BeaconCase{"Type60", 60, 0, 0, 60.0F, 1, false, 1200, false, false},
                      BeaconCase{"Type61", 61, 0, 0, 60.0F, 1, false, 1200, false, false},
                      BeaconCase{"Type96", 96, 0, 0, 60.0F, 1, false, 1200, false, false},
                      BeaconCase{"Type100", 100, 0, 0, 60.0F, 1, false, 1200, false, false}),
    [](const ::testing::TestParamInfo<BeaconCase>& p) { return p.param.name; });

// A pair beacon passed standing does not count, so the next two form the
// pair; a window opens also at a standstill.
TEST_F(OneBeacon, WindowOpensStandingAndPairsCountOnlyWhenMoving) {
    ats.initialize();
    ats.beaconPassed(BeaconData{65, 0, 0.0F, 3000}, BeaconContext{0.0F, 0});
    ats.beaconPassed(BeaconData{50, 0, 0.0F, 0}, BeaconContext{0.0F, 1});
    ats.beaconPassed(BeaconData{55, 0, 0.0F, 0}, BeaconContext{10.0F, 1});
    EXPECT_FALSE(braking(400));
    ats.beaconPassed(BeaconData{50, 0, 0.0F, 0}, BeaconContext{10.0F, 1});
    EXPECT_TRUE(braking(0));

    ats.initialize();
    ats.beaconPassed(BeaconData{65, 0, 0.0F, 3000}, BeaconContext{0.0F, 0});
    EXPECT_FALSE(braking(2999));
    ats.beaconPassed(BeaconData{1, 3, 0.0F, 7}, BeaconContext{10.0F, 1});
    EXPECT_TRUE(braking(0));
}

}  // namespace
}  // namespace cabkit::sentrel
