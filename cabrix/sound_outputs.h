// The frame's sound commands: one-shot bell, chime and spare, and the
// looping warnings (CCabrix::settleFrameSounds turns the triggers into them).
#ifndef CABKIT_CABRIX_SOUND_OUTPUTS_H
#define CABKIT_CABRIX_SOUND_OUTPUTS_H

#include <cstdint>

#include "ccabrix.h"

namespace cabkit::cabrix {

// Writes sound slots 4 and 5 (both the bell) and 110..114.
void writeSounds(const CabrixOutputs& out, int32_t* sound);

}  // namespace cabkit::cabrix

#endif  // CABKIT_CABRIX_SOUND_OUTPUTS_H
