#include "ccabrix.h"

#include <algorithm>

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
      vehicleState(nullptr),
      reverserRef(nullptr),
      signalCode(0) {}

CCabrix::~CCabrix() = default;

void CCabrix::wire(const VehicleState* state, const int32_t* reverser) {
    vehicleState = state;
    reverserRef = reverser;
}

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
    clearSpeedIndicators(*this);
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

void clearSpeedIndicators(CCabrix& cab) { std::fill(cab.speedIndicators.begin(), cab.speedIndicators.end(), 0); }

}  // namespace cabkit::cabrix
