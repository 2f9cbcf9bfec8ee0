// Frames per second of a replay through the three real plug-ins: the demo
// scenario run for an hour of simulated time at the default 16 ms step
// (225 000 frames), once without outputs and once writing the trace. The
// train stands at the terminus for most of that hour; the plug-ins and the
// host do the same work per frame either way. Each run keeps its journal and
// its call record as a supervised replay does; only the process start of the
// supervision is left out.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "plugin_clock.h"
#include "scenario_parser.h"
#include "scenario_run.h"

namespace {

using cabkit::sim::RunOptions;

constexpr int64_t kOneHourMs = 3'600'000;

void replayHour(benchmark::State& state, bool withTrace) {
    cabkit::sim::Scenario scenario = cabkit::sim::parseScenarioFile(DEMO_SCENARIO);
    scenario.run.durationMs = kOneHourMs;
    scenario.expectations.clear();
    cabkit::sim::pinPluginClock(scenario);
    RunOptions options;
    options.pluginFolder = CABKIT_PLUGIN_DIR;
    options.progress = false;
    const auto trace =
        std::filesystem::temp_directory_path() / ("sim_replay_bench-" + std::to_string(getpid()) + ".csv");
    const auto journalFile =
        std::filesystem::temp_directory_path() / ("sim_replay_bench-" + std::to_string(getpid()) + ".jsonl");
    if (withTrace) options.trace = trace;
    int64_t frames = 0;
    for (auto _ : state) {
        cabkit::sim::RunJournal journal(journalFile);
        options.journal = &journal;
        const auto outcome = cabkit::sim::runScenario(scenario, options, nullptr);
        frames += outcome.replay.frames;
    }
    state.counters["frames_per_second"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["frames"] = static_cast<double>(frames) / static_cast<double>(state.iterations());
    std::filesystem::remove(trace);
    std::filesystem::remove(journalFile);
}

void BM_ReplayHourWithoutTrace(benchmark::State& state) { replayHour(state, false); }
void BM_ReplayHourWithTrace(benchmark::State& state) { replayHour(state, true); }

BENCHMARK(BM_ReplayHourWithoutTrace)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReplayHourWithTrace)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
