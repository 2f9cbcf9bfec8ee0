// The named checks of `simhost validate`, what each needs first, and the
// running of one of them in the process at hand: a child of the validator,
// or simhost itself with --in-process.
#ifndef CABKIT_SIM_VALIDATE_CHECK_BATTERY_H
#define CABKIT_SIM_VALIDATE_CHECK_BATTERY_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "check_result.h"

namespace cabkit::sim::validate {

struct CheckInfo {
    const char* name;
    const char* proves;  // one line, for --list
    const char* needs;   // the check that must not have failed first; "" for none
    bool loadsPlugin;    // runs the plug-in's code (else reads the file only)
    bool allPlugins;     // once for all plug-ins together (else once for each)
};

const std::vector<CheckInfo>& battery();
const CheckInfo* findCheck(const std::string& name);

struct CheckRequest {
    std::string check;
    std::vector<std::filesystem::path> plugins;
    std::filesystem::path work;    // a folder the check may fill
    std::filesystem::path log;     // each host call, as it is made; "" for none
    std::filesystem::path script;  // the calls of the `replay` check
    double budgetSeconds = 3.0;
    uint64_t seed = 1;
};

// The name of the check that replays a script of host calls.
inline constexpr const char* kReplayCheck = "replay";

// Runs the check here and now. A plug-in that crashes takes this process
// with it; the validator runs each check in a child for that.
CheckResult runCheck(const CheckRequest& request);

}  // namespace cabkit::sim::validate

#endif  // CABKIT_SIM_VALIDATE_CHECK_BATTERY_H
