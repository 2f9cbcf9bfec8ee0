// The supervisor on its own: what each reset leaves, the drawn lengths, and
// the countdowns under odd frame steps.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "ats_random_times.h"
#include "ats_zq.h"
#include "fixed_local_time.h"

namespace cabkit::sentrel {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMark = 777;  // a value no reset writes

class Supervisor : public ::testing::Test {
protected:
    void SetUp() override { ats.Reset(ResetMode::kInitialize); }

    void frame(int32_t stepMs) {
        step = stepMs;
        ats.Update();
    }

    // Every field away from any value a reset gives it.
    void dirty() {
        for (bool* flag :
             {&ats.enabled, &ats.active, &ats.wasActive, &ats.ackHeld, &ats.toneResetHeld, &ats.brakeAtEmergency,
              &ats.brakeAtCheck, &ats.emergencyLatch, &ats.brakeDemand, &ats.warningPending, &ats.selfTestOn,
              &ats.bellOn, &ats.toneLatched, &ats.toneSide, &ats.pairArmed}) {
            *flag = true;
        }
        for (int32_t* value : {&ats.selfTestMs, &ats.ackMs, &ats.pairMs, &ats.windowMs, &ats.toneMs, &ats.tonePeriodMs,
                               &ats.selfTestDurationMs, &ats.normalLamp, &ats.alarmLamp, &ats.alarmSound,
                               &ats.toneSound, &ats.alarmEndRequest, &ats.strokeARequest, &ats.strokeBRequest,
                               &ats.alarmEndOut, &ats.strokeAOut, &ats.strokeBOut}) {
            *value = kMark;
        }
    }

    FixedLocalTime fixedTime{kFixedTime};
    int32_t step = 0;
    CAtsZQ ats{step};
};

// Clears also a pending warning and a running test, so a restart is quiet.
TEST_F(Supervisor, ResetForARunLeavesItQuietAndActive) {
    dirty();
    ats.Reset(ResetMode::kInitialize);
    EXPECT_TRUE(ats.enabled && ats.active && ats.wasActive);
    EXPECT_FALSE(ats.ackHeld || ats.toneResetHeld || ats.brakeAtEmergency || ats.brakeAtCheck || ats.emergencyLatch ||
                 ats.warningPending || ats.selfTestOn || ats.bellOn || ats.toneLatched || ats.pairArmed);
    EXPECT_TRUE(ats.brakeDemand && ats.toneSide);  // left as they were
    EXPECT_EQ(ats.selfTestMs + ats.ackMs + ats.pairMs + ats.windowMs + ats.toneMs, 0);
    platform::CrtRandom random;
    const RandomTimes expected = drawRandomTimes(random, kFixedSecond);
    EXPECT_EQ(ats.tonePeriodMs, expected.tonePeriodMs);
    EXPECT_EQ(ats.selfTestDurationMs, expected.selfTestDurationMs);
    EXPECT_EQ(ats.normalLamp, 1);
    EXPECT_EQ(ats.alarmLamp, 0);
    for (int32_t sound : {ats.alarmSound, ats.toneSound, ats.alarmEndRequest, ats.strokeARequest, ats.strokeBRequest}) {
        EXPECT_EQ(sound, kSoundStop);
    }
    EXPECT_EQ(ats.strokeBOut, kMark);
}

// Starts the test; a warning raised while off is dropped.
TEST_F(Supervisor, ResetAtSwitchOnStartsTheTest) {
    dirty();
    ats.selfTestDurationMs = 2100;
    ats.Reset(ResetMode::kSwitchOn);
    EXPECT_TRUE(ats.enabled && ats.active && ats.wasActive && ats.ackHeld && ats.toneResetHeld);
    EXPECT_FALSE(ats.brakeAtEmergency || ats.brakeAtCheck || ats.emergencyLatch || ats.warningPending || ats.pairArmed);
    EXPECT_TRUE(ats.selfTestOn && ats.bellOn && ats.toneLatched && ats.brakeDemand && ats.toneSide);
    EXPECT_EQ(ats.selfTestMs, 2100);
    EXPECT_EQ(ats.ackMs + ats.pairMs + ats.windowMs + ats.toneMs, 0);
    EXPECT_EQ(ats.tonePeriodMs, kMark);
    EXPECT_EQ(ats.normalLamp, 0);
    EXPECT_EQ(ats.alarmLamp, 1);
    EXPECT_EQ(ats.alarmEndRequest, kSoundStop);
    EXPECT_EQ(ats.alarmSound + ats.toneSound + ats.strokeARequest + ats.strokeBRequest, 4 * kMark);
}

TEST_F(Supervisor, ResetWhileOffSilencesEverything) {
    dirty();
    ats.Reset(ResetMode::kSwitchedOff);
    EXPECT_TRUE(ats.enabled && ats.selfTestOn && ats.toneSide && ats.brakeDemand);
    EXPECT_FALSE(ats.brakeAtEmergency || ats.brakeAtCheck || ats.emergencyLatch || ats.warningPending || ats.bellOn ||
                 ats.toneLatched || ats.pairArmed);
    EXPECT_EQ(ats.selfTestMs + ats.ackMs + ats.pairMs + ats.windowMs + ats.toneMs, 0);
    EXPECT_EQ(ats.normalLamp + ats.alarmLamp, 0);
    EXPECT_EQ(ats.alarmEndRequest, kSoundStop);
    EXPECT_EQ(ats.strokeARequest, kMark);
}

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
    ats.OnSignalWarningBeacon(0);
    for (int32_t left = 4900; left > 0; left -= 100) {
        frame(100);
        ASSERT_EQ(ats.ackMs, left);
        ASSERT_TRUE(ats.warningPending);
        ASSERT_FALSE(ats.brakeDemand);
    }
    frame(100);
    EXPECT_FALSE(ats.warningPending);
    EXPECT_TRUE(ats.emergencyLatch);
    EXPECT_TRUE(ats.brakeDemand);
}

// A clock that goes back holds every countdown; a huge step runs them out
// without wrapping.
TEST_F(Supervisor, CountdownsNeverGrowAndHugeStepsEndThem) {
    ats.OnSignalWarningBeacon(0);
    ats.OnWindowBeacon(kMax);
    ats.OnPairBeacon();
    for (int32_t backwards : {-3000, -1, kMin}) {
        frame(backwards);
        EXPECT_EQ(ats.ackMs, 5000);
        EXPECT_EQ(ats.windowMs, kMax);
        EXPECT_EQ(ats.pairMs, 500);
    }
    frame(kMax);
    EXPECT_EQ(ats.ackMs + ats.windowMs + ats.pairMs, 0);
    EXPECT_TRUE(ats.emergencyLatch);

    ats.OnWindowBeacon(-5);
    frame(0);
    EXPECT_EQ(ats.windowMs, 0);
}

// Switch-on in a frame where no time passes: the test still runs its full
// length in the frames after, and then ends.
TEST_F(Supervisor, SwitchOnTestRunsItsFullLengthAfterAFrameWithoutTime) {
    ats.enabled = false;
    frame(100);
    ats.enabled = true;
    frame(0);
    EXPECT_EQ(ats.selfTestMs, ats.selfTestDurationMs);
    EXPECT_TRUE(ats.selfTestOn && ats.bellOn);
    frame(ats.selfTestDurationMs - 1);
    EXPECT_TRUE(ats.selfTestOn);
    frame(1);
    EXPECT_FALSE(ats.selfTestOn || ats.bellOn);
    EXPECT_EQ(ats.alarmLamp, 0);
}

}  // namespace
}  // namespace cabkit::sentrel
