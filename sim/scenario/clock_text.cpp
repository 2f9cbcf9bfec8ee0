#include "clock_text.h"

#include <fmt/format.h>

namespace cabkit::sim {
namespace {

// Reads exactly `count` digits at `pos`.
std::optional<int64_t> digits(std::string_view text, std::size_t pos, std::size_t count) {
    if (pos + count > text.size()) return std::nullopt;
    int64_t value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool isLeapYear(int32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

}  // namespace

std::optional<int64_t> parseClock(std::string_view text) {
    if (text.size() < 8 || text[2] != ':' || text[5] != ':') return std::nullopt;
    const auto hours = digits(text, 0, 2);
    const auto minutes = digits(text, 3, 2);
    const auto seconds = digits(text, 6, 2);
    if (!hours || !minutes || !seconds || *minutes > 59 || *seconds > 59) return std::nullopt;
    int64_t ms = 0;
    if (text.size() > 8) {
        const std::size_t fraction = text.size() - 9;
        if (text[8] != '.' || fraction < 1 || fraction > 3) return std::nullopt;
        const auto value = digits(text, 9, fraction);
        if (!value) return std::nullopt;
        ms = *value * (fraction == 1 ? 100 : fraction == 2 ? 10 : 1);
    }
    return ((*hours * 60 + *minutes) * 60 + *seconds) * 1000 + ms;
}

std::string formatClock(int64_t ms) {
    constexpr int64_t kDay = 86'400'000;
    const int64_t ofDay = ((ms % kDay) + kDay) % kDay;
    const int64_t seconds = ofDay / 1000;
    return fmt::format("{:02}:{:02}:{:02}.{:03}", seconds / 3600, (seconds / 60) % 60, seconds % 60, ofDay % 1000);
}

std::optional<CalendarDate> parseDate(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    const auto year = digits(text, 0, 4);
    const auto month = digits(text, 5, 2);
    const auto day = digits(text, 8, 2);
    if (!year || !month || !day || *year < 1601 || *month < 1 || *month > 12 || *day < 1) return std::nullopt;
    static constexpr int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const auto y = static_cast<int32_t>(*year);
    const auto m = static_cast<int32_t>(*month);
    const int32_t last = kDays[m - 1] + (m == 2 && isLeapYear(y) ? 1 : 0);
    if (*day > last) return std::nullopt;
    return CalendarDate{y, m, static_cast<int32_t>(*day)};
}

}  // namespace cabkit::sim
