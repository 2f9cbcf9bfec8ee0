#include <cstdlib>
#include <ctime>

#include "local_time.h"

namespace cabkit::platform {

LocalDateTime localTime() {
    if (const auto fixed = parseLocalTime(std::getenv(kLocalTimeVariable))) {
        return *fixed;
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    return LocalDateTime{static_cast<uint16_t>(local.tm_year + 1900), static_cast<uint16_t>(local.tm_mon + 1),
                         static_cast<uint16_t>(local.tm_wday),        static_cast<uint16_t>(local.tm_mday),
                         static_cast<uint16_t>(local.tm_hour),        static_cast<uint16_t>(local.tm_min),
                         static_cast<uint16_t>(local.tm_sec),         static_cast<uint16_t>(now.tv_nsec / 1000000)};
}

}  // namespace cabkit::platform
