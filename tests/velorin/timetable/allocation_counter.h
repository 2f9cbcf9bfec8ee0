// Counts the bytes this test program asks the global allocator for, so a
// test can check that a stretch of code allocated nothing (or how much).
#ifndef CABKIT_TESTS_VELORIN_ALLOCATION_COUNTER_H
#define CABKIT_TESTS_VELORIN_ALLOCATION_COUNTER_H

#include <cstddef>

namespace cabkit::test {

// Bytes requested through operator new since the program started.
std::size_t allocatedBytes();

}  // namespace cabkit::test

#endif
