/* A plug-in of the interface that simhost has no contract table for: a door
 * lamp in panel slot 16, lit while the doors are open, the times the doors
 * opened in slot 17, and a chime in sound slot 30 played once when they open.
 * It passes the driver's handles on unchanged. */
#include "plugin_exports.h"
#include "sound_commands.h"

enum { kDoorLamp = 16, kDoorsOpened = 17, kChime = 30 };

static int32_t brakeHandle, powerHandle, reverserHandle;
static int32_t doorsOpen, opened, chime;

CABKIT_EXPORT void CABKIT_CALL Load(void) {}
CABKIT_EXPORT void CABKIT_CALL Dispose(void) {}
CABKIT_EXPORT int32_t CABKIT_CALL GetPluginVersion(void) { return CABKIT_PLUGIN_VERSION; }
CABKIT_EXPORT void CABKIT_CALL SetVehicleSpec(VehicleSpec vehicle) { (void)vehicle; }
CABKIT_EXPORT void CABKIT_CALL Initialize(int32_t brake) {
    (void)brake;
    doorsOpen = opened = chime = 0;
}
CABKIT_EXPORT HandleCommand CABKIT_CALL Elapse(VehicleState state, int32_t* panel, int32_t* sound) {
    HandleCommand command = {brakeHandle, powerHandle, reverserHandle, 0};
    (void)state;
    panel[kDoorLamp] = doorsOpen;
    panel[kDoorsOpened] = opened;
    sound[kChime] = chime ? CABKIT_SOUND_PLAY_ONCE : CABKIT_SOUND_UNCHANGED;
    chime = 0;
    return command;
}
CABKIT_EXPORT void CABKIT_CALL SetPower(int32_t notch) { powerHandle = notch; }
CABKIT_EXPORT void CABKIT_CALL SetBrake(int32_t notch) { brakeHandle = notch; }
CABKIT_EXPORT void CABKIT_CALL SetReverser(int32_t position) { reverserHandle = position; }
CABKIT_EXPORT void CABKIT_CALL KeyDown(int32_t key) { (void)key; }
CABKIT_EXPORT void CABKIT_CALL KeyUp(int32_t key) { (void)key; }
CABKIT_EXPORT void CABKIT_CALL HornBlow(int32_t type) { (void)type; }
CABKIT_EXPORT void CABKIT_CALL DoorOpen(void) {
    doorsOpen = 1;
    ++opened;
    chime = 1;
}
CABKIT_EXPORT void CABKIT_CALL DoorClose(void) { doorsOpen = 0; }
CABKIT_EXPORT void CABKIT_CALL SetSignal(int32_t aspect) { (void)aspect; }
CABKIT_EXPORT void CABKIT_CALL SetBeaconData(BeaconData beacon) { (void)beacon; }
