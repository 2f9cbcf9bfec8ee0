/* A stand-in for one of the three plug-ins that reaches beyond what a host
 * hands it, built once per fault. Without a fault it is quiet. FAULT picks:
 *
 *   FAULT_PAST_PANEL       writes panel slot 256 in Elapse of frame 10
 *   FAULT_PAST_SOUND       writes sound slot 256 there
 *   FAULT_BEFORE_PANEL     writes panel slot -1 there
 *   FAULT_THREAD_WRITES    a thread of its own writes panel slot 200 without
 *                          a pause from Elapse of frame 10 on (for at most
 *                          3 s); each Elapse after that first sleeps 2 ms, so
 *                          that the thread gets the processor and writes while
 *                          no call runs however busy the machine is
 *   FAULT_WRITE_IN_DISPOSE writes the panel (kept from Elapse) in Dispose
 *   FAULT_FORK             fork()s in Elapse of frame 10; both copies return
 *   FAULT_SIGNAL_HOST      sends SIGTERM to its parent in Elapse of frame 10,
 *                          then waits there for up to 5 s
 *   FAULT_CLOSE_FILES      closes every file descriptor in Elapse of frame 10
 *   FAULT_HELPER           starts `sleep 30` in Load, sharing its streams
 *   FAULT_FLOOD            prints 64 MiB on standard output in Elapse of frame 10
 *   FAULT_HOLD_STDOUT      a thread takes standard output's lock in Load and
 *                          keeps it (for at most 60 s)
 *   FAULT_STOP_AT_EXIT     stops the process as it exits, after every call
 *                          (build with -z nodelete)
 *
 * Frames count from 0, as simhost numbers them. */
#define _GNU_SOURCE
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "plugin_exports.h"

#define FAULT_PAST_PANEL 1
#define FAULT_PAST_SOUND 2
#define FAULT_BEFORE_PANEL 3
#define FAULT_THREAD_WRITES 4
#define FAULT_WRITE_IN_DISPOSE 5
#define FAULT_FORK 6
#define FAULT_SIGNAL_HOST 7
#define FAULT_CLOSE_FILES 8
#define FAULT_HELPER 9
#define FAULT_FLOOD 10
#define FAULT_HOLD_STDOUT 11
#define FAULT_STOP_AT_EXIT 12

#ifndef FAULT
#define FAULT 0
#endif

extern char** environ;

/* Indices the compiler cannot see through, so that the stray writes happen. */
static volatile int32_t past = 256;
static volatile int32_t before = -1;
static int32_t* volatile keptPanel;
static int32_t frame;

static volatile int32_t writing;

static double secondsNow(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + (double)now.tv_nsec / 1e9;
}

static void* writeBetweenCalls(void* unused) {
    (void)unused;
    for (int32_t wait = 0; wait < 30000 && !writing; ++wait) usleep(100);
    const double end = secondsNow() + 3.0;
    for (int32_t i = 1; i < INT32_MAX; ++i) {
        int32_t* panel = keptPanel;
        if (panel != NULL) panel[200] = i;
        if ((i & 0xFFFF) == 0 && secondsNow() > end) break;
    }
    return NULL;
}

static void* holdStandardOutput(void* unused) {
    (void)unused;
    flockfile(stdout);
    sleep(60);
    return NULL;
}

static void startThread(void* (*body)(void*)) {
    pthread_t thread;
    if (pthread_create(&thread, NULL, body, NULL) == 0) pthread_detach(thread);
}

#if FAULT == FAULT_STOP_AT_EXIT
__attribute__((destructor)) static void stopAtExit(void) { kill(getpid(), SIGSTOP); }
#endif

CABKIT_EXPORT void CABKIT_CALL Load(void) {
    if (FAULT == FAULT_THREAD_WRITES) startThread(writeBetweenCalls);
    if (FAULT == FAULT_HOLD_STDOUT) {
        startThread(holdStandardOutput);
        usleep(100000);
    }
    if (FAULT == FAULT_HELPER) {
        char* argv[] = {"sleep", "30", NULL};
        pid_t helper;
        posix_spawn(&helper, "/bin/sleep", NULL, NULL, argv, environ);
    }
}
CABKIT_EXPORT void CABKIT_CALL Dispose(void) {
    if (FAULT == FAULT_WRITE_IN_DISPOSE && keptPanel != NULL) keptPanel[7] = 1;
}
CABKIT_EXPORT int32_t CABKIT_CALL GetPluginVersion(void) { return CABKIT_PLUGIN_VERSION; }
CABKIT_EXPORT void CABKIT_CALL SetVehicleSpec(VehicleSpec vehicle) { (void)vehicle; }
CABKIT_EXPORT void CABKIT_CALL Initialize(int32_t brake) { (void)brake; }

static int32_t brakeHandle, powerHandle, reverserHandle;

CABKIT_EXPORT HandleCommand CABKIT_CALL Elapse(VehicleState state, int32_t* panel, int32_t* sound) {
    (void)state;
    keptPanel = panel;
    if (FAULT == FAULT_THREAD_WRITES && frame > 10) usleep(2000);
    if (frame++ == 10) {
        if (FAULT == FAULT_THREAD_WRITES) writing = 1;
        if (FAULT == FAULT_PAST_PANEL) panel[past] = 1;
        if (FAULT == FAULT_PAST_SOUND) sound[past] = 1;
        if (FAULT == FAULT_BEFORE_PANEL) panel[before] = 1;
        if (FAULT == FAULT_FORK) (void)fork();
        if (FAULT == FAULT_SIGNAL_HOST) {
            kill(getppid(), SIGTERM);
            sleep(5);
        }
        if (FAULT == FAULT_CLOSE_FILES) {
            for (int fd = 0; fd < 1024; ++fd) close(fd);
        }
        if (FAULT == FAULT_FLOOD) {
            static char block[65536];
            memset(block, 'x', sizeof block);
            for (int i = 0; i < 1024; ++i) fwrite(block, 1, sizeof block, stdout);
            fflush(stdout);
        }
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
