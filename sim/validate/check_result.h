// How one check of one plug-in ended, as the check's child process hands it
// to the validator and as the reports tell it.
#ifndef CABKIT_SIM_VALIDATE_CHECK_RESULT_H
#define CABKIT_SIM_VALIDATE_CHECK_RESULT_H

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace cabkit::sim::validate {

enum class Status : uint8_t { Pass, Warn, Fail, Skip };

const char* statusName(Status status);

struct CheckResult {
    Status status = Status::Pass;
    std::string reason;  // one line: what was found
    std::string remedy;  // one line: what to do about it; "" when nothing
    // Named findings for the reports and for checks that combine children
    // ("panel" -> "12 13", "digest" -> "..."), in the order found.
    std::vector<std::pair<std::string, std::string>> facts;
    double seconds = 0.0;

    const std::string* fact(const std::string& name) const;
};

CheckResult passed(std::string reason);
CheckResult warned(std::string reason, std::string remedy);
CheckResult failed(std::string reason, std::string remedy);
CheckResult skipped(std::string reason, std::string remedy = {});

// The child's result file: one field a line, newlines in text replaced.
bool writeResult(const std::filesystem::path& file, const CheckResult& result);
std::optional<CheckResult> readResult(const std::filesystem::path& file);

}  // namespace cabkit::sim::validate

#endif  // CABKIT_SIM_VALIDATE_CHECK_RESULT_H
