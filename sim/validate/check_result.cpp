#include "check_result.h"

#include <algorithm>
#include <fstream>

namespace cabkit::sim::validate {
namespace {

std::string oneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return text;
}

CheckResult make(Status status, std::string reason, std::string remedy) {
    CheckResult result;
    result.status = status;
    result.reason = std::move(reason);
    result.remedy = std::move(remedy);
    return result;
}

}  // namespace

const char* statusName(Status status) {
    switch (status) {
        case Status::Pass: return "pass";
        case Status::Warn: return "warn";
        case Status::Fail: return "FAIL";
        case Status::Skip: return "skip";
    }
    return "?";
}

const std::string* CheckResult::fact(const std::string& name) const {
    for (const auto& [key, value] : facts) {
        if (key == name) return &value;
    }
    return nullptr;
}

CheckResult passed(std::string reason) { return make(Status::Pass, std::move(reason), {}); }
CheckResult warned(std::string reason, std::string remedy) {
    return make(Status::Warn, std::move(reason), std::move(remedy));
}
CheckResult failed(std::string reason, std::string remedy) {
    return make(Status::Fail, std::move(reason), std::move(remedy));
}
CheckResult skipped(std::string reason, std::string remedy) {
    return make(Status::Skip, std::move(reason), std::move(remedy));
}

bool writeResult(const std::filesystem::path& file, const CheckResult& result) {
    std::ofstream out(file, std::ios::trunc);
    out << static_cast<int>(result.status) << '\n' << oneLine(result.reason) << '\n' << oneLine(result.remedy) << '\n';
    for (const auto& [key, value] : result.facts) out << oneLine(key) << '\n' << oneLine(value) << '\n';
    out.close();
    return !out.fail();
}

std::optional<CheckResult> readResult(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string status;
    CheckResult result;
    if (!std::getline(in, status) || !std::getline(in, result.reason) || !std::getline(in, result.remedy)) {
        return std::nullopt;
    }
    if (status.size() != 1 || status[0] < '0' || status[0] > '3') return std::nullopt;
    result.status = static_cast<Status>(status[0] - '0');
    std::string key;
    std::string value;
    while (std::getline(in, key) && std::getline(in, value)) result.facts.emplace_back(key, value);
    return result;
}

}  // namespace cabkit::sim::validate
