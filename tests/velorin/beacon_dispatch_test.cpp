// Track-side beacons: where each type goes and under which conditions.
#include <cmath>
#include <limits>
#include <vector>

#include "core_fixture.h"

namespace cabkit::velorin::test {
namespace {

using Calls = std::vector<std::string>;

class Beacons : public Core {
protected:
    void SetUp() override {
        startRun();
        frame(0);
        displayDouble().calls.clear();
    }

    // The display calls a beacon causes, apart from the frame's update.
    Calls displayCallsOf(int32_t type, int32_t value) {
        displayDouble().calls.clear();
        beacon(type, value);
        return displayDouble().calls;
    }
};

TEST_F(Beacons, ControllerBeaconsReachTheEngagedController) {
    panel[72] = 9;  // 67 km/h
    engageInModeTwo(16);
    beacon(520, 300);
    EXPECT_EQ(frame(32, 10.0F).brake, 0);  // too far to act yet
    beacon(521, -40);                      // stop point A again, already passed
    EXPECT_EQ(frame(48, 10.0F).brake, 7);

    core.keyDown(0);  // disarms A
    beacon(522, 5);
    frame(64, 0.5F);
    EXPECT_EQ(frame(164, 0.5F).brake, 1);  // the final stop's first step

    core.keyDown(0);
    beacon(524, 20);
    frame(40164, 36.0F);  // 400 m: at the restriction
    EXPECT_EQ(frame(40264, 18.0F).power, 4);
}

TEST_F(Beacons, TimetableBeaconsReachTheDisplayAsTheirKind) {
    const struct {
        int32_t type, kind;
    } routes[] = {{117, 0}, {121, 1}, {125, 2}, {139, 3},  {143, 4},  {225, 5},  {226, 6},
                  {112, 7}, {223, 8}, {129, 9}, {130, 10}, {131, 11}, {146, 12}, {148, 13}};
    for (const auto& r : routes) {
        EXPECT_EQ(displayCallsOf(r.type, -r.type),
                  Calls{"receive " + std::to_string(r.kind) + " " + std::to_string(-r.type)});
    }
    EXPECT_EQ(displayCallsOf(147, 0), Calls{"armAdvance"});
    for (int32_t ignored : {0, 1, 116, 118, 149, 301, 519, 525, -117, std::numeric_limits<int32_t>::min()}) {
        EXPECT_EQ(displayCallsOf(ignored, 5), Calls{}) << ignored;
    }
}

TEST_F(Beacons, RowIndexBeaconOnlyAtExactlyZeroSpeed) {
    const float speeds[] = {0.001F, -0.5F, 80.0F, std::numeric_limits<float>::quiet_NaN()};
    int32_t time = 0;
    for (float speed : speeds) {
        frame(time += 16, speed);
        EXPECT_EQ(displayCallsOf(148, 7), Calls{}) << speed;
    }
    frame(time + 16, -0.0F);
    EXPECT_EQ(displayCallsOf(148, 7), Calls{"receive 13 7"});
}

TEST_F(Beacons, StopAlertBeaconOnlyInModeOne) {
    for (int32_t mode : {0, 2}) {
        selectMode(mode);
        EXPECT_EQ(displayCallsOf(30, 0), Calls{}) << mode;
    }
    selectMode(1);
    EXPECT_EQ(displayCallsOf(30, 0), Calls{"startStopAlert"});
}

TEST_F(Beacons, PlatformBeaconNeedsAStandstillExceptInModeTwo) {
    const struct {
        int32_t mode;
        float speed;
        bool applies;
    } cases[] = {{0, 0.0F, true},   {1, 0.0F, true},  {0, 0.1F, false},
                 {1, -3.0F, false}, {2, 90.0F, true}, {1, std::numeric_limits<float>::quiet_NaN(), false}};
    int32_t time = 0;
    for (const auto& c : cases) {
        selectMode(c.mode);
        frame(time += 16, c.speed);
        core.zoneDistanceLeft = -1.0;
        beacon(300, 3);
        EXPECT_EQ(core.zoneDistanceLeft, c.applies ? 5.0 : -1.0) << c.mode << " " << c.speed;
    }
}

TEST_F(Beacons, PlatformBeaconSetsTheSidesItNamesAndAlwaysRestartsZoneAndCountdown) {
    const struct {
        int32_t value;
        int32_t oneState, twoState;  // the activities follow their states here
    } cases[] = {{0, 3, 3}, {1, 0, 2}, {2, 2, 0}, {3, 0, 0}, {77, 0, 0}, {-1, 2, 2}};
    beacon(306, 4321);
    for (const auto& c : cases) {
        core.sideOneState = core.sideOneActivity = core.sideTwoState = core.sideTwoActivity = 2;
        core.zoneDistanceLeft = -1.0;
        core.sideCountdownMs = 0;
        beacon(300, c.value);
        EXPECT_EQ(core.sideOneState, c.oneState) << c.value;
        EXPECT_EQ(core.sideOneActivity, c.oneState) << c.value;
        EXPECT_EQ(core.sideTwoState, c.twoState) << c.value;
        EXPECT_EQ(core.sideTwoActivity, c.twoState) << c.value;
        EXPECT_EQ(core.zoneDistanceLeft, 5.0);
        EXPECT_EQ(core.sideCountdownMs, 4321);
    }
}

TEST_F(Beacons, SettingBeaconsStoreTheirValue) {
    beacon(304, 7);
    beacon(305, 120000);
    beacon(306, -3);
    EXPECT_EQ(core.randomTimerCount, 7);
    EXPECT_EQ(core.sideDeadlineClock, 120000);
    EXPECT_EQ(core.sideCountdownStart, -3);
}

}  // namespace
}  // namespace cabkit::velorin::test
