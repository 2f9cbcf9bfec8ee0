// The options `run`, `check` and the bare command share, read once by one
// definition, and handed on to the replay's child process in the same form.
#ifndef CABKIT_SIM_OPTIONS_H
#define CABKIT_SIM_OPTIONS_H

#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "scenario.h"
#include "scenario_run.h"

namespace cabkit::sim {

struct CommonOptions {
    std::string plugins;
    std::string trace, summary, plot, html, slots, order;
    int stepMs = 0;
    bool stopOnFailure = false;
    double callTimeoutSeconds = 5.0;
};

void addCommonOptions(CLI::App& app, CommonOptions& options);

// The options for the child that replays a scenario: every one that shapes
// the replay, with the plug-in folder resolved. The summary and the call
// timeout stay with the supervisor.
std::vector<std::string> childArguments(const CommonOptions& options);

// The replay's options from the command line; an error text instead when a
// value cannot be used.
std::optional<RunOptions> makeRunOptions(const CommonOptions& options, std::string& error);
// Checks the options that do not depend on a scenario.
bool checkOptions(const CommonOptions& options, std::string& error);
// Applies --step and --order over a scenario; false with a message on bad values.
bool applyOverrides(const CommonOptions& options, Scenario& scenario, std::string& error);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_OPTIONS_H
