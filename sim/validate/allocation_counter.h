// Counts the heap allocations of the whole process, plug-ins included,
// while counting is on. The executable replaces the allocator (or, in the
// sanitizer build, hooks the sanitizer's) and exports it, so calls from
// libraries loaded at run time reach the counter as well.
#ifndef CABKIT_SIM_VALIDATE_ALLOCATION_COUNTER_H
#define CABKIT_SIM_VALIDATE_ALLOCATION_COUNTER_H

#include <cstdint>

namespace cabkit::sim::validate {

// Allocations (malloc, calloc, realloc, aligned forms, every operator new)
// made between startCountingAllocations and stopCountingAllocations, which
// returns their number. Not nested; single-threaded use.
#ifdef _WIN32
// A DLL allocates through the C runtime it was linked with, which no
// replacement in the executable reaches: nothing to count there.
inline constexpr bool kCanCountAllocations = false;
inline void startCountingAllocations() {}
inline uint64_t stopCountingAllocations() { return 0; }
#else
inline constexpr bool kCanCountAllocations = true;
void startCountingAllocations();
uint64_t stopCountingAllocations();
#endif

template <typename F>
uint64_t allocationsDuring(F&& work) {
    startCountingAllocations();
    work();
    return stopCountingAllocations();
}

}  // namespace cabkit::sim::validate

#endif  // CABKIT_SIM_VALIDATE_ALLOCATION_COUNTER_H
