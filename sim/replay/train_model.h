// The train: location, speed and time of day, integrated at a fixed step
// from the handle command that the host settled for the frame.
#ifndef CABKIT_SIM_TRAIN_MODEL_H
#define CABKIT_SIM_TRAIN_MODEL_H

#include <cstdint>
#include <vector>

#include "host_records.h"
#include "scenario.h"

namespace cabkit::sim {

// What the train obeys in one frame (after the host combined the plug-ins).
struct TrainCommand {
    int32_t brake = 0;     // 0, service notch, or the emergency notch and above
    int32_t power = 0;     // 0 or a power notch
    int32_t reverser = 0;  // -1, 0, 1
};

class TrainModel {
public:
    TrainModel(const TrainSpec& train, std::vector<Gradient> gradients, double location, double speedKmh,
               int64_t timeOfDayMs);

    // Advances by stepMs under `command`.
    void step(const TrainCommand& command, int32_t stepMs);

    double location() const { return location_; }
    double speed() const { return speed_; }  // km/h, negative when running backwards
    int64_t timeOfDayMs() const { return timeMs_; }
    double current() const { return current_; }

    // The record handed to Elapse.
    VehicleState vehicleState() const;

    // The net acceleration (km/h/s) the command gives at the present state,
    // before any stop at zero speed: for tests and the step itself.
    double acceleration(const TrainCommand& command) const;

private:
    double gradientAt(double location) const;
    double tractive(const TrainCommand& command) const;
    double brakeDeceleration(int32_t notch) const;

    TrainSpec train_;
    std::vector<Gradient> gradients_;
    double location_;
    double speed_;
    int64_t timeMs_;
    double current_ = 0.0;
    int32_t lastBrake_ = 0;
    mutable std::size_t gradientIndex_ = 0;
};

// km/h/s that one per mille of rising gradient takes from the speed: g/1000 in m/s² times 3.6.
inline constexpr double kGradientKmhPerSecondPerMille = 9.80665 / 1000.0 * 3.6;

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_TRAIN_MODEL_H
