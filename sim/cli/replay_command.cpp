#include "replay_command.h"

#include <chrono>
#include <cmath>
#include <cstdio>

#include <fmt/format.h>

#include "child_process.h"
#include "options.h"
#include "output_paths.h"
#include "replay_supervisor.h"
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
        fmt::print("FAIL {}: {}\n", title(outcome, file), outcome.ending.message);
    } else {
        fmt::print("{} {}: {} expectation{}{}\n", outcome.verdict == Verdict::Passed ? "PASS" : "FAIL",
                   title(outcome, file), count, count == 1 ? "" : "s",
                   journal.stoppedEarly ? ", stopped at the first failure" : "");
    }
    for (const JournalContents::Judged& judged : journal.expectations) {
        const bool failed = judged.state == ExpectationResult::State::Failed;
        if (!failed && !verbose) continue;
        const char* mark = failed ? "  FAIL" : judged.state == ExpectationResult::State::Passed ? "  ok  " : "  ... ";
        fmt::print("{} line {}: {}\n         {}\n", mark, judged.line, judged.expects,
                   judged.detail.empty() ? std::string("not judged (the run ended early)") : judged.detail);
    }
}

// `run`: a fault, or how many expectations hold.
void printRunEnd(const SupervisedOutcome& outcome, const std::string& file) {
    const JournalContents& journal = outcome.journal;
    if (faulted(outcome)) {
        fmt::print(stderr, "simhost: {}: {}\n", title(outcome, file), outcome.ending.message);
    } else if (!journal.expectations.empty()) {
        fmt::print("{} of {} expectations hold (simhost check judges them)\n",
                   journal.expectations.size() - static_cast<std::size_t>(journal.failed()),
                   journal.expectations.size());
    }
}

SupervisedReplay requestFor(const ReplayCommand& command, const std::string& file) {
    SupervisedReplay request;
    request.scenarioFile = pathFromUtf8(file);
    request.childCommand = kChildCommand;
    request.childArguments = childArguments(command.options);
    if (command.narrate) request.childArguments.emplace_back("--narrate");
    // The file last, after "--": a name that begins with a dash stays a name.
    request.childArguments.emplace_back("--");
    request.childArguments.push_back(file);
    if (!command.options.trace.empty()) request.trace = pathFromUtf8(command.options.trace);
    if (!command.options.summary.empty()) request.summary = pathFromUtf8(command.options.summary);
    request.callTimeout =
        std::chrono::milliseconds(static_cast<int64_t>(std::llround(command.options.callTimeoutSeconds * 1000.0)));
    return request;
}

}  // namespace

int runReplayCommand(const ReplayCommand& command) {
    std::string error;
    if (!checkOptions(command.options, error)) {
        fmt::print(stderr, "simhost: {}\n", error);
        return kExitBadInput;
    }
    const CommonOptions& options = command.options;
    if (command.files.size() > 1 &&
        (!options.trace.empty() || !options.summary.empty() || !options.plot.empty() || !options.html.empty())) {
        fmt::print(stderr, "simhost: --trace, --summary, --plot and --html take one scenario at a time\n");
        return kExitBadInput;
    }
    // The outputs are checked before any replay, so that a mistake costs no run and destroys nothing.
    if (const auto run = makeRunOptions(options, error)) {
        const std::optional<std::filesystem::path> summary =
            options.summary.empty() ? std::nullopt : std::optional<std::filesystem::path>(pathFromUtf8(options.summary));
        if (const auto problem = checkOutputPaths(*run, summary, command.files)) {
            fmt::print(stderr, "simhost: {}\n", *problem);
            return kExitBadInput;
        }
    }
    // Ctrl-C ends the replay running and the batch, and leaves no temporary files.
    catchInterrupts();
    int exitCode = kExitOk;
    int32_t passed = 0, failed = 0, bad = 0;
    for (const std::string& file : command.files) {
        const SupervisedOutcome outcome = superviseReplay(requestFor(command, file));
        if (outcome.verdict == Verdict::Interrupted || interruptRequested()) {
            fmt::print(stderr, "simhost: interrupted\n");
            return kExitInterrupted;
        }
        if (!outcome.error.empty()) fmt::print(stderr, "simhost: {}\n", outcome.error);
        if (outcome.verdict == Verdict::BadInput) {
            ++bad;
            exitCode = kExitBadInput;
            continue;
        }
        if (command.check) {
            printVerdict(outcome, file, !command.narrate && command.files.size() == 1);
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
    }
    if (command.check && command.files.size() > 1) {
        fmt::print("simhost: {} scenarios: {} passed, {} failed, {} with bad input\n", command.files.size(), passed,
                   failed, bad);
    }
    return exitCode;
}

}  // namespace cabkit::sim
