// Everything a replay shares with its supervisor, laid out in one file that
// both map: how far the replay got and its verdict, the plug-in call it is
// in, the run's figures and the trace rows not yet written. The replay writes
// it as it runs; the supervisor reads the call record while it runs and the
// rest once it has ended, however it ended.
#ifndef CABKIT_SIM_REPLAY_RECORD_H
#define CABKIT_SIM_REPLAY_RECORD_H

#include <atomic>
#include <cstdint>
#include <type_traits>

#include "call_record.h"
#include "run_figures.h"
#include "trace_writer.h"

namespace cabkit::sim {

enum class ReplayStage : int32_t {
    Starting = 0,   // the process has not taken up the record yet
    Reading = 1,    // reading the scenario
    Replaying = 2,  // loading the plug-ins, the frames, unloading, the chart
    Finished = 3,   // the verdict is set, and the process exits with it
};

struct ReplayRecord {
    static constexpr uint32_t kMagic = 0x73696d72U;  // "simr"

    uint32_t magic = kMagic;
    uint32_t size = sizeof(ReplayRecord);
    std::atomic<int32_t> stage{static_cast<int32_t>(ReplayStage::Starting)};
    std::atomic<int32_t> verdict{-1};  // the exit code the replay finished with
    CallRecord calls;
    FigureRecord figures{};
    TraceSpool trace;

    // Whether the mapping holds a record this build laid out.
    bool valid() const { return magic == kMagic && size == sizeof(ReplayRecord); }
    void setStage(ReplayStage now) { stage.store(static_cast<int32_t>(now), std::memory_order_release); }
    ReplayStage currentStage() const { return static_cast<ReplayStage>(stage.load(std::memory_order_acquire)); }
};
static_assert(std::is_standard_layout_v<ReplayRecord>, "laid out alike by both processes");
static_assert(std::atomic<int32_t>::is_always_lock_free, "read from another process");

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_REPLAY_RECORD_H
