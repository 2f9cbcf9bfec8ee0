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

}  // namespace cabkit::sim
