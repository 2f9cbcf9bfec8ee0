// The journal of a replay: what its supervisor needs to judge and report the
// run (the scenario, the expectations' verdicts, the log's entries and stops,
// an error, the end), one JSON object a line, each line written as it
// happens. A replay that dies leaves every line up to its death; the reader
// drops a line cut short.
#ifndef CABKIT_SIM_RUN_JOURNAL_H
#define CABKIT_SIM_RUN_JOURNAL_H

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "event_log.h"
#include "expectation_checker.h"
#include "replay.h"
#include "scenario.h"

namespace cabkit::sim {

// The replay's side. Writing is best effort: a journal that cannot be
// written leaves the supervisor with less to tell, never with a wrong verdict.
class RunJournal {
public:
    // Throws std::runtime_error when the file cannot be created.
    explicit RunJournal(const std::filesystem::path& path);
    ~RunJournal();
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    // The scenario as it will run (after the command line's overrides).
    void scenario(const Scenario& scenario);
    void event(const LogEntry& entry);
    // A stop, or again with what was learnt of it since (its creeping).
    void stop(std::size_t index, const StopRecord& stop);
    // A brake application or power cut that has ended.
    void application(const Application& application);
    void verdict(std::size_t index, const ExpectationResult& result);
    void error(std::string_view message);
    void end(const ReplayResult& result);

private:
    void line(const std::string& text);

    std::FILE* file_ = nullptr;
};

// Keeps a journal up to date with a run: the log's entries and stops (when
// `withEvents`) and the expectations' verdicts, as they come. Observes after
// the log and the checker.
class JournalFeed : public ReplayObserver {
public:
    JournalFeed(RunJournal& journal, const EventLog& log, const ExpectationChecker& checker, bool withEvents);

    void onStart(const ReplayContext& context) override;
    void onInput(const InputEvent& event) override;
    void onFrame(const Frame& frame) override;
    void onEnd(const Frame& last) override;

private:
    void catchUp();

    RunJournal& journal_;
    const EventLog& log_;
    const ExpectationChecker& checker_;
    bool withEvents_;
    std::size_t entriesSent_ = 0;
    std::size_t stopsSent_ = 0;
    int32_t lastStopCreeps_ = 0;  // as the last stop sent told them
    std::size_t applicationsSent_ = 0;
    std::vector<std::size_t> open_;  // expectations without a settled verdict yet
    std::vector<bool> told_;         // a verdict was sent, perhaps not yet settled
};

// The supervisor's side: what a journal told.
struct JournalContents {
    struct Judged {
        int32_t line = 0;
        std::string id;  // "" when the author gave none
        std::string expects;
        ExpectationResult::State state = ExpectationResult::State::Open;
        std::string detail;
    };

    bool hasScenario = false;
    std::string name;
    std::string file;
    int32_t stepMs = 0;
    int64_t startTimeOfDayMs = 0;
    double startLocation = 0.0;
    double startSpeed = 0.0;
    std::vector<std::string> order;  // plug-in names in calling order
    std::vector<Judged> expectations;
    std::vector<LogEntry> events;
    std::vector<StopRecord> stops;
    std::vector<Application> applications;  // those that ended, in the order they ended
    std::optional<std::string> error;
    bool ended = false;  // the replay's last frame was judged
    int64_t frames = 0;
    bool stoppedEarly = false;

    int32_t failed() const;
};

// Reads what a journal holds; a missing file reads as an empty journal.
JournalContents readJournal(const std::filesystem::path& path);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_RUN_JOURNAL_H
