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
#include "run_names.h"
#include "scenario_error.h"
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

std::vector<std::string> orderNames(const std::string& text) {
    std::vector<std::string> names;
    std::size_t from = 0;
    for (std::size_t comma = text.find(',');; comma = text.find(',', from)) {
        names.push_back(text.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
        if (comma == std::string::npos) return names;
        from = comma + 1;
    }
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
    app.add_option("--plugin", options.addedPlugins,
                   "load this plug-in library, [NAME=]PATH, after our three only when --plugins is given too; "
                   "repeatable, in calling order");
    app.add_option("--layout", options.layout, "name the slots of plug-ins without a contract of ours (TOML file)");
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
    if (!options.plugins.empty() || options.addedPlugins.empty()) {
        add("--plugins", options.plugins.empty() ? utf8Text(defaultPluginFolder()) : options.plugins);
    }
    for (const std::string& plugin : options.addedPlugins) add("--plugin", plugin);
    add("--layout", options.layout);
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

std::optional<PluginChoice> pluginChoice(const CommonOptions& options, std::string& error) {
    PluginChoice choice;
    if (!options.plugins.empty() || options.addedPlugins.empty()) {
        choice.folder = options.plugins.empty() ? defaultPluginFolder() : pathFromUtf8(options.plugins);
    }
    for (const std::string& text : options.addedPlugins) {
        auto plugin = parseAddedPlugin(text, error);
        if (!plugin) return std::nullopt;
        choice.added.push_back(std::move(*plugin));
    }
    if (!options.order.empty()) choice.order = orderNames(options.order);
    return choice;
}

bool checkOptions(const CommonOptions& options, std::string& error) {
    const auto choice = pluginChoice(options, error);
    RunSpec run;
    if (!choice || !applyLineup(*choice, run, error)) return false;
    if (!options.layout.empty()) {
        try {
            static_cast<void>(readSlotLayout(pathFromUtf8(options.layout)));
        } catch (const ScenarioError& e) {
            error = e.what();
            return false;
        }
    }
    return makeRunOptions(options, error).has_value();
}

bool applyOverrides(const CommonOptions& options, Scenario& scenario, std::string& error) {
    if (options.stepMs > 0) scenario.run.stepMs = options.stepMs;
    const auto choice = pluginChoice(options, error);
    if (!choice || !applyLineup(*choice, scenario.run, error)) return false;
    if (!options.layout.empty()) scenario.layout = readSlotLayout(pathFromUtf8(options.layout));
    resolveNames(scenario);
    return true;
}

std::optional<RunOptions> makeRunOptions(const CommonOptions& options, std::string& error) {
    RunOptions run;
    run.pluginFolder = options.plugins.empty() ? defaultPluginFolder() : pathFromUtf8(options.plugins);
    const auto choice = pluginChoice(options, error);
    if (!choice) return std::nullopt;
    run.ourPlugins = choice->folder.has_value();
    run.addedPlugins = choice->added;
    if (!options.trace.empty()) run.trace = pathFromUtf8(options.trace);
    if (!options.plot.empty()) run.plot = pathFromUtf8(options.plot);
    if (!options.plotTime.empty()) run.plotTime = pathFromUtf8(options.plotTime);
    if (!options.html.empty()) run.html = pathFromUtf8(options.html);
    if (!options.slots.empty()) {
        auto slots = parseTraceSlots(options.slots, error);
        if (!slots) return std::nullopt;
        run.slots = *slots;
        run.defaultSlots = false;
    }
    run.stopOnFailure = options.stopOnFailure;
    return run;
}

}  // namespace cabkit::sim
