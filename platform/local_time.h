// Local wall-clock time, as the plug-ins see it.
//
// The environment variable CABKIT_LOCAL_TIME ("YYYY-MM-DDTHH:MM:SS.mmm")
// overrides the system clock so that runs which depend on the time of day
// (door timers, switch-on test length) can be replayed exactly. A malformed
// value is ignored and the system clock used instead.
#ifndef CABKIT_PLATFORM_LOCAL_TIME_H
#define CABKIT_PLATFORM_LOCAL_TIME_H

#include <cstdint>
#include <optional>

namespace cabkit::platform {

// Field for field the date-time record of the Windows API: month 1..12,
// dayOfWeek 0 (Sunday)..6, day 1..31, millisecond 0..999.
struct LocalDateTime {
    uint16_t year;
    uint16_t month;
    uint16_t dayOfWeek;
    uint16_t day;
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
    uint16_t millisecond;
};

inline constexpr const char* kLocalTimeVariable = "CABKIT_LOCAL_TIME";

// The current local time: CABKIT_LOCAL_TIME when it holds a valid time, else
// the system clock.
LocalDateTime localTime();

// Parses "YYYY-MM-DDTHH:MM:SS.mmm" exactly (23 characters, a real calendar
// date, second 0..60 for a leap second). Anything else gives no value.
std::optional<LocalDateTime> parseLocalTime(const char* text);

// 0 = Sunday, for a date of the proleptic Gregorian calendar.
uint16_t dayOfWeek(int year, int month, int day);

}  // namespace cabkit::platform

#endif  // CABKIT_PLATFORM_LOCAL_TIME_H
