// The cab-signal speed control's state: what the driver selected, what the
// cab signal says, what supervision concluded in the last frame, and the
// lamp and sound values that the frame publishes.
#ifndef CABKIT_CABRIX_CCABRIX_H
#define CABKIT_CABRIX_CCABRIX_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host_records.h"

namespace cabkit::cabrix {

// One indicator per cab-signal code 0..9.
inline constexpr std::size_t kSpeedIndicatorCount = 10;

// Modes of the selector (keys 5 and 6).
inline constexpr int32_t kModeOff = 0;
inline constexpr int32_t kModeLimited = 1;
inline constexpr int32_t kModeFull = 2;

// Makes the first supervised frame after Initialize count as a mode change.
inline constexpr int32_t kModeNone = 4;

// Stands for "no permitted speed": the train must stand.
inline constexpr double kStopSpeed = -1.0;

// The lone state object of the plug-in. Its fields are read and written by
// the plug-in's steps directly, in the manner of a record; the only operations
// are construction (load values), wiring and the reset of a run.
class CCabrix {
public:
    // The values at library load; the two pointers stay null until wire().
    CCabrix();
    virtual ~CCabrix();

    CCabrix(const CCabrix&) = delete;
    CCabrix& operator=(const CCabrix&) = delete;
    CCabrix(CCabrix&&) = delete;
    CCabrix& operator=(CCabrix&&) = delete;

    // Library entry: where the frame's vehicle state and the driver's
    // reverser live. Supervision reads both only through these pointers.
    void wire(const VehicleState* state, const int32_t* reverser);

    // Start or restart of a run. The aspect, the code received, the two
    // pointers and the indicator storage survive.
    void initialize();

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
    const VehicleState* vehicleState;  // only the speed is read
    const int32_t* reverserRef;
    int32_t signalCode;  // 0..9
};

static_assert(sizeof(bool) == 1, "flags are 8-bit");

// Sets every indicator to 0 without touching the storage.
void clearSpeedIndicators(CCabrix& cab);

}  // namespace cabkit::cabrix

#endif  // CABKIT_CABRIX_CCABRIX_H
