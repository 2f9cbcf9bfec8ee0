// The automatic train operation controller. Once the driver engages it, it
// picks a power notch that keeps the train just under the governing speed,
// brakes by notches over that speed, follows braking patterns down to
// beacon-announced restrictions and stop points, and steps the brake through
// a short timed sequence at the final stop.
//
// The core owns the single instance and tells it what happens: the driver
// engaging it, the beacons announcing stop points and restrictions or
// switching supervision off, and once per frame the frame with the cab
// signal and the driver's handles; the frame's update answers with the
// controller's command. Only this class writes its state, and nothing
// resets it after load.
#ifndef CABKIT_VELORIN_ATO_CONTROLLER_H
#define CABKIT_VELORIN_ATO_CONTROLLER_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "driver_handles.h"
#include "frame.h"

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

    // Signal speed limits in km/h by [row][signal code]. Code 0 allows -5 so
    // that a stop code keeps the brake on even at a standstill. No operation
    // changes the row; row 1 is the one in service.
    static constexpr SpeedTable kSpeedTable{{
        {-5, 12, 22, 42, 52, 62, 72},
        {-5, 12, 22, 42, 52, 62, 67},
        {-5, 12, 22, 42, 52, 62, 62},
        {-5, 12, 22, 42, 52, 57, 57},
        {-5, 12, 22, 42, 52, 52, 52},
        {-5, 12, 22, 42, 47, 47, 47},
        {-5, 12, 22, 42, 42, 42, 42},
    }};
    static constexpr int32_t kRowInService = 1;

    // Pattern speed for a stop `distance` metres ahead at `deceleration`
    // km/h/s, allowing for the idle-run time. Negative distances give 0.
    static double stopCurve(double distance, double deceleration);
    // Pattern speed down to `targetSpeed` at a restriction `distance` metres
    // ahead. Once the restriction has started the result is the target speed.
    static double limitCurve(double distance, double targetSpeed);
    // A notch demand from a raw value: 7 at or above 7 (and for NaN), 0 at
    // or below 0, otherwise the value truncated.
    static int32_t clamp07(double value);

    // What one frame brings: the frame itself, the cab signal as the
    // cab-signal plug-in left it on the panel, and the driver's handles.
    struct FrameInputs {
        Frame frame;
        int32_t cabSignalCode = 0;      // slot 72
        bool cabSignalCutOut = false;   // slot 59 non-zero: drive on nothing
        bool cabSignalBraking = false;  // slot 57 or 58 non-zero
        DriverHandles driver{};
    };
    // The command while engaged; the core passes the driver's handles on
    // otherwise.
    struct FrameOutputs {
        bool engaged = false;
        int32_t power = 0;
        int32_t brake = 0;
    };

    // The driver's key 0, accepted: supervise from now on, with both stop
    // points disarmed.
    void engage();
    // Stop point A (or B, the final stop) lies `distanceM` ahead; a point
    // already armed takes the new distance.
    void stopPointAAnnounced(int32_t distanceM);
    void stopPointBAnnounced(int32_t distanceM);
    // A restriction to `targetSpeedKmh` starts 400 m ahead: slot A if free,
    // else slot B, whatever B holds.
    void restrictionAnnounced(int32_t targetSpeedKmh);
    // Supervision ends; the controller stays engaged, holding the train.
    void supervisionOff();

    // Once per frame: the signal code, the driver taking the train back,
    // then the patterns and the command.
    FrameOutputs update(const FrameInputs& inputs);

private:
    void takeSignalCode(int32_t cabSignalCode, bool cutOut);

    // The steps of the frame's update, in order; v is the speed in km/h.
    void lookUpSignalSpeedLimit();
    void advanceDistances(double travelled);
    void runDownStopStepTimers(int32_t stepMs);
    void computePatternSpeeds();
    void computeGoverningSpeed();
    void startFinalStop(double v);
    void endFinalStopAtStandstill(double v);
    void supervise(double v);
    void applyFinalStopSteps();

    // The steps of supervise(), in order.
    void demandPowerByHeadroom(double v);
    void raiseOverspeedBrake(double v);
    void releaseOverspeedBrake(double v);
    void followStopPatternA(double v);
    void followStopPatternB(double v);

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
    int32_t speedTableRow = kRowInService;
    SpeedTable speedTable = kSpeedTable;
    bool engaged = false;
    int32_t brakeCommand = 0;
    int32_t patternBrake = 0;
    int32_t powerCommand = 0;
    int32_t signalCode = 0;
    int32_t stopSequenceBase = 0;
};

static_assert(sizeof(bool) == 1, "the controller's flags are 8-bit");

}  // namespace cabkit::velorin

#endif  // CABKIT_VELORIN_ATO_CONTROLLER_H
