#include "train_model.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace cabkit::sim {
namespace {

double signOf(double value) { return value > 0.0 ? 1.0 : (value < 0.0 ? -1.0 : 0.0); }

// Traction current per power notch and regenerative current per brake notch,
// only for the current indicator of the cab.
constexpr double kAmpsPerPowerNotch = 60.0;
constexpr double kAmpsPerBrakeNotch = -40.0;
constexpr double kRegenerationFromKmh = 5.0;

}  // namespace

TrainModel::TrainModel(const TrainSpec& train, std::vector<Gradient> gradients, double location, double speedKmh,
                       int64_t timeOfDayMs)
    : train_(train), gradients_(std::move(gradients)), location_(location), speed_(speedKmh), timeMs_(timeOfDayMs) {}

double TrainModel::gradientAt(double location) const {
    if (gradients_.empty() || location < gradients_.front().start) return 0.0;
    // The train moves little per frame: walk from the last index.
    while (gradientIndex_ + 1 < gradients_.size() && gradients_[gradientIndex_ + 1].start <= location) ++gradientIndex_;
    while (gradientIndex_ > 0 && gradients_[gradientIndex_].start > location) --gradientIndex_;
    return gradients_[gradientIndex_].perMille;
}

double TrainModel::tractive(const TrainCommand& command) const {
    if (command.power <= 0 || command.reverser == 0 || train_.powerAcceleration.empty()) return 0.0;
    const auto notch = std::min<std::size_t>(static_cast<std::size_t>(command.power), train_.powerAcceleration.size());
    double accel = train_.powerAcceleration[notch - 1];
    const double magnitude = std::fabs(speed_);
    if (train_.constantPowerAbove > 0.0 && magnitude > train_.constantPowerAbove) {
        accel *= train_.constantPowerAbove / magnitude;
    }
    return accel * static_cast<double>(command.reverser > 0 ? 1 : -1);
}

double TrainModel::brakeDeceleration(int32_t notch) const {
    if (notch <= 0) return 0.0;
    if (notch > train_.brakeNotches) return train_.emergencyDeceleration;
    return train_.brakeDeceleration[static_cast<std::size_t>(notch - 1)];
}

double TrainModel::acceleration(const TrainCommand& command) const {
    const double drive = command.brake > 0 ? 0.0 : tractive(command);
    const double gravity = -gradientAt(location_) * kGradientKmhPerSecondPerMille;
    const double v = std::fabs(speed_);
    const double resistance = train_.resistanceA + train_.resistanceB * v + train_.resistanceC * v * v;
    const double opposing = brakeDeceleration(command.brake) + resistance;
    if (speed_ != 0.0) return drive + gravity - signOf(speed_) * opposing;
    // Standing: brake and rolling resistance hold the train until the
    // other forces overcome them.
    const double applied = drive + gravity;
    if (std::fabs(applied) <= opposing) return 0.0;
    return applied - signOf(applied) * opposing;
}

void TrainModel::step(const TrainCommand& command, int32_t stepMs) {
    const double dt = static_cast<double>(stepMs) / 1000.0;
    const double before = speed_;
    double after = before + acceleration(command) * dt;
    // Brake and resistance stop the train; they never drive it the other
    // way. The next step decides whether gravity or traction starts it again.
    if (before != 0.0 && signOf(after) != signOf(before)) after = 0.0;
    location_ += (before + after) / 2.0 / 3.6 * dt;
    speed_ = after;
    timeMs_ += stepMs;
    lastBrake_ = command.brake;
    const bool powering = command.power > 0 && command.brake <= 0 && command.reverser != 0;
    if (powering) {
        current_ = kAmpsPerPowerNotch * command.power;
    } else if (command.brake > 0 && std::fabs(speed_) > kRegenerationFromKmh) {
        current_ = kAmpsPerBrakeNotch * std::min(command.brake, train_.brakeNotches);
    } else {
        current_ = 0.0;
    }
}

VehicleState TrainModel::vehicleState() const {
    VehicleState state{};
    state.location = location_;
    state.speed = static_cast<float>(speed_);
    state.time = static_cast<int32_t>(timeMs_);
    // Pressures (kPa) follow the brake notch; no plug-in of this system reads them.
    const double share = std::min(1.0, static_cast<double>(std::max(lastBrake_, 0)) / (train_.brakeNotches + 1));
    state.bcPressure = static_cast<float>(440.0 * share);
    state.mrPressure = 800.0F;
    state.erPressure = static_cast<float>(490.0 - 150.0 * share);
    state.bpPressure = state.erPressure;
    state.sapPressure = state.bcPressure;
    state.current = static_cast<float>(current_);
    return state;
}

}  // namespace cabkit::sim
