#include "check_battery.h"

#include <algorithm>
#include <bitset>
#include <fstream>
#include <utility>

#include <fmt/format.h>

#include "allocation_counter.h"
#include "file_checks.h"
#include "host_session.h"
#include "random_session.h"
#include "session_scripts.h"
#include "utf8_path.h"

namespace cabkit::sim::validate {
namespace {

constexpr double kFrameMs = 1000.0 / 60.0;
// Elapse may take this share of a frame at the 99th percentile before the
// time check warns: the host draws the frame in the rest, and other
// plug-ins share it.
constexpr double kElapseShare = 0.05;

const std::vector<CheckInfo> kBattery = {
    {"file.format", "a library of a known format for x86, its system and width compared with simhost's", "", false,
     false},
    {"file.exports", "the sixteen exports under their plain names", "file.format", false, false},
    {"file.imports", "every library it imports is beside it or on the system", "file.format", false, false},
    {"load", "it loads, and GetPluginVersion answers 0x20000 after Load", "file.exports", true, false},
    {"load.folder", "it loads and starts from a folder whose path has spaces and non-ASCII letters", "load", true,
     false},
    {"life.order", "a whole run in the documented order: no crash, no hang", "load", true, false},
    {"life.restart", "Initialize again mid-run, twice in a row, and after Dispose and a fresh load", "life.order", true,
     false},
    {"life.time", "Elapse with time standing still, going back, jumping hours, at the ends of its range", "life.order",
     true, false},
    {"life.early-events", "every event between Initialize and the first Elapse", "life.order", true, false},
    {"life.keys", "every key 0 to 15 held and released, and keys outside that range", "life.order", true, false},
    {"life.beacons", "beacons of every type -1 to 1100 and the int32 edges, with edge values", "life.order", true,
     false},
    {"life.states", "NaN, infinite, negative and huge speeds, locations and measured values", "life.order", true,
     false},
    {"life.notches", "vehicles with no, huge and negative notch counts, handles set past them", "life.order", true,
     false},
    {"arrays", "writes only inside the panel and sound arrays, and only in Elapse; lists the slots it writes",
     "life.order", true, false},
    {"arrays.conflicts", "with several plug-ins, no slot written by more than one", "life.order", true, true},
    {"time", "Elapse time (median, 99th percentile, maximum) in a steady and a busy run", "life.order", true, false},
    {"alloc", "no heap allocation in steady Elapse", "life.order", true, false},
    {"determinism", "the same run twice, the second after a fresh load, gives the same outputs", "life.order", true,
     false},
    {"random", "random sessions of host calls for --budget seconds: no crash, no fault", "*", true, false},
};

Script joined(std::initializer_list<Script> parts) {
    Script all;
    bool first = true;
    for (const Script& part : parts) {
        if (!std::exchange(first, false)) {
            HostCall reload;
            reload.call = Call::Reload;
            reload.plugin = 0;
            all.push_back(reload);
        }
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

int64_t frameCount(const Script& script) {
    return std::count_if(script.begin(), script.end(), [](const HostCall& c) { return c.call == Call::Elapse; });
}

// "12-14 20" for the set slots.
template <std::size_t N>
std::string slotList(const std::bitset<N>& slots) {
    std::string text;
    for (std::size_t slot = 0; slot < N; ++slot) {
        if (!slots.test(slot) || (slot > 0 && slots.test(slot - 1))) continue;
        std::size_t last = slot;
        while (last + 1 < N && slots.test(last + 1)) ++last;
        if (!text.empty()) text += ' ';
        text += last == slot ? std::to_string(slot) : fmt::format("{}-{}", slot, last);
    }
    return text;
}

// Runs a script on the request's first plug-in, without judging the arrays:
// what the life-cycle checks ask is that each call returns.
CheckResult survives(const CheckRequest& request, const Script& script, const char* subject) {
    SessionOptions options;
    options.log = request.log;
    options.work = request.work;
    HostSession session({request.plugins.front()}, options);
    const SessionOutcome outcome = session.run(script);
    if (!outcome.fault.empty()) return failed(outcome.fault, "answer the interface version in every call");
    return passed(fmt::format("{} calls, {} frames, {}: each returned", script.size(), frameCount(script), subject));
}

CheckResult loads(const CheckRequest& request, const std::filesystem::path& file) {
    SessionOptions options;
    options.log = request.log;
    options.work = request.work;
    HostSession session({file}, options);
    Script script;
    for (const Call call : {Call::Load, Call::GetPluginVersion, Call::Dispose}) {
        HostCall c;
        c.call = call;
        c.plugin = 0;
        script.push_back(c);
    }
    const SessionOutcome outcome = session.run(script);
    if (!outcome.fault.empty()) {
        return failed(outcome.fault, "return 0x20000 from GetPluginVersion: the version of this interface");
    }
    return passed("loads, and answers version 0x20000");
}

CheckResult strangeFolder(const CheckRequest& request) {
    const std::filesystem::path& file = request.plugins.front();
    const std::filesystem::path folder =
        request.work / pathFromUtf8("a folder with spaces, \xc3\xa4\xc3\xb6 and \xe8\xb7\xaf\xe5\xbe\x84");
    std::filesystem::create_directories(folder);
    // The library, its settings (files of its stem) and libraries beside it.
    std::error_code error;
    const std::filesystem::path source = file.parent_path().empty() ? "." : file.parent_path();
    for (const auto& entry : std::filesystem::directory_iterator(source, error)) {
        const auto& path = entry.path();
        const std::string extension = utf8Text(path.extension());
        if (entry.is_regular_file(error) &&
            (path.stem() == file.stem() || extension == ".dll" || extension == ".DLL" || extension == ".so")) {
            std::filesystem::copy_file(path, folder / path.filename(), std::filesystem::copy_options::skip_existing,
                                       error);
        }
    }
    std::filesystem::copy_file(file, folder / file.filename(), std::filesystem::copy_options::skip_existing, error);
    CheckResult result = loads(request, folder / file.filename());
    if (result.status == Status::Pass) {
        result.reason = fmt::format("loads and answers from \"{}\"", utf8Text(folder.filename()));
    }
    return result;
}

CheckResult arrays(const CheckRequest& request) {
    SessionOptions options;
    options.guardedArrays = true;
    options.judgeArrays = true;
    options.log = request.log;
    options.work = request.work;
    HostSession session({request.plugins.front()}, options);
    const SessionOutcome outcome = session.run(joined({documentedOrder(), busyRun(600)}));
    if (!outcome.fault.empty()) {
        return failed(outcome.fault, "write the panel and sound arrays in Elapse only, through the pointers it hands");
    }
    const PluginObservation& seen = outcome.plugins.front();
    CheckResult result = passed(fmt::format("inside the arrays and in Elapse only; writes panel {}, sound {}",
                                            seen.panelWritten.none() ? "none" : slotList(seen.panelWritten),
                                            seen.soundWritten.none() ? "none" : slotList(seen.soundWritten)));
    result.facts.emplace_back("panel", slotList(seen.panelWritten));
    result.facts.emplace_back("sound", slotList(seen.soundWritten));
    return result;
}

CheckResult conflicts(const CheckRequest& request) {
    if (request.plugins.size() < 2) return skipped("one plug-in: nothing to conflict with");
    // Each alone on arrays of its own: side by side, a plug-in that writes
    // the value another has just written changes nothing, and is not seen.
    std::vector<PluginObservation> seen;
    for (const auto& plugin : request.plugins) {
        SessionOptions options;
        options.log = request.log;
        options.work = request.work;
        HostSession session({plugin}, options);
        const SessionOutcome outcome = session.run(joined({documentedOrder(), busyRun(600)}));
        if (!outcome.fault.empty()) return failed(outcome.fault, "answer the interface version in every call");
        seen.push_back(outcome.plugins.front());
    }
    std::vector<std::string> found;
    for (std::size_t a = 0; a < seen.size(); ++a) {
        for (std::size_t b = a + 1; b < seen.size(); ++b) {
            const auto panel = seen[a].panelWritten & seen[b].panelWritten;
            const auto sound = seen[a].soundWritten & seen[b].soundWritten;
            const std::string first = utf8Text(request.plugins[a].filename());
            const std::string second = utf8Text(request.plugins[b].filename());
            if (panel.any())
                found.push_back(fmt::format("{} and {} both write panel {}", first, second, slotList(panel)));
            if (sound.any())
                found.push_back(fmt::format("{} and {} both write sound {}", first, second, slotList(sound)));
        }
    }
    if (!found.empty()) {
        return failed(fmt::format("{}", fmt::join(found, "; ")),
                      "give each plug-in slots of its own: move one, or make it configurable");
    }
    return passed(fmt::format("{} plug-ins: no slot written by two", request.plugins.size()));
}

struct Spread {
    double median = 0, p99 = 0, max = 0;  // microseconds
};

Spread spreadOf(std::vector<int64_t> nanoseconds) {
    Spread spread;
    if (nanoseconds.empty()) return spread;
    std::sort(nanoseconds.begin(), nanoseconds.end());
    const auto at = [&](double share) {
        return static_cast<double>(
                   nanoseconds[static_cast<std::size_t>(share * static_cast<double>(nanoseconds.size() - 1))]) /
               1000.0;
    };
    spread.median = at(0.5);
    spread.p99 = at(0.99);
    spread.max = static_cast<double>(nanoseconds.back()) / 1000.0;
    return spread;
}

CheckResult timing(const CheckRequest& request) {
    SessionOptions options;
    options.timeElapse = true;
    options.log = request.log;
    options.work = request.work;
    std::vector<std::pair<const char*, Spread>> runs;
    for (const auto& [name, script] : {std::pair{"steady", steadyRun(2000)}, std::pair{"busy", busyRun(2000)}}) {
        HostSession session({request.plugins.front()}, options);
        const SessionOutcome outcome = session.run(script);
        if (!outcome.fault.empty()) return failed(outcome.fault, "answer the interface version in every call");
        runs.emplace_back(name, spreadOf(outcome.plugins.front().elapseNanoseconds));
    }
    std::vector<std::string> parts;
    double worst = 0;
    for (const auto& [name, spread] : runs) {
        parts.push_back(fmt::format("{}: median {:.1f} us, p99 {:.1f} us, max {:.1f} us", name, spread.median,
                                    spread.p99, spread.max));
        worst = std::max(worst, spread.p99);
    }
    const double limit = kFrameMs * 1000.0 * kElapseShare;
    const std::string text = fmt::format("{}", fmt::join(parts, "; "));
    CheckResult result = worst > limit
                             ? warned(fmt::format("{}: the p99 is over {:.0f} us, {:.0f}% of a 16.7 ms frame", text,
                                                  limit, kElapseShare * 100.0),
                                      "move work out of Elapse: precompute in Initialize, spread it over frames")
                             : passed(text);
    for (const auto& [name, spread] : runs) {
        result.facts.emplace_back(name, fmt::format("{:.3f} {:.3f} {:.3f}", spread.median, spread.p99, spread.max));
    }
    return result;
}

CheckResult allocation(const CheckRequest& request) {
    if (!kCanCountAllocations) {
        return skipped("a DLL allocates through its own C runtime, which simhost cannot count on this system",
                       "count on Linux with a build of the plug-in for it, if there is one");
    }
    constexpr int64_t kWarmUp = 300;
    SessionOptions options;
    options.countAllocationsFrom = kWarmUp;
    options.log = request.log;
    options.work = request.work;
    HostSession session({request.plugins.front()}, options);
    const SessionOutcome outcome = session.run(steadyRun(2000));
    if (!outcome.fault.empty()) return failed(outcome.fault, "answer the interface version in every call");
    const PluginObservation& seen = outcome.plugins.front();
    if (seen.elapseAllocations > 0) {
        return failed(
            fmt::format("{} heap allocations in {} steady Elapse calls", seen.elapseAllocations, seen.countedElapses),
            "allocate in Load or Initialize and reuse it; no growing strings or lists in a frame");
    }
    return passed(fmt::format("no allocation in {} steady Elapse calls", seen.countedElapses));
}

CheckResult determinism(const CheckRequest& request) {
    SessionOptions options;
    options.log = request.log;
    options.work = request.work;
    HostSession session({request.plugins.front()}, options);
    const Script script = joined({documentedOrder(), busyRun(600)});
    const SessionOutcome first = session.run(script);
    const SessionOutcome second = session.run(joined({{}, script}));
    for (const auto* outcome : {&first, &second}) {
        if (!outcome->fault.empty()) return failed(outcome->fault, "answer the interface version in every call");
    }
    const auto [a, b] = std::mismatch(first.frameDigests.begin(), first.frameDigests.end(), second.frameDigests.begin(),
                                      second.frameDigests.end());
    if (a != first.frameDigests.end() || b != second.frameDigests.end()) {
        return failed(fmt::format("Elapse {} of the same run, after a fresh load, gave other outputs",
                                  a - first.frameDigests.begin()),
                      "take time only from the state the host hands, seed randomness from it, and reset all state "
                      "in Initialize");
    }
    return passed(fmt::format("{} frames, twice, the same outputs", first.frameDigests.size()));
}

CheckResult replay(const CheckRequest& request) {
    std::string error;
    const auto script = readScript(request.script, error);
    if (!script) return failed(fmt::format("{}: {}", utf8Text(request.script), error), "give a file of host calls");
    SessionOptions options;
    options.guardedArrays = true;
    options.judgeArrays = true;
    options.log = request.log;
    options.work = request.work;
    HostSession session(request.plugins, options);
    const SessionOutcome outcome = session.run(*script);
    if (!outcome.fault.empty()) return failed(outcome.fault, "the last call of the file is where it breaks");
    return passed(fmt::format("{} calls replayed: each returned, nothing broken", script->size()));
}

}  // namespace

const std::vector<CheckInfo>& battery() { return kBattery; }

const CheckInfo* findCheck(const std::string& name) {
    for (const CheckInfo& info : kBattery) {
        if (name == info.name) return &info;
    }
    return nullptr;
}

CheckResult runCheck(const CheckRequest& request) {
    const std::string& name = request.check;
    if (request.plugins.empty()) return failed("no plug-in given", "name the plug-in's file");
    const std::filesystem::path& file = request.plugins.front();
    try {
        if (name == "file.format") return checkFormat(file);
        if (name == "file.exports") return checkExports(file);
        if (name == "file.imports") return checkImports(file);
        if (name == "load") return loads(request, file);
        if (name == "load.folder") return strangeFolder(request);
        if (name == "life.order") return survives(request, documentedOrder(), "in the documented order");
        if (name == "life.restart") return survives(request, restarts(), "restarted three ways");
        if (name == "life.time") return survives(request, timeTravel(), "time still, back, ahead and at its edges");
        if (name == "life.early-events") return survives(request, earlyEvents(), "every event before the first frame");
        if (name == "life.keys") return survives(request, keys(), "every key and keys outside 0..15");
        if (name == "life.beacons") return survives(request, beacons(), "over a thousand beacon types");
        if (name == "life.states") return survives(request, oddStates(), "NaN, infinite and huge values");
        if (name == "life.notches") return survives(request, notches(), "five odd vehicles");
        if (name == "arrays") return arrays(request);
        if (name == "arrays.conflicts") return conflicts(request);
        if (name == "time") return timing(request);
        if (name == "alloc") return allocation(request);
        if (name == "determinism") return determinism(request);
        if (name == "random") return randomSessions(request);
        if (name == kReplayCheck) return replay(request);
    } catch (const LoadError& e) {
        return failed(e.what(), "see the loader's reason: a missing library, a missing symbol, a failing constructor");
    } catch (const std::exception& e) {
        return failed(fmt::format("simhost could not run the check: {}", e.what()), "report this to simhost's authors");
    }
    return failed(fmt::format("no check is named {}", name), "see simhost validate --list");
}

}  // namespace cabkit::sim::validate
