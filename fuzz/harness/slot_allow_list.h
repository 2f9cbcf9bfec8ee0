// The panel and sound slots each plug-in may write in its Elapse: the slots
// its cab contract table names, and the exchanged slots that name it as a
// writer. A change to any other slot, or to any slot during another export,
// is a fault: the tables then miss a slot the plug-in writes.
#ifndef CABKIT_FUZZ_SLOT_ALLOW_LIST_H
#define CABKIT_FUZZ_SLOT_ALLOW_LIST_H

#include <bitset>
#include <string_view>

#include "host_arrays.h"

namespace cabkit::fuzz {

struct SlotAllowList {
    std::bitset<CABKIT_PANEL_SLOTS> panel;
    std::bitset<CABKIT_SOUND_SLOTS> sound;
};

// The allow-list of a plug-in by its name ("Velorin", "Sentrel", "Cabrix");
// aborts for any other name.
const SlotAllowList& allowListFor(std::string_view plugin);

}  // namespace cabkit::fuzz

#endif  // CABKIT_FUZZ_SLOT_ALLOW_LIST_H
