#include "junit_results.h"

#include <set>
#include <vector>

#include <fmt/format.h>

namespace cabkit::sim {

std::vector<std::string> junitCaseNames(const std::vector<JournalContents::Judged>& expectations) {
    std::vector<std::string> names(expectations.size());
    std::set<std::string> taken;
    for (std::size_t i = 0; i < expectations.size(); ++i) {
        if (!expectations[i].id.empty()) names[i] = *taken.insert(expectations[i].id).first;
    }
    for (std::size_t i = 0; i < expectations.size(); ++i) {
        if (!names[i].empty()) continue;
        std::string name = expectations[i].expects;
        for (int32_t n = 2; taken.contains(name); ++n) name = fmt::format("{} #{}", expectations[i].expects, n);
        names[i] = *taken.insert(name).first;
    }
    return names;
}

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
    const std::vector<std::string> names = junitCaseNames(journal.expectations);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const JournalContents::Judged& judged = journal.expectations[i];
        JUnitCase c;
        c.name = names[i];
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
