#include "trace_writer.h"

#include <array>
#include <cstring>
#include <iterator>
#include <span>
#include <stdexcept>
#include <system_error>
#include <utility>

#include <fmt/compile.h>
#include <fmt/format.h>

#include "cab_contract_index.h"
#include "csv_numbers.h"
#include "output_file.h"
#include "utf8_path.h"

namespace cabkit::sim {

bool completeTrace(const std::filesystem::path& path, const TraceSpool& spool) {
    const uint64_t base = spool.written.load(std::memory_order_acquire);
    const uint64_t pending = spool.pending.load(std::memory_order_acquire);
    if (pending == 0) return true;
    std::error_code error;
    const uint64_t size = std::filesystem::file_size(path, error);
    // The file holds a prefix of the trace; the spool holds [base, base + pending).
    if (error) return false;
    if (size < base || size >= base + pending || pending > TraceSpool::kCapacity) return true;
    std::string why;
    const int fd = openOutputFile(path, OutputMode::Append, why);
    if (fd < 0) return false;
    // Both below the spool's capacity (checked above), so they fit a size_t anywhere.
    const auto done = static_cast<std::size_t>(size - base);
    const bool ok = writeOutputFile(fd, spool.bytes + done, static_cast<std::size_t>(pending) - done, why);
    return closeOutputFile(fd) && ok;
}

namespace {

namespace contract = cabkit::contract;

// The slots the plug-ins exchange, then the lamps and sounds that tell what
// each plug-in is doing about them.
constexpr std::array kDefaultPanelSlots{
    contract::sharedSlot("power permitted"),
    contract::sharedSlot("operating mode"),
    contract::sharedSlot("cab-signal code"),
    contract::panelSlot(contract::cabrix::kPanelSlots, "mode"),
    contract::sharedSlot("service-brake lamp"),
    contract::sharedSlot("emergency-brake lamp"),
    contract::sharedSlot("cut-out lamp"),
    contract::panelSlot(contract::cabrix::kPanelSlots, "rollback lamp"),
    contract::sharedSlot("train-stop switch-off"),
    contract::panelSlot(contract::sentrel::kPanelSlots, "normal lamp"),
    contract::panelSlot(contract::sentrel::kPanelSlots, "alarm lamp"),
    contract::panelSlot(contract::sentrel::kPanelSlots, "brake-override lamp"),
};
constexpr std::array kDefaultSoundSlots{
    contract::soundSlot(contract::sentrel::kSoundSlots, "alarm"),
    contract::soundSlot(contract::sentrel::kSoundSlots, "reminder tone"),
    contract::soundSlot(contract::cabrix::kSoundSlots, "bell"),
    contract::soundSlot(contract::velorin::kSoundSlots, "stop alert"),
};

}  // namespace

std::vector<TraceSlot> defaultTraceSlots() {
    std::vector<TraceSlot> slots;
    slots.reserve(kDefaultPanelSlots.size() + kDefaultSoundSlots.size());
    for (int32_t panel : kDefaultPanelSlots) slots.push_back({false, panel});
    for (int32_t sound : kDefaultSoundSlots) slots.push_back({true, sound});
    return slots;
}

std::optional<std::vector<TraceSlot>> parseTraceSlots(std::string_view text, std::string& error) {
    std::vector<TraceSlot> slots;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
        const auto bad = [&error, item] {
            error = fmt::format(
                "cannot read slot \"{}\": write p72 for panel slot 72, s10 for sound slot 10, "
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
        if (dash != std::string_view::npos && (!readNumber(numbers.substr(dash + 1), last) || last < first))
            return bad();
        for (int32_t slot = first; slot <= last; ++slot) slots.push_back({sound, slot});
    }
    if (slots.empty()) {
        error = "the slot list is empty";
        return std::nullopt;
    }
    return slots;
}

TraceWriter::TraceWriter(const std::filesystem::path& path, std::vector<TraceSlot> slots, TraceSpool* spool)
    : path_(path), slots_(std::move(slots)), spool_(spool) {
    if (spool_ == nullptr) {
        ownSpool_ = std::make_unique<TraceSpool>();
        spool_ = ownSpool_.get();
    }
    spool_->pending.store(0, std::memory_order_release);
    spool_->written.store(0, std::memory_order_release);
    std::string why;
    fd_ = openOutputFile(path, OutputMode::Replace, why);
    if (fd_ < 0) throw std::runtime_error(fmt::format("cannot write the trace {}: {}", utf8Text(path), why));
}

TraceWriter::~TraceWriter() {
    if (fd_ >= 0) {
        try {
            flush();
        } catch (const std::runtime_error&) {
            // Nothing left to tell: the run is over and the disk refused the last rows.
        }
        static_cast<void>(closeOutputFile(fd_));
    }
}

void TraceWriter::close() {
    if (fd_ < 0) return;
    flush();
    if (!closeOutputFile(std::exchange(fd_, -1))) {
        throw std::runtime_error(fmt::format("cannot write the trace {}: the system lost some of it", utf8Text(path_)));
    }
}

void TraceWriter::flush() {
    const uint32_t pending = spool_->pending.load(std::memory_order_relaxed);
    if (pending == 0) return;
    std::string why;
    if (!writeOutputFile(fd_, spool_->bytes, pending, why)) {
        throw std::runtime_error(fmt::format("cannot write the trace {}: {}", utf8Text(path_), why));
    }
    // Emptied first, counted second (see TraceSpool::written).
    spool_->pending.store(0, std::memory_order_release);
    spool_->written.store(spool_->written.load(std::memory_order_relaxed) + pending, std::memory_order_release);
}

void TraceWriter::spoolRow() {
    const auto pending = spool_->pending.load(std::memory_order_relaxed);
    if (row_.size() > TraceSpool::kCapacity - pending) flush();
    if (row_.size() > TraceSpool::kCapacity) {
        // A row longer than the whole spool cannot occur with 256 + 256
        // slots; were it to, it goes straight to the file.
        std::string why;
        if (!writeOutputFile(fd_, row_.data(), row_.size(), why)) {
            throw std::runtime_error(fmt::format("cannot write the trace {}: {}", utf8Text(path_), why));
        }
        spool_->written.store(spool_->written.load(std::memory_order_relaxed) + row_.size(), std::memory_order_release);
    } else {
        const auto start = spool_->pending.load(std::memory_order_relaxed);
        std::memcpy(spool_->bytes + start, row_.data(), row_.size());
        // Published only once whole: a process that dies here loses this row, never half of it.
        spool_->pending.store(start + static_cast<uint32_t>(row_.size()), std::memory_order_release);
    }
    row_.clear();
}

void TraceWriter::onStart(const ReplayContext& context) {
    row_.clear();
    auto out = fmt::appender(row_);
    fmt::format_to(out, "frame,time_ms,location_m,speed_kmh,driver_reverser,driver_power,driver_brake");
    plugins_ = context.host.count();
    for (std::size_t i = 0; i < plugins_; ++i) {
        const std::string& name = context.host.nameAt(i);
        fmt::format_to(out, ",{0}_brake,{0}_power,{0}_reverser,{0}_constant_speed", name);
    }
    fmt::format_to(out, ",brake,power,reverser");
    // A slot a layout names carries its name after the number.
    for (const TraceSlot& slot : slots_) {
        const LayoutSlot* named =
            slot.sound ? context.scenario.layout.soundSlot(slot.slot) : context.scenario.layout.panelSlot(slot.slot);
        const char* array = slot.sound ? "sound_" : "panel_";
        if (named != nullptr) {
            fmt::format_to(out, ",{}{}_{}", array, slot.slot, columnName(named->name));
        } else {
            fmt::format_to(out, ",{}{}", array, slot.slot);
        }
    }
    row_.push_back('\n');
    spoolRow();
    flush();
    // The index and the time, the two decimals, the handles, every plug-in's
    // command, the combined one, the slots, each after its comma.
    const std::size_t integers = 1 + 1 + 3 + 4 * plugins_ + 3 + slots_.size();
    rowBound_ = integers * (1 + kMaxIntegerChars) + 2 * (1 + kMaxFixed3Chars) + 1;
}

void TraceWriter::onFrame(const Frame& frame) {
    // The bulk of a replay's output, written digit by digit straight into the
    // spool, into room made for the longest row (rowBound_): no format
    // string, no growth check per number, no copy.
    if (rowBound_ > TraceSpool::kCapacity) {  // only with a slot list many times the arrays
        row_.resize(rowBound_);
        row_.resize(static_cast<std::size_t>(writeRow(row_.data(), frame) - row_.data()));
        spoolRow();
    } else {
        if (rowBound_ > TraceSpool::kCapacity - spool_->pending.load(std::memory_order_relaxed)) flush();
        const uint32_t pending = spool_->pending.load(std::memory_order_relaxed);
        char* const start = spool_->bytes + pending;
        const auto length = static_cast<uint32_t>(writeRow(start, frame) - start);
        // Published only once whole: a process that dies here loses this row, never half of it.
        spool_->pending.store(pending + length, std::memory_order_release);
    }
    if (spool_->pending.load(std::memory_order_relaxed) >= kBlockBytes) flush();
}

char* TraceWriter::writeRow(char* out, const Frame& frame) const {
    out = writeInteger(out, frame.index);
    const auto integer = [&out](int64_t value) {
        *out++ = ',';
        out = writeInteger(out, value);
    };
    integer(frame.timeOfDayMs);
    *out++ = ',';
    out = writeFixed3(out, frame.location);
    *out++ = ',';
    out = writeFixed3(out, frame.speed);
    integer(frame.driver.reverser);
    integer(frame.driver.power);
    integer(frame.driver.brake);
    for (const HandleCommand& command : std::span(frame.commands).first(frame.plugins)) {
        integer(command.brake);
        integer(command.power);
        integer(command.reverser);
        integer(command.constantSpeed);
    }
    integer(frame.combined.brake);
    integer(frame.combined.power);
    integer(frame.combined.reverser);
    for (const TraceSlot& slot : slots_) integer(slot.sound ? frame.sound[slot.slot] : frame.panel[slot.slot]);
    *out++ = '\n';
    return out;
}

void TraceWriter::onEnd(const Frame& /*last*/) { flush(); }
}  // namespace cabkit::sim
