#include "validate_command.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>

#include <fmt/format.h>

#include "check_battery.h"
#include "check_child.h"
#include "failure_shrinker.h"
#include "file_checks.h"
#include "library_file.h"
#include "printable_text.h"
#include "temporary_folder.h"
#include "utf8_path.h"
#include "validate_report.h"

namespace cabkit::sim::validate {
namespace {

constexpr int kAllPassed = 0;
constexpr int kSomeFailed = 1;
constexpr int kBadInput = 2;
// Shrinking a random failure stops after this long with the shortest yet.
constexpr std::chrono::seconds kShrinkTime{6};

void say(const std::string& text) {
    (void)std::fputs(text.c_str(), stdout);
    (void)std::fflush(stdout);
}

int badInput(const std::string& message) {
    (void)std::fprintf(stderr, "simhost validate: %s\n", printable(message).c_str());
    return kBadInput;
}

bool selected(const CheckInfo& check, const std::vector<std::string>& filters) {
    if (filters.empty()) return true;
    const std::string name = check.name;
    for (const std::string& filter : filters) {
        if (name == filter || name.starts_with(filter + ".")) return true;
    }
    return false;
}

std::chrono::milliseconds timeoutFor(const CheckInfo& check, const ValidateOptions& options) {
    const double seconds = options.timeoutSeconds + (std::string(check.name) == "random" ? options.budgetSeconds : 0.0);
    return std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000.0));
}

class Battery {
public:
    Battery(const ValidateOptions& options, std::filesystem::path work) : options_(options), work_(std::move(work)) {}

    void plugin(const std::filesystem::path& file, const std::vector<const CheckInfo*>& checks) {
        say(fmt::format("{}\n", printable(utf8Text(file))));
        std::string error;
        const auto library = readLibraryFile(file, error);
        std::map<std::string, Status> done;
        bool anyFailed = false;
        for (const CheckInfo* check : checks) {
            if (check->allPlugins) continue;
            CheckResult result;
            const std::string needs = check->needs;
            const auto prerequisite = done.find(needs);
            if (needs == "*" && anyFailed) {
                result = skipped("another check failed: fix that first, then look for what only chance finds");
            } else if (prerequisite != done.end() && prerequisite->second == Status::Fail) {
                result = skipped(fmt::format("needs {}, which failed", needs));
            } else if (prerequisite != done.end() && prerequisite->second == Status::Skip && check->loadsPlugin) {
                result = skipped(fmt::format("needs {}, which was skipped", needs));
            } else if (check->loadsPlugin && library && !loadableHere(*library)) {
                result = notLoadableHere(*library);
            } else {
                result = run(*check, {file});
            }
            done[check->name] = result.status;
            anyFailed = anyFailed || result.status == Status::Fail;
            report({utf8Text(file), check->name, std::move(result)});
        }
    }

    void together(const std::vector<std::filesystem::path>& files, const std::vector<const CheckInfo*>& checks) {
        for (const CheckInfo* check : checks) {
            if (!check->allPlugins) continue;
            std::string names;
            for (const auto& file : files) names += (names.empty() ? "" : " ") + utf8Text(file);
            if (files.size() < 2) continue;
            say(fmt::format("{} plug-ins together\n", files.size()));
            bool loadable = true;
            for (const auto& file : files) {
                std::string error;
                const auto library = readLibraryFile(file, error);
                loadable = loadable && library && loadableHere(*library);
            }
            report({names, check->name,
                    loadable ? run(*check, files) : skipped("not every plug-in can be loaded by this simhost")});
        }
    }

    const std::vector<CheckRow>& rows() const { return rows_; }

    CheckResult run(const CheckInfo& check, const std::vector<std::filesystem::path>& files) {
        CheckRequest request;
        request.check = check.name;
        request.plugins = files;
        request.budgetSeconds = options_.budgetSeconds;
        request.seed = options_.seed;
        request.work = work_ / std::to_string(++runs_);
        std::filesystem::create_directories(request.work);
        ChildVerdict verdict = runInChild(request, timeoutFor(check, options_));
        if (request.check == "random" && verdict.result.status == Status::Fail) {
            saveFailure(request, verdict);
        }
        return std::move(verdict.result);
    }

private:
    void report(CheckRow row) {
        if (!options_.onlyFailed || row.result.status == Status::Fail || row.result.status == Status::Warn) {
            say(checkLine(row));
        }
        rows_.push_back(std::move(row));
    }

    // The random session's calls, shrunk while a fresh replay still fails
    // the same way, saved where the report says.
    void saveFailure(const CheckRequest& request, ChildVerdict& verdict) {
        std::string error;
        auto calls = readScript(request.work / "calls.log", error);
        if (!calls || calls->empty()) return;
        const auto stillFails = [&](const std::vector<HostCall>& candidate) {
            CheckRequest replay = request;
            replay.check = kReplayCheck;
            replay.work = work_ / std::to_string(++runs_);
            replay.log.clear();
            std::filesystem::create_directories(replay.work);
            replay.script = replay.work / "script";
            if (!writeScript(replay.script, {}, candidate)) return false;
            const ChildVerdict again = runInChild(replay, std::chrono::milliseconds(5000));
            std::error_code ignored;
            std::filesystem::remove_all(replay.work, ignored);
            // A fault the replay judges has no ending of its own; a death must be the same death.
            return again.result.status == Status::Fail && (again.ending.empty() || again.ending == verdict.ending);
        };
        const bool reproduces = stillFails(*calls);
        const std::size_t before = calls->size();
        if (reproduces)
            *calls = shrinkFailure(std::move(*calls), stillFails, std::chrono::steady_clock::now() + kShrinkTime);
        const std::filesystem::path folder = options_.saveFolder.empty() ? "." : pathFromUtf8(options_.saveFolder);
        const std::filesystem::path plugin = request.plugins.front();
        const std::filesystem::path file = folder / pathFromUtf8(utf8Text(plugin.stem()) + ".random-failure.calls");
        const std::vector<std::string> header{
            fmt::format("simhost validate: a random session that breaks {}", utf8Text(plugin.filename())),
            fmt::format("how: {}", verdict.result.reason),
            fmt::format("shrunk from {} calls to {}", before, calls->size()),
            fmt::format("replay: simhost validate --replay \"{}\" \"{}\"", utf8Text(file), utf8Text(plugin))};
        if (!writeScript(file, header, *calls)) return;
        verdict.result.reason += fmt::format(
            "; {} calls that {} saved in {}", calls->size(),
            reproduces ? "do it again in a fresh process are" : "led to it (a fresh replay did not repeat it) are",
            utf8Text(file));
        verdict.result.remedy =
            fmt::format("replay them: simhost validate --replay \"{}\" \"{}\" (add --in-process for a debugger)",
                        utf8Text(file), utf8Text(plugin));
        verdict.result.facts.emplace_back("saved", utf8Text(file));
    }

    const ValidateOptions& options_;
    std::filesystem::path work_;
    std::vector<CheckRow> rows_;
    int32_t runs_ = 0;
};

int inProcess(const CheckInfo& check, const std::vector<std::filesystem::path>& files, const ValidateOptions& options,
              const std::filesystem::path& work, const std::string& script) {
    CheckRequest request;
    request.check = check.name;
    request.plugins = check.allPlugins ? files : std::vector<std::filesystem::path>{files.front()};
    request.work = work;
    request.script = pathFromUtf8(script);
    request.budgetSeconds = options.budgetSeconds;
    request.seed = options.seed;
    const CheckResult result = runCheck(request);
    say(checkLine({utf8Text(files.front()), check.name, result}));
    return result.status == Status::Fail ? kSomeFailed : kAllPassed;
}

}  // namespace

int runValidateCommand(const ValidateOptions& options) {
    if (options.list) {
        for (const CheckInfo& check : battery()) say(fmt::format("{:<18} {}\n", check.name, check.proves));
        return kAllPassed;
    }
    if (options.plugins.empty()) return badInput("name the plug-in libraries to validate");
    std::vector<std::filesystem::path> files;
    for (const std::string& plugin : options.plugins) {
        std::error_code error;
        const std::filesystem::path file = pathFromUtf8(plugin);
        if (!std::filesystem::is_regular_file(file, error)) return badInput(fmt::format("{}: no such file", plugin));
        files.push_back(std::filesystem::absolute(file, error));
    }
    std::vector<const CheckInfo*> checks;
    for (const std::string& filter : options.filters) {
        bool known = false;
        for (const CheckInfo& check : battery()) known = known || selected(check, {filter});
        if (!known) return badInput(fmt::format("no check is named {} (see --list)", filter));
    }
    for (const CheckInfo& check : battery()) {
        if (selected(check, options.filters)) checks.push_back(&check);
    }
    TemporaryFolder work;
    if (!options.replay.empty()) {
        static const CheckInfo replay{kReplayCheck, "", "", true, true};
        if (!std::filesystem::is_regular_file(pathFromUtf8(options.replay))) {
            return badInput(fmt::format("{}: no such file", options.replay));
        }
        if (options.inProcess) return inProcess(replay, files, options, work.path(), options.replay);
        CheckRequest request;
        request.check = kReplayCheck;
        request.plugins = files;
        request.script = std::filesystem::absolute(pathFromUtf8(options.replay));
        request.work = work.path();
        const ChildVerdict verdict =
            runInChild(request, std::chrono::milliseconds(static_cast<int64_t>(options.timeoutSeconds * 1000)));
        say(checkLine({options.replay, kReplayCheck, verdict.result}));
        return verdict.result.status == Status::Fail ? kSomeFailed : kAllPassed;
    }
    if (options.inProcess) {
        if (checks.size() != 1) return badInput("--in-process runs one check: choose it with --filter NAME");
        return inProcess(*checks.front(), files, options, work.path(), {});
    }
    Battery run(options, work.path());
    for (const auto& file : files) run.plugin(file, checks);
    run.together(files, checks);
    say(summaryLine(run.rows()));
    try {
        if (!options.json.empty()) writeJson(pathFromUtf8(options.json), run.rows());
        if (!options.junit.empty()) writeJUnitReport(pathFromUtf8(options.junit), run.rows());
    } catch (const std::runtime_error& e) {
        return badInput(e.what());
    }
    for (const CheckRow& row : run.rows()) {
        if (row.result.status == Status::Fail) return kSomeFailed;
    }
    return kAllPassed;
}

}  // namespace cabkit::sim::validate
