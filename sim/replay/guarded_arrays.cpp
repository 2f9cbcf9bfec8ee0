// The canary in front of a guarded array; the pages themselves are the
// system's side (guarded_arrays_posix.cpp, guarded_arrays_windows.cpp).
#include "guarded_arrays.h"

#include <algorithm>
#include <array>
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

#ifdef CABKIT_GUARDED_ASAN
// Reads the poisoned bytes on purpose, byte by byte: the sanitizer's own
// memcmp would report them.
__attribute__((no_sanitize("address"))) bool GuardedSlots::frontIntact(std::size_t nearest) const {
    const std::size_t first = nearest < frontBytes_ ? frontBytes_ - nearest : 0;
    unsigned char differs = 0;
    for (std::size_t i = first; i < frontBytes_; ++i) differs |= static_cast<unsigned char>(front_[i] ^ kCanary);
    return differs == 0;
}

bool GuardedSlots::nearFrontIntact() const { return frontIntact(kNearBytes); }
#else
// The whole front is looked at every so many frames: the library's memcmp
// against a block of the pattern is many times faster than a loop over bytes.
bool GuardedSlots::frontIntact(std::size_t nearest) const {
    const std::size_t first = nearest < frontBytes_ ? frontBytes_ - nearest : 0;
    static const std::array<unsigned char, 512> pattern = [] {
        std::array<unsigned char, 512> bytes{};
        bytes.fill(kCanary);
        return bytes;
    }();
    for (std::size_t at = first; at < frontBytes_; at += pattern.size()) {
        const std::size_t length = std::min(pattern.size(), frontBytes_ - at);
        if (std::memcmp(front_ + at, pattern.data(), length) != 0) return false;
    }
    return true;
}

// After every call: eight words read where they lie, no loop and no call
// (a copy into a local array first cost more than the look itself).
bool GuardedSlots::nearFrontIntact() const {
    static_assert(kNearBytes == 8 * sizeof(uint64_t), "the near look reads eight words");
    constexpr uint64_t kCanaryWord = 0x0101010101010101ULL * kCanary;
    const unsigned char* near = front_ + frontBytes_ - kNearBytes;
    const auto differs = [near](std::size_t word) {
        uint64_t value = 0;
        std::memcpy(&value, near + word * sizeof(uint64_t), sizeof(uint64_t));
        return value ^ kCanaryWord;
    };
    return (differs(0) | differs(1) | differs(2) | differs(3) | differs(4) | differs(5) | differs(6) | differs(7)) == 0;
}
#endif

}  // namespace cabkit::sim
