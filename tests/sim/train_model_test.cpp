// The train must respond to notches the way a route author reasons about
// them (v² / 7.2 b braking distances, notch accelerations), stop rather than
// reverse under brake, and roll back on a gradient when nothing holds it.
#include <gtest/gtest.h>

#include <cmath>

#include "train_model.h"

namespace cabkit::sim {
namespace {

// A train without running resistance, so figures can be checked exactly.
TrainSpec idealTrain() {
    TrainSpec train;
    train.resistanceA = train.resistanceB = train.resistanceC = 0.0;
    train.constantPowerAbove = 0.0;
    return train;
}

// Runs until the train stands or `maxMs` have passed; returns the ms it took.
int64_t runUntilStanding(TrainModel& model, const TrainCommand& command, int64_t maxMs) {
    int64_t ms = 0;
    while (model.speed() != 0.0 && ms < maxMs) {
        model.step(command, 16);
        ms += 16;
    }
    return ms;
}

TEST(TrainModel, NotchAccelerationGivesTheSpeedAndDistanceOfUniformMotion) {
    TrainModel model(idealTrain(), {}, 100.0, 0.0, 36'000'000);
    for (int i = 0; i < 625; ++i) model.step(TrainCommand{0, 4, 1}, 16);  // 10 s at 2.0 km/h/s
    EXPECT_NEAR(model.speed(), 20.0, 1e-9);
    EXPECT_NEAR(model.location() - 100.0, 20.0 / 3.6 * 10.0 / 2.0, 1e-6);
    EXPECT_EQ(model.timeOfDayMs(), 36'010'000);
    EXPECT_GT(model.current(), 0.0);
}

struct BrakeCase {
    int32_t notch;
    double deceleration;
};

class BrakingDistance : public ::testing::TestWithParam<BrakeCase> {};

TEST_P(BrakingDistance, MatchesSpeedSquaredOverSevenPointTwoB) {
    TrainModel model(idealTrain(), {}, 0.0, 60.0, 0);
    runUntilStanding(model, TrainCommand{GetParam().notch, 0, 1}, 120'000);
    EXPECT_EQ(model.speed(), 0.0);
    EXPECT_NEAR(model.location(), 3600.0 / (7.2 * GetParam().deceleration), 0.5);
    // Standing under brake stays standing: the brake never drives the train backwards.
    for (int i = 0; i < 100; ++i) model.step(TrainCommand{GetParam().notch, 0, 1}, 16);
    EXPECT_EQ(model.speed(), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Notches, BrakingDistance,
                         ::testing::Values(BrakeCase{1, 0.5}, BrakeCase{4, 2.0}, BrakeCase{8, 4.0}, BrakeCase{9, 4.5},
                                           BrakeCase{12, 4.5}));

TEST(TrainModel, PowerGoesNowhereInNeutralOrUnderBrakeAndBackwardInReverse) {
    TrainModel neutral(idealTrain(), {}, 0.0, 0.0, 0);
    TrainModel braked(idealTrain(), {}, 0.0, 0.0, 0);
    TrainModel backward(idealTrain(), {}, 0.0, 0.0, 0);
    for (int i = 0; i < 100; ++i) {
        neutral.step(TrainCommand{0, 5, 0}, 16);
        braked.step(TrainCommand{1, 5, 1}, 16);
        backward.step(TrainCommand{0, 2, -1}, 16);
    }
    EXPECT_EQ(neutral.speed(), 0.0);
    EXPECT_EQ(braked.speed(), 0.0);
    EXPECT_LT(backward.speed(), 0.0);
    EXPECT_LT(backward.location(), 0.0);
}

TEST(TrainModel, NotchesBeyondTheTableTakeItsLastEntryAndConstantPowerFallsWithSpeed) {
    TrainSpec train = idealTrain();
    EXPECT_DOUBLE_EQ(TrainModel(train, {}, 0, 0, 0).acceleration({0, 99, 1}), train.powerAcceleration.back());
    train.constantPowerAbove = 45.0;
    const double at90 = TrainModel(train, {}, 0, 90.0, 0).acceleration({0, 4, 1});
    EXPECT_NEAR(at90, train.powerAcceleration[3] / 2.0, 1e-12);
}

TEST(TrainModel, RunningResistanceSlowsACoastingTrain) {
    TrainModel model(TrainSpec{}, {}, 0.0, 80.0, 0);
    for (int i = 0; i < 625; ++i) model.step(TrainCommand{0, 0, 1}, 16);
    EXPECT_LT(model.speed(), 80.0);
    EXPECT_GT(model.speed(), 75.0);
}

TEST(TrainModel, RollsBackOnARisingGradientUnlessBraked) {
    const std::vector<Gradient> hill = {{-1000.0, 0.0}, {500.0, 40.0}};
    TrainModel free(TrainSpec{}, hill, 600.0, 0.0, 0);
    TrainModel held(TrainSpec{}, hill, 600.0, 0.0, 0);
    TrainModel flat(TrainSpec{}, hill, 100.0, 0.0, 0);
    for (int i = 0; i < 625; ++i) {
        free.step(TrainCommand{0, 0, 1}, 16);
        held.step(TrainCommand{4, 0, 1}, 16);  // 2.0 km/h/s outholds the gradient
        flat.step(TrainCommand{0, 0, 1}, 16);
    }
    // 40 per mille: about 1.41 km/h/s backwards, less rolling resistance.
    EXPECT_LT(free.speed(), -12.0);
    EXPECT_GT(free.speed(), -14.2);
    EXPECT_EQ(held.speed(), 0.0);
    EXPECT_EQ(flat.speed(), 0.0);
}

TEST(TrainModel, HandsThePluginsItsStateAsTheHostRecord) {
    TrainModel model(TrainSpec{}, {}, 1234.5, 42.0, 50'000'000);
    const VehicleState state = model.vehicleState();
    EXPECT_DOUBLE_EQ(state.location, 1234.5);
    EXPECT_FLOAT_EQ(state.speed, 42.0F);
    EXPECT_EQ(state.time, 50'000'000);
    model.step(TrainCommand{0, 3, 1}, 16);
    EXPECT_GT(model.vehicleState().current, 20.0F);  // the current indicator's threshold
    model.step(TrainCommand{5, 0, 1}, 16);
    EXPECT_LT(model.vehicleState().current, -20.0F);
}

}  // namespace
}  // namespace cabkit::sim
