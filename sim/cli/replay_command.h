// `simhost run`, `simhost check` and the bare command: each scenario file
// replayed under supervision, its verdict or its fault reported on one line,
// and the batch carried on to the end whatever one scenario did.
//
// Exit codes: 0 all well, 1 an expectation failed or a plug-in failed (it
// crashed, ended the process or did not return in time), 2 bad input (a
// scenario, an option, a plug-in that does not load, an output that cannot
// be written), 130 interrupted.
#ifndef CABKIT_SIM_REPLAY_COMMAND_H
#define CABKIT_SIM_REPLAY_COMMAND_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "options.h"
#include "scenario_shard.h"

namespace cabkit::sim {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitBadInput = 2;
inline constexpr int kExitInterrupted = 130;

// The name of the hidden command that replays one scenario for a supervisor.
inline constexpr const char* kChildCommand = "replay-child";

// What only `check` does with a batch.
struct CheckOptions {
    int32_t jobs = 1;            // replays at once
    std::string junit;           // a JUnit XML report to this file; "" for none
    std::string traceDir;        // one trace per scenario into this folder; "" for none
    std::optional<Shard> shard;  // replay only this share of the files
};

struct ReplayCommand {
    std::vector<std::string> files;
    CommonOptions options;
    bool check = false;    // judge the expectations and print the verdicts
    bool narrate = false;  // print the event log
    CheckOptions batch;
};

// Returns the exit code.
int runReplayCommand(const ReplayCommand& command);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_REPLAY_COMMAND_H
