// The frame's sound commands: one-shot bell, chime and spare, and the
// looping warnings.
#ifndef CABKIT_CABRIX_SOUND_OUTPUTS_H
#define CABKIT_CABRIX_SOUND_OUTPUTS_H

#include <cstdint>

#include "ccabrix.h"

namespace cabkit::cabrix {

// Turns the pending triggers into this frame's commands and re-arms them as
// "unchanged", so that a one-shot plays exactly once. A change of activity
// always rings the bell.
void settleFrameSounds(CCabrix& cab);

// Writes sound slots 4 and 5 (both the bell) and 110..114.
void writeSounds(const CCabrix& cab, int32_t* sound);

}  // namespace cabkit::cabrix

#endif  // CABKIT_CABRIX_SOUND_OUTPUTS_H
