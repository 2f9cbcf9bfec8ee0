#include "failure_shrinker.h"

namespace cabkit::sim::validate {

std::vector<HostCall> shrinkFailure(std::vector<HostCall> calls, const StillFails& stillFails,
                                    std::chrono::steady_clock::time_point deadline) {
    for (std::size_t run = calls.size() / 2; run >= 1; run /= 2) {
        for (std::size_t at = 0; at < calls.size() && std::chrono::steady_clock::now() < deadline;) {
            std::vector<HostCall> candidate(calls.begin(), calls.begin() + static_cast<std::ptrdiff_t>(at));
            const std::size_t after = std::min(calls.size(), at + run);
            candidate.insert(candidate.end(), calls.begin() + static_cast<std::ptrdiff_t>(after), calls.end());
            if (!candidate.empty() && stillFails(candidate)) {
                calls = std::move(candidate);
            } else {
                at += run;
            }
        }
    }
    return calls;
}

}  // namespace cabkit::sim::validate
