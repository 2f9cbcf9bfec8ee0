// Figures of a whole run, gathered frame by frame, and the JSON summary that
// reports them with the stops, the interventions and the expectations.
#ifndef CABKIT_SIM_RUN_SUMMARY_H
#define CABKIT_SIM_RUN_SUMMARY_H

#include <cstdint>
#include <filesystem>
#include <string>

#include "event_log.h"
#include "expectation_checker.h"
#include "replay.h"

namespace cabkit::sim {

class RunFigures : public ReplayObserver {
public:
    void onFrame(const Frame& frame) override;

    double maxSpeed() const { return maxSpeed_; }
    double distance() const { return distance_; }

private:
    bool first_ = true;
    double lastLocation_ = 0.0;
    double maxSpeed_ = 0.0;
    double distance_ = 0.0;
};

// Throws std::runtime_error when the file cannot be written.
void writeSummary(const std::filesystem::path& path, const Scenario& scenario, const ReplayResult& result,
                  const RunFigures& figures, const EventLog& log, const ExpectationChecker& checker);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_RUN_SUMMARY_H
