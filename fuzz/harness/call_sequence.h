// Decodes a fuzzer input into a sequence of export calls and makes them on
// one or more loaded plug-ins sharing one pair of host arrays, checking after
// every single call that
//   - the plug-in changed no panel or sound slot outside its allow-list, and
//     none at all outside Elapse;
//   - the heap grew by no more than kMemoryBound since the input started;
//   - GetPluginVersion still answers the interface version;
//   - the canary bytes in front of both arrays are untouched.
// The sanitizers, the guard pages and the poisoning of those bytes catch
// everything else at the faulting instruction.
//
// Input layout (fuzz/make_seeds.py writes the same):
//   byte 0: bit 0 set = skip the opening Load, SetVehicleSpec{8,5,1,0,10},
//           Initialize(0); bits 1..3 = order in which Elapse reaches the
//           plug-ins (a permutation index, modulo the number of orders).
//   then operations, each an op byte (taken modulo kOpCount) and arguments
//   decoded by ByteReader; see Op.
#ifndef CABKIT_FUZZ_CALL_SEQUENCE_H
#define CABKIT_FUZZ_CALL_SEQUENCE_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "byte_reader.h"
#include "guarded_arrays.h"
#include "host_arrays.h"
#include "loaded_plugin.h"

namespace cabkit::fuzz {

// The arrays as simhost hands them to the plug-ins.
using sim::GuardedHostArrays;

// A copy of both arrays, to tell afterwards which slots a call changed.
struct ArraySnapshot {
    std::array<int32_t, CABKIT_PANEL_SLOTS> panel{};
    std::array<int32_t, CABKIT_SOUND_SLOTS> sound{};

    void take(const GuardedHostArrays& arrays);
};

enum class Op : uint8_t {
    Load,
    Dispose,
    GetPluginVersion,
    SetVehicleSpec,  // 5 x int32
    Initialize,      // int32, then year u16, month, day, hour, minute, second bytes, millisecond u16
    Elapse,          // see decodeFrame
    SetPower,        // int32
    SetBrake,        // int32
    SetReverser,     // int32
    KeyDown,         // int32
    KeyUp,           // int32
    HornBlow,        // int32
    DoorOpen,
    DoorClose,
    SetSignal,      // aspect
    SetBeaconData,  // beaconType, int32 signal, float32 distance, int32 optional
    PanelWrite,     // slot byte, int32: the host or an outside component writes a slot
    RepeatFrames,   // count byte (< 0xC0: 1..16, else 4..256), step u16 ms, float32 speed: that many Elapse
    RepeatBeacon,   // count byte (< 0xF0: 1..32, else 320..5120), then a beacon as SetBeaconData
    Count,
};
inline constexpr uint8_t kOpCount = static_cast<uint8_t>(Op::Count);

// Growth of the heap within one input beyond which the input fails. The
// plug-ins keep a few fixed tables, lists capped at a few thousand entries
// and at most a bounded number of door timers; a few MiB is already a lot.
inline constexpr std::size_t kMemoryBound = 64U << 20U;

// Host events (operations, frames, beacons) one input may make; longer
// inputs stop there, so that no input runs for long and the fuzzer keeps its
// pace. It still allows a run of beacons well past the list caps.
inline constexpr int32_t kCallBudget = 6000;

class CallSequence {
public:
    CallSequence(std::vector<LoadedPlugin*> plugins, GuardedHostArrays& arrays);

    void run(std::span<const uint8_t> input);

private:
    void opening();
    void execute(Op op, ByteReader& in);
    void elapseAll();
    void decodeFrame(ByteReader& in);
    void setLocalTime(ByteReader& in);
    BeaconData decodeBeacon(ByteReader& in);

    // Makes one call on one plug-in and checks what it did.
    template <typename Call>
    void call(LoadedPlugin& plugin, const char* exportName, bool isElapse, Call&& makeCall);
    // Makes the same call on every plug-in, in loading order.
    template <typename Call>
    void broadcast(const char* exportName, Call&& makeCall);
    void checkSlots(const LoadedPlugin& plugin, const char* exportName, bool isElapse) const;
    void checkMemory(const LoadedPlugin& plugin, const char* exportName) const;

    std::vector<LoadedPlugin*> plugins_;
    std::vector<std::size_t> order_;
    GuardedHostArrays& arrays_;
    ArraySnapshot before_;
    VehicleState state_{};
    std::size_t heapAtStart_ = 0;
    int32_t budget_ = 0;
};

// Heap bytes in use by the whole process, from the allocator.
std::size_t heapInUse();

}  // namespace cabkit::fuzz

#endif  // CABKIT_FUZZ_CALL_SEQUENCE_H
