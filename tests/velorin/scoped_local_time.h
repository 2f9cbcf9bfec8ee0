// Fixes the local time a plug-in reads at Initialize, for one scope.
#ifndef CABKIT_TESTS_VELORIN_SCOPED_LOCAL_TIME_H
#define CABKIT_TESTS_VELORIN_SCOPED_LOCAL_TIME_H

#include "environment.h"
#include "local_time.h"

namespace cabkit::velorin::test {

class ScopedLocalTime {
public:
    explicit ScopedLocalTime(const char* value) { cabkit::test::setEnvironment(platform::kLocalTimeVariable, value); }
    ~ScopedLocalTime() { cabkit::test::unsetEnvironment(platform::kLocalTimeVariable); }
    ScopedLocalTime(const ScopedLocalTime&) = delete;
    ScopedLocalTime& operator=(const ScopedLocalTime&) = delete;
};

}  // namespace cabkit::velorin::test

#endif  // CABKIT_TESTS_VELORIN_SCOPED_LOCAL_TIME_H
