// A mistake in a scenario file: the file, the line (0 when the mistake is
// the file as a whole) and what was expected there.
#ifndef CABKIT_SIM_SCENARIO_ERROR_H
#define CABKIT_SIM_SCENARIO_ERROR_H

#include <cstdint>
#include <stdexcept>
#include <string>

namespace cabkit::sim {

class ScenarioError : public std::runtime_error {
public:
    // The message reads "file:line: message" ("file: message" for line 0),
    // with control characters escaped.
    ScenarioError(std::string file, int32_t line, const std::string& message);
    const std::string& file() const { return file_; }
    int32_t line() const { return line_; }

private:
    std::string file_;
    int32_t line_;
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_SCENARIO_ERROR_H
