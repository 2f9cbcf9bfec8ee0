// The canary in front of a guarded array; the pages themselves are the
// system's side (guarded_arrays_posix.cpp, guarded_arrays_windows.cpp).
#include "guarded_arrays.h"

#include <cstring>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CABKIT_GUARDED_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) && !defined(CABKIT_GUARDED_ASAN)
#define CABKIT_GUARDED_ASAN 1
#endif
#ifdef CABKIT_GUARDED_ASAN
#include <sanitizer/asan_interface.h>
#endif

namespace cabkit::sim {
namespace {

constexpr unsigned char kCanary = 0xA5;

}  // namespace

void GuardedSlots::fillFront() {
    std::memset(front_, kCanary, frontBytes_);
#ifdef CABKIT_GUARDED_ASAN
    // An instrumented plug-in is stopped at the write itself.
    ASAN_POISON_MEMORY_REGION(front_, frontBytes_);
#endif
}

void GuardedSlots::clearFront() {
#ifdef CABKIT_GUARDED_ASAN
    ASAN_UNPOISON_MEMORY_REGION(front_, frontBytes_);
#endif
}

// Reads the poisoned bytes on purpose. The comparison is branch-free over the
// whole canary, so that it costs the same on every call.
#ifdef CABKIT_GUARDED_ASAN
__attribute__((no_sanitize("address")))
#endif
bool GuardedSlots::frontIntact() const {
    unsigned char differs = 0;
    for (std::size_t i = 0; i < frontBytes_; ++i) differs |= static_cast<unsigned char>(front_[i] ^ kCanary);
    return differs == 0;
}

}  // namespace cabkit::sim
