// A check in a child process of its own: simhost started again with the
// hidden command validate-child, watched with a deadline, and whatever it
// did (crashed, ended the process, hung, wrote past an array) told as the
// check's result, with the host call it was in.
#ifndef CABKIT_SIM_VALIDATE_CHECK_CHILD_H
#define CABKIT_SIM_VALIDATE_CHECK_CHILD_H

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "check_battery.h"
#include "check_result.h"

namespace cabkit::sim::validate {

inline constexpr const char* kValidateChildCommand = "validate-child";

struct ChildVerdict {
    CheckResult result;
    // How a child that did not finish ended ("killed by signal 11
    // (SIGSEGV)", "did not finish"), "" for one that did; a shrunk failure
    // must end the same way.
    std::string ending;
};

// `request.work` must be a folder of this check's own; the log goes there
// unless the request names one.
ChildVerdict runInChild(CheckRequest request, std::chrono::milliseconds timeout);

// The child's side, from its command line; returns the exit code.
struct ChildArguments {
    CheckRequest request;
    std::string result;
    int64_t parent = 0;
};
int validateChild(const ChildArguments& arguments);

}  // namespace cabkit::sim::validate

#endif  // CABKIT_SIM_VALIDATE_CHECK_CHILD_H
