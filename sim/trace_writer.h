// The frame-by-frame trace: one CSV row per frame, written to the file as
// the frame ends, so a run that ends early leaves every frame up to its end.
#ifndef CABKIT_SIM_TRACE_WRITER_H
#define CABKIT_SIM_TRACE_WRITER_H

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

private:
    void flush();

    std::filesystem::path path_;
    std::vector<TraceSlot> slots_;
    int fd_ = -1;
    std::string buffer_;
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_TRACE_WRITER_H
