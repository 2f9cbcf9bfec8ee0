// The train-stop supervisor: every flag and timer of the point-type train
// stop, advanced once per frame. Beacons (ats_beacons.cpp) raise warnings
// and trips between frames; Update turns them into lamps, sounds and the
// brake demand that the plug-in reads after it.
#ifndef CABKIT_SENTREL_ATS_ZQ_H
#define CABKIT_SENTREL_ATS_ZQ_H

#include <cstdint>

#include "crt_random.h"
#include "sound_commands.h"

namespace cabkit::sentrel {

// Which situation a reset stands for.
enum class ResetMode : int32_t {
    kInitialize = 0,   // start or restart of a run
    kSwitchOn = 1,     // the supervisor came on through panel slot 249
    kSwitchedOff = 2,  // every frame in which the supervisor is off
};

// The fixed times of the train stop, ms.
inline constexpr int32_t kAcknowledgeMs = 5000;  // to acknowledge a warning
inline constexpr int32_t kPairMs = 500;          // shortest passage between paired beacons

// Sound commands the supervisor collects.
inline constexpr int32_t kSoundStop = CABKIT_SOUND_STOP;
inline constexpr int32_t kSoundLoop = CABKIT_SOUND_LOOP;
inline constexpr int32_t kSoundPlayOnce = CABKIT_SOUND_PLAY_ONCE;
inline constexpr int32_t kSoundUnchanged = CABKIT_SOUND_UNCHANGED;

class CAtsZQ {
public:
    // `frameStepMs` is the plug-in's frame step, read by every Update; it
    // must outlive the supervisor. All fields start zero (false) until the
    // first Reset with kInitialize.
    explicit CAtsZQ(const int32_t& frameStepMs) : frameStepMs_(frameStepMs) {}
    virtual ~CAtsZQ() = default;

    CAtsZQ(const CAtsZQ&) = delete;
    CAtsZQ& operator=(const CAtsZQ&) = delete;

    void Reset(ResetMode mode);
    // Once per frame, after `enabled` is refreshed and before the brake
    // flags are.
    void Update();
    // Key 3, pressed or released.
    void OnResetKey();

    // Beacon rules (ats_beacons.cpp); the caller has already checked that
    // the beacon is taken at all.
    void OnWarningBeacon(int32_t signal, int32_t optional);
    void OnStopBeacon(int32_t signal, int32_t optional);
    void OnPairBeacon();
    void OnWindowBeacon(int32_t optional);
    void OnSignalWarningBeacon(int32_t signal);
    void OnDirectStopBeacon(int32_t signal);

    bool enabled = false;           // permission from panel slot 249
    bool active = false;            // the supervisor works in this frame
    bool wasActive = false;         // `active` of the previous frame
    bool ackHeld = false;           // key 0 is held
    bool toneResetHeld = false;     // key 1 is held
    bool brakeAtEmergency = false;  // brake at the emergency notch at the end of the last frame
    bool brakeAtCheck = false;      // brake at or beyond the check notch at the end of the last frame
    bool emergencyLatch = false;    // emergency brake demanded until reset
    bool brakeDemand = false;       // the latch as Supervise left it; the plug-in brakes on it
    bool warningPending = false;    // a warning waits for acknowledgement
    bool selfTestOn = false;        // the switch-on test is sounding
    bool bellOn = false;            // the alarm loops
    bool toneLatched = false;       // the reminder tone loops
    bool toneSide = false;          // next stroke: false B, true A
    bool pairArmed = false;         // the first beacon of a pair has been passed

    int32_t selfTestMs = 0;          // countdown of the switch-on test
    int32_t ackMs = 0;               // countdown for acknowledging a warning
    int32_t pairMs = 0;              // countdown of the pair check
    int32_t windowMs = 0;            // countdown of the timing window
    int32_t toneMs = 0;              // countdown to the next reminder stroke
    int32_t tonePeriodMs = 0;        // period of the reminder strokes, 235..334
    int32_t selfTestDurationMs = 0;  // length of the switch-on test, 2000..2199

    int32_t normalLamp = 0;  // panel slot 0, 0 or 1
    int32_t alarmLamp = 0;   // panel slot 1, 0 or 1

    int32_t alarmSound = 0;       // sound slot 0: loop or stop
    int32_t toneSound = 0;        // sound slot 1: loop or stop
    int32_t alarmEndRequest = 0;  // sound slot 20, collected during a frame
    int32_t strokeARequest = 0;   // sound slot 21, collected during a frame
    int32_t strokeBRequest = 0;   // sound slot 22, collected during a frame
    int32_t alarmEndOut = 0;      // sound slots 20, 21 and 22 of this frame
    int32_t strokeAOut = 0;
    int32_t strokeBOut = 0;

private:
    void resetForInitialize();
    void resetForSwitchOn();
    void resetForSwitchedOff();
    void clearSupervision();
    void redrawRandomTimes();

    void Supervise();
    void countDownTimers();
    void runSwitchOnTest(int32_t selfTestBefore);
    void releaseToneOnKey();
    void acceptAcknowledgement();
    void expireWarning();
    void soundAlarm();
    void strikeReminderTone();

    void raiseWarning();
    void trip();

    const int32_t& frameStepMs_;
    platform::CrtRandom random_;
};

}  // namespace cabkit::sentrel

#endif  // CABKIT_SENTREL_ATS_ZQ_H
