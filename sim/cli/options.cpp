#include "options.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include <fmt/format.h>

#include "child_process.h"
#include "library_loader.h"
#include "printable_text.h"
#include "utf8_path.h"

namespace cabkit::sim {
namespace {

std::filesystem::path executableFolder() {
    try {
        return currentExecutable().parent_path();
    } catch (const std::runtime_error&) {
        return {};
    }
}

// Beside the executable first: an unpacked package (plugins/ next to
// simhost), then a build tree, also one that was moved (sim/../plugins);
// last where this build was configured.
std::filesystem::path defaultPluginFolder() {
    const std::filesystem::path self = executableFolder();
    for (const auto& candidate : {self / "plugins", self / ".." / "plugins"}) {
        std::error_code error;
        if (!self.empty() && std::filesystem::is_directory(candidate, error)) return candidate.lexically_normal();
    }
    return pathFromUtf8(CABKIT_DEFAULT_PLUGIN_DIR);
}

std::optional<std::array<int32_t, 3>> parseOrder(const std::string& text, std::string& error) {
    error = "--order must name Cabrix, Velorin and Sentrel once each, separated by commas";
    std::array<int32_t, 3> order{};
    std::array<bool, 3> seen{};
    std::string rest = text;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const std::size_t comma = rest.find(',');
        const std::string name = rest.substr(0, comma);
        rest = comma == std::string::npos ? std::string{} : rest.substr(comma + 1);
        const int32_t index = pluginIndex(name);
        if (index < 0 || seen[static_cast<std::size_t>(index)] || (i < 2 && comma == std::string::npos)) {
            return std::nullopt;
        }
        seen[static_cast<std::size_t>(index)] = true;
        order[i] = index;
    }
    if (!rest.empty()) return std::nullopt;
    error.clear();
    return order;
}

// [+-]digits, and for a fraction .digits and an exponent e[+-]digits: what
// both std::from_chars and a person read as the same decimal number.
bool decimalText(const std::string& text, bool fraction) {
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0) ++i;
        return i > from;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    bool whole = digits();
    if (fraction && i < text.size() && text[i] == '.') {
        ++i;
        whole = digits() || whole;
    }
    if (!whole) return false;
    if (fraction && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (!digits()) return false;
    }
    return i == text.size();
}

template <typename T>
std::optional<T> readNumber(const std::string& text) {
    if (!decimalText(text, std::is_floating_point_v<T>)) return std::nullopt;
    T value{};
    // from_chars takes no leading '+'.
    const std::size_t start = !text.empty() && text[0] == '+' ? 1 : 0;
    const auto [end, problem] = std::from_chars(text.data() + start, text.data() + text.size(), value);
    if (problem != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if constexpr (std::is_floating_point_v<T>) {
        if (!std::isfinite(value)) return std::nullopt;
    }
    return value;
}

template <typename T>
CLI::Option* addChecked(CLI::App& app, const std::string& name, T& value, const std::string& description, T lowest,
                        T highest) {
    const std::string range =
        fmt::format("{} from {} to {}", std::is_floating_point_v<T> ? "a number" : "a whole number", lowest, highest);
    CLI::Option* option = app.add_option(name, value, description);
    option->check(CLI::Validator(
        [=](const std::string& text) -> std::string {
            const std::optional<T> number = readNumber<T>(text);
            if (number && *number >= lowest && *number <= highest) return {};
            return fmt::format("must be {}, not '{}'", range, printable(text));
        },
        fmt::format("{} in [{} - {}]", std::is_floating_point_v<T> ? "FLOAT" : "INT", lowest, highest)));
    return option;
}

}  // namespace

CLI::Option* addNumberOption(CLI::App& app, const std::string& name, int32_t& value, const std::string& description,
                             int32_t lowest, int32_t highest) {
    return addChecked(app, name, value, description, lowest, highest);
}
CLI::Option* addNumberOption(CLI::App& app, const std::string& name, int64_t& value, const std::string& description,
                             int64_t lowest, int64_t highest) {
    return addChecked(app, name, value, description, lowest, highest);
}
CLI::Option* addNumberOption(CLI::App& app, const std::string& name, double& value, const std::string& description,
                             double lowest, double highest) {
    return addChecked(app, name, value, description, lowest, highest);
}

std::string printableFailure(const CLI::App* app, const CLI::Error& error) {
    std::istringstream lines(CLI::FailureMessage::simple(app, error));
    std::string out, line;
    while (std::getline(lines, line)) out += printable(line) + "\n";
    return out;
}

void addCommonOptions(CLI::App& app, CommonOptions& options) {
    app.add_option("--plugins", options.plugins,
                   fmt::format("folder of Velorin{0}, Sentrel{0}, Cabrix{0} (default: the plugins folder beside "
                               "simhost's own)",
                               SharedLibrary::kExtension));
    app.add_option("--trace", options.trace, "write one CSV row per frame to this file");
    app.add_option("--summary", options.summary, "write a JSON summary to this file");
    app.add_option("--plot", options.plot, "draw speed against location to this .svg or .png file (gnuplot)");
    app.add_option("--plot-time", options.plotTime, "draw speed against time to this .svg or .png file (gnuplot)");
    app.add_option("--html", options.html, "write the cab replay, one page to open in a browser, to this .html file");
    app.add_option("--slots", options.slots,
                   "slots in the trace, e.g. p72,p75,s0,p150-158 (p: panel, s: sound; default: the slots the plug-ins "
                   "exchange and their lamps and sounds)");
    addNumberOption(app, "--step", options.stepMs, "frame step in ms, instead of the scenario's", 1, 60000);
    app.add_option("--order", options.order, "calling order, e.g. Velorin,Cabrix,Sentrel, instead of the scenario's");
    app.add_flag("--stop-on-failure", options.stopOnFailure, "end a replay at the first failed expectation");
    addNumberOption(app, "--call-timeout", options.callTimeoutSeconds,
                    "seconds a single plug-in call may take before the replay is ended as failed (default 5)", 0.1,
                    3600.0);
}

std::vector<std::string> childArguments(const CommonOptions& options) {
    std::vector<std::string> arguments;
    const auto add = [&arguments](const char* name, const std::string& value) {
        if (value.empty()) return;
        arguments.emplace_back(name);
        arguments.push_back(value);
    };
    add("--plugins", options.plugins.empty() ? utf8Text(defaultPluginFolder()) : options.plugins);
    add("--trace", options.trace);
    add("--plot", options.plot);
    add("--plot-time", options.plotTime);
    add("--html", options.html);
    add("--slots", options.slots);
    add("--order", options.order);
    if (options.stepMs > 0) add("--step", std::to_string(options.stepMs));
    if (options.stopOnFailure) arguments.emplace_back("--stop-on-failure");
    return arguments;
}

bool checkOptions(const CommonOptions& options, std::string& error) {
    if (!options.order.empty() && !parseOrder(options.order, error)) return false;
    return makeRunOptions(options, error).has_value();
}

bool applyOverrides(const CommonOptions& options, Scenario& scenario, std::string& error) {
    if (options.stepMs > 0) scenario.run.stepMs = options.stepMs;
    if (options.order.empty()) return true;
    const auto order = parseOrder(options.order, error);
    if (!order) return false;
    scenario.run.order = *order;
    return true;
}

std::optional<RunOptions> makeRunOptions(const CommonOptions& options, std::string& error) {
    RunOptions run;
    run.pluginFolder = options.plugins.empty() ? defaultPluginFolder() : pathFromUtf8(options.plugins);
    if (!options.trace.empty()) run.trace = pathFromUtf8(options.trace);
    if (!options.plot.empty()) run.plot = pathFromUtf8(options.plot);
    if (!options.plotTime.empty()) run.plotTime = pathFromUtf8(options.plotTime);
    if (!options.html.empty()) run.html = pathFromUtf8(options.html);
    if (!options.slots.empty()) {
        auto slots = parseTraceSlots(options.slots, error);
        if (!slots) return std::nullopt;
        run.slots = *slots;
    }
    run.stopOnFailure = options.stopOnFailure;
    return run;
}

}  // namespace cabkit::sim
