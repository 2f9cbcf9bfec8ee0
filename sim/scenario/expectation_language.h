// The [[expect]] tables: what is read after a frame ("panel 72", "Sentrel
// brake", "speed"), how it is compared, and when it is judged: at an
// instant, at the end, over a span, or at a station stop.
#ifndef CABKIT_SIM_EXPECTATION_LANGUAGE_H
#define CABKIT_SIM_EXPECTATION_LANGUAGE_H

#include "scenario.h"
#include "toml_reading.h"
#include "trigger_reading.h"

namespace cabkit::sim {

// One [[expect]] table; `route` must be read already (stop_at names its stations).
Expectation readExpectation(TableReader e, const Route& route, const RunClock& clock);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_EXPECTATION_LANGUAGE_H
