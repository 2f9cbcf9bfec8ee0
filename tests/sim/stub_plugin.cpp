// A stand-in for each of the three plug-ins, built three times under their
// names, so that host tests can see exactly which calls arrive in which order
// and what the shared panel shows each of them. Every call is appended to the
// file named by SIMHOST_STUB_RECORD (when set).
//
// Panel behaviour: "Velorin" writes 75 = 2 every frame and 249 = 4 while key
// 15 has toggled it on; "Cabrix" writes 72 = 9 every frame and 249 = 1 while
// key 6 has toggled it on. Every stub returns the driver's handles, "Velorin"
// its power plus one. Key 9 makes "Sentrel" crash inside Elapse; key 8 makes
// it demand the emergency notch (power off, reverser neutral) until key 3.
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "plugin_exports.h"

#ifndef STUB_NAME
#error "STUB_NAME names the plug-in this stub stands in for"
#endif

namespace {

int32_t brakeHandle = 0, powerHandle = 0, reverserHandle = 0;
bool toggled = false;
bool crashNext = false;
bool tripped = false;
int32_t emergencyNotch = 0;

bool is(const char* name) { return std::strcmp(STUB_NAME, name) == 0; }

void record(const char* format, ...) __attribute__((format(printf, 1, 2)));
void record(const char* format, ...) {
    const char* path = std::getenv("SIMHOST_STUB_RECORD");
    if (path == nullptr) return;
    std::FILE* file = std::fopen(path, "a");
    if (file == nullptr) return;
    std::fprintf(file, "%s ", STUB_NAME);
    va_list args;
    va_start(args, format);
    std::vfprintf(file, format, args);
    va_end(args);
    std::fputc('\n', file);
    std::fclose(file);
}

}  // namespace

extern "C" {

CABKIT_EXPORT void CABKIT_CALL Load(void) { record("Load"); }
CABKIT_EXPORT void CABKIT_CALL Dispose(void) { record("Dispose"); }
CABKIT_EXPORT int32_t CABKIT_CALL GetPluginVersion(void) { return CABKIT_PLUGIN_VERSION; }
CABKIT_EXPORT void CABKIT_CALL SetVehicleSpec(VehicleSpec vehicle) {
    emergencyNotch = vehicle.brakeNotches + 1;
    record("SetVehicleSpec %d %d %d", vehicle.brakeNotches, vehicle.powerNotches, vehicle.checkNotch);
}
CABKIT_EXPORT void CABKIT_CALL Initialize(int32_t brake) {
    const char* clock = std::getenv("CABKIT_LOCAL_TIME");
    record("Initialize %d %s", brake, clock ? clock : "-");
}
CABKIT_EXPORT HandleCommand CABKIT_CALL Elapse(VehicleState state, int32_t* panel, int32_t* sound) {
    record("Elapse %d %.3f p72=%d p75=%d p201=%d p249=%d", state.time, static_cast<double>(state.speed), panel[72],
           panel[75], panel[201], panel[249]);
    if (crashNext) std::raise(SIGSEGV);
    if (is("Velorin")) {
        panel[75] = 2;
        if (toggled) panel[249] = 4;
        sound[10] = 0;
    } else if (is("Cabrix")) {
        panel[72] = 9;
        if (toggled) panel[249] = 1;
    }
    if (tripped) return HandleCommand{emergencyNotch, 0, 0, 0};
    const int32_t power = is("Velorin") && powerHandle > 0 ? powerHandle + 1 : powerHandle;
    return HandleCommand{brakeHandle, power, reverserHandle, 0};
}
CABKIT_EXPORT void CABKIT_CALL SetPower(int32_t notch) {
    powerHandle = notch;
    record("SetPower %d", notch);
}
CABKIT_EXPORT void CABKIT_CALL SetBrake(int32_t notch) {
    brakeHandle = notch;
    record("SetBrake %d", notch);
}
CABKIT_EXPORT void CABKIT_CALL SetReverser(int32_t position) {
    reverserHandle = position;
    record("SetReverser %d", position);
}
CABKIT_EXPORT void CABKIT_CALL KeyDown(int32_t key) {
    if ((is("Velorin") && key == 15) || (is("Cabrix") && key == 6)) toggled = !toggled;
    if (is("Sentrel") && key == 9) crashNext = true;
    if (is("Sentrel") && key == 8) tripped = true;
    if (is("Sentrel") && key == 3) tripped = false;
    record("KeyDown %d", key);
}
CABKIT_EXPORT void CABKIT_CALL KeyUp(int32_t key) { record("KeyUp %d", key); }
CABKIT_EXPORT void CABKIT_CALL HornBlow(int32_t hornType) { record("HornBlow %d", hornType); }
CABKIT_EXPORT void CABKIT_CALL DoorOpen(void) { record("DoorOpen"); }
CABKIT_EXPORT void CABKIT_CALL DoorClose(void) { record("DoorClose"); }
CABKIT_EXPORT void CABKIT_CALL SetSignal(int32_t aspect) { record("SetSignal %d", aspect); }
CABKIT_EXPORT void CABKIT_CALL SetBeaconData(BeaconData beacon) {
    record("SetBeaconData %d %d %d", beacon.type, beacon.signal, beacon.optional);
}

}  // extern "C"
