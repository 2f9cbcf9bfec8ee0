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
    int32_t CabrixOutputs::*field;
};

consteval int32_t soundSlot(std::string_view label) {
    return contract::soundSlot(contract::cabrix::kSoundSlots, label);
}

constexpr std::array<SoundSlot, 7> kSoundSlots{{
    {soundSlot("bell"), &CabrixOutputs::bellSound},
    {soundSlot("bell, second slot"), &CabrixOutputs::bellSound},
    {soundSlot("chime"), &CabrixOutputs::chimeSound},
    {soundSlot("spare sound"), &CabrixOutputs::spareSound},
    {soundSlot("fixed-limit sound"), &CabrixOutputs::fixedLimitSound},
    {soundSlot("cut-out sound"), &CabrixOutputs::cutOutSound},
    {soundSlot("rollback sound"), &CabrixOutputs::rollbackSound},
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

void writeSounds(const CabrixOutputs& out, int32_t* sound) {
    for (const SoundSlot& entry : kSoundSlots) {
        sound[static_cast<std::size_t>(entry.slot)] = out.*entry.field;
    }
}

}  // namespace cabkit::cabrix
