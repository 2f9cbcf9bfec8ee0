// When something happens in a scenario: `after` (seconds after the start),
// `time` (a time of day) or `location` (m). A time of day is the first such
// moment at or after the start, so a run that starts at 23:59:50 reaches
// "00:00:10" twenty seconds in; hours of 24 and above count on from the start
// day's midnight ("25:00:00" is one o'clock the next day).
#ifndef CABKIT_SIM_TRIGGER_READING_H
#define CABKIT_SIM_TRIGGER_READING_H

#include <cstdint>
#include <optional>

#include "scenario.h"
#include "toml_reading.h"

namespace cabkit::sim {

// What a time of day is measured against.
struct RunClock {
    int64_t startMs = 0;     // the start's time of day, below one day
    int64_t durationMs = 0;  // the run's length
};

// A time of day as written (ms since midnight) as ms since the start day's
// midnight, by the rule above.
int64_t resolveTimeOfDay(int64_t clockMs, int64_t startMs);

// "HH:MM:SS" or "HH:MM:SS.mmm" as ms since midnight, as written.
int64_t readClock(TableReader& reader, const char* key, const toml::node& node);

// A time of day resolved against the run; one that comes after the run's
// end is an error, since it is nearly always a time before the start.
int64_t readMoment(TableReader& reader, const char* key, const toml::node& node, const RunClock& clock);

// Exactly one of after, time and location; `fallback` when none is given.
Trigger readTrigger(TableReader& reader, const std::optional<Trigger>& fallback, const RunClock& clock);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_TRIGGER_READING_H
