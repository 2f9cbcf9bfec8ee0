// `simhost validate PLUGIN...`: the battery of checks on any libraries of
// this interface, each check in a child of its own, told a line each.
//
// Exit codes: 0 every check passed (or warned, or was skipped), 1 a check
// failed, 2 bad input (no such plug-in, an unknown check, a report that
// cannot be written).
#ifndef CABKIT_SIM_VALIDATE_VALIDATE_COMMAND_H
#define CABKIT_SIM_VALIDATE_VALIDATE_COMMAND_H

#include <cstdint>
#include <string>
#include <vector>

namespace cabkit::sim::validate {

struct ValidateOptions {
    std::vector<std::string> plugins;
    std::vector<std::string> filters;  // check names, or groups ("life" for life.*)
    bool list = false;
    bool onlyFailed = false;
    bool inProcess = false;
    std::string junit;
    std::string json;
    std::string replay;      // a file of host calls to replay instead of the battery
    std::string saveFolder;  // where a random session's failure goes; "" for the current folder
    double budgetSeconds = 3.0;
    double timeoutSeconds = 10.0;
    uint64_t seed = 1;
};

int runValidateCommand(const ValidateOptions& options);

}  // namespace cabkit::sim::validate

#endif  // CABKIT_SIM_VALIDATE_VALIDATE_COMMAND_H
