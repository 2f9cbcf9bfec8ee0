// simhost: replays scenarios through the three plug-ins without the simulator.
//
//   simhost                      the bundled demo, with its event log
//   simhost run SCENARIO         replay one scenario and narrate it
//   simhost check SCENARIO...    replay and judge the expectations
//   simhost reference            the cab contract reference, as Markdown
//
// Each scenario replays in a child process (simhost again, with the hidden
// command replay-child) that this one supervises; see replay_command.h for
// the exit codes.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include "atomic_output.h"
#include "child_process.h"
#include "command_line.h"
#include "options.h"
#include "parallel_replays.h"
#include "reference_markdown.h"
#include "replay_child.h"
#include "replay_command.h"
#include "scenario_shard.h"
#include "utf8_path.h"
#include "validate_cli.h"

namespace {

using cabkit::sim::CommonOptions;

std::filesystem::path demoScenario() {
    std::error_code error;
    std::filesystem::path folder;
    try {
        folder = cabkit::sim::currentExecutable().parent_path();
    } catch (const std::runtime_error&) {
        // Fall back on the source tree this build was configured from.
    }
    // Beside the executable in an unpacked package, else in the source tree
    // of a build tree, also one that was moved; last where this build was
    // configured.
    for (const auto& candidate :
         {folder / "scenarios" / "demo.toml", folder / ".." / ".." / "scenarios" / "demo.toml"}) {
        if (!folder.empty() && std::filesystem::is_regular_file(candidate, error)) return candidate.lexically_normal();
    }
    return cabkit::sim::pathFromUtf8(CABKIT_SOURCE_DIR) / "scenarios" / "demo.toml";
}

}  // namespace

// An exception that escapes is a fault of simhost itself; it should end the
// process loudly rather than be turned into an exit code.
int main(int argc, char** argv) {  // NOLINT(bugprone-exception-escape)
    // In the replay's child too, which is simhost again: a file-size limit
    // fails the write that crosses it, named, rather than ending the process.
    cabkit::sim::reportFileSizeLimitAsError();
    CLI::App app{
        "simhost: replays scenarios through the Velorin, Sentrel and Cabrix plug-ins.\n"
        "Without a command it replays the bundled demo scenario."};
    app.require_subcommand(0, 1);
    // Before the subcommands, which take it over: what the user typed is
    // echoed escaped.
    app.failure_message(cabkit::sim::printableFailure);
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
    CLI::App* check =
        app.add_subcommand("check", "replay scenarios and judge their expectations (exit 1 on a failure)");
    check->add_option("scenarios", checkFiles, "scenario files (.toml)")->required();
    check->add_flag("--log", checkLog, "print the event log, and list the expectations that passed");
    cabkit::sim::CheckOptions batch;
    cabkit::sim::addNumberOption(*check, "-j,--jobs", batch.jobs,
                                 "replay this many scenarios at once; the output keeps their order", 1,
                                 cabkit::sim::kMostJobs);
    check->add_option("--junit", batch.junit, "write the results as JUnit XML to this file, for CI services");
    check->add_option("--trace-dir", batch.traceDir, "write one trace per scenario into this folder, named after it");
    check
        ->add_option_function<std::string>(
            "--shard", [&batch](const std::string& text) { batch.shard = cabkit::sim::parseShard(text); },
            "replay only share K of N (by a hash of each file's name), to spread a suite over N machines")
        ->type_name("K/N")
        ->check(CLI::Validator(
            [](const std::string& text) {
                return cabkit::sim::parseShard(text)
                           ? std::string()
                           : fmt::format("must be K/N with 1 <= K <= N <= {}, e.g. 2/4", cabkit::sim::kMostShards);
            },
            "K/N"));
    addCommonOptions(*check, checkOptions);

    // The replay of one scenario for a supervising simhost; not for users.
    cabkit::sim::ChildRequest child;
    CLI::App* childCommand = app.add_subcommand(cabkit::sim::kChildCommand, "")->group("");
    childCommand->add_option("scenario", child.scenarioFile)->required();
    childCommand->add_option("--run-folder", child.runFolder)->required();
    cabkit::sim::addNumberOption(*childCommand, "--parent", child.parent, "", 1, std::numeric_limits<int64_t>::max())
        ->required();
    childCommand->add_flag("--narrate", child.narrate);
    addCommonOptions(*childCommand, child.options);

    std::string referencePlugin;
    CLI::App* reference = app.add_subcommand("reference", "print the cab contract reference as Markdown");
    reference->add_option("--plugin", referencePlugin, "only this plug-in: Velorin, Sentrel or Cabrix");

    cabkit::sim::validate::ValidateCommands validate(app);

    // UTF-8 whatever the system's code page: file names keep their accents.
    const std::vector<std::string> arguments = cabkit::sim::utf8Arguments(argc, argv);
    std::vector<const char*> argumentPointers;
    argumentPointers.reserve(arguments.size());
    for (const std::string& argument : arguments) argumentPointers.push_back(argument.c_str());
    try {
        app.parse(static_cast<int>(argumentPointers.size()), argumentPointers.data());
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? cabkit::sim::kExitOk : cabkit::sim::kExitBadInput;
    }

    if (*childCommand) return cabkit::sim::replayChild(child);
    if (const auto code = validate.run()) return *code;
    if (*run) return cabkit::sim::runReplayCommand({{runFile}, runOptions, false, true, {}});
    if (*check) return cabkit::sim::runReplayCommand({checkFiles, checkOptions, true, checkLog, batch});
    if (*reference) {
        const auto text = cabkit::sim::referenceMarkdown(referencePlugin);
        if (!text) {
            (void)std::fputs("simhost: --plugin must be Velorin, Sentrel or Cabrix\n", stderr);
            return cabkit::sim::kExitBadInput;
        }
        (void)std::fputs(text->c_str(), stdout);
        return cabkit::sim::kExitOk;
    }
    return cabkit::sim::runReplayCommand({{cabkit::sim::utf8Text(demoScenario())}, demoOptions, false, true, {}});
}
