#include "scenario_parser.h"

#include <algorithm>
#include <fstream>
#include <system_error>

#include <fmt/format.h>

#include "scenario_schema.h"
#include "toml_reading.h"
#include "utf8_path.h"

namespace cabkit::sim {
namespace {

std::string sizeText(std::uintmax_t bytes) { return fmt::format("{} MiB", bytes >> 20); }

}  // namespace

std::string readInputBytes(const std::filesystem::path& path, const char* what) {
    const std::string name = utf8Text(path);
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error) throw ScenarioError(name, 0, fmt::format("cannot read the file: {}", error.message()));
    if (std::filesystem::is_directory(status)) throw ScenarioError(name, 0, fmt::format("is a folder, not a {}", what));
    if (!std::filesystem::is_regular_file(status)) {
        throw ScenarioError(
            name, 0,
            fmt::format("is not a regular file (a device, a pipe or a socket); a {} is read from a file", what));
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error && size > kMaxScenarioBytes) {
        throw ScenarioError(
            name, 0,
            fmt::format("is {} bytes, more than the {} a {} may hold", size, sizeText(kMaxScenarioBytes), what));
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ScenarioError(name, 0, "cannot read the file");
    // In blocks, so that a file that grows while it is read still stops at the limit.
    std::string text;
    std::array<char, 1 << 16> block{};
    while (in && text.size() <= kMaxScenarioBytes) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        text.append(block.data(), static_cast<std::size_t>(in.gcount()));
    }
    if (text.size() > kMaxScenarioBytes) {
        throw ScenarioError(name, 0,
                            fmt::format("holds more than the {} a {} may hold", sizeText(kMaxScenarioBytes), what));
    }
    if (in.bad()) throw ScenarioError(name, 0, "cannot read the file");
    return text;
}

Scenario parseScenarioText(std::string_view text, const std::string& path) {
    return readScenario(parseToml(text, path), path);
}

Scenario parseScenarioFile(const std::filesystem::path& path) {
    const std::string text = readInputBytes(path, "scenario file");
    const std::string name = utf8Text(path);
    const toml::table root = parseToml(text, name);
    // Nearly always the wrong file: a run of the default train would pass unnoticed.
    if (root.empty()) throw ScenarioError(name, 0, "sets nothing (the file is empty or holds only comments)");
    return readScenario(root, name);
}

}  // namespace cabkit::sim
