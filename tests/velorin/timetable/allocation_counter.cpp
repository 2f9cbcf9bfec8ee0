#include "allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> requestedBytes{0};
}

namespace cabkit::test {
std::size_t allocatedBytes() { return requestedBytes.load(); }
}  // namespace cabkit::test

// The array and nothrow forms forward to these in the standard library.
void* operator new(std::size_t size) {
    requestedBytes += size;
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t /*size*/) noexcept { std::free(block); }
