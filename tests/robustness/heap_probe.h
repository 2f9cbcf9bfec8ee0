// What the process holds on the heap, and how often anything in it (a loaded
// plug-in included) allocates: this test executable replaces the global
// operator new, and a plug-in's allocations resolve to it.
#ifndef CABKIT_TESTS_ROBUSTNESS_HEAP_PROBE_H
#define CABKIT_TESTS_ROBUSTNESS_HEAP_PROBE_H

#include <cstddef>
#include <cstdint>

namespace cabkit::test {

// Bytes in use on the heap, from the allocator (the sanitizer's when it runs).
std::size_t heapInUse();

// Calls of operator new since the process started.
uint64_t allocationCount();

// The largest resident set the process has had, in KiB (0 if unknown).
std::size_t peakResidentKiB();

// True in a build with the address sanitizer, whose shadow memory and
// quarantine make resident-set figures meaningless.
bool addressSanitized();

}  // namespace cabkit::test

#endif  // CABKIT_TESTS_ROBUSTNESS_HEAP_PROBE_H
