// The chart of a run: speed against distance, the combined power and brake
// notches under it, and the driver's keys, doors, trips and stops marked
// where they happened. Rendered by gnuplot as SVG or PNG.
#ifndef CABKIT_SIM_SPEED_CHART_H
#define CABKIT_SIM_SPEED_CHART_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "replay.h"

namespace cabkit::sim {

class SpeedChart : public ReplayObserver {
public:
    struct Point {
        double location, speed;
        int32_t power, brake;
    };
    struct Mark {
        double location, speed;
        std::string label;
    };

    void onStart(const ReplayContext& context) override;
    void onInput(const InputEvent& event) override;
    void onFrame(const Frame& frame) override;

    // The gnuplot script, data inline. `terminal` is "svg" or "png".
    std::string script(const std::filesystem::path& output, const std::string& terminal) const;
    // Runs gnuplot; throws std::runtime_error when it is missing or fails, or
    // the file name ends neither in .svg nor in .png.
    void render(const std::filesystem::path& output) const;

    const std::vector<Point>& points() const { return points_; }
    const std::vector<Mark>& marks() const { return marks_; }

    // Charts stay readable and small: about this many points at most.
    static constexpr int64_t kMaxPoints = 4000;

private:
    std::string title_;
    std::vector<std::pair<double, std::string>> stations_;
    int32_t emergencyNotch_ = 0;
    int64_t every_ = 1;
    std::vector<Point> points_;
    std::vector<Mark> marks_;
    int32_t lastPower_ = -1, lastBrake_ = -1;
    int32_t lastEmergency_ = 0;
    double lastSpeed_ = 0.0;
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_SPEED_CHART_H
