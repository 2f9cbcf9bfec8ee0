// The names a scenario uses that only the run can give meaning to: the
// plug-ins its expectations name (ours, or one the command line adds) and
// the slots it names by a layout file's names. Resolved once the run's
// plug-ins and layout are set in the scenario.
#ifndef CABKIT_SIM_RUN_NAMES_H
#define CABKIT_SIM_RUN_NAMES_H

#include "scenario.h"

namespace cabkit::sim {

// Sets each expectation's index. Throws ScenarioError at the line of the
// first expectation naming a plug-in the run does not load or a slot the
// layout does not name, and at the layout's line for a slot that a loaded
// plug-in of ours already names in its contract.
void resolveNames(Scenario& scenario);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_RUN_NAMES_H
