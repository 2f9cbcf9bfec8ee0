#include "validate_report.h"

#include <array>
#include <fstream>
#include <stdexcept>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "junit_report.h"
#include "printable_text.h"
#include "utf8_path.h"

namespace cabkit::sim::validate {

std::string checkLine(const CheckRow& row) {
    std::string line =
        fmt::format("  {:<4}  {:<18} {}\n", statusName(row.result.status), row.check, printable(row.result.reason));
    if (!row.result.remedy.empty() && row.result.status != Status::Pass) {
        line += fmt::format("        {:<18} -> {}\n", "", printable(row.result.remedy));
    }
    return line;
}

std::string summaryLine(const std::vector<CheckRow>& rows) {
    std::array<int, 4> counts{};
    for (const CheckRow& row : rows) ++counts[static_cast<std::size_t>(row.result.status)];
    return fmt::format("{} checks: {} passed, {} warned, {} failed, {} skipped\n", rows.size(), counts[0], counts[1],
                       counts[2], counts[3]);
}

void writeJson(const std::filesystem::path& file, const std::vector<CheckRow>& rows) {
    nlohmann::ordered_json checks = nlohmann::ordered_json::array();
    for (const CheckRow& row : rows) {
        nlohmann::ordered_json facts = nlohmann::ordered_json::object();
        for (const auto& [key, value] : row.result.facts) facts[key] = value;
        checks.push_back({{"plugin", row.plugin},
                          {"check", row.check},
                          {"status", row.result.status == Status::Fail ? "fail" : statusName(row.result.status)},
                          {"reason", row.result.reason},
                          {"remedy", row.result.remedy},
                          {"seconds", row.result.seconds},
                          {"facts", facts}});
    }
    std::ofstream out(file, std::ios::trunc);
    out << nlohmann::ordered_json{{"checks", checks}}.dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
        << '\n';
    out.close();
    if (out.fail()) throw std::runtime_error(fmt::format("cannot write {}", utf8Text(file)));
}

void writeJUnitReport(const std::filesystem::path& file, const std::vector<CheckRow>& rows) {
    std::vector<JUnitSuite> suites;
    for (const CheckRow& row : rows) {
        if (suites.empty() || suites.back().name != row.plugin) {
            suites.push_back(JUnitSuite{row.plugin, row.plugin, 0.0, {}});
        }
        JUnitCase test;
        test.name = row.check;
        test.message = row.result.reason + (row.result.remedy.empty() ? "" : " -> " + row.result.remedy);
        switch (row.result.status) {
            case Status::Fail: test.outcome = JUnitCase::Outcome::Failed; break;
            case Status::Skip: test.outcome = JUnitCase::Outcome::Skipped; break;
            default: test.outcome = JUnitCase::Outcome::Passed; break;
        }
        suites.back().seconds += row.result.seconds;
        suites.back().cases.push_back(std::move(test));
    }
    writeJUnit(file, suites, "simhost validate");
}

}  // namespace cabkit::sim::validate
