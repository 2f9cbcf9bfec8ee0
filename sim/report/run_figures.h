// Figures of a whole run, gathered frame by frame: what the summary reports
// of the run as a whole, kept where a supervisor can read them while the
// replay runs.
#ifndef CABKIT_SIM_RUN_FIGURES_H
#define CABKIT_SIM_RUN_FIGURES_H

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "replay.h"
#include "run_analysis.h"

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
static_assert(sizeof(FigureRecord) == std::size_t{7} * 8 + kMaxPlugins * 32, "no padding between the figures");

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

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_RUN_FIGURES_H
