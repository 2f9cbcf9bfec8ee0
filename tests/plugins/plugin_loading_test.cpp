// What a host relies on before any behaviour: every plug-in loads on its own
// from any folder, reports the interface version, survives the calling order
// of a run, and loaded twice keeps two separate states.
#include <gtest/gtest.h>

#include <string>

#include "plugin_library.h"

namespace cabkit::test {
namespace {

class EveryPlugin : public ::testing::TestWithParam<std::string> {};

TEST_P(EveryPlugin, LoadsAloneAndReportsTheInterfaceVersion) {
    PluginLibrary plugin(GetParam());
    EXPECT_EQ(plugin->GetPluginVersion(), 131072);
    EXPECT_NE(plugin.loadedPath().parent_path(), pluginDirectory());
}

TEST_P(EveryPlugin, RunsAShortSessionInTheHostsCallingOrder) {
    PluginLibrary plugin(GetParam());
    HostArrays arrays;
    plugin->Load();
    plugin->SetVehicleSpec(VehicleSpec{8, 5, 1, 0, 10});
    plugin->Initialize(0);
    for (int32_t frame = 0; frame < 100; ++frame) {
        const HandleCommand command =
            plugin->Elapse(stateAt(36000000 + frame * 16, 0.0F), arrays.panel.data(), arrays.sound.data());
        EXPECT_GE(command.brake, 0);
        EXPECT_LE(command.brake, 9);
    }
    plugin->Dispose();
}

INSTANTIATE_TEST_SUITE_P(Plugins, EveryPlugin, ::testing::Values("Velorin", "Sentrel", "Cabrix"),
                         [](const ::testing::TestParamInfo<std::string>& param) { return param.param; });

}  // namespace
}  // namespace cabkit::test
