// The frame-by-frame trace: one CSV row per frame. Rows go to the file in
// blocks as the run goes. A block waits in a spool, which may sit in memory
// the replay's supervisor sees: when a plug-in brings the process down, the
// supervisor writes out the rows still waiting (completeTrace), so the trace
// holds every frame up to the fault.
#ifndef CABKIT_SIM_TRACE_WRITER_H
#define CABKIT_SIM_TRACE_WRITER_H

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "replay.h"

namespace cabkit::sim {

struct TraceSlot {
    bool sound = false;
    int32_t slot = 0;
};

// The slots traced unless the user chooses: what the plug-ins tell one another
// and the lamps and sounds of the interventions.
std::vector<TraceSlot> defaultTraceSlots();

// "p72,p75,s0,p150-158": p for a panel slot, s for a sound slot, ranges
// inclusive. Gives an error text instead when the list cannot be read.
std::optional<std::vector<TraceSlot>> parseTraceSlots(std::string_view text, std::string& error);

// Whole rows not yet in the file, and how much of the trace is. `bytes` is
// read only up to `pending`, so never before it is written.
struct TraceSpool {  // NOLINT(cppcoreguidelines-pro-type-member-init)
    static constexpr std::size_t kCapacity = std::size_t{96} * 1024;
    // Bytes of the trace in the file before the spool's first byte. The
    // writer empties the spool before it counts them here, so a process that
    // dies between the two leaves a state that never writes a row twice.
    std::atomic<uint64_t> written{0};
    std::atomic<uint32_t> pending{0};  // bytes of whole rows in `bytes`
    char bytes[kCapacity];
};
static_assert(std::atomic<uint32_t>::is_always_lock_free && std::atomic<uint64_t>::is_always_lock_free,
              "the spool is read from another process");

// After the writer's process ended, however it ended: appends the rows of
// `spool` that the file at `path` lacks. False when they cannot be written.
bool completeTrace(const std::filesystem::path& path, const TraceSpool& spool);

class TraceWriter : public ReplayObserver {
public:
    // Rows wait in `spool` (null: one of the writer's own). Throws
    // std::runtime_error when the file cannot be created.
    TraceWriter(const std::filesystem::path& path, std::vector<TraceSlot> slots, TraceSpool* spool = nullptr);
    ~TraceWriter() override;
    TraceWriter(const TraceWriter&) = delete;
    TraceWriter& operator=(const TraceWriter&) = delete;

    void onStart(const ReplayContext& context) override;
    void onFrame(const Frame& frame) override;
    void onEnd(const Frame& last) override;
    // Writes the rows still waiting and closes the file. Throws
    // std::runtime_error when the system reports that any of it was lost.
    void close();

    // Rows are written once this many bytes are waiting.
    static constexpr std::size_t kBlockBytes = std::size_t{64} * 1024;

private:
    void flush();
    // Moves the row formatted in row_ into the spool.
    void spoolRow();
    // A frame's row from `out` on (at most rowBound_ bytes); returns its end.
    char* writeRow(char* out, const Frame& frame) const;

    std::filesystem::path path_;
    std::vector<TraceSlot> slots_;
    std::size_t plugins_ = 0;
    int fd_ = -1;
    std::unique_ptr<TraceSpool> ownSpool_;
    TraceSpool* spool_;
    fmt::memory_buffer row_;
    std::size_t rowBound_ = 0;  // the longest row onFrame can write
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_TRACE_WRITER_H
