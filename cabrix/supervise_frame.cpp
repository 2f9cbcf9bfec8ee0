#include "supervise_frame.h"

#include <cstddef>

#include "sound_commands.h"

namespace cabkit::cabrix {
namespace {

namespace rules = contract::cabrix;

int32_t lampValue(bool lit) { return lit ? 1 : 0; }

int32_t loopWhile(bool on) { return on ? CABKIT_SOUND_LOOP : CABKIT_SOUND_STOP; }

}  // namespace

// Rollback: running backwards with the reverser forward.
void CCabrix::detectRollback(double speed) {
    if (rules::rollbackTrips(reverserRef, speed)) {
        rollbackTripped = true;
    }
}

// Speed check. A speed that compares with nothing (NaN) counts as within the
// permitted speed; the fixed limit is a plain comparison.
void CCabrix::checkSpeed(double speed) { speedOk = rules::withinPermitted(speed, permittedSpeed, fixedLimitMode); }

// Run check. Without a code the limited modes may not run at all, unless the
// driver took the fixed limit or is backing the train.
void CCabrix::checkRun() {
    runOk = !(rollbackTripped || rules::runsUncoded(signalCode, fixedLimitMode, reverserRef, mode));
}

// The rollback trip is acknowledged by stopping with the emergency notch.
void CCabrix::clearRollbackAtStandstill(double speed) {
    if (rules::rollbackClears(speed, brakeAtEmergency)) {
        rollbackTripped = false;
    }
}

// Backing the train is never overspeed.
void CCabrix::releaseSpeedCheckWhenBacking() {
    if (reverserRef == rules::kReverserBackward) {
        speedOk = true;
    }
}

// The lamps and looping sounds of the checks above.
void CCabrix::setLampsAndLoopingSounds() {
    fixedLimitLamp = lampValue(fixedLimitMode);
    fixedLimitSound = loopWhile(fixedLimitMode);
    rollbackLamp = lampValue(rollbackTripped);
    rollbackSound = loopWhile(rollbackTripped);
    serviceBrakeLamp = lampValue(!speedOk);
    emergencyBrakeLamp = lampValue(!runOk);
}

// Cut-out: nothing is demanded and most lamps go dark; the code
// indicators go blank for the first frame and show the code after that.
void CCabrix::applyCutOut() {
    if (!cutOut) {
        cutOutLamp = 0;
        cutOutSound = CABKIT_SOUND_STOP;
        return;
    }
    cutOutSound = CABKIT_SOUND_LOOP;
    supervisingLamp = 0;
    serviceBrakeLamp = 0;
    emergencyBrakeLamp = 0;
    fixedLimitLamp = 0;
    cutOutLamp = 1;
    speedOk = true;
    runOk = true;
    if (!wasCutOut) {
        clearSpeedIndicators();
    }
}

// Any change the driver should notice rings the bell.
void CCabrix::ringOnChange(bool previousSpeedOk, bool previousRunOk) {
    if (speedOk != previousSpeedOk || runOk != previousRunOk || mode != lastMode || cutOut != wasCutOut) {
        bellTrigger = CABKIT_SOUND_PLAY_ONCE;
    }
    lastMode = mode;
    wasCutOut = cutOut;
}

void CCabrix::superviseFrame() {
    const double speed = static_cast<double>(vehicleState.speed);

    detectRollback(speed);
    clearSpeedIndicators();
    settlePermittedSpeed();
    const bool previousSpeedOk = speedOk;  // for the bell
    const bool previousRunOk = runOk;
    checkSpeed(speed);
    checkRun();
    clearRollbackAtStandstill(speed);
    releaseSpeedCheckWhenBacking();
    setLampsAndLoopingSounds();
    applyCutOut();
    ringOnChange(previousSpeedOk, previousRunOk);
}

}  // namespace cabkit::cabrix
