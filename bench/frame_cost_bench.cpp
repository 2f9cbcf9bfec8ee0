// Time per frame of each plug-in's Elapse in its busy steady state, beside
// the do-nothing plug-in that is the floor: what a host pays per frame.
#include <benchmark/benchmark.h>

#include <string>

#include "steady_states.h"

namespace cabkit::bench {
namespace {

void elapsePerFrame(benchmark::State& state, SteadyState which) {
    Rig rig(which);
    for (auto _ : state) {
        benchmark::DoNotOptimize(rig.frame());
    }
    state.SetItemsProcessed(state.iterations());
}

}  // namespace
}  // namespace cabkit::bench

int main(int argc, char** argv) {
    using namespace cabkit::bench;
    for (const SteadyState which : kSteadyStates) {
        const std::string name = "Elapse/" + std::string(steadyStateName(which));
        benchmark::RegisterBenchmark(name.c_str(), elapsePerFrame, which)->Unit(benchmark::kNanosecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
