// The files a replay will write (--trace, --summary, --plot), checked before
// the replay starts, so that a mistake costs no run and destroys nothing:
// each must be a file simhost can write, no two may be the same file, and
// none may be a file the replay reads (a scenario, a plug-in library or its
// settings). The chart must end in .svg or .png.
#ifndef CABKIT_SIM_OUTPUT_PATHS_H
#define CABKIT_SIM_OUTPUT_PATHS_H

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "scenario_run.h"

namespace cabkit::sim {

// The first problem as a one-line message naming the option and the path,
// or nothing. Leaves no file behind that was not there before.
// `summary` is the --summary file, which the supervisor writes itself.
std::optional<std::string> checkOutputPaths(const RunOptions& options,
                                            const std::optional<std::filesystem::path>& summary,
                                            const std::vector<std::string>& scenarios);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_OUTPUT_PATHS_H
