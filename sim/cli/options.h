// The options `run`, `check` and the bare command share, read once by one
// definition, and handed on to the replay's child process in the same form.
#ifndef CABKIT_SIM_OPTIONS_H
#define CABKIT_SIM_OPTIONS_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "plugin_lineup.h"
#include "scenario.h"
#include "scenario_run.h"

namespace cabkit::sim {

struct CommonOptions {
    std::string plugins;
    std::vector<std::string> addedPlugins;  // --plugin [NAME=]PATH, in calling order
    std::string layout;
    std::string trace, summary, plot, plotTime, html, slots, order;
    int32_t stepMs = 0;
    bool stopOnFailure = false;
    double callTimeoutSeconds = 5.0;
};

void addCommonOptions(CLI::App& app, CommonOptions& options);

// Every numeric option is read this one way: plain decimal text only (no
// "nan", "inf", hexadecimal or trailing text), within [lowest, highest].
// Anything else is refused at parsing, with a message naming the option and
// the range, so no non-number ever reaches a check or a computation.
CLI::Option* addNumberOption(CLI::App& app, const std::string& name, int32_t& value, const std::string& description,
                             int32_t lowest, int32_t highest);
CLI::Option* addNumberOption(CLI::App& app, const std::string& name, int64_t& value, const std::string& description,
                             int64_t lowest, int64_t highest);
CLI::Option* addNumberOption(CLI::App& app, const std::string& name, double& value, const std::string& description,
                             double lowest, double highest);

// CLI11's messages with what the user typed escaped (printable_text.h).
std::string printableFailure(const CLI::App* app, const CLI::Error& error);

// The options for the child that replays a scenario: every one that shapes
// the replay, with the plug-in folder resolved. The summary and the call
// timeout stay with the supervisor.
std::vector<std::string> childArguments(const CommonOptions& options);

// The replay's options from the command line; an error text instead when a
// value cannot be used.
std::optional<RunOptions> makeRunOptions(const CommonOptions& options, std::string& error);
// Checks the options that do not depend on a scenario.
bool checkOptions(const CommonOptions& options, std::string& error);
// Applies --step, the plug-ins, --order and --layout over a scenario, and
// resolves the names its expectations use; false with a message on bad
// values. Throws ScenarioError for a mistake in the layout file or in a name
// the scenario uses.
bool applyOverrides(const CommonOptions& options, Scenario& scenario, std::string& error);
// The plug-ins the options name (the folder resolved); nullopt with a message.
std::optional<PluginChoice> pluginChoice(const CommonOptions& options, std::string& error);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_OPTIONS_H
