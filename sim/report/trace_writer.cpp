#include "trace_writer.h"

#include <iterator>
#include <stdexcept>

#include <fmt/compile.h>
#include <fmt/format.h>

#include "crash_report.h"
#include "output_file.h"
#include "utf8_path.h"

namespace cabkit::sim {

std::vector<TraceSlot> defaultTraceSlots() {
    std::vector<TraceSlot> slots;
    for (int32_t panel : {201, 75, 72, 66, 57, 58, 59, 55, 249, 0, 1, 28}) slots.push_back({false, panel});
    for (int32_t sound : {0, 1, 4, 10}) slots.push_back({true, sound});
    return slots;
}

std::optional<std::vector<TraceSlot>> parseTraceSlots(std::string_view text, std::string& error) {
    std::vector<TraceSlot> slots;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        const auto bad = [&error, item] {
            error = fmt::format("cannot read slot \"{}\": write p72 for panel slot 72, s10 for sound slot 10, "
                                "p150-158 for a range (slots 0..255)",
                                item);
            return std::nullopt;
        };
        if (item.size() < 2 || (item[0] != 'p' && item[0] != 's')) return bad();
        const bool sound = item[0] == 's';
        const std::string_view numbers = item.substr(1);
        const std::size_t dash = numbers.find('-');
        int32_t first = 0;
        int32_t last = 0;
        const auto readNumber = [](std::string_view digits, int32_t& value) {
            if (digits.empty() || digits.size() > 3) return false;
            value = 0;
            for (char c : digits) {
                if (c < '0' || c > '9') return false;
                value = value * 10 + (c - '0');
            }
            return value <= 255;
        };
        if (!readNumber(numbers.substr(0, dash), first)) return bad();
        last = first;
        if (dash != std::string_view::npos && (!readNumber(numbers.substr(dash + 1), last) || last < first)) return bad();
        for (int32_t slot = first; slot <= last; ++slot) slots.push_back({sound, slot});
    }
    if (slots.empty()) {
        error = "the slot list is empty";
        return std::nullopt;
    }
    return slots;
}

TraceWriter::TraceWriter(const std::filesystem::path& path, std::vector<TraceSlot> slots)
    : path_(path), slots_(std::move(slots)) {
    std::string error;
    fd_ = openOutputFile(path, error);
    if (fd_ < 0) throw std::runtime_error(fmt::format("cannot write the trace {}: {}", utf8Text(path), error));
    buffer_.reserve(kBlockBytes + 4096);
}

TraceWriter::~TraceWriter() {
    setPendingOutput(-1, nullptr, 0);
    if (fd_ >= 0) {
        try {
            flush();
        } catch (const std::runtime_error&) {
            // Nothing left to tell: the run is over and the disk refused the last rows.
        }
        closeOutputFile(fd_);
    }
}

void TraceWriter::flush() {
    std::string error;
    if (!writeOutputFile(fd_, buffer_.data(), buffer_.size(), error)) {
        throw std::runtime_error(fmt::format("cannot write the trace {}: {}", utf8Text(path_), error));
    }
    buffer_.clear();
    setPendingOutput(fd_, buffer_.data(), 0);
}

void TraceWriter::onStart(const ReplayContext& context) {
    auto out = fmt::appender(buffer_);
    fmt::format_to(out, "frame,time_ms,location_m,speed_kmh,driver_reverser,driver_power,driver_brake");
    for (std::size_t i = 0; i < kPluginCount; ++i) {
        const std::string& name = context.host.nameAt(i);
        fmt::format_to(out, ",{0}_brake,{0}_power,{0}_reverser,{0}_constant_speed", name);
    }
    fmt::format_to(out, ",brake,power,reverser");
    for (const TraceSlot& slot : slots_) fmt::format_to(out, ",{}{}", slot.sound ? "sound_" : "panel_", slot.slot);
    buffer_.push_back('\n');
    flush();
}

namespace {

void appendInt(fmt::memory_buffer& buffer, int64_t value) {
    const fmt::format_int text(value);
    buffer.push_back(',');
    buffer.append(text.data(), text.data() + text.size());
}

}  // namespace

void TraceWriter::onFrame(const Frame& frame) {
    // The bulk of a replay's output: integers through format_int, the two
    // decimals through a compiled format.
    const fmt::format_int index(frame.index);
    buffer_.append(index.data(), index.data() + index.size());
    appendInt(buffer_, frame.timeOfDayMs);
    fmt::format_to(fmt::appender(buffer_), FMT_COMPILE(",{:.3f},{:.3f}"), frame.location, frame.speed);
    appendInt(buffer_, frame.driver.reverser);
    appendInt(buffer_, frame.driver.power);
    appendInt(buffer_, frame.driver.brake);
    for (const HandleCommand& command : frame.commands) {
        appendInt(buffer_, command.brake);
        appendInt(buffer_, command.power);
        appendInt(buffer_, command.reverser);
        appendInt(buffer_, command.constantSpeed);
    }
    appendInt(buffer_, frame.combined.brake);
    appendInt(buffer_, frame.combined.power);
    appendInt(buffer_, frame.combined.reverser);
    for (const TraceSlot& slot : slots_) appendInt(buffer_, slot.sound ? frame.sound[slot.slot] : frame.panel[slot.slot]);
    buffer_.push_back('\n');
    if (buffer_.size() >= kBlockBytes) {
        flush();
    } else {
        // Whole rows only: a crash from here on still leaves this frame in the file.
        setPendingOutput(fd_, buffer_.data(), buffer_.size());
    }
}

void TraceWriter::onEnd(const Frame& /*last*/) { flush(); }
}  // namespace cabkit::sim
