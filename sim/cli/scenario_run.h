// One scenario replayed with the outputs the user asked for: the event log,
// the trace, the chart, the cab replay, the expectations and, for a
// supervisor, the journal. What the replay's child process does for its
// scenario; tests and benchmarks call it in their own process.
#ifndef CABKIT_SIM_SCENARIO_RUN_H
#define CABKIT_SIM_SCENARIO_RUN_H

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "call_record.h"
#include "expectation_checker.h"
#include "plugin_lineup.h"
#include "replay.h"
#include "run_figures.h"
#include "run_journal.h"
#include "scenario.h"
#include "trace_writer.h"

namespace cabkit::sim {

struct RunOptions {
    std::filesystem::path pluginFolder;
    bool ourPlugins = true;  // load our three from pluginFolder
    // Libraries of this interface besides or instead of ours; the scenario's
    // RunSpec names and orders them (applyLineup).
    std::vector<AddedPlugin> addedPlugins;
    // Where the private copies of the libraries go; empty: a temporary
    // folder of the run's own.
    std::filesystem::path copyFolder;
    std::optional<std::filesystem::path> trace;
    std::optional<std::filesystem::path> plot;      // against location
    std::optional<std::filesystem::path> plotTime;  // against time
    std::optional<std::filesystem::path> html;
    std::vector<TraceSlot> slots = defaultTraceSlots();
    // The slots are the default ones: a layout's slots are traced too.
    bool defaultSlots = true;
    bool stopOnFailure = false;
    bool progress = true;
    // Where the run keeps what a supervisor reads (null: the run's own):
    // the call record, the figures, the trace rows not yet written.
    CallRecord* calls = nullptr;
    FigureRecord* figures = nullptr;
    TraceSpool* traceSpool = nullptr;
    // Told the run as it goes, when set.
    RunJournal* journal = nullptr;
};

struct RunOutcome {
    ReplayResult replay;
    std::vector<ExpectationResult> expectations;
    int32_t failed = 0;
};

// `log` receives the event log (null: none). Throws PluginLoadError and
// std::runtime_error (an output that cannot be written). The plug-ins read
// the wall clock: pin it first (pinPluginClock) for the scenario's time.
RunOutcome runScenario(const Scenario& scenario, const RunOptions& options, std::FILE* log);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_SCENARIO_RUN_H
