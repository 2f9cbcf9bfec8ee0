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
    for (std::size_t slot = 0; slot < panel_.size(); ++slot) {
        const int32_t writer = panel_[slot] != before_[slot] ? from : writer_[slot];
        const int32_t value = writer == zeroed ? 0 : panel_[slot];
        writer_[slot] = writer;
        panel_[slot] = value;
        before_[slot] = value;
    }
}

}  // namespace cabkit::sim
