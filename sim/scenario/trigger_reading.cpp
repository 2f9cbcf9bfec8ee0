#include "trigger_reading.h"

#include <cmath>

#include "clock_text.h"

namespace cabkit::sim {

int64_t resolveTimeOfDay(int64_t clockMs, int64_t startMs) {
    if (clockMs >= kMsPerDay || clockMs >= startMs) return clockMs;
    return clockMs + kMsPerDay;
}

int64_t readClock(TableReader& reader, const char* key, const toml::node& node) {
    const auto* text = node.as_string();
    const auto ms = text ? parseClock(text->get()) : std::nullopt;
    if (!ms) {
        reader.failAt(key, fmt::format("'{}' in {} must be a time of day \"HH:MM:SS\" or \"HH:MM:SS.mmm\"", key,
                                       reader.context()));
    }
    return *ms;
}

int64_t readMoment(TableReader& reader, const char* key, const toml::node& node, const RunClock& clock) {
    const int64_t written = readClock(reader, key, node);
    const int64_t ms = resolveTimeOfDay(written, clock.startMs);
    const int64_t afterStart = ms - clock.startMs;
    if (afterStart > clock.durationMs) {
        reader.failAt(key,
                      fmt::format("'{}' in {} ({}) first comes {} s after the start at {}, past the end of the "
                                  "run ({} s); a time of day means its first moment at or after the start",
                                  key, reader.context(), formatClock(written), static_cast<double>(afterStart) / 1000.0,
                                  formatClock(clock.startMs), static_cast<double>(clock.durationMs) / 1000.0));
    }
    return ms;
}

Trigger readTrigger(TableReader& reader, const std::optional<Trigger>& fallback, const RunClock& clock) {
    Trigger trigger;
    trigger.line = reader.line();
    int32_t given = 0;
    if (const auto after = reader.number("after", 0.0, 1.0e7)) {
        trigger.kind = Trigger::Kind::AfterStart;
        trigger.ms = std::llround(*after * 1000.0);
        ++given;
    }
    if (const toml::node* time = reader.node("time")) {
        trigger.kind = Trigger::Kind::TimeOfDay;
        trigger.ms = readMoment(reader, "time", *time, clock);
        ++given;
    }
    if (const auto location = reader.number("location", -kMaxLocation, kMaxLocation)) {
        trigger.kind = Trigger::Kind::Location;
        trigger.location = *location;
        ++given;
    }
    if (given == 0 && fallback) return *fallback;
    if (given != 1) {
        reader.fail(
            fmt::format("{} needs exactly one of 'after' (seconds after the start), 'time' (\"HH:MM:SS\") "
                        "or 'location' (m)",
                        reader.context()));
    }
    return trigger;
}

}  // namespace cabkit::sim
