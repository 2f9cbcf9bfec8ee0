// The train-stop supervisor: every flag and timer of the point-type train
// stop, advanced once per frame. Its state is private: keys and beacons
// (ats_beacons.cpp) raise warnings and trips between frames, and the frame's
// update turns them into lamps, sounds and the handle command, handed back
// as one record.
#ifndef CABKIT_SENTREL_ATS_ZQ_H
#define CABKIT_SENTREL_ATS_ZQ_H

#include <cstdint>

#include "crt_random.h"
#include "driver_handles.h"
#include "host_records.h"
#include "sentrel_rules.h"
#include "sound_commands.h"

namespace cabkit::sentrel {

// Which situation a reset stands for.
enum class ResetMode : int32_t {
    kInitialize = 0,   // start or restart of a run
    kSwitchOn = 1,     // the supervisor came on through panel slot 249
    kSwitchedOff = 2,  // every frame in which the supervisor is off
};

// The fixed times of the train stop, ms.
inline constexpr int32_t kAcknowledgeMs = contract::sentrel::kAcknowledgeMs;
inline constexpr int32_t kPairMs = contract::sentrel::kPairMs;

// Sound commands the supervisor collects.
inline constexpr int32_t kSoundStop = CABKIT_SOUND_STOP;
inline constexpr int32_t kSoundLoop = CABKIT_SOUND_LOOP;
inline constexpr int32_t kSoundPlayOnce = CABKIT_SOUND_PLAY_ONCE;
inline constexpr int32_t kSoundUnchanged = CABKIT_SOUND_UNCHANGED;

// What the plug-in knows about the train when a beacon is passed.
struct BeaconContext {
    float trainSpeed;        // km/h of the last frame; 0 also between Initialize and the next frame
    int32_t reverserHandle;  // -1 backward
};

// What a frame brings.
struct SentrelInputs {
    int32_t frameStepMs = 0;      // not clamped: may be 0, negative or huge
    bool permissionRead = false;  // false in the very first frame after loading, or without a panel
    bool permitted = false;       // panel slot 249 is 0
    DriverHandles driver{};       // as the host last reported them
    int32_t emergencyNotch = 0;   // the vehicle's brake notches + 1
    int32_t checkNotch = 0;       // acknowledgement needs the brake at or beyond it
};

// What a frame publishes: the handle command, the three lamps and the five
// sound commands.
struct SentrelOutputs {
    HandleCommand handles;
    int32_t brakeOverride;  // 1 when the emergency notch is imposed
    int32_t normalLamp;
    int32_t alarmLamp;
    int32_t alarmSound;
    int32_t toneSound;
    int32_t alarmEndOut;
    int32_t strokeAOut;
    int32_t strokeBOut;
};

struct HandleOutput {
    HandleCommand command;
    int32_t brakeOverride;  // 1 when the emergency notch is imposed
};

// The driver's handles, or the emergency notch with power and reverser
// cut while the active supervisor demands the brake (`imposes`). Inline: it
// runs every frame, and the call cost more than its body.
constexpr HandleOutput buildHandleOutput(bool imposes, const DriverHandles& driver, int32_t emergencyNotch) {
    if (imposes) {
        return HandleOutput{HandleCommand{.brake = emergencyNotch, .power = 0, .reverser = 0, .constantSpeed = 0}, 1};
    }
    return HandleOutput{
        HandleCommand{.brake = driver.brake, .power = driver.power, .reverser = driver.reverser, .constantSpeed = 0},
        0};
}

class CAtsZQ {
public:
    // All fields start zero (false) until the first initialize.
    CAtsZQ() = default;
    virtual ~CAtsZQ() = default;

    CAtsZQ(const CAtsZQ&) = delete;
    CAtsZQ& operator=(const CAtsZQ&) = delete;
    CAtsZQ(CAtsZQ&&) = delete;
    CAtsZQ& operator=(CAtsZQ&&) = delete;

    // Start or restart of a run: quiet and active, fresh random lengths.
    void initialize();
    // Key 0 and key 1, pressed (true) or released.
    void acknowledgeKey(bool held);
    void toneResetKey(bool held);
    // Key 3, pressed or released.
    void OnResetKey();
    // A beacon, taken only when the train's state lets it be
    // (ats_beacons.cpp); a beacon not taken has no effect at all.
    void beaconPassed(const BeaconData& data, const BeaconContext& context);

    // Elapse: the permission, the supervision, the brake flags of the end
    // of the frame, then what the frame publishes. Inline, so that neither
    // record costs the frame a copy.
    SentrelOutputs update(const SentrelInputs& inputs);

private:
    void Reset(ResetMode mode);
    void Update(int32_t frameStepMs);
    void resetForInitialize();
    void resetForSwitchOn();
    void resetForSwitchedOff();
    void clearSupervision();
    void redrawRandomTimes();

    void Supervise(int32_t frameStepMs);
    void countDownTimers(int32_t stepMs);
    void runSwitchOnTest(int32_t selfTestBefore);
    void releaseToneOnKey();
    void acceptAcknowledgement();
    void expireWarning();
    void soundAlarm();
    void strikeReminderTone();

    // Beacon rules; the beacon has been taken.
    void OnWarningBeacon(int32_t signal, int32_t optional);
    void OnStopBeacon(int32_t signal, int32_t optional);
    void OnPairBeacon();
    void OnWindowBeacon(int32_t optional);
    void OnSignalWarningBeacon(int32_t signal);
    void OnDirectStopBeacon(int32_t signal);
    void raiseWarning();
    void trip();

    bool enabled = false;           // permission from panel slot 249
    bool active = false;            // the supervisor works in this frame
    bool wasActive = false;         // `active` of the previous frame
    bool ackHeld = false;           // key 0 is held
    bool toneResetHeld = false;     // key 1 is held
    bool brakeAtEmergency = false;  // brake at the emergency notch at the end of the last frame
    bool brakeAtCheck = false;      // brake at or beyond the check notch at the end of the last frame
    bool emergencyLatch = false;    // emergency brake demanded until reset
    bool brakeDemand = false;       // the latch as Supervise left it; the frame brakes on it
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

    platform::CrtRandom random_;
};

inline SentrelOutputs CAtsZQ::update(const SentrelInputs& inputs) {
    if (inputs.permissionRead) {
        enabled = inputs.permitted;
    }
    Update(inputs.frameStepMs);
    // Taken after Update, so that Update, Supervise and OnResetKey always see
    // the handle as it stood at the end of the previous frame.
    brakeAtEmergency = contract::sentrel::brakeAtEmergency(inputs.driver.brake, inputs.emergencyNotch);
    brakeAtCheck = contract::sentrel::brakeAtCheck(inputs.driver.brake, inputs.checkNotch);

    const HandleOutput handle = buildHandleOutput(brakeDemand && active, inputs.driver, inputs.emergencyNotch);
    return SentrelOutputs{.handles = handle.command,
                          .brakeOverride = handle.brakeOverride,
                          .normalLamp = normalLamp,
                          .alarmLamp = alarmLamp,
                          .alarmSound = alarmSound,
                          .toneSound = toneSound,
                          .alarmEndOut = alarmEndOut,
                          .strokeAOut = strokeAOut,
                          .strokeBOut = strokeBOut};
}

}  // namespace cabkit::sentrel

#endif  // CABKIT_SENTREL_ATS_ZQ_H
