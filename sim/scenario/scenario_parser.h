// Reads a scenario file. Every mistake is reported as a ScenarioError naming
// the file, the line and what was expected there; nothing is guessed.
#ifndef CABKIT_SIM_SCENARIO_PARSER_H
#define CABKIT_SIM_SCENARIO_PARSER_H

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "scenario.h"

namespace cabkit::sim {

class ScenarioError : public std::runtime_error {
public:
    ScenarioError(std::string file, int32_t line, const std::string& message);
    const std::string& file() const { return file_; }
    int32_t line() const { return line_; }

private:
    std::string file_;
    int32_t line_;
};

Scenario parseScenarioFile(const std::filesystem::path& path);
// `path` only names the source in messages.
Scenario parseScenarioText(std::string_view text, const std::string& path);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_SCENARIO_PARSER_H
