// The dearest single frame we know of: a route asked for the most door
// timers the plug-in keeps, the doors opened, and then one frame long enough
// for every timer to run out at once (the host was paused, or the frame
// rate collapsed). Each removed timer moves the ones behind it up, so this
// frame's cost grows with the square of the kept timers; the cap bounds it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <limits>

#include "plugin_library.h"

namespace cabkit::bench {
namespace {

constexpr int32_t kStartMs = 10 * 3600 * 1000;
// Longer than the longest timer (2.5 s floor + 10 s spread).
constexpr int32_t kLongFrameMs = 20000;
constexpr int32_t kFrameMs = 16;

void allTimersRunOutInOneFrame(benchmark::State& state) {
    test::PluginLibrary velorin(test::builtPlugin("Velorin"));
    test::HostArrays arrays;  // slot 201 stays 0: power cut, the timers run
    velorin->Load();
    velorin->SetVehicleSpec(VehicleSpec{8, 5, 1, 0, 10});
    velorin->Initialize(0);
    velorin->SetBeaconData(BeaconData{304, 0, 0.0F, std::numeric_limits<int32_t>::max()});
    int32_t timeMs = kStartMs;
    static_cast<void>(velorin->Elapse(test::stateAt(timeMs), arrays.panel.data(), arrays.sound.data()));
    for (auto _ : state) {
        state.PauseTiming();
        velorin->DoorOpen();
        timeMs += kFrameMs;
        static_cast<void>(velorin->Elapse(test::stateAt(timeMs), arrays.panel.data(), arrays.sound.data()));
        timeMs += kLongFrameMs;
        state.ResumeTiming();
        benchmark::DoNotOptimize(velorin->Elapse(test::stateAt(timeMs), arrays.panel.data(), arrays.sound.data()));
        if (timeMs > 20 * 3600 * 1000) {
            timeMs = kStartMs;  // stay within the day; the frame that goes back is not timed
        }
    }
}

}  // namespace
}  // namespace cabkit::bench

BENCHMARK(cabkit::bench::allTimersRunOutInOneFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
