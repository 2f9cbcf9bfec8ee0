#include "random_session.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include <fmt/format.h>

#include "host_call.h"
#include "host_session.h"
#include "utf8_path.h"

#include "call_sequence.h"

namespace cabkit::sim::validate {

namespace {

// The generator calls a table of plain functions; these stand between it
// and the plug-in, logging each call on its way through. One plug-in per
// process, so plain globals serve.
CabkitPluginTable real{};
std::FILE* log = nullptr;
int32_t* panel = nullptr;
int32_t* sound = nullptr;
std::array<int32_t, CABKIT_PANEL_SLOTS> shadowPanel{};
std::array<int32_t, CABKIT_SOUND_SLOTS> shadowSound{};
uint64_t calls = 0;

void write(const HostCall& call) {
    ++calls;
    if (log == nullptr) return;
    (void)std::fputs((formatCall(call) + "\n").c_str(), log);
    (void)std::fflush(log);
}

// The host's own writes since the last call, as lines of their own.
void hostWrites() {
    for (std::size_t slot = 0; slot < shadowPanel.size(); ++slot) {
        if (panel[slot] == shadowPanel[slot]) continue;
        HostCall c;
        c.call = Call::HostPanel;
        c.value = static_cast<int32_t>(slot);
        c.slotValue = panel[slot];
        write(c);
    }
    for (std::size_t slot = 0; slot < shadowSound.size(); ++slot) {
        if (sound[slot] == shadowSound[slot]) continue;
        HostCall c;
        c.call = Call::HostSound;
        c.value = static_cast<int32_t>(slot);
        c.slotValue = sound[slot];
        write(c);
    }
}

void after() {
    std::memcpy(shadowPanel.data(), panel, sizeof(shadowPanel));
    std::memcpy(shadowSound.data(), sound, sizeof(shadowSound));
}

HostCall call(Call which, int32_t value = 0) {
    hostWrites();
    HostCall c;
    c.call = which;
    c.plugin = 0;
    c.value = value;
    return c;
}

template <Call Which>
void CABKIT_CALL plain() {
    write(call(Which));
    switch (Which) {
        case Call::Load: real.Load(); break;
        case Call::Dispose: real.Dispose(); break;
        case Call::DoorOpen: real.DoorOpen(); break;
        default: real.DoorClose(); break;
    }
    after();
}

template <Call Which>
void CABKIT_CALL withValue(int32_t value) {
    write(call(Which, value));
    switch (Which) {
        case Call::SetPower: real.SetPower(value); break;
        case Call::SetBrake: real.SetBrake(value); break;
        case Call::SetReverser: real.SetReverser(value); break;
        case Call::KeyDown: real.KeyDown(value); break;
        case Call::KeyUp: real.KeyUp(value); break;
        case Call::HornBlow: real.HornBlow(value); break;
        default: real.SetSignal(value); break;
    }
    after();
}

int32_t CABKIT_CALL version() {
    write(call(Call::GetPluginVersion));
    return real.GetPluginVersion();
}

void CABKIT_CALL vehicle(VehicleSpec record) {
    HostCall c = call(Call::SetVehicleSpec);
    c.vehicle = record;
    write(c);
    real.SetVehicleSpec(record);
    after();
}

void CABKIT_CALL initialize(int32_t brake) {
    HostCall c = call(Call::Initialize, brake);
    const char* time = std::getenv("CABKIT_LOCAL_TIME");
    c.localTime = time != nullptr ? time : "";
    write(c);
    real.Initialize(brake);
    after();
}

HandleCommand CABKIT_CALL elapse(VehicleState state, int32_t* panelArray, int32_t* soundArray) {
    HostCall c = call(Call::Elapse);
    c.state = state;
    write(c);
    const HandleCommand command = real.Elapse(state, panelArray, soundArray);
    after();
    return command;
}

void CABKIT_CALL beacon(BeaconData data) {
    HostCall c = call(Call::SetBeaconData);
    c.beacon = data;
    write(c);
    real.SetBeaconData(data);
    after();
}

constexpr CabkitPluginTable kLogging{
    plain<Call::Load>,
    plain<Call::Dispose>,
    version,
    vehicle,
    initialize,
    elapse,
    withValue<Call::SetPower>,
    withValue<Call::SetBrake>,
    withValue<Call::SetReverser>,
    withValue<Call::KeyDown>,
    withValue<Call::KeyUp>,
    withValue<Call::HornBlow>,
    plain<Call::DoorOpen>,
    plain<Call::DoorClose>,
    withValue<Call::SetSignal>,
    beacon,
};

void restartLog(const std::filesystem::path& file) {
    if (log != nullptr) (void)std::fclose(log);
#ifdef _WIN32
    log = file.empty() ? nullptr : _wfopen(file.c_str(), L"w");
#else
    log = file.empty() ? nullptr : std::fopen(file.c_str(), "w");
#endif
}

}  // namespace

CheckResult randomSessions(const CheckRequest& request) {
    fuzz::GuardedHostArrays arrays;
    panel = arrays.panel.data();
    sound = arrays.sound.data();
    // Any slot in Elapse: the generator still fails a change outside it.
    static fuzz::SlotAllowList everySlot;
    everySlot.panel.set();
    everySlot.sound.set();
    fuzz::LoadedPlugin plugin;
    plugin.name = utf8Text(request.plugins.front().filename());
    plugin.api = kLogging;
    plugin.allowed = &everySlot;

    std::mt19937_64 random(request.seed);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(request.budgetSeconds);
    SharedLibrary library;
    uint64_t sessions = 0;
    std::vector<uint8_t> bytes;
    do {
        library.close();
        real = loadPlugin(library, request.plugins.front());
        std::memset(panel, 0, CABKIT_PANEL_SLOTS * sizeof(int32_t));
        std::memset(sound, 0, CABKIT_SOUND_SLOTS * sizeof(int32_t));
        after();
        restartLog(request.log);
        bytes.resize(64 + random() % 4032);
        for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
        fuzz::CallSequence sequence({&plugin}, arrays);
        sequence.run(bytes);
        ++sessions;
    } while (std::chrono::steady_clock::now() < end);
    restartLog({});
    return passed(fmt::format("{} random sessions, {} calls: no crash, no fault", sessions, calls));
}

}  // namespace cabkit::sim::validate
