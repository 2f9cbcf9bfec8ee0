#include "scenario_run.h"

#include <memory>

#include "event_log.h"
#include "html_replay.h"
#include "progress_bar.h"
#include "run_summary.h"
#include "speed_chart.h"

namespace cabkit::sim {

RunOutcome runScenario(const Scenario& scenario, const RunOptions& options, std::FILE* log) {
    Replay replay(scenario, options.pluginFolder);
    EventLog events(log);
    ExpectationChecker checker(scenario, options.stopOnFailure);
    RunFigures figures;
    replay.addObserver(events);
    replay.addObserver(checker);
    replay.addObserver(figures);

    std::unique_ptr<TraceWriter> trace;
    if (options.trace) {
        trace = std::make_unique<TraceWriter>(*options.trace, options.slots);
        replay.addObserver(*trace);
    }
    std::unique_ptr<HtmlReplay> html;
    if (options.html) {
        html = std::make_unique<HtmlReplay>(*options.html);
        replay.addObserver(*html);
    }
    SpeedChart chart;
    if (options.plot) replay.addObserver(chart);
    ProgressBar progress;
    if (options.progress) replay.addObserver(progress);

    RunOutcome outcome;
    outcome.replay = replay.run();
    outcome.expectations = checker.results();
    outcome.failed = checker.failed();
    if (options.summary) writeSummary(*options.summary, scenario, outcome.replay, figures, events, checker);
    if (options.plot) chart.render(*options.plot);
    if (html) html->write(events, checker);
    return outcome;
}

}  // namespace cabkit::sim
