// The sections and keys of a scenario file, their kinds, ranges and the
// rules between them (a notch within the train's notches, one station per
// name), read from a parsed TOML table into a Scenario.
#ifndef CABKIT_SIM_SCENARIO_SCHEMA_H
#define CABKIT_SIM_SCENARIO_SCHEMA_H

#include <string>

#include "scenario.h"
#include "toml_reading.h"

namespace cabkit::sim {

// Throws ScenarioError at the first mistake, with its line.
Scenario readScenario(const toml::table& root, const std::string& file);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_SCENARIO_SCHEMA_H
