// The automatic train operation controller. Once the driver engages it, it
// picks a power notch that keeps the train just under the governing speed,
// brakes by notches over that speed, follows braking patterns down to
// beacon-announced restrictions and stop points, and steps the brake through
// a short timed sequence at the final stop.
//
// The core owns the single instance, feeds its fields directly (keys,
// beacons, the signal code each frame), calls update() once per frame and
// reads engaged, powerCommand and brakeCommand afterwards. Nothing resets the
// controller after load.
#ifndef CABKIT_VELORIN_ATO_CONTROLLER_H
#define CABKIT_VELORIN_ATO_CONTROLLER_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "host_records.h"

namespace cabkit::velorin {

class AtoController {
public:
    static constexpr std::size_t kSpeedTableRows = 7;
    static constexpr std::size_t kSignalCodes = 7;
    using SpeedTable = std::array<std::array<int32_t, kSignalCodes>, kSpeedTableRows>;
    static constexpr std::size_t kStopSteps = 3;

    // Pattern speed that marks an unarmed stop point or an inactive restriction.
    static constexpr double kNoPatternSpeed = 120.0;
    static constexpr int32_t kNotchCeiling = 7;

    // Pattern speed for a stop `distance` metres ahead at `deceleration`
    // km/h/s, allowing for the idle-run time. Negative distances give 0.
    static double stopCurve(double distance, double deceleration);
    // Pattern speed down to `targetSpeed` at a restriction `distance` metres
    // ahead. Once the restriction has started the result is the target speed.
    static double limitCurve(double distance, double targetSpeed);
    // A notch demand from a raw value: 7 at or above 7 (and for NaN), 0 at
    // or below 0, otherwise the value truncated.
    static int32_t clamp07(double value);

    // Once per frame, after the core has set signalCode and engaged.
    void update();
    // The enabled part of update(): power, overspeed brake, stop patterns.
    void supervise();

    // Fields in their fixed order with their values at load.
    double stopPatternSpeedA = kNoPatternSpeed;
    double stopPatternSpeedB = kNoPatternSpeed;
    double limitPatternSpeedA = kNoPatternSpeed;
    double limitPatternSpeedB = kNoPatternSpeed;
    double signalSpeedLimit = kNoPatternSpeed;
    double governingSpeed = kNoPatternSpeed;
    double stopDistanceA = 120.0;
    double stopDistanceB = 120.0;
    double limitDistanceA = 120.0;
    double limitDistanceB = 120.0;
    double limitTargetSpeedA = 0.0;
    double limitTargetSpeedB = 0.0;
    bool stopTargetActiveA = false;
    bool stopTargetActiveB = false;
    bool limitActiveA = false;
    bool limitActiveB = false;
    bool enabled = false;
    bool stopSequenceActive = false;
    std::array<int32_t, kStopSteps> stopStepTimers{0, 0, 0};
    // No operation changes the row; row 1 is the one in service.
    int32_t speedTableRow = 1;
    // Signal speed limits in km/h by [row][signal code]. Code 0 allows -5 so
    // that a stop code keeps the brake on even at a standstill.
    SpeedTable speedTable{{
        {-5, 12, 22, 42, 52, 62, 72},
        {-5, 12, 22, 42, 52, 62, 67},
        {-5, 12, 22, 42, 52, 62, 62},
        {-5, 12, 22, 42, 52, 57, 57},
        {-5, 12, 22, 42, 52, 52, 52},
        {-5, 12, 22, 42, 47, 47, 47},
        {-5, 12, 22, 42, 42, 42, 42},
    }};
    bool panel73Suppressed = false;  // the controller never reads it; the core does
    bool engaged = false;
    int32_t brakeCommand = 0;
    int32_t patternBrake = 0;
    int32_t powerCommand = 0;
    int32_t signalCode = 0;
    int32_t stopSequenceBase = 0;
    const int32_t* frameStepMs = nullptr;
    const VehicleState* vehicleState = nullptr;

private:
    double speed() const;
    double frameStepSeconds() const;

    // The steps of update(), in order.
    void lookUpSignalSpeedLimit();
    void advanceDistances(double travelled);
    void runDownStopStepTimers();
    void computePatternSpeeds();
    void computeGoverningSpeed();
    void startFinalStop();
    void endFinalStopAtStandstill();
    void applyFinalStopSteps();

    // The steps of supervise(), in order.
    void demandPowerByHeadroom();
    void raiseOverspeedBrake();
    void releaseOverspeedBrake();
    void followStopPatternA();
    void followStopPatternB();
};

static_assert(sizeof(bool) == 1, "the controller's flags are 8-bit");

}  // namespace cabkit::velorin

#endif  // CABKIT_VELORIN_ATO_CONTROLLER_H
