// Which plug-in call a replay is in, and where the train is: what the
// supervisor's watchdog reads while the replay runs and what a fault report
// names after it died. The replay writes it with plain stores (a counter and
// a few fields per call, no system call), the supervisor reads it from
// another process through a shared mapping.
#ifndef CABKIT_SIM_CALL_RECORD_H
#define CABKIT_SIM_CALL_RECORD_H

#include <atomic>
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "plugin_table.h"

namespace cabkit::sim {

// A call into a plug-in: one of its exports (an index into
// kCabkitExportNames), or the system loading or unloading its library (the
// library's own constructors and destructors run then).
inline constexpr int32_t kCallLoading = CABKIT_EXPORT_COUNT;
inline constexpr int32_t kCallUnloading = CABKIT_EXPORT_COUNT + 1;
// "Elapse", "loading the library", ...; "no call" for any other value.
const char* callName(int32_t call);
// The index of an export in kCabkitExportNames, or -1.
constexpr int32_t exportIndex(std::string_view name) {
    for (int32_t i = 0; i < CABKIT_EXPORT_COUNT; ++i) {
        if (name == kCabkitExportNames[i]) return i;
    }
    return -1;
}

// What the replay found wrong with the shared arrays or its own process,
// told once before it ends itself (see PluginHost).
enum class Breach : int32_t {
    None = 0,
    WrittenBetweenCalls,  // an array changed while no plug-in was called
    WrittenInOtherCall,   // an array changed during an export other than Elapse
    InFrontOfArray,       // the bytes in front of slot 0 changed during Elapse
    InFrontUnattributed,  // the same, found only at the end of a frame
};

// The exit code of a replay that ended itself for a breach.
inline constexpr int kBreachExit = 75;

struct BreachRecord {
    std::atomic<int32_t> kind{0};
    std::atomic<int32_t> plugin{-1};  // the plug-in called (or called last), as in CallRecord
    std::atomic<int32_t> call{-1};
    std::atomic<int64_t> frame{-1};
    std::atomic<int32_t> array{0};  // 0 the panel, 1 the sound array
    std::atomic<int32_t> slot{0};
    std::atomic<int32_t> before{0};
    std::atomic<int32_t> after{0};
    // Where slot 0 of each array lies and how long the arrays are, so that a
    // crash at a guarded page can be told from another.
    std::atomic<uint64_t> panelStart{0};
    std::atomic<uint64_t> soundStart{0};
    std::atomic<uint64_t> faultAddress{0};
    // A copy of the process made by fork() inside the replay: it counts here
    // (the copy ends itself before it replays anything), with the call it was
    // made in.
    std::atomic<int32_t> forks{0};
    std::atomic<int32_t> forkPlugin{-1};
    std::atomic<int32_t> forkCall{-1};
    std::atomic<int64_t> forkFrame{-1};
    std::atomic<int64_t> forkTimeOfDayMs{0};
    std::atomic<double> forkLocation{0.0};
    std::atomic<int32_t> forkInCall{0};
};

struct CallRecord {
    // Raised as a plug-in call begins and again as it returns, so it is odd
    // while a call runs and a call that does not return leaves it standing.
    std::atomic<uint64_t> calls{0};
    std::atomic<int32_t> plugin{-1};  // index into kPluginNames of the plug-in called last
    std::atomic<int32_t> call{-1};    // what was called last (see kCallLoading)
    // The frame the calls belong to (the events before a frame are delivered
    // at its time and place); -1 before the first frame.
    std::atomic<int64_t> frame{-1};
    std::atomic<int64_t> timeOfDayMs{0};
    std::atomic<double> location{0.0};
    BreachRecord breach;

    void enter(int32_t pluginIndex, int32_t what) {
        plugin.store(pluginIndex, std::memory_order_relaxed);
        call.store(what, std::memory_order_relaxed);
        calls.store(calls.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }
    void leave() { calls.store(calls.load(std::memory_order_relaxed) + 1, std::memory_order_release); }
    void at(int64_t frameIndex, int64_t time, double place) {
        frame.store(frameIndex, std::memory_order_relaxed);
        timeOfDayMs.store(time, std::memory_order_relaxed);
        location.store(place, std::memory_order_relaxed);
    }
    static bool inCall(uint64_t count) { return count % 2 == 1; }
};

// Two processes share it: its fields must need no lock and no constructor
// the other side could miss.
static_assert(std::atomic<uint64_t>::is_always_lock_free && std::atomic<int64_t>::is_always_lock_free &&
                  std::atomic<int32_t>::is_always_lock_free && std::atomic<double>::is_always_lock_free,
              "the call record is read from another process");
static_assert(std::is_standard_layout_v<CallRecord>);

// Enters a call for the length of a scope, and leaves it however the scope ends.
class CallScope {
public:
    CallScope(CallRecord& record, int32_t pluginIndex, int32_t what) : record_(record) {
        record_.enter(pluginIndex, what);
    }
    ~CallScope() { record_.leave(); }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

private:
    CallRecord& record_;
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_CALL_RECORD_H
