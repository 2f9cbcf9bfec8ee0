#include "replay_supervisor.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <new>
#include <stdexcept>

#include <fmt/format.h>

#include "child_process.h"
#include "clock_text.h"
#include "replay_record.h"
#include "scenario.h"
#include "shared_mapping.h"
#include "temporary_folder.h"
#include "utf8_path.h"

namespace cabkit::sim {
namespace {

using Clock = std::chrono::steady_clock;
using Verdict = SupervisedOutcome::Verdict;

// How the child ended, as far as the supervisor saw it.
struct ChildEnd {
    ExitStatus status;
    bool timedOut = false;
    bool interrupted = false;
};

// Waits for the child, and ends it when a plug-in call has not returned
// within the timeout or the user interrupts simhost. The call record's
// counter is read a few times a second; while it stands still on an odd
// value, one call has been running since it was first seen there.
ChildEnd watch(ChildProcess& child, const CallRecord& calls, std::chrono::milliseconds timeout) {
    const auto poll = std::min<std::chrono::milliseconds>(std::chrono::milliseconds(100), timeout / 4);
    uint64_t seen = calls.calls.load(std::memory_order_acquire);
    auto seenSince = Clock::now();
    for (;;) {
        // Ctrl-C reaches the child too, which may die of it first.
        if (auto status = child.waitFor(poll)) return ChildEnd{*status, false, interruptRequested()};
        if (interruptRequested()) return ChildEnd{child.kill(), false, true};
        const uint64_t now = calls.calls.load(std::memory_order_acquire);
        if (now != seen) {
            seen = now;
            seenSince = Clock::now();
        } else if (CallRecord::inCall(now) && Clock::now() - seenSince >= timeout) {
            return ChildEnd{child.kill(), true, false};
        }
    }
}

std::string readWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string seconds(std::chrono::milliseconds duration) {
    return fmt::format("{:g} s", static_cast<double>(duration.count()) / 1000.0);
}

RunEnding::Place placeOf(const CallRecord& calls) {
    RunEnding::Place place;
    const int32_t plugin = calls.plugin.load(std::memory_order_acquire);
    place.plugin = plugin >= 0 && plugin < static_cast<int32_t>(kPluginNames.size())
                       ? kPluginNames[static_cast<std::size_t>(plugin)]
                       : "(none)";
    place.call = callName(calls.call.load(std::memory_order_acquire));
    place.frame = calls.frame.load(std::memory_order_acquire);
    place.timeOfDayMs = calls.timeOfDayMs.load(std::memory_order_acquire);
    place.location = calls.location.load(std::memory_order_acquire);
    return place;
}

// "at frame 32 (08:00:00.512, 12.3 m)", "before the first frame (...)".
std::string whereText(const RunEnding::Place& place, int32_t call) {
    const std::string clock = fmt::format("{}, {:.1f} m", formatClock(place.timeOfDayMs), place.location);
    if (place.frame < 0) return fmt::format("before the first frame ({})", clock);
    if (call == exportIndex("Dispose") || call == kCallUnloading) {
        return fmt::format("after the last frame (frame {}, {})", place.frame, clock);
    }
    return fmt::format("at frame {} ({})", place.frame, clock);
}

// The outcome of a child that did not finish: what the call record says it was doing.
void judgeFault(const ReplayRecord& record, const ChildEnd& end, const SupervisedReplay& request,
                SupervisedOutcome& outcome) {
    const std::string how =
        end.timedOut ? fmt::format("did not return within {}", seconds(request.callTimeout)) : end.status.describe();
    const std::string file = outcome.journal.hasScenario ? outcome.journal.file : request.scenarioFile.string();
    const CallRecord& calls = record.calls;
    const int32_t call = calls.call.load(std::memory_order_acquire);
    RunEnding::Place place = placeOf(calls);
    if (CallRecord::inCall(calls.calls.load(std::memory_order_acquire))) {
        if (call == kCallLoading) {
            // The library never became a plug-in: the input is at fault, not the run.
            outcome.verdict = Verdict::BadInput;
            outcome.ending.how = RunEnding::How::BadInput;
            outcome.error = fmt::format("{}: cannot load plug-in {}: loading its library ended the replay: {}", file,
                                        place.plugin, how);
        } else {
            outcome.verdict = Verdict::Failed;
            outcome.ending.how = RunEnding::How::PluginFault;
            outcome.ending.message =
                fmt::format("plug-in {} failed in {} {}: {}", place.plugin, place.call, whereText(place, call), how);
        }
        outcome.ending.place = std::move(place);
        return;
    }
    switch (record.currentStage()) {
        case ReplayStage::Starting:
        case ReplayStage::Reading:
            outcome.verdict = Verdict::BadInput;
            outcome.ending.how = RunEnding::How::BadInput;
            outcome.error = fmt::format(
                "{}: the replay ended {}: {}", file,
                record.currentStage() == ReplayStage::Starting ? "before it began" : "while reading the scenario", how);
            return;
        case ReplayStage::Replaying:
        case ReplayStage::Finished: break;
    }
    outcome.verdict = Verdict::Failed;
    outcome.ending.how = RunEnding::How::ReplayFault;
    outcome.ending.message =
        call < 0 ? fmt::format("the replay ended before it called any plug-in: {}", how)
                 : fmt::format("the replay ended outside any plug-in call, after {} of plug-in {} {}: {}", place.call,
                               place.plugin, whereText(place, call), how);
}

// The outcome of a child that finished: its own verdict.
void judgeFinished(int32_t verdict, const SupervisedReplay& request, SupervisedOutcome& outcome) {
    const std::string file = outcome.journal.hasScenario ? outcome.journal.file : request.scenarioFile.string();
    switch (verdict) {
        case kChildPassed:
        case kChildFailed:
            outcome.verdict = verdict == kChildPassed ? Verdict::Passed : Verdict::Failed;
            outcome.ending.how =
                outcome.journal.stoppedEarly ? RunEnding::How::StoppedEarly : RunEnding::How::Completed;
            return;
        default:
            outcome.verdict = Verdict::BadInput;
            outcome.ending.how = RunEnding::How::BadInput;
            outcome.error = outcome.journal.error.value_or(file + ": the replay gave up without saying why");
            outcome.ending.message = outcome.error;
            return;
    }
}

}  // namespace

SupervisedOutcome superviseReplay(const SupervisedReplay& request) {
    SupervisedOutcome outcome;
    try {
        // Declared in this order so the mapping goes before the folder it lives in.
        TemporaryFolder folder;
        SharedMapping mapping(folder.path() / kRecordFile, sizeof(ReplayRecord), SharedMapping::Mode::Create);
        auto* record = new (mapping.data()) ReplayRecord;

        std::vector<std::string> arguments = {request.childCommand, "--run-folder", utf8Text(folder.path()), "--parent",
                                              std::to_string(currentProcessId())};
        arguments.insert(arguments.end(), request.childArguments.begin(), request.childArguments.end());
        // What this process printed goes out before the child's output.
        static_cast<void>(std::fflush(stdout));
        static_cast<void>(std::fflush(stderr));
        std::optional<ChildProcess::Capture> capture;
        if (request.captureOutput)
            capture = ChildProcess::Capture{folder.path() / "output.txt", folder.path() / "errors.txt"};
        ChildEnd end;
        {
            ChildProcess child(currentExecutable(), arguments, capture);
            end = watch(child, record->calls, request.callTimeout);
        }
        if (capture) {
            outcome.output = readWhole(capture->output);
            outcome.errors = readWhole(capture->errors);
        }

        outcome.journal = readJournal(folder.path() / kJournalFile);
        const int32_t verdict = record->verdict.load(std::memory_order_acquire);
        if (end.interrupted) {
            outcome.verdict = Verdict::Interrupted;
            outcome.ending.how = RunEnding::How::Interrupted;
        } else if (record->currentStage() == ReplayStage::Finished && end.status.exitedWith(verdict)) {
            judgeFinished(verdict, request, outcome);
        } else {
            judgeFault(*record, end, request, outcome);
        }
        if (request.trace && !completeTrace(*request.trace, record->trace) && outcome.error.empty()) {
            outcome.error = fmt::format("cannot write the last rows of the trace {}", request.trace->string());
        }
        if (request.summary && outcome.journal.hasScenario) {
            writeSummary(*request.summary, outcome.journal, record->figures, outcome.ending);
        }
    } catch (const std::runtime_error& e) {
        // No folder, no mapping, no child process, or no summary: none of it
        // says anything about the scenario, and the run cannot be judged.
        outcome.verdict = Verdict::BadInput;
        outcome.ending.how = RunEnding::How::BadInput;
        outcome.error = e.what();
    }
    return outcome;
}

}  // namespace cabkit::sim
