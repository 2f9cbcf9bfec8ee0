// A supervised replay's outcome as a JUnit test suite (junit_report.h): the
// scenario's expectations as test cases, named so that CI histories follow
// them across edits (never by their line), and a case "replay" that passes when
// the replay ran to its end and is erroneous when a plug-in or the replay
// failed, naming the fault; a scenario that could not be replayed is a suite
// of that one erroneous case with the reason.
#ifndef CABKIT_SIM_JUNIT_RESULTS_H
#define CABKIT_SIM_JUNIT_RESULTS_H

#include <string>
#include <vector>

#include "junit_report.h"
#include "replay_supervisor.h"

namespace cabkit::sim {

// Each expectation's test name: the author's `id`, else what it expects as
// written out, a text met again in the file numbered " #2", " #3".
std::vector<std::string> junitCaseNames(const std::vector<JournalContents::Judged>& expectations);

JUnitSuite junitSuiteOf(const SupervisedOutcome& outcome, const std::string& file, double seconds);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_JUNIT_RESULTS_H
