// The frame-by-frame trace: one CSV row per frame. Rows go to the file in
// blocks as the run goes; the rows of a block not yet written go out at the
// end of the run, or from the crash handler when a plug-in brings the process
// down, so a run that ends early leaves every frame up to its end.
#ifndef CABKIT_SIM_TRACE_WRITER_H
#define CABKIT_SIM_TRACE_WRITER_H

#include <cstdint>
#include <filesystem>
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

class TraceWriter : public ReplayObserver {
public:
    // Throws std::runtime_error when the file cannot be created.
    TraceWriter(const std::filesystem::path& path, std::vector<TraceSlot> slots);
    ~TraceWriter() override;
    TraceWriter(const TraceWriter&) = delete;
    TraceWriter& operator=(const TraceWriter&) = delete;

    void onStart(const ReplayContext& context) override;
    void onFrame(const Frame& frame) override;
    void onEnd(const Frame& last) override;

    // Rows are written once this many bytes are waiting.
    static constexpr std::size_t kBlockBytes = std::size_t{64} * 1024;

private:
    void flush();

    std::filesystem::path path_;
    std::vector<TraceSlot> slots_;
    int fd_ = -1;
    fmt::memory_buffer buffer_;
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_TRACE_WRITER_H
