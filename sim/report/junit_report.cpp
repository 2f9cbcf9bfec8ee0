#include "junit_report.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include <fmt/format.h>

#include "utf8_path.h"

namespace cabkit::sim {
namespace {

constexpr std::string_view kReplacement = "\xef\xbf\xbd";  // U+FFFD

// Length of the UTF-8 sequence at `at` and its code point, or 0 when the
// bytes there are not one.
std::size_t utf8Sequence(std::string_view text, std::size_t at, uint32_t& codePoint) {
    const auto byte = [&](std::size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(text[i])); };
    const uint32_t lead = byte(at);
    std::size_t length = 0;
    uint32_t minimum = 0;
    if (lead < 0x80U) {
        codePoint = lead;
        return 1;
    }
    if ((lead & 0xE0U) == 0xC0U) {
        length = 2;
        codePoint = lead & 0x1FU;
        minimum = 0x80U;
    } else if ((lead & 0xF0U) == 0xE0U) {
        length = 3;
        codePoint = lead & 0x0FU;
        minimum = 0x800U;
    } else if ((lead & 0xF8U) == 0xF0U) {
        length = 4;
        codePoint = lead & 0x07U;
        minimum = 0x10000U;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0U) != 0x80U) return 0;
        codePoint = (codePoint << 6U) | (byte(at + i) & 0x3FU);
    }
    // Overlong forms, surrogates and values past Unicode are not UTF-8.
    if (codePoint < minimum || (codePoint >= 0xD800U && codePoint <= 0xDFFFU) || codePoint > 0x10FFFFU) return 0;
    return length;
}

// The characters XML 1.0 allows.
bool xmlChar(uint32_t c) {
    return c == 0x9U || c == 0xAU || c == 0xDU || (c >= 0x20U && c <= 0xD7FFU) || (c >= 0xE000U && c <= 0xFFFDU) ||
           (c >= 0x10000U && c <= 0x10FFFFU);
}

std::string seconds(double value) { return fmt::format("{:.3f}", value); }

}  // namespace

std::string xmlText(std::string_view text, bool attribute) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        uint32_t c = 0;
        const std::size_t length = utf8Sequence(text, at, c);
        if (length == 0 || !xmlChar(c)) {
            out += kReplacement;
            at += length == 0 ? 1 : length;
            continue;
        }
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += attribute ? "&quot;" : "\""; break;
            case '\n': out += attribute ? "&#10;" : "\n"; break;
            case '\r': out += "&#13;"; break;
            case '\t': out += attribute ? "&#9;" : "\t"; break;
            default: out.append(text.substr(at, length));
        }
        at += length;
    }
    return out;
}

std::string junitXml(const std::vector<JUnitSuite>& suites, std::string_view title) {
    struct Counts {
        int32_t tests = 0, failures = 0, errors = 0, skipped = 0;
        void add(JUnitCase::Outcome outcome) {
            ++tests;
            failures += outcome == JUnitCase::Outcome::Failed ? 1 : 0;
            errors += outcome == JUnitCase::Outcome::Error ? 1 : 0;
            skipped += outcome == JUnitCase::Outcome::Skipped ? 1 : 0;
        }
        std::string attributes() const {
            return fmt::format("tests=\"{}\" failures=\"{}\" errors=\"{}\" skipped=\"{}\"", tests, failures, errors,
                               skipped);
        }
    };
    Counts all;
    double allSeconds = 0.0;
    std::string body;
    auto out = std::back_inserter(body);
    for (const JUnitSuite& suite : suites) {
        Counts counts;
        for (const JUnitCase& c : suite.cases) counts.add(c.outcome);
        for (const JUnitCase& c : suite.cases) all.add(c.outcome);
        allSeconds += suite.seconds;
        fmt::format_to(out, "  <testsuite name=\"{}\" {} time=\"{}\" file=\"{}\">\n", xmlText(suite.name, true),
                       counts.attributes(), seconds(suite.seconds), xmlText(suite.file, true));
        for (const JUnitCase& c : suite.cases) {
            fmt::format_to(out, "    <testcase name=\"{}\" classname=\"{}\" time=\"0.000\" file=\"{}\"",
                           xmlText(c.name, true), xmlText(suite.name, true), xmlText(suite.file, true));
            if (c.line > 0) fmt::format_to(out, " line=\"{}\"", c.line);
            const std::string message = xmlText(c.message, true);
            switch (c.outcome) {
                case JUnitCase::Outcome::Passed: fmt::format_to(out, "/>\n"); break;
                case JUnitCase::Outcome::Failed:
                    fmt::format_to(
                        out, ">\n      <failure message=\"{}\" type=\"expectation\">{}</failure>\n    </testcase>\n",
                        message, xmlText(c.message, false));
                    break;
                case JUnitCase::Outcome::Skipped:
                    fmt::format_to(out, ">\n      <skipped message=\"{}\"/>\n    </testcase>\n", message);
                    break;
                case JUnitCase::Outcome::Error:
                    fmt::format_to(out, ">\n      <error message=\"{}\" type=\"replay\">{}</error>\n    </testcase>\n",
                                   message, xmlText(c.message, false));
                    break;
            }
        }
        fmt::format_to(out, "  </testsuite>\n");
    }
    return fmt::format(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"{}\" {} time=\"{}\">\n{}</testsuites>\n",
        xmlText(title, true), all.attributes(), seconds(allSeconds), body);
}

void writeJUnit(const std::filesystem::path& path, const std::vector<JUnitSuite>& suites, std::string_view title) {
    std::ofstream file(path, std::ios::binary);
    file << junitXml(suites, title);
    if (!file) throw std::runtime_error(fmt::format("cannot write the JUnit report {}", utf8Text(path)));
}

}  // namespace cabkit::sim
