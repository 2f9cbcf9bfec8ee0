// Cabrix and Velorin side by side on one panel, called in that order each
// frame as a host does: Velorin's mode in slot 75 lets the cab signal run,
// and the cab-signal code in slot 72 sets the speed that Velorin's train
// operation controller drives to, below the cab signal's own limit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>

#include "plugin_library.h"

namespace cabkit::test {
namespace {

constexpr int32_t kEmergency = 9;

struct Line {
    int32_t aspect;
    float controllerLimit;  // what the controller makes of the code
    float cabSignalLimit;   // what the cab signal brakes at
};
std::ostream& operator<<(std::ostream& out, const Line& line) { return out << "aspect " << line.aspect; }

class CabrixWithVelorin : public ::testing::TestWithParam<Line> {
protected:
    CabrixWithVelorin() {
        for (const PluginLibrary* lib : {&cabrix, &velorin}) {
            (*lib)->Load();
            (*lib)->SetVehicleSpec(VehicleSpec{8, 5, 1, 0, 10});
            (*lib)->Initialize(0);
        }
    }

    void everyone(void (CABKIT_CALL* CabkitPluginTable::*call)(int32_t), int32_t value) {
        (cabrix.api().*call)(value);
        (velorin.api().*call)(value);
    }

    // One host frame. The train obeys Velorin, which drives it; the cab
    // signal's own command is kept to show that it never had to brake.
    void frame() {
        time += 100;
        cabrixCommand = cabrix->Elapse(stateAt(time, speed), arrays.panel.data(), arrays.sound.data());
        const HandleCommand command = velorin->Elapse(stateAt(time, speed), arrays.panel.data(), arrays.sound.data());
        // km/h per second: per power notch, per brake notch, and running resistance.
        const float acceleration =
            0.5F * static_cast<float>(command.power) - 0.6F * static_cast<float>(command.brake) - 0.05F;
        speed = std::max(0.0F, speed + acceleration * 0.1F);
    }

    int32_t panel(int32_t slot) const { return arrays.panel[static_cast<std::size_t>(slot)]; }

    PluginLibrary cabrix{std::string("Cabrix")};
    PluginLibrary velorin{std::string("Velorin")};
    HostArrays arrays;
    HandleCommand cabrixCommand{};
    int32_t time = 36000000;
    float speed = 0.0F;
};

TEST_P(CabrixWithVelorin, CabSignalCodeSetsTheControllersSpeed) {
    everyone(&CabkitPluginTable::SetSignal, GetParam().aspect);
    frame();
    frame();
    EXPECT_EQ(panel(52), 0) << "no vehicle mode yet, so no supervision";

    everyone(&CabkitPluginTable::SetBrake, kEmergency);
    everyone(&CabkitPluginTable::KeyDown, 15);  // Velorin's mode 2
    frame();
    frame();
    ASSERT_EQ(panel(75), 2);
    EXPECT_EQ(panel(52), 1) << "Velorin's mode lets the cab signal run";

    everyone(&CabkitPluginTable::KeyDown, 6);  // the cab signal's mode 2
    frame();
    everyone(&CabkitPluginTable::KeyDown, 6);
    everyone(&CabkitPluginTable::SetBrake, 0);
    everyone(&CabkitPluginTable::SetReverser, 1);
    everyone(&CabkitPluginTable::SetPower, 0);
    arrays.panel[201] = 1;  // the vehicle's own permission to take power
    frame();
    ASSERT_EQ(panel(66), 2);
    everyone(&CabkitPluginTable::KeyDown, 0);  // engages the controller

    float highest = 0.0F;
    for (int32_t step = 0; step < 3000; ++step) {
        frame();
        highest = std::max(highest, speed);
        ASSERT_EQ(cabrixCommand.brake, 0) << "at " << speed << " km/h";
        ASSERT_EQ(panel(57) + panel(58), 0);
    }
    EXPECT_LT(highest, GetParam().controllerLimit);
    EXPECT_LT(GetParam().controllerLimit, GetParam().cabSignalLimit);
    EXPECT_GT(speed, GetParam().controllerLimit - 3.0F) << "the controller drove the train up to its limit";
}

INSTANTIATE_TEST_SUITE_P(Codes, CabrixWithVelorin, ::testing::Values(Line{25, 67.0F, 75.0F}, Line{21, 52.0F, 55.0F}));

}  // namespace
}  // namespace cabkit::test
