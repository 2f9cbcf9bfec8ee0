#include "ato_controller.h"

#include <cmath>

#include "int32_arith.h"
#include "velorin_contract.h"
#include "velorin_rules.h"

namespace cabkit::velorin {

namespace {

// Braking curves: stop point A and both restrictions at 2.5 km/h/s, stop
// point B (the final stop) more gently at 2.0 km/h/s.
constexpr double kStopDecelerationA = 2.5;
constexpr double kStopDecelerationB = 2.0;
constexpr double kLimitDeceleration = 2.5;
// Time before the brake bites; the curves give up the distance run meanwhile.
constexpr double kIdleRunSeconds = 0.2;
// The stop patterns act only when the train would overrun the braking
// distance after this much more time at its present speed.
constexpr double kLookAheadSeconds = 5.0;
// A restriction ends once the train is this far past its start point.
constexpr double kRestrictionReleaseM = -contract::velorin::kRestrictionLengthM;
// Below this speed with stop point B armed, the final-stop sequence starts.
constexpr double kFinalStopStartKmh = 1.1;
constexpr double kRestrictionNoticeM = contract::velorin::kRestrictionNoticeM;

// The final-stop sequence: step timers at the start, and the notch each
// step sets, by [step][key], the key being the pattern brake at the start
// (0..4; any other value uses the last column).
constexpr std::array<int32_t, AtoController::kStopSteps> kStopStepStartMs{0, 500, 1000};
constexpr std::size_t kStopKeys = 6;
constexpr std::array<std::array<int32_t, kStopKeys>, AtoController::kStopSteps> kStopStepNotches{{
    {1, 0, 1, 2, 2, 3},
    {2, 1, 2, 3, 3, 3},
    {3, 2, 3, 3, 3, 3},
}};

// max(x, 0); a NaN difference counts as no headroom and no overspeed.
double positivePart(double value) { return value > 0.0 ? value : 0.0; }

// Demands never exceed the notch ceiling.
double capAtCeiling(double value) {
    constexpr auto ceiling = static_cast<double>(AtoController::kNotchCeiling);
    return value < ceiling ? value : ceiling;
}

std::size_t stopKeyColumn(int32_t base) {
    return (base >= 0 && base < static_cast<int32_t>(kStopKeys) - 1) ? static_cast<std::size_t>(base) : kStopKeys - 1;
}

// Cab-signal code on the panel -> the controller's signal code (its speed
// table column), from the contract table. Codes not listed give 0, the stop
// code.
constexpr const auto& kCabSignalMappings = contract::velorin::kAtoSignalSpeeds;

// Each mapped code is a column of the speed table, and the row in service
// allows there the speed the contract states.
constexpr bool mappingsFitSpeedTable() {
    constexpr auto& kRow = AtoController::kSpeedTable[static_cast<std::size_t>(AtoController::kRowInService)];
    for (const contract::velorin::AtoSignalSpeed& mapping : kCabSignalMappings) {
        if (mapping.controllerCode < 0 || static_cast<std::size_t>(mapping.controllerCode) >= kRow.size() ||
            kRow[static_cast<std::size_t>(mapping.controllerCode)] != mapping.speed) {
            return false;
        }
    }
    return true;
}
static_assert(mappingsFitSpeedTable(), "every mapped code is a column of the speed table, at the stated speed");

}  // namespace

double AtoController::stopCurve(double distance, double deceleration) {
    // At or past the point (or NaN) nothing is left: 0. The root of a
    // negative number is never taken, since the library's error path behind
    // it is dear and the stop point stays behind the train for a while.
    double remaining = 0.0;
    if (distance > 0.0) {
        const double idleRun = std::sqrt(distance * 7.2 * deceleration) / 3.6 * kIdleRunSeconds;
        remaining = distance - idleRun;
        if (!(remaining > 0.0)) {
            remaining = 0.0;
        }
    }
    return std::sqrt(remaining * 7.2 * deceleration);
}

double AtoController::limitCurve(double distance, double targetSpeed) {
    const double targetBrakingDistance = std::pow(targetSpeed, 2) / 18.0;  // 18 = 7.2 x 2.5
    // Inside the restriction (or NaN) no distance is left to run idle
    // through; as above, no root of a negative number.
    double remaining = 0.0;
    if (distance + targetBrakingDistance > 0.0) {
        const double idleRun =
            std::sqrt((distance + targetBrakingDistance) * 7.2 * kLimitDeceleration) / 3.6 * kIdleRunSeconds;
        remaining = distance - idleRun;
        if (!(remaining > 0.0)) {
            remaining = 0.0;
        }
    }
    return std::sqrt((targetBrakingDistance + remaining) * 7.2 * kLimitDeceleration);
}

int32_t AtoController::clamp07(double value) {
    constexpr auto ceiling = static_cast<double>(kNotchCeiling);
    if (!(value < ceiling)) {
        return kNotchCeiling;
    }
    if (value > 0.0) {
        return platform::truncateToInt32(value);
    }
    return 0;
}

void AtoController::engage() {
    enabled = true;
    stopTargetActiveA = false;
    stopTargetActiveB = false;
    patternBrake = 0;
    engaged = true;
}

void AtoController::stopPointAAnnounced(int32_t distanceM) {
    stopTargetActiveA = true;
    stopDistanceA = static_cast<double>(distanceM);
}

void AtoController::stopPointBAnnounced(int32_t distanceM) {
    stopTargetActiveB = true;
    stopDistanceB = static_cast<double>(distanceM);
}

void AtoController::restrictionAnnounced(int32_t targetSpeedKmh) {
    if (!limitActiveA) {
        limitDistanceA = kRestrictionNoticeM;
        limitActiveA = true;
        limitTargetSpeedA = static_cast<double>(targetSpeedKmh);
    } else {
        limitDistanceB = kRestrictionNoticeM;
        limitActiveB = true;
        limitTargetSpeedB = static_cast<double>(targetSpeedKmh);
    }
}

void AtoController::supervisionOff() { enabled = false; }

AtoController::FrameOutputs AtoController::update(const FrameInputs& inputs) {
    takeSignalCode(inputs.cabSignalCode, inputs.cabSignalCutOut);
    if (contract::velorin::driverTakesOver(inputs.driver, inputs.cabSignalBraking)) {
        engaged = false;
    }

    const int32_t stepMs = inputs.frame.stepMs;
    const auto v = static_cast<double>(inputs.frame.state.speed);
    const double travelled = v / 3.6 * (static_cast<double>(stepMs) / 1000.0);  // negative when running backwards
    lookUpSignalSpeedLimit();
    advanceDistances(travelled);
    runDownStopStepTimers(stepMs);
    computePatternSpeeds();
    computeGoverningSpeed();
    startFinalStop(v);
    endFinalStopAtStandstill(v);
    if (enabled) {
        supervise(v);
    } else {
        brakeCommand = 0;
        patternBrake = 3;
        powerCommand = 0;
    }
    if (stopSequenceActive) {
        applyFinalStopSteps();
    }
    if (patternBrake > brakeCommand) {
        brakeCommand = patternBrake;
    }
    return FrameOutputs{engaged, powerCommand, brakeCommand};
}

void AtoController::takeSignalCode(int32_t cabSignalCode, bool cutOut) {
    int32_t code = 0;
    for (const contract::velorin::AtoSignalSpeed& mapping : kCabSignalMappings) {
        if (mapping.cabSignalCode == cabSignalCode) {
            code = mapping.controllerCode;
        }
    }
    signalCode = cutOut ? 0 : code;
}

void AtoController::lookUpSignalSpeedLimit() {
    // The core only ever sets codes 0..6; anything else would be a fault and
    // gets what the stop code allows, which is the same in every row.
    const bool inTable = speedTableRow >= 0 && static_cast<std::size_t>(speedTableRow) < kSpeedTableRows &&
                         signalCode >= 0 && static_cast<std::size_t>(signalCode) < kSignalCodes;
    const int32_t limit =
        inTable ? speedTable[static_cast<std::size_t>(speedTableRow)][static_cast<std::size_t>(signalCode)]
                : speedTable[0][0];
    signalSpeedLimit = static_cast<double>(limit);
}

void AtoController::advanceDistances(double travelled) {
    // Stop points stay armed whatever the distance; restrictions end 60 m
    // past their start.
    stopDistanceB -= travelled;
    stopDistanceA -= travelled;
    limitDistanceA -= travelled;
    if (kRestrictionReleaseM > limitDistanceA) {
        limitActiveA = false;
    }
    limitDistanceB -= travelled;
    if (kRestrictionReleaseM > limitDistanceB) {
        limitActiveB = false;
    }
}

void AtoController::runDownStopStepTimers(int32_t stepMs) {
    // Every frame, sequence or not; saturating so that a long wait never
    // wraps a timer back to a large positive count.
    for (int32_t& timer : stopStepTimers) {
        timer = platform::saturatingSub(timer, stepMs);
    }
}

void AtoController::computePatternSpeeds() {
    stopPatternSpeedA = stopTargetActiveA ? stopCurve(stopDistanceA, kStopDecelerationA) : kNoPatternSpeed;
    stopPatternSpeedB = stopTargetActiveB ? stopCurve(stopDistanceB, kStopDecelerationB) : kNoPatternSpeed;
    limitPatternSpeedA = limitActiveA ? limitCurve(limitDistanceA, limitTargetSpeedA) : kNoPatternSpeed;
    limitPatternSpeedB = limitActiveB ? limitCurve(limitDistanceB, limitTargetSpeedB) : kNoPatternSpeed;
}

void AtoController::computeGoverningSpeed() {
    // The stop patterns act through patternBrake, not through this speed.
    const double lowerLimit = limitPatternSpeedA < limitPatternSpeedB ? limitPatternSpeedA : limitPatternSpeedB;
    governingSpeed = lowerLimit > signalSpeedLimit ? signalSpeedLimit : lowerLimit;
}

void AtoController::startFinalStop(double v) {
    if (stopTargetActiveB && kFinalStopStartKmh > v && !stopSequenceActive) {
        stopSequenceActive = true;
        stopSequenceBase = patternBrake;  // what the patterns demanded last frame
        stopStepTimers = kStopStepStartMs;
    }
}

void AtoController::endFinalStopAtStandstill(double v) {
    if (stopSequenceActive && !(std::fabs(v) > 0.0)) {
        stopSequenceActive = false;
    }
}

void AtoController::applyFinalStopSteps() {
    // A step applies from the first frame after its time has run out; later
    // steps overwrite earlier ones.
    const std::size_t column = stopKeyColumn(stopSequenceBase);
    for (std::size_t step = 0; step < kStopSteps; ++step) {
        if (stopStepTimers[step] < 0) {
            patternBrake = kStopStepNotches[step][column];
        }
    }
}

void AtoController::supervise(double v) {
    demandPowerByHeadroom(v);
    raiseOverspeedBrake(v);
    releaseOverspeedBrake(v);
    patternBrake = 0;
    followStopPatternA(v);
    followStopPatternB(v);
}

void AtoController::demandPowerByHeadroom(double v) {
    // Two notches per km/h of headroom below the governing speed.
    powerCommand = platform::truncateToInt32(capAtCeiling(2.0 * positivePart(governingSpeed - v)));
}

void AtoController::raiseOverspeedBrake(double v) {
    const double demand = capAtCeiling(2.0 * positivePart(v - governingSpeed));
    if (demand > static_cast<double>(brakeCommand)) {
        brakeCommand = platform::truncateToInt32(demand);
    }
}

void AtoController::releaseOverspeedBrake(double v) {
    // Measured 1 km/h lower than the raise: the brake holds while the
    // overspeed falls back by up to 1 km/h.
    const double hold = capAtCeiling(2.0 * positivePart((v - governingSpeed) + 1.0));
    if (static_cast<double>(brakeCommand) > hold) {
        brakeCommand = platform::truncateToInt32(hold);
    }
}

void AtoController::followStopPatternA(double v) {
    if (!stopTargetActiveA) {
        return;
    }
    const double leftAfterLookAhead = positivePart(stopDistanceA - v / 3.6 * kLookAheadSeconds);
    if (!(v > std::sqrt(leftAfterLookAhead * 7.2 * kStopDecelerationA))) {
        return;
    }
    powerCommand = 0;
    // Notch 5 on the pattern, 0 at 2.5 km/h below it.
    const int32_t raise = clamp07(5.0 - 2.0 * (stopPatternSpeedA - v));
    const int32_t hold = clamp07(5.0 - 2.0 * (stopPatternSpeedA - (v + 1.0)));
    if (raise > 0) {
        patternBrake = raise;
    }
    const int32_t raised = raise > 0 ? raise : 0;
    if (raised > hold) {
        patternBrake = hold;
    }
}

void AtoController::followStopPatternB(double v) {
    if (!(stopTargetActiveB && stopPatternSpeedB > stopPatternSpeedA)) {
        return;
    }
    const double leftAfterLookAhead = positivePart(stopDistanceB - v / 3.6 * kLookAheadSeconds);
    if (!(v > std::sqrt(leftAfterLookAhead * 7.2 * kStopDecelerationB))) {
        return;
    }
    powerCommand = 0;
    // The hold value is taken one notch pair lower than the raise, so stop
    // point B's demand always replaces stop point A's.
    const double belowPattern = stopPatternSpeedB - v;
    const int32_t raise = clamp07(4.0 - 2.0 * belowPattern);
    const int32_t hold = clamp07(4.0 - 2.0 * (belowPattern + 1.0));
    if (patternBrake < raise) {
        patternBrake = raise;
    }
    if (patternBrake > hold) {
        patternBrake = hold;
    }
}

}  // namespace cabkit::velorin
