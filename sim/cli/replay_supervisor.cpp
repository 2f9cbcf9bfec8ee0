#include "replay_supervisor.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <new>
#include <stdexcept>
#include <utility>

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
using Names = std::vector<std::string>;

// How the child ended, as far as the supervisor saw it.
struct ChildEnd {
    ExitStatus status;
    bool timedOut = false;  // a plug-in call did not return
    bool stalled = false;   // the replay stood still outside any call
    bool interrupted = false;
    int32_t signal = 0;  // a signal the child's group sent to simhost
};

// Outside plug-in calls the replay is simhost's own code, which moves on
// within moments; once the plug-ins are unloaded it writes its reports,
// which may take a while (gnuplot).
std::chrono::milliseconds outsideCallLimit(const CallRecord& calls, std::chrono::milliseconds timeout) {
    const bool reporting = calls.call.load(std::memory_order_acquire) == kCallUnloading;
    return std::max(timeout, reporting ? std::chrono::milliseconds(60000) : std::chrono::milliseconds(10000));
}

// Waits for the child, and ends it when a plug-in call has not returned
// within the timeout, when it stands still outside the calls, when its
// group signals simhost, or when the user interrupts simhost. The call
// record is read a few times a second; while its counter and frame stand
// still, the replay has been where it is since they were first seen there.
ChildEnd watch(ChildProcess& child, const CallRecord& calls, std::chrono::milliseconds timeout) {
    const auto poll = std::min<std::chrono::milliseconds>(std::chrono::milliseconds(100), timeout / 4);
    uint64_t seen = calls.calls.load(std::memory_order_acquire);
    int64_t seenFrame = calls.frame.load(std::memory_order_acquire);
    auto seenSince = Clock::now();
    for (;;) {
        if (auto status = child.waitFor(poll)) {
            return ChildEnd{*status, false, false, child.signalSent() == 0 && interruptRequested(), child.signalSent()};
        }
        if (const int32_t signal = child.signalSent(); signal != 0)
            return ChildEnd{child.kill(), false, false, false, signal};
        if (interruptRequested()) return ChildEnd{child.kill(), false, false, true, 0};
        const uint64_t now = calls.calls.load(std::memory_order_acquire);
        const int64_t frame = calls.frame.load(std::memory_order_acquire);
        const auto standing = Clock::now() - seenSince;
        if (now != seen || frame != seenFrame) {
            seen = now;
            seenFrame = frame;
            seenSince = Clock::now();
        } else if (CallRecord::inCall(now) && standing >= timeout) {
            return ChildEnd{child.kill(), true, false, false, 0};
        } else if (!CallRecord::inCall(now) && standing >= outsideCallLimit(calls, timeout)) {
            return ChildEnd{child.kill(), false, true, false, 0};
        }
    }
}

std::string seconds(std::chrono::milliseconds duration) {
    return fmt::format("{:g} s", static_cast<double>(duration.count()) / 1000.0);
}

// The plug-in of index `plugin` in `names` (the run's plug-ins), or `otherwise`.
std::string pluginName(const Names& names, int32_t plugin, const char* otherwise) {
    return plugin >= 0 && plugin < static_cast<int32_t>(names.size()) ? names[static_cast<std::size_t>(plugin)]
                                                                      : std::string(otherwise);
}

RunEnding::Place placeOf(const CallRecord& calls, const Names& names) {
    RunEnding::Place place;
    place.plugin = pluginName(names, calls.plugin.load(std::memory_order_acquire), "(none)");
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

// "writing past the end of the panel array (slot 256)" for a crash at one of
// the arrays' guarded pages, else nothing.
std::string guardedPageText(const CallRecord& calls, const ExitStatus& status) {
    if (status.how != ExitStatus::How::Signalled) return {};
    const uint64_t at = calls.breach.faultAddress.load(std::memory_order_acquire);
    constexpr uint64_t kBytes = CABKIT_PANEL_SLOTS * sizeof(int32_t);
    constexpr uint64_t kGuard = 4096;  // a page behind each array, canary and a page in front
    static_assert(CABKIT_PANEL_SLOTS == CABKIT_SOUND_SLOTS, "one length for both arrays");
    const std::pair<uint64_t, const char*> arrays[] = {{calls.breach.panelStart.load(), "panel"},
                                                       {calls.breach.soundStart.load(), "sound"}};
    if (at == 0) return {};
    for (const auto& [start, name] : arrays) {
        if (start != 0 && at >= start + kBytes && at < start + kBytes + kGuard) {
            return fmt::format(", reaching past the end of the {} array (slot {})", name, (at - start) / 4);
        }
    }
    for (const auto& [start, name] : arrays) {
        if (start != 0 && at < start && start - at <= 2 * kGuard) {
            return fmt::format(", reaching in front of the {} array (slot -{})", name, (start - at + 3) / 4);
        }
    }
    return {};
}

const char* arrayName(int32_t array) { return array == 0 ? "panel" : "sound"; }

// The plug-in a breach or fork names, with its place; "(unknown)" when it is not known.
RunEnding::Place placeFor(const CallRecord& calls, const Names& names, int32_t plugin, int32_t call, int64_t frame,
                          bool known) {
    RunEnding::Place place = placeOf(calls, names);
    place.plugin = known ? pluginName(names, plugin, "(unknown)") : std::string("(unknown)");
    place.call = callName(call);
    place.frame = frame;
    return place;
}

// "after Elapse of plug-in Velorin at frame 3 (...)": the last call, for a fault no call can be blamed for.
std::string afterText(const CallRecord& calls, const Names& names, int32_t plugin, int32_t call, int64_t frame) {
    RunEnding::Place place = placeFor(calls, names, plugin, call, frame, true);
    if (call < 0) return "before any plug-in was called";
    return fmt::format("after {} of plug-in {} {}", place.call, place.plugin, whereText(place, call));
}

// What the replay found wrong with the arrays, a fork, or a signal to simhost; false when none.
bool judgeContainment(const CallRecord& calls, const Names& names, const ChildEnd& end, SupervisedOutcome& outcome) {
    const BreachRecord& breach = calls.breach;
    const auto kind = static_cast<Breach>(breach.kind.load(std::memory_order_acquire));
    const int32_t plugin = breach.plugin.load();
    const int32_t call = breach.call.load();
    const int64_t frame = breach.frame.load();
    const std::string array = arrayName(breach.array.load());
    const std::string change =
        fmt::format("slot {} from {} to {}", breach.slot.load(), breach.before.load(), breach.after.load());
    std::string message;
    bool known = true;
    RunEnding::Place place = placeFor(calls, names, plugin, call, frame, true);
    switch (kind) {
        case Breach::None: break;
        case Breach::WrittenInOtherCall:
            message = fmt::format("plug-in {} failed in {} {}: it changed the {} array outside Elapse ({})",
                                  place.plugin, place.call, whereText(place, call), array, change);
            break;
        case Breach::WrittenBetweenCalls:
            known = false;
            message = fmt::format(
                "the {} array changed while no plug-in was called ({}), {}: a plug-in's thread "
                "wrote it; which plug-in is not known",
                array, change, afterText(calls, names, plugin, call, frame));
            break;
        case Breach::InFrontOfArray:
            message = fmt::format("plug-in {} failed in Elapse {}: it wrote in front of slot 0 of the {} array",
                                  place.plugin, whereText(place, call), array);
            break;
        case Breach::InFrontUnattributed:
            known = false;
            message = fmt::format(
                "a plug-in wrote far in front of slot 0 of the {} array in frame {}; which "
                "plug-in is not known",
                array, frame);
            break;
    }
    if (message.empty() && end.signal != 0) {
        const bool inCall = CallRecord::inCall(calls.calls.load(std::memory_order_acquire));
        const int32_t last = calls.call.load();
        place = placeOf(calls, names);
        if (inCall) {
            message = fmt::format(
                "plug-in {} failed in {} {}: simhost received signal {} from the replay while it "
                "was in this call",
                place.plugin, place.call, whereText(place, last), signalText(end.signal));
        } else {
            known = false;
            message = fmt::format(
                "the replay sent signal {} to simhost outside any plug-in call, {}; which "
                "plug-in is not known",
                signalText(end.signal), afterText(calls, names, calls.plugin.load(), last, place.frame));
        }
    }
    if (message.empty() && breach.forks.load(std::memory_order_acquire) > 0) {
        const int32_t forkPlugin = breach.forkPlugin.load();
        const int32_t forkCall = breach.forkCall.load();
        const int64_t forkFrame = breach.forkFrame.load();
        place = placeFor(calls, names, forkPlugin, forkCall, forkFrame, true);
        place.timeOfDayMs = breach.forkTimeOfDayMs.load();
        place.location = breach.forkLocation.load();
        if (breach.forkInCall.load() != 0) {
            message = fmt::format(
                "plug-in {} failed in {} {}: it forked the replay process (the copy was ended "
                "before it replayed anything)",
                place.plugin, place.call, whereText(place, forkCall));
        } else {
            known = false;
            message = fmt::format(
                "a plug-in's thread forked the replay process, {} (the copy was ended before it "
                "replayed anything); which plug-in is not known",
                afterText(calls, names, forkPlugin, forkCall, forkFrame));
        }
    }
    if (message.empty()) return false;
    if (!known) place.plugin = "(unknown)";
    outcome.verdict = Verdict::Failed;
    outcome.ending.how = RunEnding::How::PluginFault;
    outcome.ending.message = std::move(message);
    outcome.ending.place = std::move(place);
    return true;
}

// The outcome of a child that did not finish: what the call record says it was doing.
void judgeFault(const ReplayRecord& record, const ChildEnd& end, const SupervisedReplay& request,
                SupervisedOutcome& outcome) {
    std::string how = end.status.describe();
    if (end.timedOut) how = fmt::format("did not return within {}", seconds(request.callTimeout));
    if (end.stalled) {
        how = fmt::format(
            "it stood still for {} and was ended (a plug-in's thread may hold what it waits for; which "
            "plug-in is not known)",
            seconds(outsideCallLimit(record.calls, request.callTimeout)));
    }
    how += guardedPageText(record.calls, end.status);
    const std::string file = outcome.journal.hasScenario ? outcome.journal.file : request.scenarioFile.string();
    const CallRecord& calls = record.calls;
    const int32_t call = calls.call.load(std::memory_order_acquire);
    RunEnding::Place place = placeOf(calls, request.pluginNames);
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
            if (!outcome.journal.ended) {
                // Its verdict cannot be checked against a journal cut short.
                outcome.verdict = Verdict::Failed;
                outcome.ending.how = RunEnding::How::ReplayFault;
                outcome.ending.message =
                    "the replay finished, but its journal ends before the run did (a plug-in may have closed or "
                    "replaced the replay's files; which plug-in is not known)";
                return;
            }
            outcome.verdict = verdict == kChildPassed ? Verdict::Passed : Verdict::Failed;
            outcome.ending.how =
                outcome.journal.stoppedEarly ? RunEnding::How::StoppedEarly : RunEnding::How::Completed;
            return;
        default:
            outcome.verdict = Verdict::BadInput;
            outcome.ending.how = RunEnding::How::BadInput;
            // A journal without the reason: the replay could not write it.
            outcome.error = outcome.journal.error.value_or(
                file +
                ": the replay gave up and could not write why into its journal (a plug-in may have closed "
                "or replaced the replay's files)");
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
        ChildEnd end;
        {
            ChildProcess child(currentExecutable(), arguments, request.captureOutput);
            end = watch(child, record->calls, request.callTimeout);
            outcome.output = child.output().kept;
            outcome.errors = child.errors().kept;
            for (const auto& [stream, name] :
                 {std::pair{&child.output(), "standard output"}, std::pair{&child.errors(), "standard error"}}) {
                if (stream->cut() == 0) continue;
                outcome.errors += fmt::format(
                    "simhost: the replay wrote {} bytes to its {}; the {} after the "
                    "first {} were not shown\n",
                    stream->bytes, name, stream->cut(), kChildOutputLimit);
            }
        }

        outcome.journal = readJournal(folder.path() / kJournalFile);
        const int32_t verdict = record->verdict.load(std::memory_order_acquire);
        if (end.interrupted) {
            outcome.verdict = Verdict::Interrupted;
            outcome.ending.how = RunEnding::How::Interrupted;
        } else if (judgeContainment(record->calls, request.pluginNames, end, outcome)) {
            // a breach, a fork or a signal: the plug-in's fault, whatever the child said
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
