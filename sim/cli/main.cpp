// simhost: replays scenarios through the three plug-ins without the simulator.
//
//   simhost                      the bundled demo, with its event log
//   simhost run SCENARIO         replay one scenario and narrate it
//   simhost check SCENARIO...    replay and judge the expectations
//
// Exit codes: 0 all well, 1 an expectation failed, 2 bad input (a scenario,
// an option, a plug-in that does not load, an output that cannot be written).
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include <CLI/CLI.hpp>
#include <fmt/format.h>

#include "command_line.h"
#include "library_loader.h"
#include "plugin_module.h"
#include "program_folder.h"
#include "scenario.h"
#include "scenario_parser.h"
#include "scenario_run.h"
#include "utf8_path.h"

namespace {

using cabkit::sim::RunOptions;

constexpr int kOk = 0;
constexpr int kFailedCheck = 1;
constexpr int kBadInput = 2;

// Beside the executable first: an unpacked package (plugins/ next to
// simhost), then a build tree, also one that was moved (sim/../plugins);
// last where this build was configured.
std::filesystem::path defaultPluginFolder() {
    const std::filesystem::path self = cabkit::sim::programFolder();
    for (const auto& candidate : {self / "plugins", self / ".." / "plugins"}) {
        std::error_code error;
        if (!self.empty() && std::filesystem::is_directory(candidate, error)) return candidate.lexically_normal();
    }
    return cabkit::sim::pathFromUtf8(CABKIT_DEFAULT_PLUGIN_DIR);
}

std::filesystem::path demoScenario() {
    const std::filesystem::path self = cabkit::sim::programFolder();
    for (const auto& candidate : {self / "scenarios" / "demo.toml", self / ".." / ".." / "scenarios" / "demo.toml"}) {
        std::error_code error;
        if (!self.empty() && std::filesystem::is_regular_file(candidate, error)) return candidate.lexically_normal();
    }
    return cabkit::sim::pathFromUtf8(CABKIT_SOURCE_DIR) / "scenarios" / "demo.toml";
}

struct CommonOptions {
    std::string plugins;
    std::string trace, summary, plot, slots, order;
    int stepMs = 0;
    bool stopOnFailure = false;
};

void addCommonOptions(CLI::App& app, CommonOptions& options) {
    app.add_option("--plugins", options.plugins,
                   fmt::format("folder of Velorin{0}, Sentrel{0}, Cabrix{0} (default: the plugins folder beside "
                               "simhost's own)",
                               cabkit::sim::SharedLibrary::kExtension));
    app.add_option("--trace", options.trace, "write one CSV row per frame to this file");
    app.add_option("--summary", options.summary, "write a JSON summary to this file");
    app.add_option("--plot", options.plot, "draw speed against distance to this .svg or .png file (gnuplot)");
    app.add_option("--slots", options.slots,
                   "slots in the trace, e.g. p72,p75,s0,p150-158 (p: panel, s: sound; default: the slots the plug-ins "
                   "exchange and their lamps and sounds)");
    app.add_option("--step", options.stepMs, "frame step in ms, instead of the scenario's")->check(CLI::Range(1, 60000));
    app.add_option("--order", options.order, "calling order, e.g. Velorin,Cabrix,Sentrel, instead of the scenario's");
    app.add_flag("--stop-on-failure", options.stopOnFailure, "end a replay at the first failed expectation");
}

// Applies the command-line options over a parsed scenario; false with a message on bad values.
bool applyOverrides(const CommonOptions& common, cabkit::sim::Scenario& scenario, std::string& error) {
    if (common.stepMs > 0) scenario.run.stepMs = common.stepMs;
    if (!common.order.empty()) {
        std::array<bool, 3> seen{};
        std::string rest = common.order;
        for (std::size_t i = 0; i < 3; ++i) {
            const std::size_t comma = rest.find(',');
            const std::string name = rest.substr(0, comma);
            rest = comma == std::string::npos ? std::string{} : rest.substr(comma + 1);
            const int32_t index = cabkit::sim::pluginIndex(name);
            if (index < 0 || seen[static_cast<std::size_t>(index)] || (i < 2 && comma == std::string::npos)) {
                error = "--order must name Cabrix, Velorin and Sentrel once each, separated by commas";
                return false;
            }
            seen[static_cast<std::size_t>(index)] = true;
            scenario.run.order[i] = index;
        }
        if (!rest.empty()) {
            error = "--order must name Cabrix, Velorin and Sentrel once each, separated by commas";
            return false;
        }
    }
    return true;
}

std::optional<RunOptions> makeRunOptions(const CommonOptions& common, std::string& error) {
    RunOptions options;
    using cabkit::sim::pathFromUtf8;
    options.pluginFolder = common.plugins.empty() ? defaultPluginFolder() : pathFromUtf8(common.plugins);
    if (!common.trace.empty()) options.trace = pathFromUtf8(common.trace);
    if (!common.summary.empty()) options.summary = pathFromUtf8(common.summary);
    if (!common.plot.empty()) options.plot = pathFromUtf8(common.plot);
    if (!common.slots.empty()) {
        auto slots = cabkit::sim::parseTraceSlots(common.slots, error);
        if (!slots) return std::nullopt;
        options.slots = *slots;
    }
    options.stopOnFailure = common.stopOnFailure;
    return options;
}

void printResults(const cabkit::sim::Scenario& scenario, const cabkit::sim::RunOutcome& outcome, bool verbose) {
    const bool ok = outcome.failed == 0;
    fmt::print("{} {} ({}): {} expectation{}{}\n", ok ? "PASS" : "FAIL", scenario.path, scenario.name,
               outcome.expectations.size(), outcome.expectations.size() == 1 ? "" : "s",
               outcome.replay.stoppedEarly ? ", stopped at the first failure" : "");
    for (const auto& result : outcome.expectations) {
        const bool failed = result.state == cabkit::sim::ExpectationResult::State::Failed;
        if (!failed && !verbose) continue;
        const char* mark = failed ? "  FAIL" : result.state == cabkit::sim::ExpectationResult::State::Passed ? "  ok  " : "  ... ";
        fmt::print("{} line {}: {}\n         {}\n", mark, result.expectation->line, result.expectation->describe(),
                   result.detail.empty() ? std::string("not judged (the run ended early)") : result.detail);
    }
}

// Replays each file; returns the exit code.
int replayFiles(const std::vector<std::string>& files, const CommonOptions& common, bool check, bool narrate) {
    std::string error;
    auto options = makeRunOptions(common, error);
    if (!options) {
        fmt::print(stderr, "simhost: {}\n", error);
        return kBadInput;
    }
    if (files.size() > 1 && (options->trace || options->summary || options->plot)) {
        fmt::print(stderr, "simhost: --trace, --summary and --plot take one scenario at a time\n");
        return kBadInput;
    }
    int exitCode = kOk;
    int32_t passedFiles = 0, failedFiles = 0, badFiles = 0;
    for (const std::string& file : files) {
        try {
            cabkit::sim::Scenario scenario = cabkit::sim::parseScenarioFile(cabkit::sim::pathFromUtf8(file));
            if (!applyOverrides(common, scenario, error)) {
                fmt::print(stderr, "simhost: {}\n", error);
                return kBadInput;
            }
            static_cast<void>(std::fflush(stdout));
            const auto outcome = cabkit::sim::runScenario(scenario, *options, narrate ? stdout : nullptr);
            if (check) {
                printResults(scenario, outcome, !narrate && files.size() == 1);
                if (outcome.failed > 0) {
                    ++failedFiles;
                    if (exitCode == kOk) exitCode = kFailedCheck;
                } else {
                    ++passedFiles;
                }
            } else if (!outcome.expectations.empty()) {
                fmt::print("{} of {} expectations hold (simhost check judges them)\n",
                           outcome.expectations.size() - static_cast<std::size_t>(outcome.failed),
                           outcome.expectations.size());
            }
        } catch (const cabkit::sim::ScenarioError& e) {
            fmt::print(stderr, "simhost: {}\n", e.what());
            ++badFiles;
            exitCode = kBadInput;
        } catch (const cabkit::sim::PluginLoadError& e) {
            fmt::print(stderr, "simhost: {}\n", e.what());
            return kBadInput;
        } catch (const std::exception& e) {
            fmt::print(stderr, "simhost: {}\n", e.what());
            return kBadInput;
        }
    }
    if (check && files.size() > 1) {
        fmt::print("simhost: {} scenarios: {} passed, {} failed, {} unreadable\n", files.size(), passedFiles,
                   failedFiles, badFiles);
    }
    return exitCode;
}

}  // namespace

// An exception that escapes the replay is a fault of simhost itself; it
// should end the process loudly rather than be turned into an exit code.
int main(int argc, char** argv) {  // NOLINT(bugprone-exception-escape)
    CLI::App app{"simhost: replays scenarios through the Velorin, Sentrel and Cabrix plug-ins.\n"
                 "Without a command it replays the bundled demo scenario."};
    app.require_subcommand(0, 1);
    // Options are --name everywhere: "/data/x.toml" is a file, not the option /data.
    app.allow_windows_style_options(false);
    CommonOptions demoOptions;
    addCommonOptions(app, demoOptions);

    CommonOptions runOptions;
    std::string runFile;
    CLI::App* run = app.add_subcommand("run", "replay a scenario and print its event log");
    run->add_option("scenario", runFile, "scenario file (.toml)")->required();
    addCommonOptions(*run, runOptions);

    CommonOptions checkOptions;
    std::vector<std::string> checkFiles;
    bool checkLog = false;
    CLI::App* check = app.add_subcommand("check", "replay scenarios and judge their expectations (exit 1 on a failure)");
    check->add_option("scenarios", checkFiles, "scenario files (.toml)")->required();
    check->add_flag("--log", checkLog, "print the event log as well");
    addCommonOptions(*check, checkOptions);

    // UTF-8 whatever the system's code page: file names keep their accents.
    const std::vector<std::string> arguments = cabkit::sim::utf8Arguments(argc, argv);
    std::vector<const char*> argumentPointers;
    for (const std::string& argument : arguments) argumentPointers.push_back(argument.c_str());
    try {
        app.parse(static_cast<int>(argumentPointers.size()), argumentPointers.data());
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? kOk : kBadInput;
    }

    if (*run) return replayFiles({runFile}, runOptions, false, true);
    if (*check) return replayFiles(checkFiles, checkOptions, true, checkLog);
    return replayFiles({cabkit::sim::utf8Text(demoScenario())}, demoOptions, false, true);
}
