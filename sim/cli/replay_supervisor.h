// A replay in a child process, and the truth about it whatever the plug-ins
// do. The supervisor starts simhost again for one scenario, watches the call
// record the child keeps (a plug-in call that does not return within the
// call timeout is ended), and once the child has ended, however it ended,
// completes the trace, writes the summary, removes the child's temporary
// folder and says how the run went: a verdict only a child that finished can
// give, or the fault that ended it, with the plug-in, the call, the frame,
// the time and the location.
#ifndef CABKIT_SIM_REPLAY_SUPERVISOR_H
#define CABKIT_SIM_REPLAY_SUPERVISOR_H

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "run_journal.h"
#include "run_summary.h"

namespace cabkit::sim {

struct SupervisedReplay {
    std::filesystem::path scenarioFile;
    // simhost's command line for the child: the hidden command, then its
    // arguments; the supervisor puts `--run-folder DIR --parent PID` between.
    std::string childCommand;
    std::vector<std::string> childArguments;
    std::optional<std::filesystem::path> trace;    // completed when the child dies
    std::optional<std::filesystem::path> summary;  // written by the supervisor
    std::chrono::milliseconds callTimeout{5000};
    // The run's plug-ins by index, as the call record numbers them.
    std::vector<std::string> pluginNames{kPluginNames.begin(), kPluginNames.end()};
    // The child's standard output and error are kept for the outcome rather
    // than shared, so that replays running side by side do not mix theirs.
    bool captureOutput = false;
};

struct SupervisedOutcome {
    enum class Verdict { Passed, Failed, BadInput, Interrupted };
    Verdict verdict = Verdict::BadInput;
    RunEnding ending;
    // A bad input's message (naming the scenario file), or what went wrong
    // with an output of a run judged all the same; for stderr.
    std::string error;
    // What the child told while it ran.
    JournalContents journal;
    // What it printed, when captured.
    std::string output;
    std::string errors;
};

// Exit codes of a child that finished; anything else is a fault.
inline constexpr int kChildPassed = 0;
inline constexpr int kChildFailed = 1;
inline constexpr int kChildBadInput = 2;

// File names in the child's run folder.
inline constexpr const char* kRecordFile = "record";
inline constexpr const char* kJournalFile = "journal.jsonl";

// Safe to call from several threads at once, one replay each.
SupervisedOutcome superviseReplay(const SupervisedReplay& request);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_REPLAY_SUPERVISOR_H
