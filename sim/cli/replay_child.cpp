#include "replay_child.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <memory>
#include <stdexcept>

#include <fmt/format.h>

#include "child_process.h"
#include "plugin_clock.h"
#include "printable_text.h"
#include "replay_record.h"
#include "replay_supervisor.h"
#include "scenario_parser.h"
#include "shared_mapping.h"
#include "standard_output.h"
#include "utf8_path.h"

namespace cabkit::sim {
namespace {

// Exit codes of a child that could not take up its record: the supervisor
// sees a child that never began.
constexpr int kParentGone = 70;
constexpr int kNoRecord = 71;

// For the fork handler: it can only reach globals.
CallRecord* forkWatch = nullptr;

// Runs in the forking thread, inside fork(), before the copy exists: the
// supervisor, told here, fails the run whatever becomes of the copy.
void beforeFork() {
    CallRecord& calls = *forkWatch;
    BreachRecord& breach = calls.breach;
    if (breach.forks.load(std::memory_order_relaxed) == 0) {
        breach.forkPlugin.store(calls.plugin.load(std::memory_order_relaxed));
        breach.forkCall.store(calls.call.load(std::memory_order_relaxed));
        breach.forkFrame.store(calls.frame.load(std::memory_order_relaxed));
        breach.forkTimeOfDayMs.store(calls.timeOfDayMs.load(std::memory_order_relaxed));
        breach.forkLocation.store(calls.location.load(std::memory_order_relaxed));
        breach.forkInCall.store(CallRecord::inCall(calls.calls.load(std::memory_order_relaxed)) ? 1 : 0);
    }
    breach.forks.fetch_add(1, std::memory_order_release);
}

void inForkedCopy() {}

// Reads the scenario as the command line shapes it; the journal gets an
// error line instead when it cannot be read.
std::optional<Scenario> readScenario(const ChildRequest& request, RunJournal& journal) {
    try {
        Scenario scenario = parseScenarioFile(pathFromUtf8(request.scenarioFile));
        for (const std::string& warning : scenario.warnings) printLine(stderr, "simhost: warning: " + warning);
        std::string error;
        if (!applyOverrides(request.options, scenario, error)) {
            journal.error(error);
            return std::nullopt;
        }
        return scenario;
    } catch (const ScenarioError& e) {
        journal.error(e.what());
    } catch (const std::exception& e) {
        journal.error(fmt::format("{}: {}", request.scenarioFile, e.what()));
    }
    return std::nullopt;
}

// Replays the scenario; returns the verdict.
int replay(const ChildRequest& request, const Scenario& scenario, ReplayRecord& record, RunJournal& journal) {
    std::string error;
    auto options = makeRunOptions(request.options, error);
    if (!options) {
        journal.error(error);
        return kChildBadInput;
    }
    options->copyFolder = request.runFolder;
    options->calls = &record.calls;
    options->figures = &record.figures;
    options->traceSpool = &record.trace;
    options->journal = &journal;
    try {
        const RunOutcome outcome = runScenario(scenario, *options, request.narrate ? stdout : nullptr);
        static_cast<void>(std::fflush(stdout));
        return outcome.failed > 0 ? kChildFailed : kChildPassed;
    } catch (const std::exception& e) {
        // A plug-in that does not load, an output that cannot be written.
        journal.error(fmt::format("{}: {}", request.scenarioFile, e.what()));
        return kChildBadInput;
    }
}

}  // namespace

int replayChild(const ChildRequest& request) {
    if (!endWithParent(request.parent)) return kParentGone;
    endAtOnceOnFault();
    // Each line of the event log reaches its file as it is told, so a
    // plug-in that ends the process takes none of it along.
    writeStandardOutputByLine();

    const std::filesystem::path folder = pathFromUtf8(request.runFolder);
    std::unique_ptr<SharedMapping> mapping;
    try {
        mapping =
            std::make_unique<SharedMapping>(folder / kRecordFile, sizeof(ReplayRecord), SharedMapping::Mode::Open);
    } catch (const std::runtime_error& e) {
        printLine(stderr, fmt::format("simhost: {}", e.what()));
        return kNoRecord;
    }
    auto* record = static_cast<ReplayRecord*>(mapping->data());
    if (!record->valid()) {
        printLine(stderr,
                  fmt::format("simhost: {} is no replay record of this simhost", (folder / kRecordFile).string()));
        return kNoRecord;
    }
    forkWatch = &record->calls;
    watchForForks(beforeFork, inForkedCopy);
    noteFaultAddress(&record->calls.breach.faultAddress);
    record->setStage(ReplayStage::Reading);
    const auto finish = [record](int verdict) {
        record->verdict.store(verdict, std::memory_order_release);
        record->setStage(ReplayStage::Finished);
        return verdict;
    };
    try {
        RunJournal journal(folder / kJournalFile);
        const std::optional<Scenario> scenario = readScenario(request, journal);
        if (!scenario) return finish(kChildBadInput);
        journal.scenario(*scenario);
        pinPluginClock(*scenario);
        record->setStage(ReplayStage::Replaying);
        return finish(replay(request, *scenario, *record, journal));
    } catch (const std::runtime_error& e) {
        printLine(stderr, fmt::format("simhost: {}", e.what()));
        return finish(kChildBadInput);
    }
}

}  // namespace cabkit::sim
