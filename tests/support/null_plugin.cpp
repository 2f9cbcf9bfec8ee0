// A plug-in that does nothing: the floor against which the cost of the real
// plug-ins is measured, and a harmless stand-in in loader tests.
#include "plugin_exports.h"

extern "C" {

CABKIT_EXPORT void CABKIT_CALL Load(void) {}
CABKIT_EXPORT void CABKIT_CALL Dispose(void) {}
CABKIT_EXPORT int32_t CABKIT_CALL GetPluginVersion(void) { return CABKIT_PLUGIN_VERSION; }
CABKIT_EXPORT void CABKIT_CALL SetVehicleSpec(VehicleSpec /*vehicle*/) {}
CABKIT_EXPORT void CABKIT_CALL Initialize(int32_t /*brake*/) {}
CABKIT_EXPORT HandleCommand CABKIT_CALL Elapse(VehicleState /*state*/, int32_t* /*panel*/, int32_t* /*sound*/) {
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
