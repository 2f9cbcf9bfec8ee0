// Figures of a whole run, gathered frame by frame, and the JSON summary that
// reports them with the stops, the interventions, the expectations, the
// events and how the run ended.
#ifndef CABKIT_SIM_RUN_SUMMARY_H
#define CABKIT_SIM_RUN_SUMMARY_H

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "intervention_folder.h"
#include "replay.h"
#include "run_analysis.h"
#include "run_journal.h"

namespace cabkit::sim {

// The figures as of the last frame. A plain record, so that it can sit in
// memory the replay's supervisor sees: a replay that dies leaves them up to
// its last whole frame.
struct FigureRecord {
    // Brake applications and power cuts folded as the event log tells them
    // (intervention_folder.h): one that began counts, however it flickers.
    struct PerPlugin {  // in calling order
        int32_t brakeApplications;
        int32_t emergencyApplications;
        int32_t powerCuts;
        int32_t flickers;  // times an application let go and came back within the hold time
        int64_t brakingMs;
        int32_t reserved[2];
    };
    int64_t frames;  // whole frames so far
    int64_t lastElapsedMs;
    int64_t lastTimeOfDayMs;
    double lastLocation;
    double lastSpeed;
    double maxSpeed;
    double distance;
    PerPlugin plugins[kMaxPlugins];
};
static_assert(std::is_trivially_copyable_v<FigureRecord> && std::is_standard_layout_v<FigureRecord>,
              "the figures are read from another process");
static_assert(sizeof(FigureRecord) == 7 * 8 + kMaxPlugins * 32, "no padding between the figures");

class RunFigures : public ReplayObserver {
public:
    // Keeps the figures in `record` (null: a record of its own), which it
    // clears. `analysis`, when given, is the run's, observed before the
    // figures; else they fold the frames themselves.
    explicit RunFigures(FigureRecord* record = nullptr, const RunAnalysis* analysis = nullptr);

    void onStart(const ReplayContext& context) override;
    void onFrame(const Frame& frame) override;

    const FigureRecord& record() const { return *record_; }

private:
    FigureRecord own_{};
    FigureRecord* record_;
    int32_t stepMs_ = 0;
    AnalysisView analysis_;
};

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
