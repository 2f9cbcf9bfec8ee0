#include "output_paths.h"

#include <filesystem>
#include <system_error>

#include <fmt/format.h>

#include "file_identity.h"
#include "library_loader.h"
#include "printable_text.h"
#include "utf8_path.h"
#include "write_probe.h"

namespace cabkit::sim {
namespace {

struct NamedPath {
    std::string what;  // the option, or what the input is
    std::filesystem::path path;
};

// What makes two paths one file: the system's identity of a file that exists
// (links and symbolic links included), else the path made absolute.
struct OutputIdentity {
    std::optional<FileIdentity> file;
    std::filesystem::path path;

    bool exists() const { return file.has_value(); }
    bool operator==(const OutputIdentity& other) const {
        if (exists() != other.exists()) return false;
        return exists() ? *file == *other.file : samePathName(path, other.path);
    }
};

OutputIdentity identify(const std::filesystem::path& path) {
    OutputIdentity identity;
    identity.file = fileIdentity(path);
    if (identity.file) return identity;
    std::error_code error;
    const auto absolute = std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error);
    identity.path = error ? path.lexically_normal() : absolute;
    return identity;
}

std::string shown(const std::filesystem::path& path) { return printable(utf8Text(path)); }

// Opens the file for writing the way the replay will, without changing it;
// a file made only for the test is removed again.
std::optional<std::string> writable(const NamedPath& output) {
    std::error_code error;
    if (std::filesystem::is_directory(output.path, error)) {
        return fmt::format("{} {} is a folder, not a file", output.what, shown(output.path));
    }
    if (auto why = writeRefusal(output.path)) {
        return fmt::format("{} {}: cannot write there: {}", output.what, shown(output.path), *why);
    }
    return std::nullopt;
}

std::vector<NamedPath> inputsOf(const RunOptions& options, const std::vector<std::string>& scenarios) {
    std::vector<NamedPath> inputs;
    inputs.reserve(scenarios.size() + kPluginNames.size() + options.addedPlugins.size());
    for (const std::string& scenario : scenarios) inputs.push_back({"the scenario", pathFromUtf8(scenario)});
    std::vector<std::filesystem::path> folders;
    if (options.ourPlugins) {
        for (const int32_t index : kDefaultOrder) {
            const char* name = kPluginNames[static_cast<std::size_t>(index)];
            inputs.push_back({fmt::format("the plug-in {}", name),
                              options.pluginFolder / (std::string(name) + SharedLibrary::kExtension)});
        }
        folders.push_back(options.pluginFolder);
    }
    for (const AddedPlugin& plugin : options.addedPlugins) {
        inputs.push_back({fmt::format("the plug-in {}", plugin.name), plugin.file});
        folders.push_back(plugin.file.parent_path().empty() ? std::filesystem::path(".") : plugin.file.parent_path());
    }
    for (const std::filesystem::path& folder : folders) {
        std::error_code error;
        std::filesystem::directory_iterator it(folder, error);
        for (const std::filesystem::directory_iterator end; !error && it != end; it.increment(error)) {
            if (it->path().extension() == ".ini") inputs.push_back({"the plug-in settings", it->path()});
        }
    }
    return inputs;
}

}  // namespace

std::optional<std::string> checkOutputPaths(const RunOptions& options,
                                            const std::optional<std::filesystem::path>& summary,
                                            const std::vector<std::string>& scenarios,
                                            const std::optional<std::filesystem::path>& junit) {
    std::vector<NamedPath> outputs;
    if (options.trace) outputs.push_back({"--trace", *options.trace});
    if (summary) outputs.push_back({"--summary", *summary});
    if (junit) outputs.push_back({"--junit", *junit});
    for (const auto& [option, chart] :
         {std::pair{"--plot", &options.plot}, std::pair{"--plot-time", &options.plotTime}}) {
        if (!*chart) continue;
        const std::string extension = utf8Text((*chart)->extension());
        if (extension != ".svg" && extension != ".png") {
            return fmt::format("{} {}: the chart must end in .svg or .png", option, shown(**chart));
        }
        outputs.push_back({option, **chart});
    }
    if (options.html) outputs.push_back({"--html", *options.html});
    if (outputs.empty()) return std::nullopt;

    const std::vector<NamedPath> inputs = inputsOf(options, scenarios);
    std::vector<OutputIdentity> inputIds;
    inputIds.reserve(inputs.size());
    for (const NamedPath& input : inputs) inputIds.push_back(identify(input.path));
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const OutputIdentity id = identify(outputs[i].path);
        for (std::size_t j = 0; j < i; ++j) {
            if (id == identify(outputs[j].path)) {
                return fmt::format("{} and {} name the same file {}", outputs[j].what, outputs[i].what,
                                   shown(outputs[i].path));
            }
        }
        for (std::size_t k = 0; k < inputs.size(); ++k) {
            if (inputIds[k].exists() && id == inputIds[k]) {
                return fmt::format("{} {} is {} ({}); it would be overwritten", outputs[i].what, shown(outputs[i].path),
                                   inputs[k].what, shown(inputs[k].path));
            }
        }
    }
    for (const NamedPath& output : outputs) {
        if (auto problem = writable(output)) return problem;
    }
    return std::nullopt;
}

}  // namespace cabkit::sim
