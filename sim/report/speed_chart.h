// The charts of a run, drawn by gnuplot as SVG or PNG: speed against
// location (--plot) or against time (--plot-time), with what an author
// checks beside it:
// - the speeds the cab shows: Cabrix's permitted speed and the speed the
//   train operation controller allows for its code while it drives;
// - a band of the cab-signal code and one of the aspects signalled, the
//   section starts and the beacons passed, named from the cab contract;
// - the power notch, the driver's brake handle and each brake application
//   and power cut as the plug-in that imposed it, in its colour, folded the
//   way a person sees it (intervention_folder.h);
// - keys, doors, stops (with their creeping) and emergency brakes by plug-in,
//   stations against location.
#ifndef CABKIT_SIM_SPEED_CHART_H
#define CABKIT_SIM_SPEED_CHART_H

#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "cab_speeds.h"
#include "chart_data.h"
#include "chart_script.h"
#include "replay.h"
#include "run_analysis.h"
#include "standstill_folder.h"
#include "supervision_zones.h"

namespace cabkit::sim {

class SpeedChart : public ReplayObserver {
public:
    // `analysis`, when given, is the run's, observed before the chart; else
    // the chart folds the frames itself.
    explicit SpeedChart(const RunAnalysis* analysis = nullptr) : analysis_(analysis) {}

    void onStart(const ReplayContext& context) override;
    void onInput(const InputEvent& event) override;
    void onFrame(const Frame& frame) override;
    void onEnd(const Frame& last) override;

    const ChartData& data() const { return data_; }

    // The gnuplot script and its data files. `terminal` is "svg" or "png".
    ChartJob script(const std::string& terminal, ChartAxis axis = ChartAxis::Location) const;
    // Runs gnuplot; throws std::runtime_error when it is missing or fails, or
    // the file name ends neither in .svg nor in .png.
    void render(const std::filesystem::path& output, ChartAxis axis = ChartAxis::Location) const;

    // Charts stay readable and small: about this many samples at most.
    static constexpr int64_t kMaxPoints = 4000;

private:
    void followSpeeds(const Frame& frame);
    void followSections(const Frame& frame);
    void markInterventions(const Frame& frame);
    void markStandstills();

    const Scenario* scenario_ = nullptr;
    std::size_t vehicle_ = 0;
    // The power the vehicle plug-in returned; the driver's handle without one.
    int32_t vehiclePower(const Frame& frame) const {
        return vehicle_ < frame.plugins ? frame.commands[vehicle_].power : frame.driver.power;
    }
    int64_t every_ = 1;
    int32_t windowPower_ = std::numeric_limits<int32_t>::min();
    ChartData data_;
    CabSpeeds cabSpeeds_;
    SupervisionZones zones_;
    SegmentTrack permitted_, allowed_, codes_, aspects_;
    std::optional<int32_t> aspect_;
    bool controllerDrives_ = false;
    double lastLocation_ = 0.0;
    bool started_ = false;
    AnalysisView analysis_;
};

// The colour a plug-in's interventions are drawn in, by its name.
uint32_t pluginColour(const std::string& name);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_SPEED_CHART_H
