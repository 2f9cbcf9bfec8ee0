#include "plugin_clock.h"

#include <cstdlib>

namespace cabkit::sim {

void pinPluginClock(const Scenario& scenario) {
    setenv("CABKIT_LOCAL_TIME", scenario.start.localTimeText().c_str(), 1);
}

}  // namespace cabkit::sim
