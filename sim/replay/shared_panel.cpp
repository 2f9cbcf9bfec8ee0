#include "shared_panel.h"

#include <cstring>

#include "sound_commands.h"

namespace cabkit::sim {

SharedArrays::SharedArrays(bool zeroUnwritten) : zeroUnwritten_(zeroUnwritten) {
    writer_.fill(kNoWriter);
    int32_t* sound = guarded_.sound.data();
    for (std::size_t slot = 0; slot < guarded_.sound.size(); ++slot) sound[slot] = CABKIT_SOUND_STOP;
    settle();
}

namespace {

// The loops below run three or four times a frame: they are written
// branch-free, over arrays the compiler knows apart, and in one pass each,
// so that they vectorise.
void zeroSlotsOf(int32_t* __restrict panel, int32_t* __restrict before, const int32_t* __restrict writers,
                 int32_t writer) {
    for (std::size_t slot = 0; slot < CABKIT_PANEL_SLOTS; ++slot) {
        const int32_t value = panel[slot] & (writers[slot] == writer ? 0 : -1);
        panel[slot] = value;
        before[slot] = value;
    }
}

void copySlots(const int32_t* __restrict from, int32_t* __restrict to) {
    for (std::size_t slot = 0; slot < CABKIT_PANEL_SLOTS; ++slot) to[slot] = from[slot];
}

void markWriters(const int32_t* __restrict panel, const int32_t* __restrict before, int32_t* __restrict writers,
                 int32_t writer) {
    for (std::size_t slot = 0; slot < CABKIT_PANEL_SLOTS; ++slot) {
        writers[slot] = panel[slot] != before[slot] ? writer : writers[slot];
    }
}

// markWriters, and both arrays copied as settled.
void markAndSettle(const int32_t* __restrict panel, const int32_t* __restrict sound, const int32_t* __restrict before,
                   int32_t* __restrict writers, int32_t* __restrict settledPanel, int32_t* __restrict settledSound,
                   int32_t writer) {
    static_assert(CABKIT_PANEL_SLOTS == CABKIT_SOUND_SLOTS, "one pass over both arrays");
    for (std::size_t slot = 0; slot < CABKIT_PANEL_SLOTS; ++slot) {
        writers[slot] = panel[slot] != before[slot] ? writer : writers[slot];
        settledPanel[slot] = panel[slot];
        settledSound[slot] = sound[slot];
    }
}

int32_t differences(const int32_t* __restrict panel, const int32_t* __restrict sound,
                    const int32_t* __restrict settledPanel, const int32_t* __restrict settledSound) {
    int32_t differs = 0;
    for (std::size_t slot = 0; slot < CABKIT_PANEL_SLOTS; ++slot) {
        differs |= (panel[slot] ^ settledPanel[slot]) | (sound[slot] ^ settledSound[slot]);
    }
    return differs;
}

// endTurn(from) then beginTurn(to) in one pass. Selections by mask (all
// ones or none): the compiler keeps this loop in vector registers, where the
// same loop with conditionals stays scalar.
void passSlots(int32_t* __restrict panel, int32_t* __restrict before, int32_t* __restrict writers, int32_t from,
               int32_t zeroed) {
    for (std::size_t slot = 0; slot < CABKIT_PANEL_SLOTS; ++slot) {
        const int32_t value = panel[slot];
        const int32_t changed = -static_cast<int32_t>(value != before[slot]);
        const int32_t writer = (from & changed) | (writers[slot] & ~changed);
        const int32_t kept = value & -static_cast<int32_t>(writer != zeroed);
        writers[slot] = writer;
        panel[slot] = kept;
        before[slot] = kept;
    }
}

}  // namespace

void SharedArrays::beginTurn(int32_t writer) {
    if (zeroUnwritten_) {
        zeroSlotsOf(guarded_.panel.data(), before_.data(), writer_.data(), writer);
    } else {
        copySlots(guarded_.panel.data(), before_.data());
    }
}

void SharedArrays::endTurn(int32_t writer) {
    markWriters(guarded_.panel.data(), before_.data(), writer_.data(), writer);
}

void SharedArrays::endLastTurn(int32_t writer) {
    markAndSettle(guarded_.panel.data(), guarded_.sound.data(), before_.data(), writer_.data(), settledPanel_.data(),
                  settledSound_.data(), writer);
}

void SharedArrays::settle() {
    copySlots(guarded_.panel.data(), settledPanel_.data());
    copySlots(guarded_.sound.data(), settledSound_.data());
}

bool SharedArrays::unchangedSinceSettled() const {
    return differences(guarded_.panel.data(), guarded_.sound.data(), settledPanel_.data(), settledSound_.data()) == 0;
}

std::optional<SlotChange> SharedArrays::changeSinceSettled() const {
    const int32_t* panel = guarded_.panel.data();
    const int32_t* sound = guarded_.sound.data();
    if (std::memcmp(settledPanel_.data(), panel, sizeof(settledPanel_)) != 0) {
        for (std::size_t slot = 0; slot < settledPanel_.size(); ++slot) {
            if (panel[slot] != settledPanel_[slot])
                return SlotChange{0, static_cast<int32_t>(slot), settledPanel_[slot], panel[slot]};
        }
    }
    if (std::memcmp(settledSound_.data(), sound, sizeof(settledSound_)) != 0) {
        for (std::size_t slot = 0; slot < settledSound_.size(); ++slot) {
            if (sound[slot] != settledSound_[slot])
                return SlotChange{1, static_cast<int32_t>(slot), settledSound_[slot], sound[slot]};
        }
    }
    return std::nullopt;
}

bool SharedArrays::nearFrontIntact() const {
    constexpr std::size_t kNearest = 64;  // sixteen slots in front
    return guarded_.panel.frontIntact(kNearest) && guarded_.sound.frontIntact(kNearest);
}

void SharedArrays::passTurn(int32_t from, int32_t to) {
    const int32_t zeroed = zeroUnwritten_ ? to : kNoWriter - 1;  // a writer no slot has
    passSlots(guarded_.panel.data(), before_.data(), writer_.data(), from, zeroed);
}

}  // namespace cabkit::sim
