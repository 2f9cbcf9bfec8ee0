// The sixteen exports over the one process-wide plug-in instance. Building
// the instance is the library's static initialization and also wires the
// state object, so it is ready before the host's first call.
#include "cabrix_plugin.h"
#include "plugin_exports.h"

namespace {

cabkit::cabrix::CabrixPlugin plugin;

}  // namespace

extern "C" {

CABKIT_EXPORT void CABKIT_CALL Load(void) { plugin.load(); }
CABKIT_EXPORT void CABKIT_CALL Dispose(void) { plugin.dispose(); }
CABKIT_EXPORT int32_t CABKIT_CALL GetPluginVersion(void) { return plugin.pluginVersion(); }
CABKIT_EXPORT void CABKIT_CALL SetVehicleSpec(VehicleSpec vehicle) { plugin.setVehicleSpec(vehicle); }
CABKIT_EXPORT void CABKIT_CALL Initialize(int32_t brake) { plugin.initialize(brake); }
CABKIT_EXPORT HandleCommand CABKIT_CALL Elapse(VehicleState state, int32_t* panel, int32_t* sound) {
    return plugin.elapse(state, panel, sound);
}
CABKIT_EXPORT void CABKIT_CALL SetPower(int32_t notch) { plugin.setPower(notch); }
CABKIT_EXPORT void CABKIT_CALL SetBrake(int32_t notch) { plugin.setBrake(notch); }
CABKIT_EXPORT void CABKIT_CALL SetReverser(int32_t position) { plugin.setReverser(position); }
CABKIT_EXPORT void CABKIT_CALL KeyDown(int32_t key) { plugin.keyDown(key); }
CABKIT_EXPORT void CABKIT_CALL KeyUp(int32_t key) { plugin.keyUp(key); }
CABKIT_EXPORT void CABKIT_CALL HornBlow(int32_t hornType) { plugin.hornBlow(hornType); }
CABKIT_EXPORT void CABKIT_CALL DoorOpen(void) { plugin.doorOpen(); }
CABKIT_EXPORT void CABKIT_CALL DoorClose(void) { plugin.doorClose(); }
CABKIT_EXPORT void CABKIT_CALL SetSignal(int32_t aspect) { plugin.setSignal(aspect); }
CABKIT_EXPORT void CABKIT_CALL SetBeaconData(BeaconData beacon) { plugin.setBeaconData(beacon); }

}  // extern "C"
