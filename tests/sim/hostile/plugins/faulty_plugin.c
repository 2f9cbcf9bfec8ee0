/* A stand-in for one of the three plug-ins, built once per fault it shows.
 * Without a fault it is quiet: it returns the driver's handles and touches
 * no slot. FAULT picks one fault:
 *
 *   FAULT_EXIT_IN_ELAPSE        exit(0) inside Elapse of frame FAULT_FRAME
 *   FAULT_UNDERSCORE_EXIT       _exit(2) there (no exit handlers run)
 *   FAULT_LOOP_IN_ELAPSE        never returns from that Elapse
 *   FAULT_LOOP_IN_LOAD          never returns from Load
 *   FAULT_CRASH_IN_ELAPSE       writes through a null pointer in that Elapse
 *   FAULT_ABORT_IN_DISPOSE      abort() in Dispose, after a whole run
 *   FAULT_ABORT_IN_CONSTRUCTOR  abort() while the library is being loaded
 *   FAULT_MISSING_EXPORTS       exports neither Elapse nor the event functions
 *   FAULT_CHDIR_IN_LOAD         makes $TMPDIR the working folder in Load
 *   FAULT_SWAP_LINK_IN_LOAD     points the link out.json in the working folder
 *                               at victim.json in Load
 *
 * Frames count from 0, as simhost numbers them. */
#include <stdlib.h>
#include <unistd.h>

#include "plugin_exports.h"

#define FAULT_EXIT_IN_ELAPSE 1
#define FAULT_UNDERSCORE_EXIT 2
#define FAULT_LOOP_IN_ELAPSE 3
#define FAULT_LOOP_IN_LOAD 4
#define FAULT_CRASH_IN_ELAPSE 5
#define FAULT_ABORT_IN_DISPOSE 6
#define FAULT_ABORT_IN_CONSTRUCTOR 7
#define FAULT_MISSING_EXPORTS 8
#define FAULT_CHDIR_IN_LOAD 9
#define FAULT_SWAP_LINK_IN_LOAD 10

#ifndef FAULT
#define FAULT 0
#endif
#ifndef FAULT_FRAME
#define FAULT_FRAME 10
#endif

static volatile int32_t spin;
/* Null, but the compiler cannot know: the write below really happens. */
static int32_t* volatile nowhere;

static void loopForever(void) {
    for (;;) spin = spin + 1;
}

#if FAULT == FAULT_ABORT_IN_CONSTRUCTOR
__attribute__((constructor)) static void abortWhileLoading(void) { abort(); }
#endif

CABKIT_EXPORT void CABKIT_CALL Load(void) {
    if (FAULT == FAULT_LOOP_IN_LOAD) loopForever();
    if (FAULT == FAULT_CHDIR_IN_LOAD && getenv("TMPDIR") != NULL && chdir(getenv("TMPDIR")) != 0) abort();
    if (FAULT == FAULT_SWAP_LINK_IN_LOAD && (unlink("out.json") != 0 || symlink("victim.json", "out.json") != 0)) {
        abort();
    }
}
CABKIT_EXPORT void CABKIT_CALL Dispose(void) {
    if (FAULT == FAULT_ABORT_IN_DISPOSE) abort();
}
CABKIT_EXPORT int32_t CABKIT_CALL GetPluginVersion(void) { return CABKIT_PLUGIN_VERSION; }
CABKIT_EXPORT void CABKIT_CALL SetVehicleSpec(VehicleSpec vehicle) { (void)vehicle; }
CABKIT_EXPORT void CABKIT_CALL Initialize(int32_t brake) { (void)brake; }

#if FAULT != FAULT_MISSING_EXPORTS
static int32_t brakeHandle, powerHandle, reverserHandle;
static int32_t frame;

CABKIT_EXPORT HandleCommand CABKIT_CALL Elapse(VehicleState state, int32_t* panel, int32_t* sound) {
    (void)state;
    (void)panel;
    (void)sound;
    if (frame++ == FAULT_FRAME) {
        if (FAULT == FAULT_EXIT_IN_ELAPSE) exit(0);
        if (FAULT == FAULT_UNDERSCORE_EXIT) _exit(2);
        if (FAULT == FAULT_LOOP_IN_ELAPSE) loopForever();
        if (FAULT == FAULT_CRASH_IN_ELAPSE) *nowhere = 1;
    }
    HandleCommand command = {brakeHandle, powerHandle, reverserHandle, 0};
    return command;
}
CABKIT_EXPORT void CABKIT_CALL SetPower(int32_t notch) { powerHandle = notch; }
CABKIT_EXPORT void CABKIT_CALL SetBrake(int32_t notch) { brakeHandle = notch; }
CABKIT_EXPORT void CABKIT_CALL SetReverser(int32_t position) { reverserHandle = position; }
CABKIT_EXPORT void CABKIT_CALL KeyDown(int32_t key) { (void)key; }
CABKIT_EXPORT void CABKIT_CALL KeyUp(int32_t key) { (void)key; }
CABKIT_EXPORT void CABKIT_CALL HornBlow(int32_t hornType) { (void)hornType; }
CABKIT_EXPORT void CABKIT_CALL DoorOpen(void) {}
CABKIT_EXPORT void CABKIT_CALL DoorClose(void) {}
CABKIT_EXPORT void CABKIT_CALL SetSignal(int32_t aspect) { (void)aspect; }
CABKIT_EXPORT void CABKIT_CALL SetBeaconData(BeaconData beacon) { (void)beacon; }
#endif
