// What the panel and sound slots of the three plug-ins mean, for the event
// log. Slots not listed here are still traced; they are just not narrated.
#ifndef CABKIT_SIM_SLOT_NAMES_H
#define CABKIT_SIM_SLOT_NAMES_H

#include <cstdint>
#include <span>

namespace cabkit::sim {

struct NamedSlot {
    int32_t slot;
    const char* owner;  // the plug-in that writes it (or "panel" when shared)
    const char* label;
    bool lamp;          // narrated as on/off rather than by value
};

// Panel slots the log reports when their value changes.
std::span<const NamedSlot> narratedPanelSlots();

// Sound slots with a name; `quiet` ones (strokes that repeat every few
// hundred ms, the bell's twin slot) are not narrated.
struct NamedSound {
    int32_t slot;
    const char* owner;
    const char* label;
    bool quiet;
};
std::span<const NamedSound> namedSounds();
const NamedSound* findSound(int32_t slot);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_SLOT_NAMES_H
