// The host's policy for the command the train obeys: the controller may drive
// while the train stop and the cab-signal control can still brake or cut.
#include <gtest/gtest.h>

#include <array>

#include "command_combiner.h"

namespace cabkit::sim {
namespace {

constexpr int32_t kEmergency = 9;
// Calling order of these cases: Cabrix, Velorin (the vehicle plug-in), Sentrel.
constexpr std::size_t kVehicle = 1;

struct Case {
    const char* what;
    DriverHandles driver;
    std::array<HandleCommand, 3> returned;
    TrainCommand expected;
};

class Combining : public ::testing::TestWithParam<Case> {};

TEST_P(Combining, GivesTheTrainOneCommand) {
    const Case& c = GetParam();
    const TrainCommand got = combineCommands(c.returned, kVehicle, c.driver, kEmergency);
    EXPECT_EQ(got.brake, c.expected.brake);
    EXPECT_EQ(got.power, c.expected.power);
    EXPECT_EQ(got.reverser, c.expected.reverser);
}

INSTANTIATE_TEST_SUITE_P(
    Policy, Combining,
    ::testing::Values(
        // The vehicle plug-in maps the handle (3 -> 4); the others pass 3: the mapped notch counts.
        Case{"driver power, mapped", {1, 3, 0}, {{{0, 3, 1, 0}, {0, 4, 1, 0}, {0, 3, 1, 0}}}, {0, 4, 1}},
        // Handles released, the controller drives: its notch counts, nobody cuts.
        Case{"controller drives", {1, 0, 0}, {{{0, 0, 1, 0}, {0, 6, 1, 0}, {0, 0, 1, 0}}}, {0, 6, 1}},
        // The cab-signal control brakes the controller's train: power goes, the brake holds.
        Case{"cab signal brakes", {1, 0, 0}, {{{8, 0, 0, 2}, {0, 6, 1, 0}, {0, 0, 1, 0}}}, {8, 0, 0}},
        // The controller brakes harder than the driver asks: the highest brake wins.
        Case{"controller brakes", {1, 0, 2}, {{{2, 0, 1, 0}, {5, 0, 1, 0}, {2, 0, 1, 0}}}, {5, 0, 1}},
        // A train-stop trip: emergency notch, power cut, reverser neutral.
        Case{"train stop trips", {1, 3, 0}, {{{0, 3, 1, 0}, {0, 4, 1, 0}, {9, 0, 0, 0}}}, {9, 0, 0}},
        // The vehicle plug-in without the permission slot cuts power itself.
        Case{"vehicle cuts", {1, 3, 0}, {{{0, 3, 1, 0}, {0, 0, 1, 0}, {0, 3, 1, 0}}}, {0, 0, 1}},
        // Another plug-in returns less than the handle without braking: power is cut.
        Case{"cut without brake", {1, 3, 0}, {{{0, 0, 1, 2}, {0, 4, 1, 0}, {0, 3, 1, 0}}}, {0, 0, 1}},
        // A plug-in that returns more than the handle gives no power of its own.
        Case{"no power from others", {1, 0, 0}, {{{0, 5, 1, 0}, {0, 0, 1, 0}, {0, 0, 1, 0}}}, {0, 0, 1}},
        // Directions that disagree leave the reverser neutral.
        Case{"directions disagree", {-1, 0, 0}, {{{0, 0, -1, 0}, {0, 0, 1, 0}, {0, 0, -1, 0}}}, {0, 0, 0}},
        Case{"backward agreed", {-1, 2, 0}, {{{0, 2, -1, 0}, {0, 2, -1, 0}, {0, 2, -1, 0}}}, {0, 2, -1}},
        // Out-of-range notches are held to what the train has.
        Case{"brake above emergency", {1, 0, 0}, {{{0, 0, 1, 0}, {12, 0, 1, 0}, {0, 0, 1, 0}}}, {9, 0, 1}},
        Case{"negative brake and power", {1, 0, 0}, {{{-3, 0, 1, 0}, {-1, -2, 1, 0}, {0, 0, 1, 0}}}, {0, 0, 1}}),
    [](const ::testing::TestParamInfo<Case>& param) {
        std::string name = param.param.what;
        for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(Attribution, BrakeAndCutAreJudgedAgainstTheDriversHandles) {
    const DriverHandles driver{1, 3, 2};
    EXPECT_TRUE(imposesBrake(HandleCommand{3, 0, 1, 0}, driver));
    EXPECT_FALSE(imposesBrake(HandleCommand{2, 3, 1, 0}, driver));  // the driver's own brake
    EXPECT_TRUE(cutsPower(HandleCommand{2, 0, 1, 0}, driver));
    EXPECT_FALSE(cutsPower(HandleCommand{2, 4, 1, 0}, driver));  // a mapped notch is no cut
}

}  // namespace
}  // namespace cabkit::sim
