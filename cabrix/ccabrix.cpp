#include "ccabrix.h"

#include <algorithm>

#include "handle_outputs.h"
#include "sound_commands.h"

namespace cabkit::cabrix {

CCabrix::CCabrix()
    : rollbackTripped(false),
      wasActive(false),
      permittedSpeed(kStopSpeed),
      wasCutOut(false),
      lastMode(kModeOff),
      lastAspect(0),
      bellTrigger(CABKIT_SOUND_STOP),
      chimeTrigger(CABKIT_SOUND_STOP),
      spareTrigger(CABKIT_SOUND_STOP),
      active(false),
      speedOk(false),
      runOk(false),
      brakeAtEmergency(false),
      signalReceived(false),
      activeLamp(0),
      supervisingLamp(0),
      serviceBrakeLamp(0),
      emergencyBrakeLamp(0),
      fixedLimitLamp(0),
      cutOutLamp(0),
      rollbackLamp(0),
      speedIndicators(kSpeedIndicatorCount, 0),
      cutOut(false),
      mode(kModeOff),
      fixedLimitMode(false),
      bellSound(CABKIT_SOUND_STOP),
      chimeSound(CABKIT_SOUND_STOP),
      spareSound(CABKIT_SOUND_STOP),
      fixedLimitSound(CABKIT_SOUND_STOP),
      cutOutSound(CABKIT_SOUND_STOP),
      rollbackSound(CABKIT_SOUND_STOP),
      vehicleState{},
      reverserRef(0),
      signalCode(0) {}

CCabrix::~CCabrix() = default;

void CCabrix::initialize() {
    rollbackTripped = false;
    wasActive = false;
    permittedSpeed = kStopSpeed;
    wasCutOut = false;
    lastMode = kModeNone;
    bellTrigger = CABKIT_SOUND_STOP;
    chimeTrigger = CABKIT_SOUND_STOP;
    spareTrigger = CABKIT_SOUND_STOP;
    active = false;
    speedOk = true;
    runOk = true;
    brakeAtEmergency = false;
    activeLamp = 0;
    supervisingLamp = 0;
    serviceBrakeLamp = 0;
    emergencyBrakeLamp = 0;
    fixedLimitLamp = 0;
    cutOutLamp = 0;
    rollbackLamp = 0;
    clearSpeedIndicators();
    cutOut = false;
    mode = kModeOff;
    fixedLimitMode = false;
    bellSound = CABKIT_SOUND_STOP;
    chimeSound = CABKIT_SOUND_STOP;
    spareSound = CABKIT_SOUND_STOP;
    fixedLimitSound = CABKIT_SOUND_STOP;
    cutOutSound = CABKIT_SOUND_STOP;
    rollbackSound = CABKIT_SOUND_STOP;
}

void CCabrix::brakeMoved(int32_t notch, int32_t emergencyNotch) {
    brakeAtEmergency = contract::cabrix::brakeAtEmergency(notch, emergencyNotch);
}

CabrixOutputs CCabrix::update(const CabrixInputs& inputs) {
    vehicleState = inputs.state;
    reverserRef = inputs.driver.reverser;

    // Supervise, or clear what an inactive frame does not show.
    decideActive(inputs.vehiclePermits);
    if (active) {
        activeLamp = 1;
        supervisingLamp = 1;
        superviseFrame();
    } else {
        clearInactiveFrame();
    }

    settleFrameSounds();
    return outputs(inputs);
}

CabrixOutputs CCabrix::outputs(const CabrixInputs& inputs) const {
    CabrixOutputs out{};
    out.handles = commandHandles(HandleDemands{.active = active, .speedOk = speedOk, .runOk = runOk}, inputs.driver,
                                 inputs.notches);
    out.activeLamp = activeLamp;
    out.supervisingLamp = supervisingLamp;
    out.rollbackLamp = rollbackLamp;
    out.fixedLimitLamp = fixedLimitLamp;
    out.serviceBrakeLamp = serviceBrakeLamp;
    out.emergencyBrakeLamp = emergencyBrakeLamp;
    out.cutOutLamp = cutOutLamp;
    out.mode = mode;
    out.signalCode = signalCode;
    std::copy(speedIndicators.begin(), speedIndicators.end(), out.speedIndicators.begin());
    out.bellSound = bellSound;
    out.chimeSound = chimeSound;
    out.spareSound = spareSound;
    out.fixedLimitSound = fixedLimitSound;
    out.cutOutSound = cutOutSound;
    out.rollbackSound = rollbackSound;
    return out;
}

// Sets every indicator to 0 without touching the storage.
void CCabrix::clearSpeedIndicators() { std::fill(speedIndicators.begin(), speedIndicators.end(), 0); }

}  // namespace cabkit::cabrix
