#include "scenario_error.h"

#include <fmt/format.h>

#include "printable_text.h"

namespace cabkit::sim {

ScenarioError::ScenarioError(std::string file, int32_t line, const std::string& message)
    : std::runtime_error(
          printable(line > 0 ? fmt::format("{}:{}: {}", file, line, message) : fmt::format("{}: {}", file, message))),
      file_(std::move(file)),
      line_(line) {}

}  // namespace cabkit::sim
