// The built plug-in through its sixteen exports, each test on a fresh copy
// loaded as a host loads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "plugin_library.h"
#include "scoped_local_time.h"

namespace cabkit::velorin::test {
namespace {

using cabkit::test::HostArrays;
using cabkit::test::PluginLibrary;
using cabkit::test::stateAt;

constexpr int32_t kEmergency = 9;

class VelorinRun {
public:
    VelorinRun() {
        lib->Load();
        lib->SetVehicleSpec(VehicleSpec{kEmergency - 1, 5, 1, 0, 10});
        lib->Initialize(0);
    }
    HandleCommand frame(int32_t timeMs, float speedKmh = 0.0F) {
        return lib->Elapse(stateAt(timeMs, speedKmh), arrays.panel.data(), arrays.sound.data());
    }
    void beacon(int32_t type, int32_t value) { lib->SetBeaconData(BeaconData{type, 0, 0.0F, value}); }

    PluginLibrary lib{std::string("Velorin")};
    HostArrays arrays;
};

TEST(VelorinExports, ARunFromModeZeroThroughTheControllerAndBack) {
    VelorinRun run;
    EXPECT_EQ(run.lib->GetPluginVersion(), 0x20000);
    auto& panel = run.arrays.panel;

    HandleCommand command = run.frame(36000000);  // mode 0 after Initialize
    EXPECT_EQ(command.brake, kEmergency);
    EXPECT_EQ(panel[249], 4);
    EXPECT_EQ(panel[75], 0);
    EXPECT_EQ(panel[162], 200);

    run.lib->SetBrake(kEmergency);
    run.lib->KeyDown(15);
    run.lib->SetBrake(0);
    run.lib->SetReverser(1);
    run.lib->KeyDown(0);  // slot 201 was clear in the last frame: refused
    panel[201] = 1;
    panel[72] = 9;  // 67 km/h
    command = run.frame(36000100);
    EXPECT_EQ(panel[75], 2);
    EXPECT_EQ(panel[73], 1);
    EXPECT_EQ(command.power, 0);

    run.lib->KeyDown(0);
    command = run.frame(36000200, 60.0F);
    EXPECT_EQ(command.reverser, 1);
    EXPECT_EQ(command.power, 7);
    EXPECT_EQ(command.brake, 0);
    EXPECT_EQ(panel[204], 0);

    run.lib->SetBrake(3);  // while the cab signal brakes, the brake handle does not take over
    panel[57] = 1;
    command = run.frame(36000300, 60.0F);
    EXPECT_EQ(command.power, 7);
    run.beacon(523, 0);
    command = run.frame(36000400, 60.0F);
    EXPECT_EQ(command.power, 0);
    EXPECT_EQ(command.brake, 3);

    run.lib->SetPower(4);  // power always does
    command = run.frame(36000500, 60.0F);
    EXPECT_EQ(command.power, 5);
    EXPECT_EQ(command.brake, 3);
    EXPECT_EQ(command.reverser, 1);
}

// Panel 92 (side two activity) over a minute at a platform with the doors open.
std::vector<int32_t> doorActivityTrace(const char* localTime) {
    const ScopedLocalTime fixed(localTime);
    VelorinRun run;
    run.frame(0);
    run.beacon(306, 1000000);
    run.beacon(300, 3);
    run.lib->DoorOpen();
    std::vector<int32_t> trace;
    for (int32_t time = 100; time <= 60000; time += 100) {
        run.frame(time);
        trace.push_back(run.arrays.panel[92]);
    }
    return trace;
}

TEST(VelorinExports, DoorTimersAreDrawnFromTheRunsStartMillisecond) {
    const std::vector<int32_t> first = doorActivityTrace("2024-03-15T10:20:30.123");
    EXPECT_EQ(doorActivityTrace("2025-07-01T04:00:00.123"), first);
    EXPECT_NE(doorActivityTrace("2024-03-15T10:20:30.124"), first);
    EXPECT_NE(std::count(first.begin(), first.end(), 1), 0);
    EXPECT_EQ(first.back(), 0);  // 80 timers have run out within the minute
}

TEST(VelorinExports, AHugeTimerCountIsDrawnQuicklyAndRunsNormally) {
    VelorinRun run;
    run.frame(0);
    run.beacon(304, std::numeric_limits<int32_t>::max());
    run.lib->DoorOpen();
    run.lib->DoorOpen();
    for (int32_t time = 16; time < 16000; time += 16) {
        run.frame(time);
    }
    EXPECT_EQ(run.arrays.panel[92], 3);  // no platform beacon: sides stay off
}

TEST(VelorinExports, DateAndClockSlots) {
    const ScopedLocalTime fixed("2023-02-28T08:00:00.000");
    VelorinRun run;
    run.frame(((25 * 60 + 1) * 60 + 1) * 1000);
    EXPECT_EQ(run.arrays.panel[160], 3);
    EXPECT_EQ(run.arrays.panel[161], 29);
    EXPECT_EQ(run.arrays.panel[10], 25);
    EXPECT_EQ(run.arrays.panel[11], 1);
    EXPECT_EQ(run.arrays.panel[12], 1);
}

}  // namespace
}  // namespace cabkit::velorin::test
