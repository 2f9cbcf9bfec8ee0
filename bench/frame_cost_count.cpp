// Runs one steady state for a given number of frames, for instruction counts:
// under callgrind, collection is switched on for cabkit_measured_frames only
// (--collect-atstart=no --toggle-collect=cabkit_measured_frames), so set-up,
// loading and teardown stay out of the count.
//
//   frame_cost_count <steady state> <frames>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "steady_states.h"

extern "C" __attribute__((noinline)) int32_t cabkit_measured_frames(cabkit::bench::Rig& rig, int32_t frames) {
    int32_t brakeSum = 0;
    for (int32_t i = 0; i < frames; ++i) {
        brakeSum += rig.frame().brake;
    }
    return brakeSum;
}

int main(int argc, char** argv) {
    using namespace cabkit::bench;
    SteadyState which{};
    int32_t frames = 0;
    if (argc != 3 || !steadyStateByName(argv[1], which) ||
        std::from_chars(argv[2], argv[2] + std::strlen(argv[2]), frames).ec != std::errc{} || frames < 1) {
        std::fprintf(stderr, "usage: frame_cost_count <steady state> <frames>\nsteady states:");
        for (const SteadyState known : kSteadyStates) {
            std::fprintf(stderr, " %s", std::string(steadyStateName(known)).c_str());
        }
        std::fprintf(stderr, "\n");
        return 2;
    }
    Rig rig(which);
    const int32_t brakeSum = cabkit_measured_frames(rig, frames);
    std::printf("%s %d frames, brake notch sum %d\n", argv[1], frames, brakeSum);
    return 0;
}
