// One scenario replayed with the outputs the user asked for: the event log,
// the trace, the summary, the chart, the cab replay and the expectations. What `simhost run`
// and `simhost check` do for each file.
#ifndef CABKIT_SIM_SCENARIO_RUN_H
#define CABKIT_SIM_SCENARIO_RUN_H

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "expectation_checker.h"
#include "replay.h"
#include "scenario.h"
#include "trace_writer.h"

namespace cabkit::sim {

struct RunOptions {
    std::filesystem::path pluginFolder;
    std::optional<std::filesystem::path> trace;
    std::optional<std::filesystem::path> summary;
    std::optional<std::filesystem::path> plot;
    std::optional<std::filesystem::path> html;
    std::vector<TraceSlot> slots = defaultTraceSlots();
    bool stopOnFailure = false;
    bool progress = true;
};

struct RunOutcome {
    ReplayResult replay;
    std::vector<ExpectationResult> expectations;
    int32_t failed = 0;
};

// `log` receives the event log (null: none). Throws PluginLoadError and
// std::runtime_error (an output that cannot be written).
RunOutcome runScenario(const Scenario& scenario, const RunOptions& options, std::FILE* log);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_SCENARIO_RUN_H
