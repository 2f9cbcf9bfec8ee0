// A DLL that throws and catches, linked the GNU toolchain's default way: it
// needs the toolchain's runtime DLLs, which a plain Windows lacks.
#include <stdexcept>

#include "plugin_exports.h"

namespace {
void fail() { throw std::runtime_error("no"); }
}  // namespace

extern "C" {
CABKIT_EXPORT void CABKIT_CALL Load(void) {
    try {
        fail();
    } catch (const std::exception&) {
    }
}
CABKIT_EXPORT void CABKIT_CALL Dispose(void) {}
CABKIT_EXPORT int32_t CABKIT_CALL GetPluginVersion(void) { return CABKIT_PLUGIN_VERSION; }
CABKIT_EXPORT void CABKIT_CALL SetVehicleSpec(VehicleSpec) {}
CABKIT_EXPORT void CABKIT_CALL Initialize(int32_t) {}
CABKIT_EXPORT HandleCommand CABKIT_CALL Elapse(VehicleState, int32_t*, int32_t*) { return HandleCommand{0, 0, 0, 0}; }
CABKIT_EXPORT void CABKIT_CALL SetPower(int32_t) {}
CABKIT_EXPORT void CABKIT_CALL SetBrake(int32_t) {}
CABKIT_EXPORT void CABKIT_CALL SetReverser(int32_t) {}
CABKIT_EXPORT void CABKIT_CALL KeyDown(int32_t) {}
CABKIT_EXPORT void CABKIT_CALL KeyUp(int32_t) {}
CABKIT_EXPORT void CABKIT_CALL HornBlow(int32_t) {}
CABKIT_EXPORT void CABKIT_CALL DoorOpen(void) {}
CABKIT_EXPORT void CABKIT_CALL DoorClose(void) {}
CABKIT_EXPORT void CABKIT_CALL SetSignal(int32_t) {}
CABKIT_EXPORT void CABKIT_CALL SetBeaconData(BeaconData) {}
}
