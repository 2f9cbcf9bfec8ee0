// The train operation controller on its own: events in, one frame at a
// time, and the command it answers with.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "ato_controller.h"

namespace cabkit::velorin {
namespace {

constexpr int32_t kCab67 = 9;  // cab-signal code 9: 67 km/h
constexpr int32_t kCab42 = 6;
constexpr int32_t kCabStop = 0;

class Ato : public ::testing::Test {
protected:
    // Engaged with supervision on, under the given cab-signal code.
    void engage(int32_t cab = kCab67) {
        cabSignalCode = cab;
        ato.engage();
    }

    AtoController::FrameOutputs frame(double speedKmh, int32_t stepMs, AtoController& controller) const {
        AtoController::FrameInputs inputs{};
        inputs.frame.stepMs = stepMs;
        inputs.frame.state.speed = static_cast<float>(speedKmh);
        inputs.cabSignalCode = cabSignalCode;
        inputs.driver = DriverHandles{.brake = 0, .power = 0, .reverser = 1};
        return controller.update(inputs);
    }
    AtoController::FrameOutputs frame(double speedKmh, int32_t stepMs) { return frame(speedKmh, stepMs, ato); }

    // Runs `metres` at 36 km/h in 10 m frames.
    void run(int32_t metres) {
        for (int32_t done = 0; done < metres; done += 10) {
            frame(36.0, 1000);
        }
    }

    AtoController ato;
    int32_t cabSignalCode = kCab67;
};

TEST(AtoCurves, StopAndRestrictionPatternsHaveTheirWorkedValues) {
    EXPECT_NEAR(AtoController::stopCurve(100.0, 2.5), 41.92, 0.01);
    EXPECT_NEAR(AtoController::stopCurve(100.0, 2.0), 37.55, 0.01);
    EXPECT_NEAR(AtoController::stopCurve(1000.0, 2.5), 133.66, 0.01);  // may exceed 120
    EXPECT_EQ(AtoController::stopCurve(0.0, 2.5), 0.0);
    EXPECT_EQ(AtoController::stopCurve(-5.0, 2.5), 0.0);  // passed the stop point
    EXPECT_EQ(AtoController::stopCurve(std::numeric_limits<double>::quiet_NaN(), 2.5), 0.0);

    EXPECT_NEAR(AtoController::limitCurve(400.0, 45.0), 95.55, 0.01);
    EXPECT_EQ(AtoController::limitCurve(0.0, 45.0), 45.0);
    EXPECT_EQ(AtoController::limitCurve(-200.0, 45.0), 45.0);  // inside the restriction
    EXPECT_EQ(AtoController::limitCurve(-100.0, 45.0), 45.0);  // nearer its start than the target's braking distance
}

TEST(AtoCurves, Clamp07LimitsToTheNotchRangeAndTruncates) {
    const struct {
        double in;
        int32_t out;
    } cases[] = {{9.0, 7}, {7.0, 7}, {6.99, 6}, {2.5, 2},
                 {0.9, 0}, {0.0, 0}, {-3.0, 0}, {std::numeric_limits<double>::quiet_NaN(), 7}};
    for (const auto& c : cases) {
        EXPECT_EQ(AtoController::clamp07(c.in), c.out) << c.in;
    }
}

TEST_F(Ato, AtLoadAndAfterSupervisionOffDemandsNoPowerAndBrakeThree) {
    EXPECT_FALSE(frame(0.0, 100).engaged);
    EXPECT_EQ(frame(80.0, 100).brake, 3);
    engage();
    ato.supervisionOff();
    for (const double speed : {80.0, 0.0}) {
        const AtoController::FrameOutputs out = frame(speed, 100);
        EXPECT_TRUE(out.engaged);  // still holding the train
        EXPECT_EQ(out.power, 0);
        EXPECT_EQ(out.brake, 3);
    }
}

TEST_F(Ato, StopCodeHoldsFullBrakeEvenAtAStandstill) {
    engage(kCabStop);
    const AtoController::FrameOutputs out = frame(0.0, 100);
    EXPECT_EQ(out.brake, 7);
    EXPECT_EQ(out.power, 0);
}

TEST_F(Ato, PowerIsTwoNotchesPerKmhOfHeadroomUpToSeven) {
    engage();
    const struct {
        double speed;
        int32_t power;
    } cases[] = {{0.0, 7}, {63.5, 7}, {64.0, 6}, {65.0, 4}, {66.6, 0}, {67.0, 0}, {70.0, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(frame(c.speed, 0).power, c.power) << c.speed;
    }
}

TEST_F(Ato, OverspeedBrakeRisesAndReleasesWithHysteresis) {
    engage(kCab42);
    const struct {
        double speed;
        int32_t brake;
    } falling[] = {{43.0, 2}, {45.0, 6}, {50.0, 7}, {45.0, 7}, {44.2, 6}, {43.5, 5},
                   {42.4, 2}, {42.0, 2}, {41.6, 1}, {41.0, 0}, {42.5, 1}};
    for (const auto& c : falling) {
        EXPECT_EQ(frame(c.speed, 0).brake, c.brake) << c.speed;
    }
}

TEST_F(Ato, RestrictionGovernsFromItsStartUntilSixtyMetresPast) {
    engage();
    ato.restrictionAnnounced(30);
    EXPECT_EQ(frame(36.0, 0).power, 7);  // 400 m ahead the pattern is above the signal
    run(460);                            // exactly 60 m past: still in force
    const AtoController::FrameOutputs inside = frame(36.0, 0);
    EXPECT_EQ(inside.power, 0);
    EXPECT_EQ(inside.brake, 7);  // 6 km/h over the target
    run(10);
    EXPECT_EQ(frame(36.0, 0).power, 7);
}

TEST_F(Ato, ASecondRestrictionTakesSlotBAndAThirdReplacesIt) {
    engage();
    ato.restrictionAnnounced(60);
    ato.restrictionAnnounced(25);
    run(400);
    EXPECT_EQ(frame(22.0, 0).power, 6);  // the lower one governs: 25
    ato.restrictionAnnounced(45);        // replaces 25, 400 m ahead again
    EXPECT_EQ(frame(58.0, 0).power, 4);  // slot A's 60 governs
}

TEST_F(Ato, StopPatternABrakesTwoNotchesPerKmhFromFiveOnThePatternToNothing) {
    engage();
    ato.stopPointAAnnounced(100);
    const double pattern = AtoController::stopCurve(100.0, 2.5);
    const struct {
        double belowPattern;
        int32_t brake;
    } cases[] = {{-1.2, 7}, {-0.2, 5}, {0.8, 3}, {1.8, 1}, {2.6, 0}};
    for (const auto& c : cases) {
        const AtoController::FrameOutputs out = frame(pattern - c.belowPattern, 0);
        EXPECT_EQ(out.brake, c.brake) << c.belowPattern;
        EXPECT_EQ(out.power, 0);
    }
    ato.stopPointAAnnounced(300);  // replaces the distance; far enough that 20 km/h does not yet act
    const AtoController::FrameOutputs out = frame(20.0, 0);
    EXPECT_EQ(out.brake, 0);
    EXPECT_EQ(out.power, 7);
}

TEST_F(Ato, StopPointBReplacesStopPointAsDemandWhenItsPatternIsHigher) {
    // 0.2 km/h below stop point B's pattern, well above stop point A's.
    const double speed = AtoController::stopCurve(80.0, 2.0) - 0.2;
    AtoController aAlone;
    aAlone.engage();
    aAlone.stopPointAAnnounced(50);
    EXPECT_EQ(frame(speed, 0, aAlone).brake, 7);

    engage();
    ato.stopPointAAnnounced(50);
    ato.stopPointBAnnounced(80);
    EXPECT_EQ(frame(speed, 0).brake, 1);
}

TEST_F(Ato, StopPointBAloneActsOnlyThroughTheFinalStop) {
    engage();
    ato.stopPointBAnnounced(50);
    const AtoController::FrameOutputs out = frame(60.0, 0);  // well above its pattern, but below A's unarmed 120
    EXPECT_EQ(out.brake, 0);
    EXPECT_EQ(out.power, 7);
}

TEST_F(Ato, EngagingDisarmsTheStopPoints) {
    engage();
    ato.stopPointAAnnounced(10);
    ato.stopPointBAnnounced(10);
    EXPECT_EQ(frame(20.0, 0).brake, 7);
    ato.engage();
    EXPECT_EQ(frame(20.0, 0).brake, 0);
    frame(0.5, 100);
    EXPECT_EQ(frame(0.5, 100).brake, 0);  // no final stop either
}

// The final-stop steps, keyed by the pattern brake of the frame before the
// sequence starts. Stop point A at 10 m sets that brake from the speed; stop
// point B, already passed, starts the sequence below 1.1 km/h.
TEST_F(Ato, FinalStopStepsTheBrakeAtZeroFiveHundredAndAThousandMilliseconds) {
    const struct {
        int32_t base;
        std::vector<int32_t> steps;  // notch of the first, second and third step
    } cases[] = {{0, {1, 2, 3}}, {1, {0, 1, 2}}, {2, {1, 2, 3}}, {3, {2, 3, 3}},
                 {4, {2, 3, 3}}, {5, {3, 3, 3}}, {7, {3, 3, 3}}};
    const double patternA = AtoController::stopCurve(10.0, 2.5);
    for (const auto& c : cases) {
        ato = AtoController{};
        engage();
        ato.stopPointAAnnounced(10);
        ato.stopPointBAnnounced(0);
        ASSERT_EQ(frame(patternA - (5.0 - c.base) / 2.0 + 0.1, 0).brake, c.base);
        EXPECT_EQ(frame(1.0, 100).brake, 0) << c.base;  // the start frame applies no step

        // 100 ms frames: the first step from the next frame, the second once
        // more than 500 ms have run, the third past 1000 ms.
        std::vector<int32_t> seen;
        for (int frameNo = 1; frameNo <= 11; ++frameNo) {
            seen.push_back(frame(1.0, 100).brake);
        }
        const auto& s = c.steps;
        const std::vector<int32_t> expected{s[0], s[0], s[0], s[0], s[0], s[1], s[1], s[1], s[1], s[1], s[2]};
        EXPECT_EQ(seen, expected) << c.base;

        EXPECT_EQ(frame(0.0, 100).brake, 0) << c.base;  // standing: the sequence ends
        frame(0.5, 100);                                // stop point B stays armed: it starts again
        EXPECT_EQ(frame(0.5, 100).brake, 1) << c.base;
    }
}

TEST_F(Ato, FinalStopStartsOnlyBelowOnePointOneAndEndsAtOnceWhenStanding) {
    engage();
    ato.stopPointBAnnounced(5);
    frame(1.1, 100);
    EXPECT_EQ(frame(1.1, 100).brake, 0);
    frame(0.0, 100);  // starts and ends in the same frame
    EXPECT_EQ(frame(0.0, 100).brake, 0);
}

TEST_F(Ato, FinalStopRunsWhileDisabledTooAndEngagingClearsItsKey) {
    ato.stopPointBAnnounced(5);
    // The sequence starts before the disabled branch sets the pattern brake
    // to 3, so its key is the 0 left from load.
    EXPECT_EQ(frame(0.5, 100).brake, 3);
    EXPECT_EQ(frame(0.5, 100).brake, 1);
    frame(0.0, 100);  // ends, leaving the pattern brake at 3

    engage();  // the key goes back to 0, not the 3 left behind
    ato.stopPointBAnnounced(5);
    frame(0.5, 100);
    EXPECT_EQ(frame(0.5, 100).brake, 1);
}

TEST_F(Ato, DistancesFollowTheFrameStepAndDirection) {
    engage();
    ato.restrictionAnnounced(30);
    frame(72.0, 0);      // a zero step moves nothing
    frame(-36.0, 1000);  // backwards: 10 m further away
    run(470);
    EXPECT_EQ(frame(36.0, 0).power, 0);  // 60 m past, still in force
    run(10);
    EXPECT_EQ(frame(36.0, 0).power, 7);
}

TEST_F(Ato, StopStepTimersSaturateInsteadOfWrapping) {
    engage();
    ato.stopPointBAnnounced(5);
    frame(0.5, 0);
    // Two frames of the longest step would wrap the timers back positive and
    // take the steps away.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(frame(0.5, std::numeric_limits<int32_t>::max()).brake, 3) << i;
    }
}

TEST_F(Ato, CabSignalCutOutDrivesOnTheStopCode) {
    engage();
    AtoController::FrameInputs inputs{};
    inputs.cabSignalCode = kCab67;
    inputs.cabSignalCutOut = true;
    inputs.driver = DriverHandles{.brake = 0, .power = 0, .reverser = 1};
    const AtoController::FrameOutputs out = ato.update(inputs);
    EXPECT_EQ(out.brake, 7);
    EXPECT_EQ(out.power, 0);
}

}  // namespace
}  // namespace cabkit::velorin
