// The panel and sound arrays as a host hands them to plug-ins, fenced so that
// a plug-in that strays outside them is caught: each array ends exactly at a
// page boundary with an inaccessible page behind it, and in front of it lie
// canary bytes (poisoned for the address sanitizer when it is there) and
// another inaccessible page. A write past the end faults at the instruction;
// a write just before slot 0 changes the canary, which frontIntact() tells.
#ifndef CABKIT_SIM_GUARDED_ARRAYS_H
#define CABKIT_SIM_GUARDED_ARRAYS_H

#include <cstddef>
#include <cstdint>

#include "host_arrays.h"

namespace cabkit::sim {

class GuardedSlots {
public:
    // `slots` zeroed slots. Throws std::runtime_error when the pages cannot be had.
    explicit GuardedSlots(std::size_t slots);
    ~GuardedSlots();
    GuardedSlots(const GuardedSlots&) = delete;
    GuardedSlots& operator=(const GuardedSlots&) = delete;

    int32_t* data() { return slots_; }
    const int32_t* data() const { return slots_; }
    std::size_t size() const { return count_; }
    int32_t& operator[](std::size_t i) { return slots_[i]; }
    int32_t operator[](std::size_t i) const { return slots_[i]; }

    // Whether the canary bytes in front of slot 0 are as they were made: all
    // of them, or only the `nearest` bytes next to slot 0.
    bool frontIntact(std::size_t nearest = SIZE_MAX) const;
    // frontIntact(kNearBytes), cheap enough for every call.
    bool nearFrontIntact() const;
    static constexpr std::size_t kNearBytes = 64;  // the canary is at least as wide

private:
    // Around the pages' life: the canary made, and unpoisoned before the pages go.
    void fillFront();
    void clearFront();

    void* mapping_ = nullptr;
    std::size_t mappingBytes_ = 0;
    unsigned char* front_ = nullptr;
    std::size_t frontBytes_ = 0;
    int32_t* slots_ = nullptr;
    std::size_t count_ = 0;
};

struct GuardedHostArrays {
    GuardedSlots panel{CABKIT_PANEL_SLOTS};
    GuardedSlots sound{CABKIT_SOUND_SLOTS};

    bool frontIntact() const { return panel.frontIntact() && sound.frontIntact(); }
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_GUARDED_ARRAYS_H
