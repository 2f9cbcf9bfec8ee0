#include "allocation_counter.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define CABKIT_SANITIZED_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CABKIT_SANITIZED_ALLOCATOR 1
#endif
#endif

#ifdef CABKIT_SANITIZED_ALLOCATOR
// From the sanitizer runtime's allocator interface (its header does not come
// with every compiler).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onAllocation)(const volatile void*, std::size_t),
                                                         void (*onFree)(const volatile void*));
#endif

namespace {

std::atomic<bool> counting{false};
std::atomic<uint64_t> allocations{0};

void noteAllocation() {
    if (counting.load(std::memory_order_relaxed)) {
        allocations.fetch_add(1, std::memory_order_relaxed);
    }
}

}  // namespace

#ifdef CABKIT_SANITIZED_ALLOCATOR

// The sanitizer owns malloc and operator new; it reports every allocation to
// this hook instead.
namespace {

void onSanitizerAllocation(const volatile void* /*pointer*/, std::size_t /*size*/) { noteAllocation(); }
void onSanitizerFree(const volatile void* /*pointer*/) {}

const bool hooksInstalled = __sanitizer_install_malloc_and_free_hooks(onSanitizerAllocation, onSanitizerFree) != 0;

}  // namespace

#else

// glibc's own allocator under its internal names; the replacements below
// count and forward to it. Exported (the executable links with
// ENABLE_EXPORTS) so that they interpose for every loaded library.
#define CABKIT_INTERPOSE extern "C" __attribute__((visibility("default")))

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* pointer);
}

CABKIT_INTERPOSE void* malloc(std::size_t size) {
    noteAllocation();
    return __libc_malloc(size);
}

CABKIT_INTERPOSE void* calloc(std::size_t count, std::size_t size) {
    noteAllocation();
    return __libc_calloc(count, size);
}

CABKIT_INTERPOSE void* realloc(void* pointer, std::size_t size) {
    noteAllocation();
    return __libc_realloc(pointer, size);
}

CABKIT_INTERPOSE void* memalign(std::size_t alignment, std::size_t size) {
    noteAllocation();
    return __libc_memalign(alignment, size);
}

CABKIT_INTERPOSE void* aligned_alloc(std::size_t alignment, std::size_t size) {
    noteAllocation();
    return __libc_memalign(alignment, size);
}

CABKIT_INTERPOSE int posix_memalign(void** result, std::size_t alignment, std::size_t size) {
    noteAllocation();
    void* pointer = __libc_memalign(alignment, size);
    if (pointer == nullptr) {
        return ENOMEM;
    }
    *result = pointer;
    return 0;
}

CABKIT_INTERPOSE void free(void* pointer) { __libc_free(pointer); }

// operator new and delete in every form, so that a library that reaches them
// without going through malloc is counted too.
#define CABKIT_VISIBLE __attribute__((visibility("default")))

namespace {

void* countedNew(std::size_t size) {
    noteAllocation();
    void* pointer = __libc_malloc(size == 0 ? 1 : size);
    if (pointer == nullptr) {
        throw std::bad_alloc();
    }
    return pointer;
}

void* countedAlignedNew(std::size_t size, std::align_val_t alignment) {
    noteAllocation();
    void* pointer = __libc_memalign(static_cast<std::size_t>(alignment), size == 0 ? 1 : size);
    if (pointer == nullptr) {
        throw std::bad_alloc();
    }
    return pointer;
}

}  // namespace

CABKIT_VISIBLE void* operator new(std::size_t size) { return countedNew(size); }
CABKIT_VISIBLE void* operator new[](std::size_t size) { return countedNew(size); }
CABKIT_VISIBLE void* operator new(std::size_t size, const std::nothrow_t& /*tag*/) noexcept {
    noteAllocation();
    return __libc_malloc(size == 0 ? 1 : size);
}
CABKIT_VISIBLE void* operator new[](std::size_t size, const std::nothrow_t& /*tag*/) noexcept {
    noteAllocation();
    return __libc_malloc(size == 0 ? 1 : size);
}
CABKIT_VISIBLE void* operator new(std::size_t size, std::align_val_t alignment) {
    return countedAlignedNew(size, alignment);
}
CABKIT_VISIBLE void* operator new[](std::size_t size, std::align_val_t alignment) {
    return countedAlignedNew(size, alignment);
}
CABKIT_VISIBLE void* operator new(std::size_t size, std::align_val_t alignment,
                                  const std::nothrow_t& /*tag*/) noexcept {
    noteAllocation();
    return __libc_memalign(static_cast<std::size_t>(alignment), size == 0 ? 1 : size);
}
CABKIT_VISIBLE void* operator new[](std::size_t size, std::align_val_t alignment,
                                    const std::nothrow_t& /*tag*/) noexcept {
    noteAllocation();
    return __libc_memalign(static_cast<std::size_t>(alignment), size == 0 ? 1 : size);
}

CABKIT_VISIBLE void operator delete(void* pointer) noexcept { __libc_free(pointer); }
CABKIT_VISIBLE void operator delete[](void* pointer) noexcept { __libc_free(pointer); }
CABKIT_VISIBLE void operator delete(void* pointer, std::size_t /*size*/) noexcept { __libc_free(pointer); }
CABKIT_VISIBLE void operator delete[](void* pointer, std::size_t /*size*/) noexcept { __libc_free(pointer); }
CABKIT_VISIBLE void operator delete(void* pointer, const std::nothrow_t& /*tag*/) noexcept { __libc_free(pointer); }
CABKIT_VISIBLE void operator delete[](void* pointer, const std::nothrow_t& /*tag*/) noexcept { __libc_free(pointer); }
CABKIT_VISIBLE void operator delete(void* pointer, std::align_val_t /*alignment*/) noexcept { __libc_free(pointer); }
CABKIT_VISIBLE void operator delete[](void* pointer, std::align_val_t /*alignment*/) noexcept { __libc_free(pointer); }
CABKIT_VISIBLE void operator delete(void* pointer, std::size_t /*size*/, std::align_val_t /*alignment*/) noexcept {
    __libc_free(pointer);
}
CABKIT_VISIBLE void operator delete[](void* pointer, std::size_t /*size*/, std::align_val_t /*alignment*/) noexcept {
    __libc_free(pointer);
}
CABKIT_VISIBLE void operator delete(void* pointer, std::align_val_t /*alignment*/,
                                    const std::nothrow_t& /*tag*/) noexcept {
    __libc_free(pointer);
}
CABKIT_VISIBLE void operator delete[](void* pointer, std::align_val_t /*alignment*/,
                                      const std::nothrow_t& /*tag*/) noexcept {
    __libc_free(pointer);
}

#endif  // CABKIT_SANITIZED_ALLOCATOR

namespace cabkit::sim::validate {

void startCountingAllocations() {
    allocations.store(0, std::memory_order_relaxed);
    counting.store(true, std::memory_order_relaxed);
}

uint64_t stopCountingAllocations() {
    counting.store(false, std::memory_order_relaxed);
    return allocations.load(std::memory_order_relaxed);
}

}  // namespace cabkit::sim::validate
