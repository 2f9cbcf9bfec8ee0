// The plug-in's own bookkeeping, on a fresh instance: what the exports keep
// between calls and what Initialize leaves alone.
#include <gtest/gtest.h>

#include <array>
#include <limits>

#include "fixed_local_time.h"
#include "host_arrays.h"
#include "plugin_library.h"
#include "sentrel_plugin.h"

namespace cabkit::sentrel {
namespace {

using test::stateAt;

class Plugin : public ::testing::Test {
protected:
    void SetUp() override {
        plugin.load();
        plugin.setVehicleSpec(VehicleSpec{8, 5, 1, 0, 10});
        plugin.initialize(0);
    }
    HandleCommand elapse(int32_t timeMs, float speed = 0.0F) {
        return plugin.elapse(stateAt(timeMs, speed), panel.data(), sound.data());
    }

    FixedLocalTime fixedTime{kFixedTime};
    SentrelPlugin plugin{""};
    std::array<int32_t, CABKIT_PANEL_SLOTS> panel{};
    std::array<int32_t, CABKIT_SOUND_SLOTS> sound{};
};

// The frame clock runs on across a restart, and its difference wraps.
TEST_F(Plugin, FrameStepIsTheWrappedDifferenceAndSurvivesInitialize) {
    elapse(5000, 30.0F);
    EXPECT_EQ(plugin.frameStepMs, 5000);
    EXPECT_EQ(plugin.trainSpeed, 30.0F);
    elapse(4000, 30.0F);
    EXPECT_EQ(plugin.frameStepMs, -1000);
    plugin.initialize(0);
    EXPECT_EQ(plugin.trainSpeed, 0.0F);
    EXPECT_EQ(plugin.lastTimeMs, 4000);
    EXPECT_EQ(plugin.frameCount, 2);
    elapse(std::numeric_limits<int32_t>::min());
    EXPECT_EQ(plugin.frameStepMs, std::numeric_limits<int32_t>::max() - 3999);
}

// A host that hands no arrays still gets its handle command.
TEST_F(Plugin, AbsentArraysAreNotTouched) {
    plugin.setPower(2);
    const HandleCommand out = plugin.elapse(stateAt(100), nullptr, nullptr);
    EXPECT_EQ(out.power, 2);
    plugin.elapse(stateAt(200), nullptr, nullptr);
    EXPECT_TRUE(plugin.ats.enabled);
}

}  // namespace
}  // namespace cabkit::sentrel
