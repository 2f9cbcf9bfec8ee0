// The JSON summary of a run: its figures (run_figures.h) with the stops, the
// interventions, the expectations, the events and how the run ended.
#ifndef CABKIT_SIM_RUN_SUMMARY_H
#define CABKIT_SIM_RUN_SUMMARY_H

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "intervention_folder.h"
#include "run_figures.h"
#include "run_journal.h"

namespace cabkit::sim {

// How a run ended, as the summary tells it.
struct RunEnding {
    enum class How {
        Completed,     // every frame the scenario asks for
        StoppedEarly,  // at the first failed expectation, as asked
        PluginFault,   // a plug-in crashed, ended the process or did not return
        ReplayFault,   // the replay's process ended outside any plug-in call
        BadInput,      // a plug-in that does not load, an output that cannot be written
        Interrupted,   // the user stopped simhost
    };
    How how = How::Completed;
    std::string message;  // the report's line; empty for a completed run
    // Where a plug-in fault struck.
    struct Place {
        std::string plugin;
        std::string call;
        int64_t frame = -1;  // -1: before the first frame
        int64_t timeOfDayMs = 0;
        double location = 0.0;
    };
    std::optional<Place> place;
};

// "completed", "plug-in fault", ...
const char* howText(RunEnding::How how);

// Writes the summary of a run from its journal and its figures. Throws
// std::runtime_error when the file cannot be written.
void writeSummary(const std::filesystem::path& path, const JournalContents& journal, const FigureRecord& figures,
                  const RunEnding& ending);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_RUN_SUMMARY_H
