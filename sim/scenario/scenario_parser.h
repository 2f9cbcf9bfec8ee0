// Reads a scenario file. Every mistake is reported as a ScenarioError naming
// the file, the line and what was expected there; nothing is guessed.
#ifndef CABKIT_SIM_SCENARIO_PARSER_H
#define CABKIT_SIM_SCENARIO_PARSER_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "scenario.h"
#include "scenario_error.h"

namespace cabkit::sim {

// The largest scenario file simhost reads; the longest real ones are a few
// hundred kilobytes.
inline constexpr std::uintmax_t kMaxScenarioBytes = std::uintmax_t{64} << 20;

// The file must be a regular file of at most kMaxScenarioBytes that sets at
// least one key: a folder, a device, a pipe or an empty file is refused.
Scenario parseScenarioFile(const std::filesystem::path& path);
// The bytes of an input file read as a scenario is (`what` names it in
// messages, "scenario file"): a regular file of at most kMaxScenarioBytes.
std::string readInputBytes(const std::filesystem::path& path, const char* what);
// `path` only names the source in messages. Empty text is the default run.
Scenario parseScenarioText(std::string_view text, const std::string& path);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_SCENARIO_PARSER_H
