#include "call_sequence.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <malloc.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>

#include "address_sanitizer.h"

#ifdef CABKIT_FUZZ_ASAN
// From the sanitizer runtime; not every compiler ships its header.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace cabkit::fuzz {
namespace {

constexpr VehicleSpec kOpeningSpec{8, 5, 1, 0, 10};
constexpr int32_t kOpeningTimeMs = 10 * 3600 * 1000;

int32_t wrappingAdd(int32_t a, int64_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// Run lengths: mostly short, so that inputs stay quick, with a few byte
// values for long runs (frames enough to pass every timer, beacons enough to
// pass every list cap).
int32_t frameRunLength(uint8_t code) {
    return code < 0xC0 ? (code & 0x0FU) + 1 : (code - 0xBF) * 4;  // 1..16, or 4..256
}

int32_t beaconRunLength(uint8_t code) {
    return code < 0xF0 ? (code & 0x1FU) + 1 : (code - 0xEF) * 320;  // 1..32, or 320..5120
}

[[noreturn]] void fail() {
    std::fflush(stderr);
    std::abort();
}

}  // namespace

std::size_t heapInUse() {
#ifdef CABKIT_FUZZ_ASAN
    return __sanitizer_get_current_allocated_bytes();
#elif defined(_WIN32)
    return 0;  // a DLL's heap is its C runtime's: nothing to read from here
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

void ArraySnapshot::take(const GuardedHostArrays& arrays) {
    std::memcpy(panel.data(), arrays.panel.data(), sizeof(panel));
    std::memcpy(sound.data(), arrays.sound.data(), sizeof(sound));
}

CallSequence::CallSequence(std::vector<LoadedPlugin*> plugins, GuardedHostArrays& arrays)
    : plugins_(std::move(plugins)), order_(plugins_.size()), arrays_(arrays) {
    std::iota(order_.begin(), order_.end(), std::size_t{0});
}

template <typename Call>
void CallSequence::call(LoadedPlugin& plugin, const char* exportName, bool isElapse, Call&& makeCall) {
    before_.take(arrays_);
    makeCall(plugin.api);
    if (!arrays_.frontIntact()) {
        std::fprintf(stderr, "%s.%s wrote in front of slot 0 of the panel or sound array\n", plugin.name.c_str(),
                     exportName);
        fail();
    }
    checkSlots(plugin, exportName, isElapse);
    checkMemory(plugin, exportName);
}

template <typename Call>
void CallSequence::broadcast(const char* exportName, Call&& makeCall) {
    for (LoadedPlugin* p : plugins_) {
        call(*p, exportName, false, makeCall);
    }
}

void CallSequence::checkSlots(const LoadedPlugin& plugin, const char* exportName, bool isElapse) const {
    const int32_t* panel = arrays_.panel.data();
    const int32_t* sound = arrays_.sound.data();
    if (std::memcmp(before_.panel.data(), panel, sizeof(before_.panel)) == 0 &&
        std::memcmp(before_.sound.data(), sound, sizeof(before_.sound)) == 0) {
        return;
    }
    bool bad = false;
    for (std::size_t slot = 0; slot < before_.panel.size(); ++slot) {
        if (panel[slot] != before_.panel[slot] && !(isElapse && plugin.allowed->panel.test(slot))) {
            std::fprintf(stderr, "%s.%s changed panel slot %zu from %d to %d\n", plugin.name.c_str(), exportName, slot,
                         before_.panel[slot], panel[slot]);
            bad = true;
        }
    }
    for (std::size_t slot = 0; slot < before_.sound.size(); ++slot) {
        if (sound[slot] != before_.sound[slot] && !(isElapse && plugin.allowed->sound.test(slot))) {
            std::fprintf(stderr, "%s.%s changed sound slot %zu from %d to %d\n", plugin.name.c_str(), exportName, slot,
                         before_.sound[slot], sound[slot]);
            bad = true;
        }
    }
    if (bad) {
        fail();
    }
}

void CallSequence::checkMemory(const LoadedPlugin& plugin, const char* exportName) const {
    const std::size_t now = heapInUse();
    if (now > heapAtStart_ && now - heapAtStart_ > kMemoryBound) {
        std::fprintf(stderr, "%s.%s: heap grew by %zu bytes within one input (bound %zu)\n", plugin.name.c_str(),
                     exportName, now - heapAtStart_, kMemoryBound);
        fail();
    }
}

void CallSequence::run(std::span<const uint8_t> input) {
    ByteReader in(input);
    heapAtStart_ = heapInUse();
    budget_ = kCallBudget;
    state_ = VehicleState{};
    state_.time = kOpeningTimeMs;

    const uint8_t header = in.byte();
    std::iota(order_.begin(), order_.end(), std::size_t{0});
    for (unsigned permutation = (header >> 1U) & 7U; permutation > 0; --permutation) {
        std::next_permutation(order_.begin(), order_.end());
    }
    if ((header & 1U) == 0) {
        opening();
    }
    while (!in.empty() && budget_ > 0) {
        --budget_;
        execute(static_cast<Op>(in.byte() % kOpCount), in);
    }
}

void CallSequence::opening() {
    for (LoadedPlugin* plugin : plugins_) {
        call(*plugin, "Load", false, [](const CabkitPluginTable& api) { api.Load(); });
        call(*plugin, "SetVehicleSpec", false, [](const CabkitPluginTable& api) { api.SetVehicleSpec(kOpeningSpec); });
        call(*plugin, "Initialize", false, [](const CabkitPluginTable& api) { api.Initialize(0); });
    }
}

void CallSequence::elapseAll() {
    for (const std::size_t index : order_) {
        LoadedPlugin& plugin = *plugins_[index];
        call(plugin, "Elapse", true, [this](const CabkitPluginTable& api) {
            static_cast<void>(api.Elapse(state_, arrays_.panel.data(), arrays_.sound.data()));
        });
    }
}

// Flags byte: bit 0 speed follows, bit 1 location, bit 2 current, bit 3 the
// five other measured values; fields not given keep their last value. Then
// the time: a mode byte and its operand, relative to the last frame's time.
void CallSequence::decodeFrame(ByteReader& in) {
    const uint8_t flags = in.byte();
    if ((flags & 1U) != 0) {
        state_.speed = in.float32();
    }
    if ((flags & 2U) != 0) {
        state_.location = in.float64();
    }
    if ((flags & 4U) != 0) {
        state_.current = in.float32();
    }
    if ((flags & 8U) != 0) {
        state_.bcPressure = in.float32();
        state_.mrPressure = in.float32();
        state_.erPressure = in.float32();
        state_.bpPressure = in.float32();
        state_.sapPressure = in.float32();
    }
    constexpr int64_t kDayMs = 86400000;
    switch (in.byte() % 8U) {
        case 0:  // standing still in time
            break;
        case 1:  // an ordinary frame
            state_.time = wrappingAdd(state_.time, int64_t{in.byte()} * 10);
            break;
        case 2:  // a long pause
            state_.time = wrappingAdd(state_.time, int64_t{in.u16()} * 100);
            break;
        case 3:  // backwards
            state_.time = wrappingAdd(state_.time, -int64_t{in.u16()} * 10);
            break;
        case 4:  // forwards by whole days
            state_.time = wrappingAdd(state_.time, int64_t{in.byte()} * kDayMs);
            break;
        case 5:  // anywhere
            state_.time = static_cast<int32_t>(in.u32());
            break;
        case 6:  // any step, wrapping round the int32 range
            state_.time = wrappingAdd(state_.time, int64_t{in.u32()});
            break;
        default:  // the int32 edges
            state_.time = in.int32();
            break;
    }
}

// Initialize reads the local time; the input chooses it (always a valid
// one, so that nothing falls back to the real clock and runs repeat).
void CallSequence::setLocalTime(ByteReader& in) {
    const unsigned year = 1601U + in.u16() % 8399U;
    const unsigned month = 1U + in.byte() % 12U;
    const unsigned day = 1U + in.byte() % 28U;
    const unsigned hour = in.byte() % 24U;
    const unsigned minute = in.byte() % 60U;
    const unsigned second = in.byte() % 61U;
    const unsigned millisecond = in.u16() % 1000U;
    char text[32];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02uT%02u:%02u:%02u.%03u", year, month, day, hour, minute, second,
                  millisecond);
#ifdef _WIN32
    SetEnvironmentVariableA("CABKIT_LOCAL_TIME", text);  // where the plug-ins read it
#else
    setenv("CABKIT_LOCAL_TIME", text, 1);
#endif
}

BeaconData CallSequence::decodeBeacon(ByteReader& in) {
    BeaconData beacon{};
    beacon.type = in.beaconType();
    beacon.signal = in.int32();
    beacon.distance = in.float32();
    beacon.optional = in.int32();
    return beacon;
}

void CallSequence::execute(Op op, ByteReader& in) {
    switch (op) {
        case Op::Load: broadcast("Load", [](const CabkitPluginTable& api) { api.Load(); }); break;
        case Op::Dispose: broadcast("Dispose", [](const CabkitPluginTable& api) { api.Dispose(); }); break;
        case Op::GetPluginVersion:
            for (LoadedPlugin* p : plugins_) {
                call(*p, "GetPluginVersion", false, [p](const CabkitPluginTable& api) {
                    const int32_t version = api.GetPluginVersion();
                    if (version != CABKIT_PLUGIN_VERSION) {
                        std::fprintf(stderr, "%s.GetPluginVersion answered %d\n", p->name.c_str(), version);
                        fail();
                    }
                });
            }
            break;
        case Op::SetVehicleSpec: {
            VehicleSpec vehicle{};
            vehicle.brakeNotches = in.int32();
            vehicle.powerNotches = in.int32();
            vehicle.checkNotch = in.int32();
            vehicle.b67Notch = in.int32();
            vehicle.cars = in.int32();
            broadcast("SetVehicleSpec", [vehicle](const CabkitPluginTable& api) { api.SetVehicleSpec(vehicle); });
            break;
        }
        case Op::Initialize: {
            const int32_t brake = in.int32();
            setLocalTime(in);
            broadcast("Initialize", [brake](const CabkitPluginTable& api) { api.Initialize(brake); });
            break;
        }
        case Op::Elapse:
            decodeFrame(in);
            elapseAll();
            break;
        case Op::SetPower:
        case Op::SetBrake:
        case Op::SetReverser:
        case Op::KeyDown:
        case Op::KeyUp:
        case Op::HornBlow: {
            const int32_t value = in.int32();
            switch (op) {
                case Op::SetPower:
                    broadcast("SetPower", [value](const CabkitPluginTable& api) { api.SetPower(value); });
                    break;
                case Op::SetBrake:
                    broadcast("SetBrake", [value](const CabkitPluginTable& api) { api.SetBrake(value); });
                    break;
                case Op::SetReverser:
                    broadcast("SetReverser", [value](const CabkitPluginTable& api) { api.SetReverser(value); });
                    break;
                case Op::KeyDown:
                    broadcast("KeyDown", [value](const CabkitPluginTable& api) { api.KeyDown(value); });
                    break;
                case Op::KeyUp: broadcast("KeyUp", [value](const CabkitPluginTable& api) { api.KeyUp(value); }); break;
                default: broadcast("HornBlow", [value](const CabkitPluginTable& api) { api.HornBlow(value); }); break;
            }
            break;
        }
        case Op::DoorOpen: broadcast("DoorOpen", [](const CabkitPluginTable& api) { api.DoorOpen(); }); break;
        case Op::DoorClose: broadcast("DoorClose", [](const CabkitPluginTable& api) { api.DoorClose(); }); break;
        case Op::SetSignal: {
            const int32_t aspect = in.aspect();
            broadcast("SetSignal", [aspect](const CabkitPluginTable& api) { api.SetSignal(aspect); });
            break;
        }
        case Op::SetBeaconData: {
            const BeaconData beacon = decodeBeacon(in);
            broadcast("SetBeaconData", [beacon](const CabkitPluginTable& api) { api.SetBeaconData(beacon); });
            break;
        }
        case Op::PanelWrite: {
            const uint8_t slot = in.byte();
            arrays_.panel[slot] = in.int32();
            break;
        }
        case Op::RepeatFrames: {
            const int32_t count = frameRunLength(in.byte());
            const int64_t stepMs = in.u16();
            state_.speed = in.float32();
            for (int32_t frame = 0; frame < count && budget_ > 0; ++frame) {
                --budget_;
                state_.time = wrappingAdd(state_.time, stepMs);
                elapseAll();
            }
            break;
        }
        case Op::RepeatBeacon: {
            // A long run of beacons is checked once at its end: no call in it may
            // touch the arrays at all, so the end state tells as much.
            const int32_t count = std::min(beaconRunLength(in.byte()), budget_);
            const BeaconData beacon = decodeBeacon(in);
            budget_ -= count;
            for (LoadedPlugin* p : plugins_) {
                before_.take(arrays_);
                for (int32_t repeat = 0; repeat < count; ++repeat) {
                    p->api.SetBeaconData(beacon);
                }
                checkSlots(*p, "SetBeaconData", false);
                checkMemory(*p, "SetBeaconData");
            }
            break;
        }
        case Op::Count: break;
    }
}

}  // namespace cabkit::fuzz
