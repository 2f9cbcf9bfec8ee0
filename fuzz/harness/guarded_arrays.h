// The panel and sound arrays as the host hands them, fenced so that a plug-in
// that strays outside them is caught at the faulting instruction: each array
// ends exactly at a page boundary with an inaccessible page behind it, and
// the bytes in front of it are poisoned for the address sanitizer.
#ifndef CABKIT_FUZZ_GUARDED_ARRAYS_H
#define CABKIT_FUZZ_GUARDED_ARRAYS_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "host_arrays.h"

namespace cabkit::fuzz {

class GuardedSlots {
public:
    explicit GuardedSlots(std::size_t slots);
    ~GuardedSlots();
    GuardedSlots(const GuardedSlots&) = delete;
    GuardedSlots& operator=(const GuardedSlots&) = delete;

    int32_t* data() { return slots_; }
    const int32_t* data() const { return slots_; }
    std::size_t size() const { return count_; }
    int32_t& operator[](std::size_t i) { return slots_[i]; }
    int32_t operator[](std::size_t i) const { return slots_[i]; }

private:
    void* mapping_ = nullptr;
    std::size_t mappingBytes_ = 0;
    std::size_t poisonedBytes_ = 0;
    int32_t* slots_ = nullptr;
    std::size_t count_ = 0;
};

struct GuardedHostArrays {
    GuardedSlots panel{CABKIT_PANEL_SLOTS};
    GuardedSlots sound{CABKIT_SOUND_SLOTS};
};

// A copy of both arrays, to tell afterwards which slots a call changed.
struct ArraySnapshot {
    std::array<int32_t, CABKIT_PANEL_SLOTS> panel{};
    std::array<int32_t, CABKIT_SOUND_SLOTS> sound{};

    void take(const GuardedHostArrays& arrays);
};

}  // namespace cabkit::fuzz

#endif  // CABKIT_FUZZ_GUARDED_ARRAYS_H
