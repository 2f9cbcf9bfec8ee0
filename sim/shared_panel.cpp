#include "shared_panel.h"

#include "sound_commands.h"

namespace cabkit::sim {

SharedArrays::SharedArrays(bool zeroUnwritten) : zeroUnwritten_(zeroUnwritten) {
    writer_.fill(kNoWriter);
    sound_.fill(CABKIT_SOUND_STOP);
}

void SharedArrays::beginTurn(uint8_t writer) {
    if (zeroUnwritten_) {
        for (std::size_t slot = 0; slot < panel_.size(); ++slot) {
            if (writer_[slot] == writer) panel_[slot] = 0;
        }
    }
    before_ = panel_;
}

void SharedArrays::endTurn(uint8_t writer) {
    for (std::size_t slot = 0; slot < panel_.size(); ++slot) {
        if (panel_[slot] != before_[slot]) writer_[slot] = writer;
    }
}

}  // namespace cabkit::sim
