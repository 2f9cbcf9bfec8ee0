#include "sound_outputs.h"

#include <array>
#include <cstddef>

#include "host_arrays.h"
#include "sound_commands.h"

namespace cabkit::cabrix {
namespace {

struct SoundSlot {
    int32_t slot;
    int32_t CCabrix::*field;
};

constexpr std::array<SoundSlot, 7> kSoundSlots{{
    {4, &CCabrix::bellSound},
    {5, &CCabrix::bellSound},
    {110, &CCabrix::chimeSound},
    {111, &CCabrix::spareSound},
    {112, &CCabrix::fixedLimitSound},
    {113, &CCabrix::cutOutSound},
    {114, &CCabrix::rollbackSound},
}};

constexpr bool slotsFitTheArray() {
    for (const SoundSlot& entry : kSoundSlots) {
        if (entry.slot < 0 || entry.slot >= CABKIT_SOUND_SLOTS) {
            return false;
        }
    }
    return true;
}
static_assert(slotsFitTheArray(), "sound slots lie within the host's array");

}  // namespace

void settleFrameSounds(CCabrix& cab) {
    cab.bellSound = cab.active != cab.wasActive ? CABKIT_SOUND_PLAY_ONCE : cab.bellTrigger;
    cab.chimeSound = cab.chimeTrigger;
    cab.spareSound = cab.spareTrigger;
    cab.wasActive = cab.active;
    cab.bellTrigger = CABKIT_SOUND_UNCHANGED;
    cab.chimeTrigger = CABKIT_SOUND_UNCHANGED;
    cab.spareTrigger = CABKIT_SOUND_UNCHANGED;
}

void writeSounds(const CCabrix& cab, int32_t* sound) {
    for (const SoundSlot& entry : kSoundSlots) {
        sound[static_cast<std::size_t>(entry.slot)] = cab.*entry.field;
    }
}

}  // namespace cabkit::cabrix
