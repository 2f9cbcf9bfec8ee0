#include "slot_allow_list.h"

#include <cstdio>
#include <cstdlib>
#include <span>

#include "cab_contract.h"
#include "cabrix/cabrix_contract.h"
#include "sentrel/sentrel_contract.h"
#include "velorin/velorin_contract.h"

namespace cabkit::fuzz {
namespace {

// The slots a plug-in's contract table names, and the exchanged slots that
// name it as a writer.
SlotAllowList build(contract::Party plugin, std::span<const contract::PanelSlot> panel,
                    std::span<const contract::SoundSlot> sound) {
    SlotAllowList list;
    for (const contract::PanelSlot& row : panel) {
        list.panel.set(static_cast<std::size_t>(row.slot));
    }
    for (const contract::PanelSlot& row : contract::kSharedPanelSlots) {
        if ((row.writers & plugin) != 0) {
            list.panel.set(static_cast<std::size_t>(row.slot));
        }
    }
    for (const contract::SoundSlot& row : sound) {
        list.sound.set(static_cast<std::size_t>(row.slot));
    }
    return list;
}

const SlotAllowList kVelorin =
    build(contract::kVelorin, contract::velorin::kPanelSlots, contract::velorin::kSoundSlots);
const SlotAllowList kSentrel =
    build(contract::kSentrel, contract::sentrel::kPanelSlots, contract::sentrel::kSoundSlots);
const SlotAllowList kCabrix = build(contract::kCabrix, contract::cabrix::kPanelSlots, contract::cabrix::kSoundSlots);

}  // namespace

const SlotAllowList& allowListFor(std::string_view plugin) {
    if (plugin == "Velorin") {
        return kVelorin;
    }
    if (plugin == "Sentrel") {
        return kSentrel;
    }
    if (plugin == "Cabrix") {
        return kCabrix;
    }
    std::fprintf(stderr, "no slot allow-list for plug-in %.*s\n", static_cast<int>(plugin.size()), plugin.data());
    std::abort();
}

}  // namespace cabkit::fuzz
