// Defines the sixteen exports of a plug-in as one-line forwarders to its
// single process-wide instance, so that every library exports the same
// interface in the same way. Use once, in the library's exports file, at
// namespace scope after the instance:
//
//     namespace { cabkit::cabrix::CabrixPlugin plugin; }
//     CABKIT_DEFINE_PLUGIN_EXPORTS(plugin)
//
// The instance's class provides load, dispose, pluginVersion,
// setVehicleSpec, initialize, elapse, setPower, setBrake, setReverser,
// keyDown, keyUp, hornBlow, doorOpen, doorClose, setSignal and setBeaconData.
#ifndef CABKIT_HOST_PLUGIN_EXPORT_FORWARDING_H
#define CABKIT_HOST_PLUGIN_EXPORT_FORWARDING_H

#include "plugin_exports.h"

// clang-format off
#define CABKIT_DEFINE_PLUGIN_EXPORTS(instance)                                                                     \
    extern "C" {                                                                                                   \
    CABKIT_EXPORT void CABKIT_CALL Load(void) { (instance).load(); }                                               \
    CABKIT_EXPORT void CABKIT_CALL Dispose(void) { (instance).dispose(); }                                         \
    CABKIT_EXPORT int32_t CABKIT_CALL GetPluginVersion(void) { return (instance).pluginVersion(); }                \
    CABKIT_EXPORT void CABKIT_CALL SetVehicleSpec(VehicleSpec vehicle) { (instance).setVehicleSpec(vehicle); }     \
    CABKIT_EXPORT void CABKIT_CALL Initialize(int32_t brake) { (instance).initialize(brake); }                     \
    CABKIT_EXPORT HandleCommand CABKIT_CALL Elapse(VehicleState state, int32_t* panel, int32_t* sound) {           \
        return (instance).elapse(state, panel, sound);                                                             \
    }                                                                                                              \
    CABKIT_EXPORT void CABKIT_CALL SetPower(int32_t notch) { (instance).setPower(notch); }                         \
    CABKIT_EXPORT void CABKIT_CALL SetBrake(int32_t notch) { (instance).setBrake(notch); }                         \
    CABKIT_EXPORT void CABKIT_CALL SetReverser(int32_t position) { (instance).setReverser(position); }             \
    CABKIT_EXPORT void CABKIT_CALL KeyDown(int32_t key) { (instance).keyDown(key); }                               \
    CABKIT_EXPORT void CABKIT_CALL KeyUp(int32_t key) { (instance).keyUp(key); }                                   \
    CABKIT_EXPORT void CABKIT_CALL HornBlow(int32_t hornType) { (instance).hornBlow(hornType); }                   \
    CABKIT_EXPORT void CABKIT_CALL DoorOpen(void) { (instance).doorOpen(); }                                       \
    CABKIT_EXPORT void CABKIT_CALL DoorClose(void) { (instance).doorClose(); }                                     \
    CABKIT_EXPORT void CABKIT_CALL SetSignal(int32_t aspect) { (instance).setSignal(aspect); }                     \
    CABKIT_EXPORT void CABKIT_CALL SetBeaconData(BeaconData beacon) { (instance).setBeaconData(beacon); }          \
    } /* extern "C" */
// clang-format on

#endif  // CABKIT_HOST_PLUGIN_EXPORT_FORWARDING_H
