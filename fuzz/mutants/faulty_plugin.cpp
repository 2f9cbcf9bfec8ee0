// A plug-in with one deliberate fault, selected by CABKIT_MUTANT_FAULT, to
// show that the fuzz harness catches each kind of fault it claims to:
//   1 writes a panel slot it does not own, 2 writes one slot past the panel,
//   3 writes one slot before it, 4 keeps allocating without bound.
// It stands in for Cabrix (same file name, its allow-list applies).
#include <cstdlib>
#include <vector>

#include "plugin_exports.h"

#ifndef CABKIT_MUTANT_FAULT
#error "CABKIT_MUTANT_FAULT selects the fault"
#endif

namespace {
std::vector<void*> hoard;
int32_t frames = 0;
}  // namespace

extern "C" {

CABKIT_EXPORT void CABKIT_CALL Load(void) {}
CABKIT_EXPORT void CABKIT_CALL Dispose(void) {}
CABKIT_EXPORT int32_t CABKIT_CALL GetPluginVersion(void) { return CABKIT_PLUGIN_VERSION; }
CABKIT_EXPORT void CABKIT_CALL SetVehicleSpec(VehicleSpec /*vehicle*/) {}
CABKIT_EXPORT void CABKIT_CALL Initialize(int32_t /*brake*/) {}
CABKIT_EXPORT HandleCommand CABKIT_CALL Elapse(VehicleState /*state*/, int32_t* panel, int32_t* /*sound*/) {
    ++frames;
    panel[52] = frames;  // an owned slot: never a finding
    if (frames % 3 == 0) {
#if CABKIT_MUTANT_FAULT == 1
        panel[5] = frames;
#elif CABKIT_MUTANT_FAULT == 2
        panel[256] = frames;
#elif CABKIT_MUTANT_FAULT == 3
        panel[-1] = frames;
#elif CABKIT_MUTANT_FAULT == 4
        hoard.push_back(std::calloc(1U << 20U, 1));
#endif
    }
    return HandleCommand{0, 0, 0, 0};
}
CABKIT_EXPORT void CABKIT_CALL SetPower(int32_t /*notch*/) {}
CABKIT_EXPORT void CABKIT_CALL SetBrake(int32_t /*notch*/) {}
CABKIT_EXPORT void CABKIT_CALL SetReverser(int32_t /*position*/) {}
CABKIT_EXPORT void CABKIT_CALL KeyDown(int32_t /*key*/) {}
CABKIT_EXPORT void CABKIT_CALL KeyUp(int32_t /*key*/) {}
CABKIT_EXPORT void CABKIT_CALL HornBlow(int32_t /*hornType*/) {}
CABKIT_EXPORT void CABKIT_CALL DoorOpen(void) {}
CABKIT_EXPORT void CABKIT_CALL DoorClose(void) {}
CABKIT_EXPORT void CABKIT_CALL SetSignal(int32_t /*aspect*/) {}
CABKIT_EXPORT void CABKIT_CALL SetBeaconData(BeaconData /*beacon*/) {}

}  // extern "C"
