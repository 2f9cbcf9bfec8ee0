// What `simhost validate` tells: a line for each check as it ends, and the
// whole battery as JSON or as JUnit XML for CI services.
#ifndef CABKIT_SIM_VALIDATE_VALIDATE_REPORT_H
#define CABKIT_SIM_VALIDATE_VALIDATE_REPORT_H

#include <filesystem>
#include <string>
#include <vector>

#include "check_result.h"

namespace cabkit::sim::validate {

struct CheckRow {
    std::string plugin;  // the file as given; all of them for a check of several
    std::string check;
    CheckResult result;
};

// "  FAIL  life.keys          the reason\n        -> the remedy\n"
std::string checkLine(const CheckRow& row);
std::string summaryLine(const std::vector<CheckRow>& rows);

// Throw std::runtime_error when the file cannot be written.
void writeJson(const std::filesystem::path& file, const std::vector<CheckRow>& rows);
void writeJUnitReport(const std::filesystem::path& file, const std::vector<CheckRow>& rows);

}  // namespace cabkit::sim::validate

#endif  // CABKIT_SIM_VALIDATE_VALIDATE_REPORT_H
