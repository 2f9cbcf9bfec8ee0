#include "plugin_clock.h"

#include "environment_variable.h"

namespace cabkit::sim {

void pinPluginClock(const Scenario& scenario) {
    setEnvironmentVariable("CABKIT_LOCAL_TIME", scenario.start.localTimeText());
}

}  // namespace cabkit::sim
