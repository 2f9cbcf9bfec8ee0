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

// The frame clock runs on across a restart and its difference wraps: a
// warning raised after the restart runs out in the frame whose step, wrapped,
// is huge. The frame count runs on too, so the first frame after the restart
// already reads the switch-off.
TEST_F(Plugin, FrameClockAndCountSurviveInitialize) {
    elapse(5000, 30.0F);
    elapse(4000, 30.0F);
    panel[249] = 4;
    plugin.initialize(0);
    EXPECT_EQ(elapse(4100, 30.0F).brake, 0);
    EXPECT_EQ(panel[0] + panel[1], 0);  // off at once

    panel[249] = 0;
    elapse(4200, 30.0F);  // switch-on
    elapse(9000, 30.0F);  // the test is over
    plugin.setBeaconData(BeaconData{95, 0, 0.0F, 0});
    elapse(9100, 30.0F);
    ASSERT_EQ(panel[1], 1);
    EXPECT_EQ(elapse(std::numeric_limits<int32_t>::min(), 30.0F).brake, 9);  // a step of INT32_MAX - 9099
}

// A host that hands no arrays still gets its handle command, and the
// supervisor keeps its permission.
TEST_F(Plugin, AbsentArraysAreNotTouched) {
    plugin.setPower(2);
    const HandleCommand out = plugin.elapse(stateAt(100, 30.0F), nullptr, nullptr);
    EXPECT_EQ(out.power, 2);
    plugin.setBeaconData(BeaconData{1, 0, 0.0F, 0});
    EXPECT_EQ(plugin.elapse(stateAt(200), nullptr, nullptr).brake, 9);
}

}  // namespace
}  // namespace cabkit::sentrel
