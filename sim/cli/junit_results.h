// A supervised replay's outcome as a JUnit test suite (junit_report.h): the
// scenario's expectations as test cases, and a case "replay" that passes when
// the replay ran to its end and is erroneous when a plug-in or the replay
// failed, naming the fault; a scenario that could not be replayed is a suite
// of that one erroneous case with the reason.
#ifndef CABKIT_SIM_JUNIT_RESULTS_H
#define CABKIT_SIM_JUNIT_RESULTS_H

#include <string>

#include "junit_report.h"
#include "replay_supervisor.h"

namespace cabkit::sim {

JUnitSuite junitSuiteOf(const SupervisedOutcome& outcome, const std::string& file, double seconds);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_JUNIT_RESULTS_H
