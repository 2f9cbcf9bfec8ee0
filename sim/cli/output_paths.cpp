#include "output_paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fmt/format.h>

#include "printable_text.h"

namespace cabkit::sim {
namespace {

struct NamedPath {
    std::string what;  // the option, or what the input is
    std::filesystem::path path;
};

// What makes two paths one file: the device and inode of a file that
// exists (links and symbolic links included), else the path made absolute.
struct FileIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    std::string path;

    bool operator==(const FileIdentity& other) const {
        if (exists != other.exists) return false;
        return exists ? device == other.device && inode == other.inode : path == other.path;
    }
};

FileIdentity identify(const std::filesystem::path& path) {
    FileIdentity identity;
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
        identity.exists = true;
        identity.device = status.st_dev;
        identity.inode = status.st_ino;
        return identity;
    }
    std::error_code error;
    const auto absolute = std::filesystem::weakly_canonical(std::filesystem::absolute(path, error), error);
    identity.path = error ? path.lexically_normal().string() : absolute.string();
    return identity;
}

std::string shown(const std::filesystem::path& path) { return printable(path.string()); }

std::string cannotWrite(const NamedPath& output) {
    return fmt::format("{} {}: cannot write there: {}", output.what, shown(output.path), std::strerror(errno));
}

// Opens the file for writing the way the replay will, without changing it;
// a file made only for the test is removed again.
std::optional<std::string> writable(const NamedPath& output) {
    const char* file = output.path.c_str();
    struct stat status {};
    if (::stat(file, &status) == 0) {
        if (S_ISDIR(status.st_mode)) {
            return fmt::format("{} {} is a folder, not a file", output.what, shown(output.path));
        }
        // Non-blocking: a pipe without a reader is refused, not waited for.
        const int fd = ::open(file, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return cannotWrite(output);
        ::close(fd);
        return std::nullopt;
    }
    const int fd = ::open(file, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return cannotWrite(output);
    ::close(fd);
    ::unlink(file);
    return std::nullopt;
}

std::vector<NamedPath> inputsOf(const RunOptions& options, const std::vector<std::string>& scenarios) {
    std::vector<NamedPath> inputs;
    inputs.reserve(scenarios.size() + kPluginNames.size());
    for (const std::string& scenario : scenarios) inputs.push_back({"the scenario", scenario});
    for (const char* name : kPluginNames) {
        inputs.push_back({fmt::format("the plug-in {}", name), options.pluginFolder / (std::string(name) + ".so")});
    }
    std::error_code error;
    std::filesystem::directory_iterator it(options.pluginFolder, error);
    for (const std::filesystem::directory_iterator end; !error && it != end; it.increment(error)) {
        if (it->path().extension() == ".ini") inputs.push_back({"the plug-in settings", it->path()});
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
    for (const auto& [option, chart] : {std::pair{"--plot", &options.plot}, std::pair{"--plot-time", &options.plotTime}}) {
        if (!*chart) continue;
        const std::string extension = (*chart)->extension().string();
        if (extension != ".svg" && extension != ".png") {
            return fmt::format("{} {}: the chart must end in .svg or .png", option, shown(**chart));
        }
        outputs.push_back({option, **chart});
    }
    if (options.html) outputs.push_back({"--html", *options.html});
    if (outputs.empty()) return std::nullopt;

    const std::vector<NamedPath> inputs = inputsOf(options, scenarios);
    std::vector<FileIdentity> inputIds;
    inputIds.reserve(inputs.size());
    for (const NamedPath& input : inputs) inputIds.push_back(identify(input.path));
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const FileIdentity id = identify(outputs[i].path);
        for (std::size_t j = 0; j < i; ++j) {
            if (id == identify(outputs[j].path)) {
                return fmt::format("{} and {} name the same file {}", outputs[j].what, outputs[i].what,
                                   shown(outputs[i].path));
            }
        }
        for (std::size_t k = 0; k < inputs.size(); ++k) {
            if (inputIds[k].exists && id == inputIds[k]) {
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
