#include <windows.h>

#include <array>

#include "local_time.h"

namespace cabkit::platform {
namespace {

// The override as the process holds it now. The C runtime's getenv would see
// only the copy taken when the runtime started, which in a host that sets
// the variable itself before loading the plug-ins may be out of date.
std::optional<LocalDateTime> overrideTime() {
    std::array<char, 64> value{};  // a valid time has 23 characters
    const DWORD length = GetEnvironmentVariableA(kLocalTimeVariable, value.data(), static_cast<DWORD>(value.size()));
    if (length == 0 || length >= value.size()) {
        return std::nullopt;
    }
    return parseLocalTime(value.data());
}

}  // namespace

LocalDateTime localTime() {
    if (const auto fixed = overrideTime()) {
        return *fixed;
    }
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return LocalDateTime{now.wYear, now.wMonth,  now.wDayOfWeek, now.wDay,
                         now.wHour, now.wMinute, now.wSecond,    now.wMilliseconds};
}

}  // namespace cabkit::platform
