// The sixteen exports as a table of function pointers, for code that loads a
// plug-in at run time (a host, tests, benchmarks, fuzzers). Plug-ins
// themselves never include this.
#ifndef CABKIT_HOST_PLUGIN_TABLE_H
#define CABKIT_HOST_PLUGIN_TABLE_H

#include <stddef.h>
#include <stdint.h>

#include "plugin_exports.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct CabkitPluginTable {
    void(CABKIT_CALL* Load)(void);
    void(CABKIT_CALL* Dispose)(void);
    int32_t(CABKIT_CALL* GetPluginVersion)(void);
    void(CABKIT_CALL* SetVehicleSpec)(VehicleSpec);
    void(CABKIT_CALL* Initialize)(int32_t);
    HandleCommand(CABKIT_CALL* Elapse)(VehicleState, int32_t*, int32_t*);
    void(CABKIT_CALL* SetPower)(int32_t);
    void(CABKIT_CALL* SetBrake)(int32_t);
    void(CABKIT_CALL* SetReverser)(int32_t);
    void(CABKIT_CALL* KeyDown)(int32_t);
    void(CABKIT_CALL* KeyUp)(int32_t);
    void(CABKIT_CALL* HornBlow)(int32_t);
    void(CABKIT_CALL* DoorOpen)(void);
    void(CABKIT_CALL* DoorClose)(void);
    void(CABKIT_CALL* SetSignal)(int32_t);
    void(CABKIT_CALL* SetBeaconData)(BeaconData);
} CabkitPluginTable;

#define CABKIT_EXPORT_COUNT 16

#ifdef __cplusplus
} /* extern "C" */

/* The export names in the order of the table's members. */
inline constexpr const char* kCabkitExportNames[CABKIT_EXPORT_COUNT] = {
    "Load",     "Dispose",   "GetPluginVersion", "SetVehicleSpec", "Initialize", "Elapse",
    "SetPower", "SetBrake",  "SetReverser",      "KeyDown",        "KeyUp",      "HornBlow",
    "DoorOpen", "DoorClose", "SetSignal",        "SetBeaconData",
};
static_assert(sizeof(CabkitPluginTable) == CABKIT_EXPORT_COUNT * sizeof(void (*)(void)),
              "one table member per export name");
#endif

#endif /* CABKIT_HOST_PLUGIN_TABLE_H */
