#include "scenario_run.h"

#include <algorithm>
#include <memory>

#include "event_log.h"
#include "html_replay.h"
#include "progress_bar.h"
#include "run_analysis.h"
#include "speed_chart.h"
#include "temporary_folder.h"

namespace cabkit::sim {
namespace {

std::vector<TraceSlot> tracedSlots(const Scenario& scenario, const RunOptions& options) {
    std::vector<TraceSlot> slots = options.slots;
    if (!options.defaultSlots) return slots;
    const auto add = [&slots](int32_t slot, bool sound) {
        const TraceSlot traced{sound, slot};
        if (std::none_of(slots.begin(), slots.end(),
                         [&](const TraceSlot& s) { return s.slot == slot && s.sound == sound; })) {
            slots.push_back(traced);
        }
    };
    for (const LayoutSlot& entry : scenario.layout.panel) add(entry.slot, false);
    for (const LayoutSlot& entry : scenario.layout.sound) add(entry.slot, true);
    return slots;
}

}  // namespace

RunOutcome runScenario(const Scenario& scenario, const RunOptions& options, std::FILE* log) {
    std::optional<TemporaryFolder> ownFolder;
    if (options.copyFolder.empty()) ownFolder.emplace();
    CallRecord ownCalls;
    PluginChoice plugins{
        options.ourPlugins ? std::optional(options.pluginFolder) : std::nullopt, options.addedPlugins, {}};
    Replay replay(scenario, std::move(plugins), ownFolder ? ownFolder->path() : options.copyFolder,
                  options.calls != nullptr ? *options.calls : ownCalls);
    // Folded once, before every report that reads it.
    RunAnalysis analysis;
    replay.addObserver(analysis);
    EventLog events(log, &analysis);
    ExpectationChecker checker(scenario, options.stopOnFailure, &analysis);
    RunFigures figures(options.figures, &analysis);
    replay.addObserver(events);
    replay.addObserver(checker);
    replay.addObserver(figures);
    std::optional<JournalFeed> feed;
    if (options.journal != nullptr) {
        feed.emplace(*options.journal, events, checker, true);
        replay.addObserver(*feed);
    }

    std::unique_ptr<TraceWriter> trace;
    if (options.trace) {
        trace = std::make_unique<TraceWriter>(*options.trace, tracedSlots(scenario, options), options.traceSpool);
        replay.addObserver(*trace);
    }
    std::unique_ptr<HtmlReplay> html;
    if (options.html) {
        html = std::make_unique<HtmlReplay>(*options.html);
        replay.addObserver(*html);
    }
    SpeedChart chart(&analysis);
    if (options.plot || options.plotTime) replay.addObserver(chart);
    ProgressBar progress;
    if (options.progress) replay.addObserver(progress);

    RunOutcome outcome;
    outcome.replay = replay.run();
    outcome.expectations = checker.results();
    outcome.failed = checker.failed();
    if (options.journal != nullptr) options.journal->end(outcome.replay);
    if (trace) trace->close();  // the whole trace is in its file before gnuplot starts
    if (options.plot) chart.render(*options.plot, ChartAxis::Location);
    if (options.plotTime) chart.render(*options.plotTime, ChartAxis::Time);
    if (html) html->write(events, checker);
    return outcome;
}

}  // namespace cabkit::sim
