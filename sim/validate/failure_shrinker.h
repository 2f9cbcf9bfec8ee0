// A failing script of host calls made short: calls are left out, in ever
// smaller runs, as long as a fresh replay still fails the same way.
#ifndef CABKIT_SIM_VALIDATE_FAILURE_SHRINKER_H
#define CABKIT_SIM_VALIDATE_FAILURE_SHRINKER_H

#include <chrono>
#include <functional>

#include "host_call.h"

namespace cabkit::sim::validate {

using StillFails = std::function<bool(const std::vector<HostCall>&)>;

// The shortest script found before `deadline`; `calls` itself when no call
// can be left out.
std::vector<HostCall> shrinkFailure(std::vector<HostCall> calls, const StillFails& stillFails,
                                    std::chrono::steady_clock::time_point deadline);

}  // namespace cabkit::sim::validate

#endif  // CABKIT_SIM_VALIDATE_FAILURE_SHRINKER_H
