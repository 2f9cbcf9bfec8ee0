// Elapse up to the handle command: frame step, door timers, side values,
// the controller's inputs and the command the train obeys.
#include <algorithm>
#include <limits>
#include <vector>

#include "core_fixture.h"

namespace cabkit::velorin::test {
namespace {

constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();

TEST_F(Core, FrameStepIsZeroOnTheFirstFrameAndWhenTimeGoesBack) {
    startRun();
    const struct {
        int32_t time, step;
    } frames[] = {{50000, 0}, {50016, 16}, {40000, 0}, {40100, 100}, {kIntMax - 5, kIntMax - 40105}};
    for (const auto& f : frames) {
        frame(f.time);
        EXPECT_EQ(core.frameStepMs, f.step) << f.time;
        EXPECT_EQ(core.lastTimeMs, f.time);
    }
    frame(kIntMin + 4);  // a 32-bit time difference wraps
    EXPECT_EQ(core.frameStepMs, 10);
    // The modules read this frame through the pointers they were given.
    EXPECT_EQ(displayDouble().calls.back(), "update step=10 time=" + std::to_string(kIntMin + 4));
}

class DoorTimers : public Core {
protected:
    // At a platform: all four side values live, the train standing, the
    // side countdown long.
    void SetUp() override {
        startRun();
        frame(0);
        beacon(306, 100000);
        beacon(300, 3);
    }

    // The doors open and draw this many timers; with the start time pinned
    // the first one is always 7412 ms.
    void openDoors(int32_t timers) {
        beacon(304, timers);
        core.doorOpen();
    }
    static constexpr int32_t kFirstTimer = 7412;

    const ScopedLocalTime fixedStart_{"2024-03-15T10:20:30.123"};
};

TEST_F(DoorTimers, OnlyTheFirstTwentyFourRunAndExpiredOnesMakeRoomInTheSameWalk) {
    // Many draws end on the floor and expire together: draw enough that 24
    // still run.
    openDoors(60);
    const std::vector<int32_t> drawn = core.randomTimers;
    ASSERT_EQ(drawn.size(), 60U);
    // A step past the second shortest of the first 24: at least two of them
    // expire in this frame, and the timers behind move up and run in their place.
    std::vector<int32_t> front(drawn.begin(), drawn.begin() + 24);
    std::nth_element(front.begin(), front.begin() + 1, front.end());
    const int32_t step = front[1] + 1;
    frame(step);
    // What the rule leaves: the first 24 timers still running have run one
    // step, the expired ones in front of them are gone, the rest wait untouched.
    std::vector<int32_t> expected;
    std::size_t ran = 0;
    for (const int32_t timer : drawn) {
        if (ran == 24) {
            expected.push_back(timer);
        } else if (timer >= step) {
            expected.push_back(timer - step);
            ++ran;
        }
    }
    ASSERT_EQ(ran, 24U);
    ASSERT_GT(expected.size(), 24U);               // some wait behind the running ones
    ASSERT_LT(expected.size(), drawn.size() - 1);  // and at least two are gone
    EXPECT_EQ(core.randomTimers, expected);
}

TEST_F(DoorTimers, SideActivityShowsATimerStrictlyInsideTheWindow) {
    const struct {
        int32_t timer, step;
        int32_t activity;
        bool kept;
    } cases[] = {
        {1300, 200, 1, true},  {1250, 50, 0, true},   {850, 50, 0, true},
        {801, 0, 1, true},     {900, 1000, 0, false},  // jumps the window to below 0: removed, never seen
        {1000, 1000, 0, true},                         // at exactly 0 it stays
    };
    int32_t time = 0;
    for (const auto& c : cases) {
        openDoors(1);
        frame(time += kFirstTimer - c.timer);
        frame(time += c.step);
        EXPECT_EQ(core.sideOneActivity, c.activity) << c.timer << " - " << c.step;
        EXPECT_EQ(core.sideTwoActivity, c.activity);
        EXPECT_EQ(core.randomTimers.size(), c.kept ? 1U : 0U);
    }
}

TEST_F(DoorTimers, PowerPermittedHoldsTimersAndCountdownAndDarkensActivity) {
    openDoors(1);
    frame(kFirstTimer - 1084);
    EXPECT_EQ(core.sideOneActivity, 1);
    const int32_t countdown = core.sideCountdownMs;
    panel[201] = 1;
    frame(kFirstTimer);
    EXPECT_EQ(core.randomTimers, std::vector<int32_t>{1084});
    EXPECT_EQ(core.sideCountdownMs, countdown);
    EXPECT_EQ(core.sideOneActivity, 0);
    EXPECT_EQ(core.sideTwoActivity, 0);
    EXPECT_EQ(core.sideOneState, 0);
}

TEST_F(DoorTimers, SwitchedOffSidesKeepThreeWhateverTheTimers) {
    beacon(300, 1);  // side one only, side two switched off
    beacon(300, 0);
    beacon(300, 1);
    openDoors(1);
    frame(kFirstTimer - 1100);
    EXPECT_EQ(core.sideOneActivity, 1);
    EXPECT_EQ(core.sideTwoActivity, 3);
    EXPECT_EQ(core.sideTwoState, 3);
}

TEST_F(DoorTimers, CountdownTurnsAWaitingSideStateToOneWhenItRunsOut) {
    beacon(306, 100);
    beacon(300, 0);
    beacon(300, 2);  // side two only; reloads the countdown with 100 ms
    frame(50);
    frame(100);
    EXPECT_EQ(core.sideCountdownMs, 0);
    EXPECT_EQ(core.sideTwoState, 0);
    frame(101);
    EXPECT_EQ(core.sideTwoState, 1);
    EXPECT_EQ(core.sideOneState, 3);

    beacon(306, kIntMin + 10);
    beacon(300, 2);  // reloads the countdown
    frame(kIntMax);
    EXPECT_EQ(core.sideCountdownMs, kIntMin);  // saturates instead of wrapping
}

TEST_F(DoorTimers, DeadlineClockEndsTheCountdownTwelveSecondsBeforeIt) {
    beacon(305, 93015);  // 09:30:15
    const int32_t end = (9 * 3600 + 30 * 60 + 15 - 12) * 1000;
    frame(end - 5000);
    EXPECT_EQ(core.sideCountdownMs, 5000);
    frame(end);
    EXPECT_EQ(core.sideOneState, 0);
    frame(end + 1);
    EXPECT_EQ(core.sideOneState, 1);
    EXPECT_EQ(core.sideTwoState, 1);
}

TEST_F(DoorTimers, DeadlineClockEarlierThanTwelveSecondsEndsItAtOnceAndAnyValueWraps) {
    beacon(305, 5);
    frame(0);
    EXPECT_EQ(core.sideCountdownMs, -7000);
    EXPECT_EQ(core.sideOneState, 1);

    beacon(300, 3);
    beacon(305, kIntMax);  // 214748:36:47, far beyond a day: wraps, no overflow
    frame(1000);
    EXPECT_EQ(core.sideCountdownMs, static_cast<int32_t>(773094995000LL % 4294967296LL) - 1000);
}

TEST_F(DoorTimers, LeavingTheFiveMetreZoneSwitchesAllSidesOff) {
    openDoors(1);
    const int32_t start = kFirstTimer - 1500;
    frame(start);  // standing; the timer reaches the window as the train moves off
    for (int32_t t = 100; t <= 400; t += 100) {
        frame(start + t, 36.0F);  // 1 m a frame
    }
    EXPECT_EQ(core.sideOneState, 0);
    frame(start + 500, 36.0F);
    frame(start + 600, 36.0F);
    for (int32_t side : {core.sideOneState, core.sideTwoState, core.sideOneActivity, core.sideTwoActivity}) {
        EXPECT_EQ(side, 3);
    }
}

// What the controller allows, seen in its power: 3 at 1.5 km/h below.
TEST_F(Core, CabSignalCodeGivesTheControllersSpeedUnlessCutOut) {
    startRun();
    engageInModeTwo(0);
    const int32_t allowed[] = {-5, -5, -5, 12, -5, 22, 42, 52, 62, 67, -5};
    int32_t time = 0;
    for (int32_t cab = 0; cab <= 10; ++cab) {
        const auto below = static_cast<float>(allowed[cab]) - 1.5F;
        panel[72] = cab;
        panel[59] = 0;
        EXPECT_EQ(frame(time += 16, below).power, 3) << cab;
        panel[59] = 1;
        EXPECT_EQ(frame(time += 16, -6.5F).power, 3) << cab;
    }
    panel[59] = 0;
    panel[72] = -9;
    EXPECT_EQ(frame(time += 16, -6.5F).power, 3);
}

// Engaged under the stop code, the controller brakes at 7: a command of
// reverser 1 and brake 7 shows it still driving.
TEST_F(Core, DriverHandlesDisengageExceptReverserAndBrakeWhileTheCabSignalBrakes) {
    startRun();
    engageInModeTwo(0);
    const struct {
        int32_t power, reverser, brake, slot57, slot58;
        bool staysEngaged;
    } cases[] = {
        {0, 1, 0, 0, 0, true}, {1, 1, 0, 0, 0, false}, {1, 1, 0, 1, 1, false}, {0, 0, 0, 0, 0, false},
        {0, 0, 0, 1, 0, true}, {0, 1, 3, 0, 0, false}, {0, 1, 3, 0, 1, true},  {0, -1, 9, 1, 1, true},
    };
    int32_t time = 0;
    for (const auto& c : cases) {
        core.setPower(0);
        core.setReverser(1);
        core.setBrake(0);
        core.keyDown(0);
        core.setPower(c.power);
        core.setReverser(c.reverser);
        core.setBrake(c.brake);
        panel[57] = c.slot57;
        panel[58] = c.slot58;
        const HandleCommand command = frame(time += 16);
        EXPECT_EQ(command.reverser == 1 && command.brake == 7, c.staysEngaged)
            << c.power << c.reverser << c.brake << c.slot57 << c.slot58;
        panel[57] = 0;
        panel[58] = 0;
    }
}

TEST_F(Core, PowerHandleMapsByModeAndPassesOnlyWhilePermitted) {
    startRun();
    // Handle positions 0..7 in modes 0, 1, 2; no position gives notch 6.
    const int32_t expected[3][8] = {{0, 1, 2, 4, 5, 5, 6, 7}, {0, 1, 2, 4, 5, 8, 6, 7}, {0, 1, 2, 4, 5, 7, 6, 7}};
    int32_t time = 0;
    for (int32_t mode = 0; mode <= 2; ++mode) {
        selectMode(mode);
        for (int32_t handle = 0; handle < 8; ++handle) {
            core.setPower(handle);
            panel[201] = 1;
            EXPECT_EQ(frame(time += 16).power, expected[mode][handle]) << mode << " " << handle;
            panel[201] = 0;
            EXPECT_EQ(frame(time += 16).power, 0);
        }
    }
}

TEST_F(Core, ModeZeroAlwaysCommandsTheEmergencyNotchButFollowsReverserAndPower) {
    startRun();
    core.setBrake(0);
    core.setReverser(-1);
    core.setPower(4);
    panel[201] = 1;
    const HandleCommand command = frame(0);
    EXPECT_EQ(command.brake, kEmergency);
    EXPECT_EQ(command.reverser, -1);
    EXPECT_EQ(command.power, 5);
    EXPECT_EQ(command.constantSpeed, 0);
}

TEST_F(Core, EngagedControllerDrivesUntilBeaconDisablesIt) {
    startRun();
    panel[72] = 9;  // 67 km/h
    engageInModeTwo(0);
    HandleCommand command = frame(100);
    EXPECT_EQ(command.reverser, 1);
    EXPECT_EQ(command.power, 7);
    EXPECT_EQ(command.brake, 0);

    beacon(523, 0);
    command = frame(200, 30.0F);
    EXPECT_EQ(command.power, 0);
    EXPECT_EQ(command.brake, 3);  // still engaged: the brake handle is at 0

    core.keyDown(0);  // supervision back on
    panel[201] = 0;   // power cut wins even over the controller
    EXPECT_EQ(frame(300, 30.0F).power, 0);
}

}  // namespace
}  // namespace cabkit::velorin::test
