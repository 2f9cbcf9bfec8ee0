// Times of day as route authors write them and as the log prints them.
#ifndef CABKIT_SIM_CLOCK_TEXT_H
#define CABKIT_SIM_CLOCK_TEXT_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cabkit::sim {

// "HH:MM:SS" or "HH:MM:SS.mmm" (1 to 3 fraction digits) to ms since
// midnight. Hours may run past 23 (a later day); minutes and seconds must be
// below 60.
std::optional<int64_t> parseClock(std::string_view text);

// ms since a midnight as the clock of that moment shows it, "HH:MM:SS.mmm":
// a run that crosses midnight shows the next day's time (00:00:10.000, not
// 24:00:10.000).
std::string formatClock(int64_t ms);

// "YYYY-MM-DD" with a real calendar date.
struct CalendarDate {
    int32_t year, month, day;
};
std::optional<CalendarDate> parseDate(std::string_view text);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_CLOCK_TEXT_H
