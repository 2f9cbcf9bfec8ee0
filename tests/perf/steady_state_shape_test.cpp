// The frame-cost rigs measure what they claim: each steady state shows the
// busy outputs it stands for, so a change of behaviour cannot leave the
// benchmarks timing an idle plug-in unnoticed.
#include <gtest/gtest.h>

#include <cstdint>

#include "steady_states.h"

namespace cabkit::test {
namespace {

using bench::Rig;
using bench::SteadyState;

// One second of frames.
constexpr int32_t kSecond = 1000 / Rig::kFrameStepMs;

TEST(SteadyStateShape, SentrelSoundsTheReminderToneWithAlternatingStrokes) {
    Rig rig(SteadyState::SentrelTone);
    int32_t strokesA = 0;
    int32_t strokesB = 0;
    for (int32_t frame = 0; frame < kSecond; ++frame) {
        const HandleCommand command = rig.frame();
        const auto& panel = rig.arrays().panel;
        const auto& sound = rig.arrays().sound;
        ASSERT_EQ(sound[1], 0) << "reminder tone, frame " << frame;
        ASSERT_EQ(sound[0], -10000) << "no alarm, frame " << frame;
        ASSERT_EQ(panel[0], 1) << "normal lamp, frame " << frame;
        ASSERT_EQ(command.brake, 0);
        strokesA += sound[21] == 1 ? 1 : 0;
        strokesB += sound[22] == 1 ? 1 : 0;
    }
    EXPECT_GE(strokesA, 1);
    EXPECT_GE(strokesB, 1);
}

TEST(SteadyStateShape, VelorinsControllerBrakesTowardsTheStopPointsInEverySegment) {
    Rig rig(SteadyState::VelorinAto);
    for (int32_t segment = 0; segment < 2; ++segment) {
        int32_t brakingFrames = 0;
        for (int32_t frame = 0; frame < Rig::kSegmentFrames; ++frame) {
            const HandleCommand command = rig.frame();
            ASSERT_EQ(rig.arrays().panel[75], 2) << "mode 2";
            ASSERT_EQ(rig.arrays().panel[73], 1) << "mode-2 lamp";
            ASSERT_EQ(command.reverser, 1);
            brakingFrames += command.brake > 0 ? 1 : 0;
        }
        // The driver's brake handle is at 0: only the engaged controller brakes.
        EXPECT_GT(brakingFrames, Rig::kSegmentFrames / 8) << "segment " << segment;
        EXPECT_LT(brakingFrames, Rig::kSegmentFrames) << "segment " << segment;
    }
}

TEST(SteadyStateShape, VelorinShowsEveryTimetableRowAndBlinksTheStopAlert) {
    Rig rig(SteadyState::VelorinTimetable);
    int32_t litFrames = 0;
    for (int32_t frame = 0; frame < kSecond; ++frame) {
        rig.frame();
        const auto& panel = rig.arrays().panel;
        ASSERT_EQ(panel[75], 1) << "mode 1";
        // Stop codes of rows 1 to 3, the first times' hours of rows 1 and 3,
        // the header's code and hours.
        ASSERT_EQ(panel[170], 100);
        ASSERT_EQ(panel[171], 101);
        ASSERT_EQ(panel[172], 102);
        ASSERT_EQ(panel[179], 9);
        ASSERT_EQ(panel[181], 9);
        ASSERT_EQ(panel[221], 7);
        ASSERT_EQ(panel[150], 10);
        ASSERT_EQ(rig.arrays().sound[10], 0) << "stop alert sound above 5 km/h";
        litFrames += panel[22];
    }
    EXPECT_GT(litFrames, 0);
    EXPECT_LT(litFrames, kSecond);
}

TEST(SteadyStateShape, VelorinOnTheWorstRouteShowsTheLastKeptStopsThenFillValues) {
    Rig rig(SteadyState::VelorinWorstRoute);
    for (int32_t frame = 0; frame < kSecond; ++frame) {
        rig.frame();
        const auto& panel = rig.arrays().panel;
        ASSERT_EQ(panel[75], 1) << "mode 1";
        // Rows 1 and 2 on the last two entries the lists keep: behind the
        // three placeholders of a run start, the route's stops 4091 and 4092
        // (codes 100 on, modulo 900). Row 3 lies beyond the lists.
        ASSERT_EQ(panel[170], 100 + 4091 % 900);
        ASSERT_EQ(panel[171], 100 + 4092 % 900);
        ASSERT_EQ(panel[172], 0);
        ASSERT_EQ(panel[181], 24) << "row 3's first hours: the fill value";
        ASSERT_EQ(panel[221], 7);
    }
}

TEST(SteadyStateShape, CabrixSupervisesCodeNineInModeTwoWithoutBraking) {
    Rig rig(SteadyState::CabrixMode2);
    for (int32_t frame = 0; frame < kSecond; ++frame) {
        const HandleCommand command = rig.frame();
        const auto& panel = rig.arrays().panel;
        ASSERT_EQ(panel[52], 1) << "active";
        ASSERT_EQ(panel[66], 2) << "mode";
        ASSERT_EQ(panel[72], 9) << "code";
        ASSERT_EQ(panel[86], 1) << "indicator of code 9";
        ASSERT_EQ(command.brake, 0);
        ASSERT_EQ(command.power, 3);
    }
}

TEST(SteadyStateShape, OnTheSharedPanelVelorinDrivesUnderCabrixAndSentrelIsOff) {
    Rig rig(SteadyState::SharedPanel);
    for (int32_t frame = 0; frame < Rig::kSegmentFrames; ++frame) {
        rig.frame();
        const auto& panel = rig.arrays().panel;
        ASSERT_EQ(panel[72], 9) << "Cabrix's code for Velorin";
        ASSERT_EQ(panel[75], 2) << "Velorin's mode for Cabrix";
        ASSERT_EQ(panel[73], 1) << "Velorin's mode-2 lamp";
        ASSERT_EQ(panel[52], 1) << "Cabrix active";
        ASSERT_EQ(panel[249], 1) << "Cabrix switches the train stop off";
        ASSERT_EQ(panel[0], 0) << "Sentrel's lamps dark";
        ASSERT_EQ(panel[1], 0);
    }
}

}  // namespace
}  // namespace cabkit::test
