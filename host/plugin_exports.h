// The 16 functions every cabkit plug-in exports, as the simulator host calls
// them. One declaration serves all three libraries; each library defines all
// sixteen, and nothing else is exported.
//
// Calling order the plug-ins rely on: Load once; SetVehicleSpec once;
// Initialize at each start of a run; then Elapse once per frame with the event
// functions in between; Dispose once at the end. All calls come from the
// host's one thread.
#ifndef CABKIT_HOST_PLUGIN_EXPORTS_H
#define CABKIT_HOST_PLUGIN_EXPORTS_H

#include <stdint.h>

#include "host_records.h"

/* 32-bit Windows hosts call with stdcall and look the names up undecorated
 * (the .def file strips the @N suffix); everywhere else the C convention. */
#if defined(_WIN32) && !defined(_WIN64)
#define CABKIT_CALL __stdcall
#else
#define CABKIT_CALL
#endif

#if defined(_WIN32)
#define CABKIT_EXPORT __declspec(dllexport)
#else
#define CABKIT_EXPORT __attribute__((visibility("default")))
#endif

/* The interface version every plug-in reports. */
#define CABKIT_PLUGIN_VERSION 0x20000

/* The driver's keys: KeyDown and KeyUp take 0 .. CABKIT_KEYS - 1. */
#define CABKIT_KEYS 16

#ifdef __cplusplus
extern "C" {
#endif

/* Once, right after the host loads the library. */
CABKIT_EXPORT void CABKIT_CALL Load(void);
/* Once, before the host unloads the library. */
CABKIT_EXPORT void CABKIT_CALL Dispose(void);
/* Any time; returns CABKIT_PLUGIN_VERSION. */
CABKIT_EXPORT int32_t CABKIT_CALL GetPluginVersion(void);
/* Once after Load and before the first Initialize. */
CABKIT_EXPORT void CABKIT_CALL SetVehicleSpec(VehicleSpec vehicle);
/* At each start or restart of a run; the argument is the host's initial
 * handle setting, which no plug-in reads. */
CABKIT_EXPORT void CABKIT_CALL Initialize(int32_t brake);
/* Once per frame. panel and sound point to CABKIT_PANEL_SLOTS and
 * CABKIT_SOUND_SLOTS 32-bit slots shared with the other plug-ins; the result
 * is the handle command the train obeys in this frame. */
CABKIT_EXPORT HandleCommand CABKIT_CALL Elapse(VehicleState state, int32_t* panel, int32_t* sound);
/* Between frames, whenever the driver moves the power handle. */
CABKIT_EXPORT void CABKIT_CALL SetPower(int32_t notch);
/* Between frames, whenever the driver moves the brake handle. */
CABKIT_EXPORT void CABKIT_CALL SetBrake(int32_t notch);
/* Between frames, whenever the driver moves the reverser (-1, 0, 1). */
CABKIT_EXPORT void CABKIT_CALL SetReverser(int32_t position);
/* Between frames, when the driver presses a key 0..15. */
CABKIT_EXPORT void CABKIT_CALL KeyDown(int32_t key);
/* Between frames, when the driver releases a key 0..15. */
CABKIT_EXPORT void CABKIT_CALL KeyUp(int32_t key);
/* Between frames, when the driver sounds a horn; the argument is not read. */
CABKIT_EXPORT void CABKIT_CALL HornBlow(int32_t hornType);
/* Between frames, when the doors open. */
CABKIT_EXPORT void CABKIT_CALL DoorOpen(void);
/* Between frames, when the doors close. */
CABKIT_EXPORT void CABKIT_CALL DoorClose(void);
/* Between frames, when the aspect of the signal section ahead changes. */
CABKIT_EXPORT void CABKIT_CALL SetSignal(int32_t aspect);
/* Between frames, when the train passes a track-side beacon. */
CABKIT_EXPORT void CABKIT_CALL SetBeaconData(BeaconData beacon);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* CABKIT_HOST_PLUGIN_EXPORTS_H */
