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

// A received code switches supervision on in any mode, mode 1 switches it on
// without one, and mode 2 without a code keeps it as it was; nothing is
// active unless the vehicle permits it.
void CCabrix::decideActive(bool vehiclePermits) {
    if (signalReceived && signalCode != 1) {
        active = true;
    } else if (mode == kModeOff) {
        active = false;
    } else if (signalReceived || mode == kModeLimited) {
        active = true;
    }

    if (!vehiclePermits) {
        active = false;
    }
}

// Lamps dark but for cut-out and rollback, the selector back to 0, both
// demands and the emergency-notch flag cleared.
void CCabrix::clearInactiveFrame() {
    if (supervisingLamp == 1) {
        bellTrigger = CABKIT_SOUND_PLAY_ONCE;
    }
    fixedLimitLamp = 0;
    activeLamp = 0;
    supervisingLamp = 0;
    serviceBrakeLamp = 0;
    emergencyBrakeLamp = 0;
    mode = kModeOff;
    // The handle must be moved again before a rollback trip can clear.
    speedOk = false;
    runOk = false;
    brakeAtEmergency = false;
    clearSpeedIndicators();
}

// Turns the pending triggers into this frame's commands and re-arms them as
// "unchanged", so that a one-shot plays exactly once. A change of activity
// always rings the bell.
void CCabrix::settleFrameSounds() {
    bellSound = active != wasActive ? CABKIT_SOUND_PLAY_ONCE : bellTrigger;
    chimeSound = chimeTrigger;
    spareSound = spareTrigger;
    wasActive = active;
    bellTrigger = CABKIT_SOUND_UNCHANGED;
    chimeTrigger = CABKIT_SOUND_UNCHANGED;
    spareTrigger = CABKIT_SOUND_UNCHANGED;
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
    return CabrixOutputs{
        .handles = commandHandles(HandleDemands{.active = active, .speedOk = speedOk, .runOk = runOk}, inputs.driver,
                                  inputs.notches),
        .activeLamp = activeLamp,
        .supervisingLamp = supervisingLamp,
        .serviceBrakeLamp = serviceBrakeLamp,
        .emergencyBrakeLamp = emergencyBrakeLamp,
        .fixedLimitLamp = fixedLimitLamp,
        .cutOutLamp = cutOutLamp,
        .rollbackLamp = rollbackLamp,
        .mode = mode,
        .signalCode = signalCode,
        .speedIndicators = speedIndicators.data(),
        .bellSound = bellSound,
        .chimeSound = chimeSound,
        .spareSound = spareSound,
        .fixedLimitSound = fixedLimitSound,
        .cutOutSound = cutOutSound,
        .rollbackSound = rollbackSound,
    };
}

// The storage always holds kSpeedIndicatorCount elements; a fixed count
// lets the compiler clear it in a few stores instead of a call.
void CCabrix::clearSpeedIndicators() { std::fill_n(speedIndicators.data(), kSpeedIndicatorCount, 0); }

}  // namespace cabkit::cabrix
