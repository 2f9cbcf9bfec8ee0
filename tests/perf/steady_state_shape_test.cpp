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

}  // namespace
}  // namespace cabkit::test
