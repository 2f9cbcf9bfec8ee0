#include "check_child.h"

#include <fstream>
#include <sstream>

#include <fmt/format.h>

#include "child_process.h"
#include "environment_variable.h"
#include "session_scripts.h"
#include "utf8_path.h"

namespace cabkit::sim::validate {
namespace {

std::string lastLineOf(std::istream& in) {
    std::string line;
    std::string last;
    while (std::getline(in, line)) {
        if (!line.empty()) last = line;
    }
    return last.size() > 300 ? last.substr(0, 300) + "..." : last;
}

std::string lastLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    return lastLineOf(in);
}

// The last line a child printed on its error stream (the part kept of it).
std::string lastLineOfText(const std::string& text) {
    std::istringstream in(text);
    return lastLineOf(in);
}

}  // namespace

ChildVerdict runInChild(CheckRequest request, std::chrono::milliseconds timeout) {
    if (request.log.empty()) request.log = request.work / "calls.log";
    const std::filesystem::path result = request.work / "result";
    std::vector<std::string> arguments{kValidateChildCommand,
                                       "--check",
                                       request.check,
                                       "--result",
                                       utf8Text(result),
                                       "--log",
                                       utf8Text(request.log),
                                       "--work",
                                       utf8Text(request.work),
                                       "--budget",
                                       fmt::format("{}", request.budgetSeconds),
                                       "--seed",
                                       std::to_string(request.seed),
                                       "--parent",
                                       std::to_string(currentProcessId())};
    if (!request.script.empty()) {
        arguments.emplace_back("--script");
        arguments.push_back(utf8Text(request.script));
    }
    arguments.emplace_back("--");
    for (const auto& plugin : request.plugins) arguments.push_back(utf8Text(plugin));
    ChildVerdict verdict;
    const auto started = std::chrono::steady_clock::now();
    ChildProcess child(currentExecutable(), arguments, true);
    std::optional<ExitStatus> status = child.waitFor(timeout);
    const bool hung = !status;
    if (hung) status = child.kill();
    const std::string call = lastLine(request.log);
    const std::string where = call.empty() ? "before its first host call" : fmt::format("in: {}", call);
    const std::string alone =
        fmt::format("run it alone under a debugger: simhost validate --filter {} --in-process", request.check);
    if (hung) {
        verdict.ending = "did not finish";
        verdict.result =
            failed(fmt::format("did not finish within {:.0f} s{}", static_cast<double>(timeout.count()) / 1000.0,
                               call.empty() ? "" : fmt::format("; the last call: {}", call)),
                   "a call that does not return freezes the simulator: bound every loop; " + alone);
    } else if (auto read = status->exitedWith(0) ? readResult(result) : std::nullopt) {
        verdict.result = std::move(*read);
    } else {
        verdict.ending = status->describe();
        const std::string said = lastLineOfText(child.errors().kept);
        verdict.result = failed(fmt::format("ended the process ({}) {}{}", status->describe(), where,
                                            said.empty() ? "" : fmt::format(" (it said: {})", said)),
                                "a fault here ends the simulator too; " + alone);
    }
    verdict.result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return verdict;
}

int validateChild(const ChildArguments& arguments) {
    if (!endWithParent(arguments.parent)) return 3;
    endAtOnceOnFault();
    // Every session starts on the same local day, so that runs repeat.
    setEnvironmentVariable("CABKIT_LOCAL_TIME", kFixedLocalTime);
    const CheckResult result = runCheck(arguments.request);
    return writeResult(pathFromUtf8(arguments.result), result) ? 0 : 3;
}

}  // namespace cabkit::sim::validate
