#include <windows.h>

#include <cstdlib>

#include "local_time.h"

namespace cabkit::platform {

LocalDateTime localTime() {
    if (const auto fixed = parseLocalTime(std::getenv(kLocalTimeVariable))) {
        return *fixed;
    }
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return LocalDateTime{now.wYear, now.wMonth,  now.wDayOfWeek, now.wDay,
                         now.wHour, now.wMinute, now.wSecond,    now.wMilliseconds};
}

}  // namespace cabkit::platform
