#include "supervise_frame.h"

#include <cstddef>

#include "permitted_speed.h"
#include "sound_commands.h"

namespace cabkit::cabrix {
namespace {

constexpr int32_t kReverserForward = 1;
constexpr int32_t kReverserBackward = -1;

struct PreviousDemands {
    bool speedOk;
    bool runOk;
};

int32_t lampValue(bool lit) { return lit ? 1 : 0; }

int32_t loopWhile(bool on) { return on ? CABKIT_SOUND_LOOP : CABKIT_SOUND_STOP; }

// Rollback: running backwards with the reverser forward.
void detectRollback(CCabrix& cab, double speed) {
    if (*cab.reverserRef == kReverserForward && kRollbackSpeed > speed) {
        cab.rollbackTripped = true;
    }
}

// The permitted speed and the code's indicator.
void settlePermittedSpeed(CCabrix& cab) {
    const PermittedSpeed permitted = permittedSpeedFor(cab.mode, cab.signalCode, cab.permittedSpeed);
    cab.permittedSpeed = permitted.speed;
    if (permitted.indicator != kNoIndicator) {
        cab.speedIndicators[static_cast<std::size_t>(permitted.indicator)] = 1;
    }
}

// Speed check. A speed that compares with nothing (NaN) counts as within the
// permitted speed; the fixed limit is a plain comparison.
void checkSpeed(CCabrix& cab, double speed) {
    if (cab.fixedLimitMode) {
        cab.speedOk = speed <= kFixedLimitSpeed;
    } else {
        cab.speedOk = !(speed >= cab.permittedSpeed);
    }
}

// Run check. Without a code the limited modes may not run at all, unless the
// driver took the fixed limit or is backing the train.
void checkRun(CCabrix& cab) {
    const bool runningUncoded =
        cab.signalCode == 0 && !cab.fixedLimitMode && *cab.reverserRef != kReverserBackward && cab.mode != kModeFull;
    cab.runOk = !(cab.rollbackTripped || runningUncoded);
}

// The rollback trip is acknowledged by stopping with the emergency notch.
void clearRollbackAtStandstill(CCabrix& cab, double speed) {
    if (!(speed > 0.0) && cab.brakeAtEmergency) {
        cab.rollbackTripped = false;
    }
}

// Backing the train is never overspeed.
void releaseSpeedCheckWhenBacking(CCabrix& cab) {
    if (*cab.reverserRef == kReverserBackward) {
        cab.speedOk = true;
    }
}

// The lamps and looping sounds of the checks above.
void setLampsAndLoopingSounds(CCabrix& cab) {
    cab.fixedLimitLamp = lampValue(cab.fixedLimitMode);
    cab.fixedLimitSound = loopWhile(cab.fixedLimitMode);
    cab.rollbackLamp = lampValue(cab.rollbackTripped);
    cab.rollbackSound = loopWhile(cab.rollbackTripped);
    cab.serviceBrakeLamp = lampValue(!cab.speedOk);
    cab.emergencyBrakeLamp = lampValue(!cab.runOk);
}

// Cut-out: nothing is demanded and most lamps go dark; the code
// indicators go blank for the first frame and show the code after that.
void applyCutOut(CCabrix& cab) {
    if (!cab.cutOut) {
        cab.cutOutLamp = 0;
        cab.cutOutSound = CABKIT_SOUND_STOP;
        return;
    }
    cab.cutOutSound = CABKIT_SOUND_LOOP;
    cab.supervisingLamp = 0;
    cab.serviceBrakeLamp = 0;
    cab.emergencyBrakeLamp = 0;
    cab.fixedLimitLamp = 0;
    cab.cutOutLamp = 1;
    cab.speedOk = true;
    cab.runOk = true;
    if (!cab.wasCutOut) {
        clearSpeedIndicators(cab);
    }
}

// Any change the driver should notice rings the bell.
void ringOnChange(CCabrix& cab, const PreviousDemands& previous) {
    if (cab.speedOk != previous.speedOk || cab.runOk != previous.runOk || cab.mode != cab.lastMode ||
        cab.cutOut != cab.wasCutOut) {
        cab.bellTrigger = CABKIT_SOUND_PLAY_ONCE;
    }
    cab.lastMode = cab.mode;
    cab.wasCutOut = cab.cutOut;
}

}  // namespace

void superviseFrame(CCabrix& cab) {
    const double speed = static_cast<double>(cab.vehicleState->speed);

    detectRollback(cab, speed);
    clearSpeedIndicators(cab);
    settlePermittedSpeed(cab);
    const PreviousDemands previous{cab.speedOk, cab.runOk};  // for the bell
    checkSpeed(cab, speed);
    checkRun(cab);
    clearRollbackAtStandstill(cab, speed);
    releaseSpeedCheckWhenBacking(cab);
    setLampsAndLoopingSounds(cab);
    applyCutOut(cab);
    ringOnChange(cab, previous);
}

}  // namespace cabkit::cabrix
