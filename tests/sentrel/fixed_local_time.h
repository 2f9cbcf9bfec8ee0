// Fixes the local time the plug-ins read for the life of the object, so the
// drawn tone period and switch-on test length are known in advance.
#ifndef CABKIT_TESTS_SENTREL_FIXED_LOCAL_TIME_H
#define CABKIT_TESTS_SENTREL_FIXED_LOCAL_TIME_H

#include <cstdlib>
#include <optional>
#include <string>

#include "local_time.h"

namespace cabkit::sentrel {

class FixedLocalTime {
public:
    explicit FixedLocalTime(const char* isoTime) {
        if (const char* old = std::getenv(platform::kLocalTimeVariable)) {
            previous_ = old;
        }
        set(isoTime);
    }
    ~FixedLocalTime() { set(previous_ ? previous_->c_str() : ""); }
    FixedLocalTime(const FixedLocalTime&) = delete;
    FixedLocalTime& operator=(const FixedLocalTime&) = delete;

private:
    // An empty value counts as unset: the plug-ins then use the clock.
    static void set(const char* value) {
#ifdef _WIN32
        _putenv_s(platform::kLocalTimeVariable, value);
#else
        setenv(platform::kLocalTimeVariable, value, 1);
#endif
    }

    std::optional<std::string> previous_;
};

// Second 9 of the minute seeds the draws.
inline constexpr const char* kFixedTime = "2024-05-06T07:08:09.010";
inline constexpr uint32_t kFixedSecond = 9;

}  // namespace cabkit::sentrel

#endif  // CABKIT_TESTS_SENTREL_FIXED_LOCAL_TIME_H
