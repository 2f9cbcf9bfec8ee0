/* A plug-in of this interface by somebody else, built once per fault it
 * shows, for the validator to find. Without a fault it is quiet. FAULT
 * picks one, each met only in the sessions of one check:
 *
 *   BAD_VERSION        GetPluginVersion answers 0x10000
 *   PATH_SENSITIVE     aborts while loading from a path with a space
 *   CRASH_ON_RESTART   crashes in an Initialize that follows frames
 *   CRASH_ON_TIME_BACK crashes in an Elapse whose time is before the last
 *   CRASH_ON_EARLY_KEY crashes in a KeyDown before the first Elapse
 *   CRASH_ON_BAD_KEY   crashes in a KeyDown outside 0..15
 *   CRASH_ON_BEACON    crashes on a beacon of type INT32_MIN
 *   CRASH_ON_NAN       crashes in an Elapse with a NaN speed
 *   CRASH_ON_NO_NOTCH  crashes in SetVehicleSpec with no brake notches
 *   WRITE_OUTSIDE      writes a panel slot in SetSignal
 *   SLOW_ELAPSE        spends 1.5 ms in each Elapse after a KeyDown
 *   UNREPEATABLE       shows the clock's nanoseconds on the panel
 *   RANDOM_ONLY        crashes in the Elapse after a HornBlow of a type over 1
 *   WRITES_SLOT        lights panel slot SLOT (two copies conflict) */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <math.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "plugin_exports.h"

#define BAD_VERSION 1
#define PATH_SENSITIVE 2
#define CRASH_ON_RESTART 3
#define CRASH_ON_TIME_BACK 4
#define CRASH_ON_EARLY_KEY 5
#define CRASH_ON_BAD_KEY 6
#define CRASH_ON_BEACON 7
#define CRASH_ON_NAN 8
#define CRASH_ON_NO_NOTCH 9
#define WRITE_OUTSIDE 10
#define SLOW_ELAPSE 11
#define UNREPEATABLE 12
#define RANDOM_ONLY 13
#define WRITES_SLOT 14

#ifndef FAULT
#define FAULT 0
#endif
#ifndef SLOT
#define SLOT 7
#endif

/* Null, but the compiler cannot know: the write really happens. */
static int32_t* volatile nowhere;
static int32_t* lastPanel;
static int32_t frames, lastTime, keyPressed, horn;

static void crash(void) { *nowhere = 1; }

#if FAULT == PATH_SENSITIVE
__attribute__((constructor)) static void checkOwnPath(void) {
    Dl_info self;
    if (dladdr((void*)checkOwnPath, &self) != 0 && strchr(self.dli_fname, ' ') != NULL) abort();
}
#endif

CABKIT_EXPORT void CABKIT_CALL Load(void) { frames = 0; }
CABKIT_EXPORT void CABKIT_CALL Dispose(void) {}
CABKIT_EXPORT int32_t CABKIT_CALL GetPluginVersion(void) { return FAULT == BAD_VERSION ? 0x10000 : CABKIT_PLUGIN_VERSION; }
CABKIT_EXPORT void CABKIT_CALL SetVehicleSpec(VehicleSpec vehicle) {
    if (FAULT == CRASH_ON_NO_NOTCH && vehicle.brakeNotches == 0) crash();
}
CABKIT_EXPORT void CABKIT_CALL Initialize(int32_t brake) {
    (void)brake;
    if (FAULT == CRASH_ON_RESTART && frames > 0) crash();
    frames = 0;
}

CABKIT_EXPORT HandleCommand CABKIT_CALL Elapse(VehicleState state, int32_t* panel, int32_t* sound) {
    (void)sound;
    if (FAULT == CRASH_ON_TIME_BACK && frames > 0 && state.time < lastTime) crash();
    if (FAULT == CRASH_ON_NAN && isnan(state.speed)) crash();
    if (FAULT == RANDOM_ONLY && horn) crash();
    if (FAULT == SLOW_ELAPSE && keyPressed) {
        struct timespec start, now;
        clock_gettime(CLOCK_MONOTONIC, &start);
        do clock_gettime(CLOCK_MONOTONIC, &now);
        while ((now.tv_sec - start.tv_sec) * 1000000000L + (now.tv_nsec - start.tv_nsec) < 1500000L);
        keyPressed = 0;
    }
    if (FAULT == UNREPEATABLE) {
        struct timespec now;
        clock_gettime(CLOCK_MONOTONIC, &now);
        panel[0] = (int32_t)(now.tv_nsec & 0xFFFF);
    }
    if (FAULT == WRITES_SLOT) panel[SLOT] = 1;
    lastPanel = panel;
    lastTime = state.time;
    ++frames;
    HandleCommand command = {0, 0, 0, 0};
    return command;
}
CABKIT_EXPORT void CABKIT_CALL SetPower(int32_t notch) { (void)notch; }
CABKIT_EXPORT void CABKIT_CALL SetBrake(int32_t notch) { (void)notch; }
CABKIT_EXPORT void CABKIT_CALL SetReverser(int32_t position) { (void)position; }
CABKIT_EXPORT void CABKIT_CALL KeyDown(int32_t key) {
    if (FAULT == CRASH_ON_EARLY_KEY && frames == 0) crash();
    if (FAULT == CRASH_ON_BAD_KEY && (key < 0 || key >= CABKIT_KEYS)) crash();
    keyPressed = 1;
}
CABKIT_EXPORT void CABKIT_CALL KeyUp(int32_t key) { (void)key; }
CABKIT_EXPORT void CABKIT_CALL HornBlow(int32_t hornType) { horn = FAULT == RANDOM_ONLY && hornType > 1; }
CABKIT_EXPORT void CABKIT_CALL DoorOpen(void) {}
CABKIT_EXPORT void CABKIT_CALL DoorClose(void) {}
CABKIT_EXPORT void CABKIT_CALL SetSignal(int32_t aspect) {
    if (FAULT == WRITE_OUTSIDE && lastPanel != NULL) lastPanel[1] = aspect;
}
CABKIT_EXPORT void CABKIT_CALL SetBeaconData(BeaconData beacon) {
    if (FAULT == CRASH_ON_BEACON && beacon.type == INT32_MIN) crash();
}
