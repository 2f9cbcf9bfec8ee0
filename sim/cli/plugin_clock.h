// The wall clock the plug-ins read at Initialize, pinned to a scenario's
// start through the environment (CABKIT_LOCAL_TIME), so that a replay is the
// same every time. A process-wide effect: the process that replays calls it
// (the replay's child process, a test, a benchmark), never the replay itself.
#ifndef CABKIT_SIM_PLUGIN_CLOCK_H
#define CABKIT_SIM_PLUGIN_CLOCK_H

#include "scenario.h"

namespace cabkit::sim {

void pinPluginClock(const Scenario& scenario);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_PLUGIN_CLOCK_H
