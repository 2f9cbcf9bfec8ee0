#include "shared_panel.h"

#include "sound_commands.h"

namespace cabkit::sim {

SharedArrays::SharedArrays(bool zeroUnwritten) : zeroUnwritten_(zeroUnwritten) {
    writer_.fill(kNoWriter);
    sound_.fill(CABKIT_SOUND_STOP);
}

// Both loops run three or four times a frame: they are written branch-free.
void SharedArrays::beginTurn(int32_t writer) {
    if (zeroUnwritten_) {
        for (std::size_t slot = 0; slot < panel_.size(); ++slot) {
            panel_[slot] = writer_[slot] == writer ? 0 : panel_[slot];
        }
    }
    before_ = panel_;
}

void SharedArrays::endTurn(int32_t writer) {
    for (std::size_t slot = 0; slot < panel_.size(); ++slot) {
        writer_[slot] = panel_[slot] != before_[slot] ? writer : writer_[slot];
    }
}

void SharedArrays::passTurn(int32_t from, int32_t to) {
    const int32_t zeroed = zeroUnwritten_ ? to : kNoWriter - 1;  // a writer no slot has
    // Selections by mask (all ones or none): the compiler keeps this loop in
    // vector registers, where the same loop with conditionals stays scalar.
    for (std::size_t slot = 0; slot < panel_.size(); ++slot) {
        const int32_t value = panel_[slot];
        const int32_t changed = -static_cast<int32_t>(value != before_[slot]);
        const int32_t writer = (from & changed) | (writer_[slot] & ~changed);
        const int32_t kept = value & -static_cast<int32_t>(writer != zeroed);
        writer_[slot] = writer;
        panel_[slot] = kept;
        before_[slot] = kept;
    }
}

}  // namespace cabkit::sim
