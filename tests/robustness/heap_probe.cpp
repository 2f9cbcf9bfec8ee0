#include "heap_probe.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CABKIT_TEST_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define CABKIT_TEST_ASAN 1
#endif
#ifdef CABKIT_TEST_ASAN
// From the sanitizer runtime; not every compiler ships its header.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {
std::atomic<uint64_t> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t /*size*/) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t /*size*/) noexcept { std::free(block); }

namespace cabkit::test {

std::size_t heapInUse() {
#ifdef CABKIT_TEST_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

uint64_t allocationCount() { return allocations.load(std::memory_order_relaxed); }

std::size_t peakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return static_cast<std::size_t>(std::strtoull(line.c_str() + 6, nullptr, 10));
        }
    }
    return 0;
}

bool addressSanitized() {
#ifdef CABKIT_TEST_ASAN
    return true;
#else
    return false;
#endif
}

}  // namespace cabkit::test
