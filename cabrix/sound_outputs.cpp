#include "sound_outputs.h"

#include <array>
#include <cstddef>
#include <string_view>

#include "cabrix_contract.h"
#include "host_arrays.h"
#include "sound_commands.h"

namespace cabkit::cabrix {
namespace {

struct SoundSlot {
    int32_t slot;
    int32_t CCabrix::*field;
};

consteval int32_t soundSlot(std::string_view label) {
    return contract::soundSlot(contract::cabrix::kSoundSlots, label);
}

constexpr std::array<SoundSlot, 7> kSoundSlots{{
    {soundSlot("bell"), &CCabrix::bellSound},
    {soundSlot("bell, second slot"), &CCabrix::bellSound},
    {soundSlot("chime"), &CCabrix::chimeSound},
    {soundSlot("spare sound"), &CCabrix::spareSound},
    {soundSlot("fixed-limit sound"), &CCabrix::fixedLimitSound},
    {soundSlot("cut-out sound"), &CCabrix::cutOutSound},
    {soundSlot("rollback sound"), &CCabrix::rollbackSound},
}};

constexpr bool slotsFitTheArray() {
    for (const SoundSlot& entry : kSoundSlots) {
        if (entry.slot < 0 || entry.slot >= CABKIT_SOUND_SLOTS) {
            return false;
        }
    }
    return kSoundSlots.size() == contract::cabrix::kSoundSlots.size();
}
static_assert(slotsFitTheArray(), "sound slots lie within the host's array, one per slot of the table");

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
