// The results of `simhost check` as JUnit XML, the report CI services read:
// one test suite per scenario, one test case per expectation (its name and
// its line), a failure with the reason where one failed, skipped
// where the run ended before it could be judged. A scenario that could not
// be replayed (unreadable, a plug-in fault) is a suite with one erroneous
// case that says why.
#ifndef CABKIT_SIM_JUNIT_REPORT_H
#define CABKIT_SIM_JUNIT_REPORT_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace cabkit::sim {

struct JUnitCase {
    enum class Outcome : uint8_t { Passed, Failed, Skipped, Error };
    std::string name;
    Outcome outcome = Outcome::Passed;
    std::string message;  // failed, skipped or erroneous: why
    int32_t line = 0;     // in the scenario file; 0 for none
};

struct JUnitSuite {
    std::string name;  // the scenario's name
    std::string file;  // the scenario file
    double seconds = 0.0;
    std::vector<JUnitCase> cases;
};

// The whole document.
std::string junitXml(const std::vector<JUnitSuite>& suites, std::string_view title);

// Throws std::runtime_error when the file cannot be written.
void writeJUnit(const std::filesystem::path& path, const std::vector<JUnitSuite>& suites, std::string_view title);

// Text as XML character data or an attribute value: the markup characters
// escaped, bytes that are not UTF-8 and characters XML forbids replaced by
// U+FFFD, line ends kept in text and escaped in attributes.
std::string xmlText(std::string_view text, bool attribute);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_JUNIT_REPORT_H
