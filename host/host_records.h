// Records that the simulator host and a plug-in exchange by value.
//
// These are plain C layouts fixed by the host: every field is a 32-bit
// quantity except the leading double of VehicleState. The static_asserts
// below pin the layout so that a compiler or platform change cannot silently
// shift a field the host reads or writes.
#ifndef CABKIT_HOST_HOST_RECORDS_H
#define CABKIT_HOST_HOST_RECORDS_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Handed once, before Initialize. Plug-ins take the emergency notch as
 * brakeNotches + 1; only Sentrel reads checkNotch (its acknowledgement
 * threshold). The remaining fields are carried but not read. */
typedef struct VehicleSpec {
    int32_t brakeNotches; /* number of service brake notches */
    int32_t powerNotches;
    int32_t checkNotch; /* brake notch at or beyond which a warning may be acknowledged */
    int32_t b67Notch;
    int32_t cars;
} VehicleSpec;

/* Handed by value to every Elapse: the state of the train in this frame. */
typedef struct VehicleState {
    double location;  /* m along the route */
    float speed;      /* km/h, negative when running backwards */
    int32_t time;     /* ms since midnight of the simulated day */
    float bcPressure; /* the six measured values, in host order */
    float mrPressure;
    float erPressure;
    float bpPressure;
    float sapPressure;
    float current; /* traction current, A */
} VehicleState;

/* Handed by value to SetBeaconData when the train passes a track-side beacon. */
typedef struct BeaconData {
    int32_t type;
    int32_t signal;   /* aspect of the signal the beacon belongs to */
    float distance;   /* m to that signal */
    int32_t optional; /* the route author's value: distance, speed, code or time */
} BeaconData;

/* Returned by value from Elapse: what the plug-in demands of the train. */
typedef struct HandleCommand {
    int32_t brake;         /* brake notch */
    int32_t power;         /* power notch */
    int32_t reverser;      /* -1 backward, 0 neutral, 1 forward */
    int32_t constantSpeed; /* constant-speed command: 0 none, 2 cancel */
} HandleCommand;

#ifdef __cplusplus
} /* extern "C" */
#endif

#ifdef __cplusplus
static_assert(sizeof(VehicleSpec) == 20, "VehicleSpec is five 32-bit ints");
static_assert(sizeof(VehicleState) == 40, "VehicleState is double, float, int, six floats");
static_assert(offsetof(VehicleState, location) == 0, "location leads");
static_assert(offsetof(VehicleState, speed) == 8, "speed follows location");
static_assert(offsetof(VehicleState, time) == 12, "time follows speed");
static_assert(offsetof(VehicleState, bcPressure) == 16, "six floats follow time");
static_assert(offsetof(VehicleState, current) == 36, "current is the sixth float");
static_assert(sizeof(BeaconData) == 16, "BeaconData is four 32-bit fields");
static_assert(offsetof(BeaconData, optional) == 12, "optional is the last field");
static_assert(sizeof(HandleCommand) == 16, "HandleCommand is four 32-bit ints");
static_assert(offsetof(HandleCommand, constantSpeed) == 12, "constant speed is the last field");
#endif

#endif /* CABKIT_HOST_HOST_RECORDS_H */
