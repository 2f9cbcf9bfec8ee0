#include "local_time.h"

#include <array>
#include <cstddef>

namespace cabkit::platform {
namespace {

constexpr std::size_t kTextLength = 23;  // YYYY-MM-DDTHH:MM:SS.mmm

// Reads `count` decimal digits at text[at]; false if any is not a digit.
bool readDigits(const char* text, std::size_t at, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = text[at + i];
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    return true;
}

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysInMonth(int year, int month) {
    constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && isLeapYear(year)) {
        return 29;
    }
    return kDays[static_cast<std::size_t>(month - 1)];
}

}  // namespace

uint16_t dayOfWeek(int year, int month, int day) {
    // Sakamoto's method: a fixed offset per month, years counted from March.
    constexpr std::array<int, 12> kOffset = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    const int y = month < 3 ? year - 1 : year;
    const int dow = (y + y / 4 - y / 100 + y / 400 + kOffset[static_cast<std::size_t>(month - 1)] + day) % 7;
    return static_cast<uint16_t>(dow);
}

std::optional<LocalDateTime> parseLocalTime(const char* text) {
    if (text == nullptr) {
        return std::nullopt;
    }
    // Check the length without reading past a shorter string.
    for (std::size_t i = 0; i < kTextLength; ++i) {
        if (text[i] == '\0') {
            return std::nullopt;
        }
    }
    if (text[kTextLength] != '\0') {
        return std::nullopt;
    }
    constexpr std::array<std::pair<std::size_t, char>, 6> kSeparators = {
        {{4, '-'}, {7, '-'}, {10, 'T'}, {13, ':'}, {16, ':'}, {19, '.'}}};
    for (const auto& [at, separator] : kSeparators) {
        if (text[at] != separator) {
            return std::nullopt;
        }
    }
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    if (!readDigits(text, 0, 4, year) || !readDigits(text, 5, 2, month) || !readDigits(text, 8, 2, day) ||
        !readDigits(text, 11, 2, hour) || !readDigits(text, 14, 2, minute) || !readDigits(text, 17, 2, second) ||
        !readDigits(text, 20, 3, millisecond)) {
        return std::nullopt;
    }
    if (year < 1601 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 60) {
        return std::nullopt;
    }
    return LocalDateTime{static_cast<uint16_t>(year),   static_cast<uint16_t>(month),
                         dayOfWeek(year, month, day),   static_cast<uint16_t>(day),
                         static_cast<uint16_t>(hour),   static_cast<uint16_t>(minute),
                         static_cast<uint16_t>(second), static_cast<uint16_t>(millisecond)};
}

}  // namespace cabkit::platform
