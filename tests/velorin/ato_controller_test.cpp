// The train operation controller on its own, fed frame by frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "ato_controller.h"

namespace cabkit::velorin {
namespace {

constexpr int32_t kCode67 = 6;  // the line's top signal code: 67 km/h in row 1
constexpr int32_t kCode42 = 3;

class Ato : public ::testing::Test {
protected:
    Ato() {
        ato.frameStepMs = &stepMs;
        ato.vehicleState = &state;
    }

    // Enabled and engaged, as after an accepted key 0, under signal code 6.
    void engage(int32_t code = kCode67) {
        ato.enabled = true;
        ato.engaged = true;
        ato.signalCode = code;
    }

    void frame(double speedKmh, int32_t frameMs) {
        state.speed = static_cast<float>(speedKmh);
        stepMs = frameMs;
        ato.update();
    }

    AtoController ato;
    int32_t stepMs = 0;
    VehicleState state{};
};

TEST(AtoCurves, StopAndRestrictionPatternsHaveTheirWorkedValues) {
    EXPECT_NEAR(AtoController::stopCurve(100.0, 2.5), 41.92, 0.01);
    EXPECT_NEAR(AtoController::stopCurve(100.0, 2.0), 37.55, 0.01);
    EXPECT_NEAR(AtoController::stopCurve(1000.0, 2.5), 133.66, 0.01);  // may exceed 120
    EXPECT_EQ(AtoController::stopCurve(0.0, 2.5), 0.0);
    EXPECT_EQ(AtoController::stopCurve(-5.0, 2.5), 0.0);  // passed the stop point

    EXPECT_NEAR(AtoController::limitCurve(400.0, 45.0), 95.55, 0.01);
    EXPECT_EQ(AtoController::limitCurve(0.0, 45.0), 45.0);
    EXPECT_EQ(AtoController::limitCurve(-200.0, 45.0), 45.0);  // inside the restriction
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

TEST_F(Ato, WhileNotEnabledDemandsNoPowerAndBrakeThree) {
    ato.engaged = true;  // beacon 523 leaves it engaged but disabled
    ato.signalCode = kCode67;
    frame(80.0, 100);
    EXPECT_EQ(ato.powerCommand, 0);
    EXPECT_EQ(ato.brakeCommand, 3);
    frame(0.0, 100);
    EXPECT_EQ(ato.powerCommand, 0);
    EXPECT_EQ(ato.brakeCommand, 3);
}

TEST_F(Ato, StopCodeHoldsFullBrakeEvenAtAStandstill) {
    engage(0);
    frame(0.0, 100);
    EXPECT_EQ(ato.governingSpeed, -5.0);
    EXPECT_EQ(ato.brakeCommand, 7);
    EXPECT_EQ(ato.powerCommand, 0);
}

TEST_F(Ato, PowerIsTwoNotchesPerKmhOfHeadroomUpToSeven) {
    engage();
    const struct {
        double speed;
        int32_t power;
    } cases[] = {{0.0, 7}, {63.5, 7}, {64.0, 6}, {65.0, 4}, {66.6, 0}, {67.0, 0}, {70.0, 0}};
    for (const auto& c : cases) {
        ato.brakeCommand = 0;
        frame(c.speed, 0);
        EXPECT_EQ(ato.signalSpeedLimit, 67.0);
        EXPECT_EQ(ato.powerCommand, c.power) << c.speed;
    }
}

TEST_F(Ato, OverspeedBrakeRisesAndReleasesWithHysteresis) {
    engage(kCode42);
    const struct {
        double speed;
        int32_t brake;
    } falling[] = {{43.0, 2}, {45.0, 6}, {50.0, 7}, {45.0, 7}, {44.2, 6}, {43.5, 5},
                   {42.4, 2}, {42.0, 2}, {41.6, 1}, {41.0, 0}, {42.5, 1}};
    for (const auto& c : falling) {
        frame(c.speed, 0);
        EXPECT_EQ(ato.brakeCommand, c.brake) << c.speed;
    }
}

TEST_F(Ato, RestrictionGovernsUntilSixtyMetresPastItsStart) {
    engage();
    ato.limitActiveA = true;
    ato.limitDistanceA = 400.0;
    ato.limitTargetSpeedA = 30.0;
    frame(36.0, 0);
    EXPECT_NEAR(ato.limitPatternSpeedA, AtoController::limitCurve(400.0, 30.0), 1e-9);
    EXPECT_EQ(ato.governingSpeed, 67.0);  // the pattern is still above the signal

    for (int i = 0; i < 46; ++i) {
        frame(36.0, 1000);  // 10 m a frame
    }
    EXPECT_NEAR(ato.limitDistanceA, -60.0, 1e-9);
    EXPECT_TRUE(ato.limitActiveA);
    EXPECT_EQ(ato.governingSpeed, 30.0);
    EXPECT_EQ(ato.powerCommand, 0);
    EXPECT_EQ(ato.brakeCommand, 7);  // 6 km/h over the target

    frame(36.0, 1000);
    EXPECT_FALSE(ato.limitActiveA);
    EXPECT_EQ(ato.limitPatternSpeedA, 120.0);
    EXPECT_EQ(ato.governingSpeed, 67.0);
}

TEST_F(Ato, TheLowerOfTwoRestrictionsGoverns) {
    engage();
    ato.limitActiveA = true;
    ato.limitDistanceA = -10.0;
    ato.limitTargetSpeedA = 60.0;
    ato.limitActiveB = true;
    ato.limitDistanceB = 0.0;
    ato.limitTargetSpeedB = 25.0;
    frame(20.0, 0);
    EXPECT_EQ(ato.governingSpeed, 25.0);
    EXPECT_EQ(ato.powerCommand, 7);
}

TEST_F(Ato, StopPatternABrakesTwoNotchesPerKmhFromFiveOnThePatternToNothing) {
    engage();
    ato.stopTargetActiveA = true;
    ato.stopDistanceA = 100.0;
    const double pattern = AtoController::stopCurve(100.0, 2.5);
    const struct {
        double belowPattern;
        int32_t brake;
    } cases[] = {{-1.2, 7}, {-0.2, 5}, {0.8, 3}, {1.8, 1}, {2.6, 0}};
    for (const auto& c : cases) {
        ato.brakeCommand = 0;
        frame(pattern - c.belowPattern, 0);
        EXPECT_EQ(ato.patternBrake, c.brake) << c.belowPattern;
        EXPECT_EQ(ato.brakeCommand, c.brake) << c.belowPattern;
        EXPECT_EQ(ato.powerCommand, 0);
    }
}

TEST_F(Ato, StopPatternAWaitsUntilTheLookAheadReachesTheStop) {
    engage();
    ato.stopTargetActiveA = true;
    ato.stopDistanceA = 300.0;  // far enough that 20 km/h does not yet act
    frame(20.0, 0);
    EXPECT_EQ(ato.patternBrake, 0);
    EXPECT_EQ(ato.powerCommand, 7);
}

TEST_F(Ato, StopPointBReplacesStopPointAsDemandWhenItsPatternIsHigher) {
    engage();
    ato.stopTargetActiveA = true;
    ato.stopDistanceA = 100.0;  // pattern about 42: alone it would demand 7 at 115
    ato.stopTargetActiveB = true;
    ato.stopDistanceB = 1000.0;  // pattern about 119.5
    frame(115.0, 0);
    EXPECT_GT(ato.stopPatternSpeedB, ato.stopPatternSpeedA);
    EXPECT_EQ(ato.patternBrake, 0);
    EXPECT_EQ(ato.powerCommand, 0);
}

TEST_F(Ato, StopPointBAloneActsOnlyThroughTheFinalStop) {
    engage();
    ato.stopTargetActiveB = true;
    ato.stopDistanceB = 50.0;
    frame(60.0, 0);  // well above its pattern, but A's unarmed 120 is higher
    EXPECT_LT(ato.stopPatternSpeedB, 120.0);
    EXPECT_EQ(ato.patternBrake, 0);
}

struct FinalStopCase {
    int32_t base;
    std::vector<int32_t> steps;  // notch of the first, second and third step
};

class FinalStop : public Ato, public ::testing::WithParamInterface<FinalStopCase> {};

TEST_P(FinalStop, StepsTheBrakeAtZeroFiveHundredAndAThousandMilliseconds) {
    engage();
    ato.stopTargetActiveB = true;
    ato.stopDistanceB = 5.0;
    ato.patternBrake = GetParam().base;  // left by the frame before
    frame(1.0, 100);
    ASSERT_TRUE(ato.stopSequenceActive);
    EXPECT_EQ(ato.stopSequenceBase, GetParam().base);
    EXPECT_EQ(ato.patternBrake, 0);  // the start frame applies no step

    // 100 ms frames: the first step from the next frame, the second once
    // more than 500 ms have run, the third past 1000 ms.
    std::vector<int32_t> seen;
    for (int frameNo = 1; frameNo <= 11; ++frameNo) {
        frame(1.0, 100);
        seen.push_back(ato.patternBrake);
        EXPECT_GE(ato.brakeCommand, ato.patternBrake);
    }
    const auto& s = GetParam().steps;
    const std::vector<int32_t> expected{s[0], s[0], s[0], s[0], s[0], s[1], s[1], s[1], s[1], s[1], s[2]};
    EXPECT_EQ(seen, expected);

    frame(0.0, 100);  // standing: the sequence ends
    EXPECT_FALSE(ato.stopSequenceActive);
    EXPECT_TRUE(ato.stopTargetActiveB);  // stays armed until the next key 0
}

INSTANTIATE_TEST_SUITE_P(ByPatternBrakeAtTheStart, FinalStop,
                         ::testing::Values(FinalStopCase{0, {1, 2, 3}}, FinalStopCase{1, {0, 1, 2}},
                                           FinalStopCase{2, {1, 2, 3}}, FinalStopCase{3, {2, 3, 3}},
                                           FinalStopCase{4, {2, 3, 3}}, FinalStopCase{5, {3, 3, 3}},
                                           FinalStopCase{-1, {3, 3, 3}}));

TEST_F(Ato, FinalStopStartsOnlyBelowOnePointOneAndEndsAtOnceWhenStanding) {
    engage();
    ato.stopTargetActiveB = true;
    ato.stopDistanceB = 5.0;
    frame(1.1, 100);
    EXPECT_FALSE(ato.stopSequenceActive);
    frame(0.0, 100);  // starts and ends in the same frame
    EXPECT_FALSE(ato.stopSequenceActive);
    EXPECT_EQ(ato.stopStepTimers[2], 1000);
}

TEST_F(Ato, FinalStopRunsWhileDisabledToo) {
    ato.engaged = true;
    ato.stopTargetActiveB = true;
    ato.stopDistanceB = 5.0;
    // The sequence starts before the disabled branch sets patternBrake to 3,
    // so its key is the 0 left from load; the next frame applies that key's first step.
    frame(0.5, 100);
    frame(0.5, 100);
    EXPECT_EQ(ato.stopSequenceBase, 0);
    EXPECT_EQ(ato.patternBrake, 1);
}

TEST_F(Ato, DistancesFollowTheFrameStepAndDirection) {
    engage();
    ato.stopDistanceA = 100.0;
    ato.stopDistanceB = 100.0;
    ato.limitDistanceA = 100.0;
    ato.stopStepTimers = {5, 5, 5};
    frame(72.0, 0);  // a zero step moves nothing
    EXPECT_EQ(ato.stopDistanceA, 100.0);
    EXPECT_EQ(ato.stopStepTimers[0], 5);

    frame(-36.0, 500);  // backwards: 5 m further away
    EXPECT_NEAR(ato.stopDistanceA, 105.0, 1e-9);
    EXPECT_NEAR(ato.stopDistanceB, 105.0, 1e-9);
    EXPECT_NEAR(ato.limitDistanceA, 105.0, 1e-9);
    EXPECT_EQ(ato.stopStepTimers[1], -495);
}

TEST_F(Ato, StopStepTimersSaturateInsteadOfWrapping) {
    ato.stopStepTimers = {std::numeric_limits<int32_t>::min() + 10, 0, 0};
    frame(0.0, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ato.stopStepTimers[0], std::numeric_limits<int32_t>::min());
    EXPECT_EQ(ato.stopStepTimers[1], -std::numeric_limits<int32_t>::max());
    frame(0.0, 1000);
    EXPECT_LT(ato.stopStepTimers[1], 0);
}

TEST_F(Ato, AnUnwiredControllerDoesNothing) {
    AtoController unwired;
    unwired.enabled = true;
    unwired.update();
    EXPECT_EQ(unwired.brakeCommand, 0);
    EXPECT_EQ(unwired.governingSpeed, 120.0);
}

}  // namespace
}  // namespace cabkit::velorin
