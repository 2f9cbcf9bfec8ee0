// The supervisor on its own, driven by its events and frames and read
// through the record each frame returns: what a restart, a switch-on and an
// off frame leave, the drawn lengths, and the countdowns under odd frame
// steps.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>
#include <string>

#include "ats_random_times.h"
#include "ats_zq.h"
#include "fixed_local_time.h"

namespace cabkit::sentrel {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kEmergencyNotch = 9;
constexpr DriverHandles kDriver{.brake = 0, .power = 3, .reverser = 1};

class Supervisor : public ::testing::Test {
public:
    void SetUp() override { ats.initialize(); }

    SentrelOutputs frame(int32_t stepMs, bool permitted = true) {
        out = ats.update(SentrelInputs{.frameStepMs = stepMs,
                                       .permissionRead = true,
                                       .permitted = permitted,
                                       .driver = driver,
                                       .emergencyNotch = kEmergencyNotch,
                                       .checkNotch = 1});
        return out;
    }
    void pass(int32_t type, int32_t signal, int32_t optional = 0) {
        ats.beaconPassed(BeaconData{type, signal, 300.0F, optional}, BeaconContext{60.0F, 1});
    }
    bool braking() const { return out.brakeOverride == 1 && out.handles.brake == kEmergencyNotch; }

    FixedLocalTime fixedTime{kFixedTime};
    CAtsZQ ats;
    DriverHandles driver = kDriver;
    SentrelOutputs out{};
};

// What the host sees in the frame after a restart, a switch-on and a frame
// off, each reached from a warning pending over a latched emergency brake
// with the alarm sounding.
struct ResetCase {
    std::string name;
    std::function<void(Supervisor&)> reach;
    int32_t normalLamp, alarmLamp, alarmSound, toneSound, alarmEnd;
    bool braking;
};

class AfterReset : public Supervisor, public ::testing::WithParamInterface<ResetCase> {};

TEST_P(AfterReset, ShowsItsSituation) {
    const ResetCase& c = GetParam();
    pass(95, 0);
    pass(1, 0);
    frame(100);
    ASSERT_TRUE(braking());
    c.reach(*this);
    EXPECT_EQ(out.normalLamp, c.normalLamp);
    EXPECT_EQ(out.alarmLamp, c.alarmLamp);
    EXPECT_EQ(out.alarmSound, c.alarmSound);
    EXPECT_EQ(out.toneSound, c.toneSound);
    EXPECT_EQ(out.alarmEndOut, c.alarmEnd);
    EXPECT_EQ(braking(), c.braking);
    EXPECT_EQ(out.handles.power, c.braking ? 0 : kDriver.power);
    // No warning survives any of them: nothing trips later.
    frame(5000);
    EXPECT_FALSE(braking());
}

// name, how, normal lamp, alarm lamp, alarm, tone, alarm end, braking
INSTANTIATE_TEST_SUITE_P(Modes, AfterReset,
                         ::testing::Values(
                             // Quiet and active: the alarm stops without its end sound.
                             ResetCase{"Initialize",
                                       [](Supervisor& s) {
                                           s.ats.initialize();
                                           s.frame(0);
                                       },
                                       1, 0, kSoundStop, kSoundStop, kSoundStop, false},
                             // Off silences everything and plays the end of the alarm once.
                             ResetCase{"SwitchedOff", [](Supervisor& s) { s.frame(100, false); }, 0, 0, kSoundStop,
                                       kSoundStop, kSoundPlayOnce, false},
                             // Switch-on starts the test: alarm and tone, but no brake.
                             ResetCase{"SwitchOn",
                                       [](Supervisor& s) {
                                           s.frame(100, false);
                                           s.frame(100);
                                       },
                                       0, 1, kSoundLoop, kSoundLoop, kSoundStop, false}),
                         [](const ::testing::TestParamInfo<ResetCase>& p) { return p.param.name; });

TEST(RandomTimes, ProductsWrapAndTheRemainderKeepsItsSign) {
    EXPECT_EQ(tonePeriodFromDraws(2000, 2000, 2000), 327);  // 8e9 wraps negative, rem -92
    EXPECT_EQ(tonePeriodFromDraws(10, 10, 10), 235);
    EXPECT_EQ(selfTestDurationFromDraws(2000, 2000, 2000), 2192);
    EXPECT_EQ(drawnLength(0, 100, kMin, 1, 1), 48);
}

// The seed second alone fixes both lengths, on every platform: three draws
// for the tone period first, then three for the test.
TEST(RandomTimes, SeedSecondFixesBothLengths) {
    struct Pinned {
        uint32_t second;
        int32_t tonePeriodMs;
        int32_t selfTestDurationMs;
    };
    for (const Pinned& p : {Pinned{0, 275, 2031}, Pinned{9, 327, 2196}, Pinned{60, 287, 2141}}) {
        platform::CrtRandom random;
        random.seed(12345);  // a previous run's state must not matter
        random.next();
        const RandomTimes times = drawRandomTimes(random, p.second);
        EXPECT_EQ(times.tonePeriodMs, p.tonePeriodMs) << p.second;
        EXPECT_EQ(times.selfTestDurationMs, p.selfTestDurationMs) << p.second;
    }
}

TEST(RandomTimes, EverySeedSecondGivesLengthsInRange) {
    for (uint32_t second = 0; second <= 60; ++second) {
        platform::CrtRandom random;
        const RandomTimes times = drawRandomTimes(random, second);
        EXPECT_GE(times.tonePeriodMs, 235);
        EXPECT_LE(times.tonePeriodMs, 334);
        EXPECT_GE(times.selfTestDurationMs, 2000);
        EXPECT_LE(times.selfTestDurationMs, 2199);
    }
}

TEST_F(Supervisor, UnacknowledgedWarningTripsInTheFrameItsTimeRunsOut) {
    pass(95, 0);
    for (int32_t left = 4900; left > 0; left -= 100) {
        frame(100);
        ASSERT_EQ(out.alarmLamp, 1) << left;
        ASSERT_FALSE(braking()) << left;
    }
    frame(100);
    EXPECT_TRUE(braking());
}

// A clock that goes back holds every countdown; a huge step runs them out
// without wrapping.
TEST_F(Supervisor, CountdownsNeverGrowAndHugeStepsEndThem) {
    pass(95, 0);
    pass(65, 0, kMax);
    for (int32_t backwards : {-3000, -1, kMin}) {
        frame(backwards);
    }
    frame(4999);
    EXPECT_FALSE(braking());  // the warning still has 1 ms
    frame(kMax);
    EXPECT_TRUE(braking());
    driver.brake = kEmergencyNotch;
    frame(0);
    ats.OnResetKey();
    frame(0);
    ASSERT_FALSE(braking());
    pass(1, 3, 7);  // the window has run out: no trip
    frame(0);
    EXPECT_FALSE(braking());

    pass(65, 0, -5);  // a negative window is no window
    frame(0);
    pass(1, 3, 7);
    frame(0);
    EXPECT_FALSE(braking());

    pass(50, 0);
    frame(-3000);
    pass(55, 0);  // still within 500 ms of frame time
    frame(0);
    EXPECT_TRUE(braking());
}

// Switch-on in a frame where no time passes: the test still runs its full
// length in the frames after, and then ends.
TEST_F(Supervisor, SwitchOnTestRunsItsFullLengthAfterAFrameWithoutTime) {
    platform::CrtRandom random;
    const int32_t duration = drawRandomTimes(random, kFixedSecond).selfTestDurationMs;
    frame(100, false);
    frame(0);
    EXPECT_EQ(out.alarmLamp, 1);
    frame(duration - 1);
    EXPECT_EQ(out.alarmSound, kSoundLoop);
    frame(1);
    EXPECT_EQ(out.alarmSound, kSoundStop);
    EXPECT_EQ(out.alarmLamp, 0);
}

}  // namespace
}  // namespace cabkit::sentrel
