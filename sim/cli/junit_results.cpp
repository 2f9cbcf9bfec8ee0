#include "junit_results.h"

#include <fmt/format.h>

namespace cabkit::sim {

JUnitSuite junitSuiteOf(const SupervisedOutcome& outcome, const std::string& file, double seconds) {
    const JournalContents& journal = outcome.journal;
    JUnitSuite suite;
    suite.name = journal.hasScenario ? journal.name : file;
    suite.file = journal.hasScenario ? journal.file : file;
    suite.seconds = seconds;
    if (outcome.verdict == SupervisedOutcome::Verdict::BadInput) {
        suite.cases.push_back(JUnitCase{"replay", JUnitCase::Outcome::Error,
                                        outcome.error.empty() ? outcome.ending.message : outcome.error, 0});
        return suite;
    }
    for (const JournalContents::Judged& judged : journal.expectations) {
        JUnitCase c;
        c.name = fmt::format("line {}: {}", judged.line, judged.expects);
        c.line = judged.line;
        switch (judged.state) {
            case ExpectationResult::State::Passed: c.outcome = JUnitCase::Outcome::Passed; break;
            case ExpectationResult::State::Failed:
                c.outcome = JUnitCase::Outcome::Failed;
                c.message = judged.detail;
                break;
            case ExpectationResult::State::Open:
                c.outcome = JUnitCase::Outcome::Skipped;
                c.message = "not judged: the run ended before it";
                break;
        }
        suite.cases.push_back(std::move(c));
    }
    // The replay itself is a case too: a fault fails the scenario whatever
    // its expectations said, and a scenario without any still shows.
    const RunEnding::How how = outcome.ending.how;
    const bool faulted = how == RunEnding::How::PluginFault || how == RunEnding::How::ReplayFault;
    suite.cases.push_back(JUnitCase{"replay", faulted ? JUnitCase::Outcome::Error : JUnitCase::Outcome::Passed,
                                    faulted ? outcome.ending.message : std::string{}, 0});
    return suite;
}

}  // namespace cabkit::sim
