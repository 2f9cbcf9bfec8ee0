// Counts the heap allocations of the whole process, plug-ins included,
// while counting is on. The executable replaces the allocator (or, in the
// sanitizer build, hooks the sanitizer's) and exports it, so calls from
// libraries loaded at run time reach the counter as well.
#ifndef CABKIT_TESTS_PERF_ALLOCATION_COUNTER_H
#define CABKIT_TESTS_PERF_ALLOCATION_COUNTER_H

#include <cstdint>

namespace cabkit::test {

// Allocations (malloc, calloc, realloc, aligned forms, every operator new)
// made between startCountingAllocations and stopCountingAllocations, which
// returns their number. Not nested; single-threaded use.
void startCountingAllocations();
uint64_t stopCountingAllocations();

template <typename F>
uint64_t allocationsDuring(F&& work) {
    startCountingAllocations();
    work();
    return stopCountingAllocations();
}

}  // namespace cabkit::test

#endif  // CABKIT_TESTS_PERF_ALLOCATION_COUNTER_H
