#include "replay_command.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>

#include <fmt/format.h>

#include "atomic_output.h"
#include "child_process.h"
#include "junit_report.h"
#include "junit_results.h"
#include "options.h"
#include "output_paths.h"
#include "parallel_replays.h"
#include "printable_text.h"
#include "replay_outputs.h"
#include "replay_supervisor.h"
#include "temporary_folder.h"
#include "utf8_path.h"

namespace cabkit::sim {
namespace {

using Verdict = SupervisedOutcome::Verdict;

bool faulted(const SupervisedOutcome& outcome) {
    return outcome.ending.how == RunEnding::How::PluginFault || outcome.ending.how == RunEnding::How::ReplayFault;
}

std::string title(const SupervisedOutcome& outcome, const std::string& file) {
    const JournalContents& journal = outcome.journal;
    return journal.hasScenario ? fmt::format("{} ({})", journal.file, journal.name) : file;
}

// `check`: the verdict line, then each failed expectation (each one when `verbose`).
void printVerdict(const SupervisedOutcome& outcome, const std::string& file, bool verbose) {
    const JournalContents& journal = outcome.journal;
    const std::size_t count = journal.expectations.size();
    if (faulted(outcome)) {
        printLine(stdout, fmt::format("FAIL {}: {}", title(outcome, file), outcome.ending.message));
    } else {
        printLine(stdout, fmt::format("{} {}: {} expectation{}{}", outcome.verdict == Verdict::Passed ? "PASS" : "FAIL",
                                      title(outcome, file), count, count == 1 ? "" : "s",
                                      journal.stoppedEarly ? ", stopped at the first failure" : ""));
    }
    for (const JournalContents::Judged& judged : journal.expectations) {
        const bool failed = judged.state == ExpectationResult::State::Failed;
        if (!failed && !verbose) continue;
        const char* mark = failed ? "  FAIL" : judged.state == ExpectationResult::State::Passed ? "  ok  " : "  ... ";
        printLine(stdout, fmt::format("{} line {}: {}", mark, judged.line, judged.expects));
        printLine(stdout,
                  fmt::format("         {}",
                              judged.detail.empty() ? std::string("not judged (the run ended early)") : judged.detail));
    }
}

// `run`: a fault, or how many expectations hold.
void printRunEnd(const SupervisedOutcome& outcome, const std::string& file) {
    const JournalContents& journal = outcome.journal;
    if (faulted(outcome)) {
        printLine(stderr, fmt::format("simhost: {}: {}", title(outcome, file), outcome.ending.message));
    } else if (!journal.expectations.empty()) {
        fmt::print("{} of {} expectations hold (simhost check judges them)\n",
                   journal.expectations.size() - static_cast<std::size_t>(journal.failed()),
                   journal.expectations.size());
    }
}

// The trace of one scenario of a batch: the folder's file named after it.
std::filesystem::path traceName(const std::string& file) {
    return pathFromUtf8(utf8Text(pathFromUtf8(file).stem()) + ".csv");
}

std::filesystem::path traceInFolder(const std::string& folder, const std::string& file) {
    return pathFromUtf8(folder) / traceName(file);
}

SupervisedReplay requestFor(const ReplayCommand& command, const std::string& file, const ReplayOutputs* outputs) {
    SupervisedReplay request;
    request.scenarioFile = pathFromUtf8(file);
    request.childCommand = kChildCommand;
    request.childArguments =
        childArguments(outputs != nullptr ? outputs->childOptions(command.options) : command.options);
    std::string error;  // checked before any request is made
    if (const auto choice = pluginChoice(command.options, error)) request.pluginNames = lineupNames(*choice);
    if (command.narrate) request.childArguments.emplace_back("--narrate");
    if (outputs != nullptr) outputs->shape(request);
    // The file last, after "--": a name that begins with a dash stays a name.
    request.childArguments.emplace_back("--");
    request.childArguments.push_back(file);
    request.callTimeout =
        std::chrono::milliseconds(static_cast<int64_t>(std::llround(command.options.callTimeoutSeconds * 1000.0)));
    return request;
}

// Everything the command writes, taken before any replay starts.
struct TakenOutputs {
    std::optional<TemporaryFolder> scratch;
    std::shared_ptr<const OutputFolder> traceDir;
    std::vector<ReplayOutputs> replays;  // one per scenario, or none
    std::unique_ptr<AtomicOutput> junit;
};

bool writesFiles(const ReplayCommand& command) {
    const CommonOptions& o = command.options;
    return !o.trace.empty() || !o.summary.empty() || !o.plot.empty() || !o.plotTime.empty() || !o.html.empty() ||
           !command.batch.traceDir.empty();
}

// Throws std::runtime_error naming the output that cannot be taken, before
// anything has changed. Once all are taken, what earlier runs left under
// their names goes.
void takeOutputs(const ReplayCommand& command, TakenOutputs& taken) {
    if (writesFiles(command)) {
        if (!command.batch.traceDir.empty()) {
            taken.traceDir = std::make_shared<OutputFolder>(pathFromUtf8(command.batch.traceDir), "--trace-dir", true);
        }
        taken.scratch.emplace();
        const std::filesystem::path scratch = std::filesystem::absolute(taken.scratch->path());
        taken.replays.reserve(command.files.size());
        for (std::size_t i = 0; i < command.files.size(); ++i) {
            taken.replays.emplace_back(command.options, scratch, fmt::format("{}-", i), taken.traceDir,
                                       taken.traceDir ? traceName(command.files[i]) : std::filesystem::path{});
        }
    }
    if (!command.batch.junit.empty()) {
        taken.junit = std::make_unique<AtomicOutput>(pathFromUtf8(command.batch.junit), "the JUnit report");
    }
    for (ReplayOutputs& replay : taken.replays) replay.discardPrevious();
    if (taken.junit) taken.junit->discardPrevious();
}

// The first problem with the outputs, before any replay: a mistake costs no
// run and destroys nothing.
std::optional<std::string> outputProblem(const ReplayCommand& command) {
    const CommonOptions& options = command.options;
    if (command.files.size() > 1 && (!options.trace.empty() || !options.summary.empty() || !options.plot.empty() ||
                                     !options.plotTime.empty() || !options.html.empty())) {
        return "--trace, --summary, --plot, --plot-time and --html take one scenario at a time (--trace-dir takes a "
               "batch)";
    }
    if (!options.trace.empty() && !command.batch.traceDir.empty()) return "give --trace or --trace-dir, not both";
    std::string error;
    auto run = makeRunOptions(options, error);
    if (!run) return error;
    const std::optional<std::filesystem::path> summary =
        options.summary.empty() ? std::nullopt : std::optional<std::filesystem::path>(pathFromUtf8(options.summary));
    const std::optional<std::filesystem::path> junit =
        command.batch.junit.empty() ? std::nullopt
                                    : std::optional<std::filesystem::path>(pathFromUtf8(command.batch.junit));
    if (command.batch.traceDir.empty()) return checkOutputPaths(*run, summary, command.files, junit);

    std::error_code failed;
    std::filesystem::create_directories(pathFromUtf8(command.batch.traceDir), failed);
    if (!std::filesystem::is_directory(pathFromUtf8(command.batch.traceDir), failed)) {
        return fmt::format("--trace-dir {}: not a folder simhost can make", command.batch.traceDir);
    }
    std::set<std::filesystem::path> traces;
    for (const std::string& file : command.files) {
        run->trace = traceInFolder(command.batch.traceDir, file);
        if (!traces.insert(run->trace->lexically_normal()).second) {
            return fmt::format("--trace-dir: two scenarios named {} would write the same trace {}",
                               utf8Text(pathFromUtf8(file).filename()), utf8Text(*run->trace));
        }
        if (auto problem = checkOutputPaths(*run, summary, command.files, junit)) return problem;
    }
    return std::nullopt;
}

}  // namespace

int runReplayCommand(const ReplayCommand& command) {
    if (command.batch.shard) {
        ReplayCommand share = command;
        share.batch.shard.reset();
        share.files = filesOfShard(command.files, *command.batch.shard);
        fmt::print("simhost: shard {}/{}: {} of {} scenarios\n", command.batch.shard->index, command.batch.shard->count,
                   share.files.size(), command.files.size());
        static_cast<void>(std::fflush(stdout));
        return runReplayCommand(share);
    }
    std::string error;
    if (!checkOptions(command.options, error)) {
        printLine(stderr, "simhost: " + error);
        return kExitBadInput;
    }
    if (const auto problem = outputProblem(command)) {
        printLine(stderr, "simhost: " + *problem);
        return kExitBadInput;
    }
    // Ctrl-C ends the replays running and the batch, and leaves no temporary files.
    catchInterrupts();
    TakenOutputs outputs;
    try {
        takeOutputs(command, outputs);
    } catch (const std::runtime_error& e) {
        fmt::print(stderr, "simhost: {}\n", e.what());
        return kExitBadInput;
    }
    std::vector<SupervisedReplay> requests;
    requests.reserve(command.files.size());
    for (std::size_t i = 0; i < command.files.size(); ++i) {
        requests.push_back(
            requestFor(command, command.files[i], outputs.replays.empty() ? nullptr : &outputs.replays[i]));
    }

    int exitCode = kExitOk;
    int32_t passed = 0, failed = 0, bad = 0;
    bool interrupted = false;
    std::vector<JUnitSuite> suites;
    // Outcomes come in the order of the files, whatever ran at once.
    superviseInOrder(std::move(requests), command.batch.jobs, [&](std::size_t index, const TimedOutcome& timed) {
        const std::string& file = command.files[index];
        if (timed.outcome.verdict == Verdict::Interrupted || interruptRequested()) {
            interrupted = true;
            return false;
        }
        SupervisedOutcome outcome = timed.outcome;
        std::vector<std::string> unwritten;
        if (!outputs.replays.empty()) unwritten = outputs.replays[index].settle(outcome);
        // What a child printed while it ran beside others comes out now, in order.
        static_cast<void>(std::fwrite(outcome.output.data(), 1, outcome.output.size(), stdout));
        static_cast<void>(std::fwrite(outcome.errors.data(), 1, outcome.errors.size(), stderr));
        if (!command.batch.junit.empty()) suites.push_back(junitSuiteOf(outcome, file, timed.seconds));
        if (!outcome.error.empty()) printLine(stderr, "simhost: " + outcome.error);
        // An output that could not be put in place is an output that cannot be written.
        for (const std::string& problem : unwritten) {
            printLine(stderr, "simhost: " + problem);
            exitCode = kExitBadInput;
        }
        if (outcome.verdict == Verdict::BadInput) {
            ++bad;
            exitCode = kExitBadInput;
            return true;
        }
        if (command.check) {
            // --log lists the expectations that passed too, as a single scenario does.
            printVerdict(outcome, file, command.narrate || command.files.size() == 1);
        } else {
            printRunEnd(outcome, file);
        }
        // `run` does not judge: only a fault fails it.
        if (outcome.verdict == Verdict::Passed || (!command.check && !faulted(outcome))) {
            ++passed;
        } else {
            ++failed;
            if (exitCode == kExitOk) exitCode = kExitFailed;
        }
        static_cast<void>(std::fflush(stdout));
        return true;
    });
    if (interrupted) {
        fmt::print(stderr, "simhost: interrupted\n");
        return kExitInterrupted;
    }
    if (command.check && command.files.size() > 1) {
        fmt::print("simhost: {} scenarios: {} passed, {} failed, {} with bad input\n", command.files.size(), passed,
                   failed, bad);
    }
    if (outputs.junit) {
        try {
            outputs.junit->write(junitXml(suites, "simhost check"));
            outputs.junit->commit();
        } catch (const std::runtime_error& e) {
            printLine(stderr, fmt::format("simhost: {}", e.what()));
            return kExitBadInput;
        }
    }
    return exitCode;
}

}  // namespace cabkit::sim
