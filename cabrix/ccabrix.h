// The cab-signal speed control: what the driver selected, what the cab
// signal says, what supervision concluded in the last frame, and the lamp
// and sound values that the frame publishes. The state is private: events
// (an aspect, a key, the brake handle, a run start) and one update per frame
// change it, and the frame's results leave as one record.
#ifndef CABKIT_CABRIX_CCABRIX_H
#define CABKIT_CABRIX_CCABRIX_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "cabrix_rules.h"
#include "driver_handles.h"
#include "host_records.h"

namespace cabkit::cabrix {

// One indicator per cab-signal code 0..9.
inline constexpr std::size_t kSpeedIndicatorCount = contract::cabrix::kCodeRules.size();

// Modes of the selector (keys 5 and 6).
inline constexpr int32_t kModeOff = contract::cabrix::kModeZero;
inline constexpr int32_t kModeLimited = contract::cabrix::kModeOne;
inline constexpr int32_t kModeFull = contract::cabrix::kModeTwo;

// Makes the first supervised frame after Initialize count as a mode change.
inline constexpr int32_t kModeNone = 4;

// Stands for "no permitted speed": the train must stand.
inline constexpr double kStopSpeed = -1.0;

struct BrakeNotches {
    int32_t service = 0;    // number of service notches, the full service brake
    int32_t emergency = 0;  // service + 1
};

// What a frame brings: the vehicle's state, the driver's handles, the
// vehicle's notches and whether the vehicle lets supervision be active.
struct CabrixInputs {
    VehicleState state{};  // only the speed is read
    DriverHandles driver{};
    BrakeNotches notches{};
    bool vehiclePermits = false;  // the vehicle's operating mode is not 0
};

// What a frame publishes: the handle command, the panel values and the
// sound commands, in the order the state keeps them so that the copy is a
// few block moves.
struct CabrixOutputs {
    HandleCommand handles;
    int32_t activeLamp;
    int32_t supervisingLamp;
    int32_t serviceBrakeLamp;
    int32_t emergencyBrakeLamp;
    int32_t fixedLimitLamp;
    int32_t cutOutLamp;
    int32_t rollbackLamp;
    int32_t mode;
    int32_t signalCode;
    // The state's own indicators, one per code; valid until the next event
    // or update, which is as long as the host's frame.
    const int32_t* speedIndicators;
    int32_t bellSound;
    int32_t chimeSound;
    int32_t spareSound;
    int32_t fixedLimitSound;
    int32_t cutOutSound;
    int32_t rollbackSound;
};

class CCabrix {
public:
    // The values at library load.
    CCabrix();
    virtual ~CCabrix();

    CCabrix(const CCabrix&) = delete;
    CCabrix& operator=(const CCabrix&) = delete;
    CCabrix(CCabrix&&) = delete;
    CCabrix& operator=(CCabrix&&) = delete;

    // Start or restart of a run. The aspect, the code received and the
    // indicator storage survive.
    void initialize();
    // SetSignal: the aspect of the section ahead (signal_codes.cpp).
    void aspectSignalled(int32_t aspect);
    // KeyDown with the brake handle as last reported (mode_keys.cpp).
    void keyPressed(int32_t key, int32_t brakeHandle);
    // SetBrake.
    void brakeMoved(int32_t notch, int32_t emergencyNotch);

    // Elapse: activity, supervision and the frame's sounds, then what the
    // frame publishes.
    CabrixOutputs update(const CabrixInputs& inputs);

private:
    void decideActive(bool vehiclePermits);
    void clearInactiveFrame();
    // supervise_frame.cpp
    void superviseFrame();
    void detectRollback(double speed);
    void settlePermittedSpeed();
    void checkSpeed(double speed);
    void checkRun();
    void clearRollbackAtStandstill(double speed);
    void releaseSpeedCheckWhenBacking();
    void setLampsAndLoopingSounds();
    void applyCutOut();
    void ringOnChange(bool previousSpeedOk, bool previousRunOk);
    void settleFrameSounds();

    void clearSpeedIndicators();
    CabrixOutputs outputs(const CabrixInputs& inputs) const;

    bool rollbackTripped;
    bool wasActive;
    double permittedSpeed;  // km/h
    bool wasCutOut;
    int32_t lastMode;
    int32_t lastAspect;
    int32_t bellTrigger;  // sound commands; 1 marks a pending one-shot
    int32_t chimeTrigger;
    int32_t spareTrigger;
    bool active;
    bool speedOk;  // false: service brake demanded
    bool runOk;    // false: emergency brake demanded
    bool brakeAtEmergency;
    bool signalReceived;  // a code 2..9 is being received
    int32_t activeLamp;
    int32_t supervisingLamp;
    int32_t serviceBrakeLamp;
    int32_t emergencyBrakeLamp;
    int32_t fixedLimitLamp;
    int32_t cutOutLamp;
    int32_t rollbackLamp;
    // Sized once at construction; the frame only overwrites elements.
    std::vector<int32_t> speedIndicators;
    bool cutOut;
    int32_t mode;  // kModeOff .. kModeFull
    bool fixedLimitMode;
    int32_t bellSound;  // sound commands of the frame
    int32_t chimeSound;
    int32_t spareSound;
    int32_t fixedLimitSound;
    int32_t cutOutSound;
    int32_t rollbackSound;
    // The frame's state and the driver's reverser as the update was handed
    // them; supervision reads the speed and the reverser from here.
    VehicleState vehicleState;
    int32_t reverserRef;
    int32_t signalCode;  // 0..9
};

static_assert(sizeof(bool) == 1, "flags are 8-bit");

}  // namespace cabkit::cabrix

#endif  // CABKIT_CABRIX_CCABRIX_H
