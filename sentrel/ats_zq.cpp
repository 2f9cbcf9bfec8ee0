#include "ats_zq.h"

#include "ats_random_times.h"
#include "local_time.h"

namespace cabkit::sentrel {
namespace {

// One countdown step. A step below 0 (the host went back in time) counts as
// 0, so a countdown never grows; the difference is taken in 64 bits so that
// a huge step runs the countdown to 0 instead of wrapping.
int32_t countDown(int32_t remainingMs, int32_t stepMs) {
    const int64_t step = stepMs > 0 ? stepMs : 0;
    const int64_t left = static_cast<int64_t>(remainingMs) - step;
    return left > 0 ? static_cast<int32_t>(left) : 0;
}

}  // namespace

// ---------------------------------------------------------------- events

void CAtsZQ::initialize() { Reset(ResetMode::kInitialize); }

void CAtsZQ::acknowledgeKey(bool held) { ackHeld = held; }

void CAtsZQ::toneResetKey(bool held) { toneResetHeld = held; }

// ---------------------------------------------------------------- Reset

void CAtsZQ::Reset(ResetMode mode) {
    switch (mode) {
        case ResetMode::kInitialize: resetForInitialize(); return;
        case ResetMode::kSwitchOn: resetForSwitchOn(); return;
        case ResetMode::kSwitchedOff: resetForSwitchedOff(); return;
    }
}

// What every mode clears: the supervision in progress and the brake flags,
// which the plug-in refreshes at the end of the frame anyway.
void CAtsZQ::clearSupervision() {
    brakeAtEmergency = false;
    brakeAtCheck = false;
    emergencyLatch = false;
    pairArmed = false;
    ackMs = 0;
    pairMs = 0;
    windowMs = 0;
    toneMs = 0;
    alarmEndRequest = kSoundStop;
}

// Quiet and active, without a switch-on test. A warning or a test under way
// before the restart is dropped too: left pending, the warning would trip
// the brake in the first frame, and the test would sound without end.
void CAtsZQ::resetForInitialize() {
    clearSupervision();
    enabled = true;
    active = true;
    wasActive = true;
    ackHeld = false;
    toneResetHeld = false;
    warningPending = false;
    selfTestOn = false;
    bellOn = false;
    toneLatched = false;
    selfTestMs = 0;
    redrawRandomTimes();
    normalLamp = 1;
    alarmLamp = 0;
    alarmSound = kSoundStop;
    toneSound = kSoundStop;
    strokeARequest = kSoundStop;
    strokeBRequest = kSoundStop;
}

// The switch-on test starts with alarm and reminder tone. A warning raised
// while the supervisor was off is dropped: it would expire at once.
void CAtsZQ::resetForSwitchOn() {
    clearSupervision();
    warningPending = false;
    selfTestOn = true;
    bellOn = true;
    toneLatched = true;
    selfTestMs = selfTestDurationMs;
    normalLamp = 0;
    alarmLamp = 1;
}

// Off: everything dark and silent; whatever beacons set meanwhile is undone
// before anything reads it.
void CAtsZQ::resetForSwitchedOff() {
    clearSupervision();
    warningPending = false;
    bellOn = false;
    toneLatched = false;
    selfTestMs = 0;
    normalLamp = 0;
    alarmLamp = 0;
}

void CAtsZQ::redrawRandomTimes() {
    const RandomTimes times = sentrel::drawRandomTimes(random_, platform::localTime().second);
    tonePeriodMs = times.tonePeriodMs;
    selfTestDurationMs = times.selfTestDurationMs;
}

// ---------------------------------------------------------------- Update

void CAtsZQ::Update(int32_t frameStepMs) {
    // The alarm command of the previous frame, to tell when the alarm ends.
    const int32_t previousAlarmSound = alarmSound;

    active = enabled;

    // Switch-on: a fresh start with the switch-on test.
    if (active && !wasActive) {
        Reset(ResetMode::kSwitchOn);
    }

    // The normal lamp still sees the alarm lamp of the previous frame, so the two overlap for a frame when an alarm
    // starts and are both dark for a frame when it ends.
    if (active) {
        normalLamp = 1;
    }
    if (ackHeld || alarmLamp == 1) {
        normalLamp = 0;
    }

    wasActive = active;

    // Supervise while on; while off, silence the tone and clear the state.
    if (active) {
        Supervise(frameStepMs);
    } else {
        strokeARequest = kSoundStop;
        strokeBRequest = kSoundStop;
        toneSound = kSoundStop;
        Reset(ResetMode::kSwitchedOff);
    }

    alarmSound = bellOn ? kSoundLoop : kSoundStop;

    // The alarm has just stopped, also by switching off: the end sound.
    if (previousAlarmSound == kSoundLoop && !bellOn) {
        alarmEndRequest = kSoundPlayOnce;
    }

    // Hand this frame's one-shot commands out; the frames after send
    // "unchanged" unless something new is requested.
    alarmEndOut = alarmEndRequest;
    strokeAOut = strokeARequest;
    strokeBOut = strokeBRequest;
    alarmEndRequest = kSoundUnchanged;
    strokeARequest = kSoundUnchanged;
    strokeBRequest = kSoundUnchanged;
}

// ---------------------------------------------------------------- Supervise

void CAtsZQ::Supervise(int32_t frameStepMs) {
    const int32_t selfTestBefore = selfTestMs;
    countDownTimers(frameStepMs);
    runSwitchOnTest(selfTestBefore);
    releaseToneOnKey();
    acceptAcknowledgement();
    expireWarning();
    soundAlarm();
    strikeReminderTone();
    brakeDemand = emergencyLatch;
}

void CAtsZQ::countDownTimers(int32_t stepMs) {
    selfTestMs = countDown(selfTestMs, stepMs);
    ackMs = countDown(ackMs, stepMs);
    pairMs = countDown(pairMs, stepMs);
    windowMs = countDown(windowMs, stepMs);
    toneMs = countDown(toneMs, stepMs);
}

// The test runs for its full length of frame time: in a switch-on frame
// without time passing, selfTestMs still equals the length and the test
// goes on. Only a countdown above the length (which cannot arise, since
// countdowns never grow) is cut off.
void CAtsZQ::runSwitchOnTest(int32_t selfTestBefore) {
    if (selfTestMs > selfTestDurationMs) {
        selfTestMs = 0;
    } else if (selfTestMs > 0) {
        selfTestOn = true;
    } else if (selfTestBefore > 0) {
        selfTestOn = false;
    }
}

void CAtsZQ::releaseToneOnKey() {
    if (toneResetHeld) {
        toneLatched = false;
    }
}

void CAtsZQ::acceptAcknowledgement() {
    if (contract::sentrel::acknowledges(contract::sentrel::AcknowledgeMoment{.keyHeld = ackHeld,
                                                                             .brakeAtCheck = brakeAtCheck,
                                                                             .ackMs = ackMs,
                                                                             .selfTestMs = selfTestMs,
                                                                             .warningPending = warningPending})) {
        ackMs = 0;
        warningPending = false;
    }
}

void CAtsZQ::expireWarning() {
    if (contract::sentrel::warningExpires(warningPending, ackMs)) {
        warningPending = false;
        emergencyLatch = true;
    }
}

// Any alarm also latches the reminder tone, so key 1 held during an alarm
// cannot silence it.
void CAtsZQ::soundAlarm() {
    const bool alarmOn = emergencyLatch || warningPending || selfTestOn;
    alarmLamp = alarmOn ? 1 : 0;
    bellOn = alarmOn;
    if (alarmOn) {
        toneLatched = true;
    }
}

void CAtsZQ::strikeReminderTone() {
    if (!toneLatched) {
        toneSound = kSoundStop;
        return;
    }
    toneSound = kSoundLoop;
    if (toneMs == 0) {
        if (toneSide) {
            strokeARequest = kSoundPlayOnce;
        } else {
            strokeBRequest = kSoundPlayOnce;
        }
        toneSide = !toneSide;
        toneMs = tonePeriodMs;
    }
}

// ---------------------------------------------------------------- key 3

// A pending warning is not touched and may still expire.
void CAtsZQ::OnResetKey() {
    if (contract::sentrel::resetReleasesLatch(brakeAtEmergency)) {
        emergencyLatch = false;
    }
}

}  // namespace cabkit::sentrel
