// The cab as the replay page draws it: for each plug-in its lamps, displays
// and sounds with their names and slots, and the instruments that combine
// several slots (speedometer, clock, timetable). JSON, made from the cab
// contract so that the page holds no slot number of its own.
#ifndef CABKIT_SIM_CAB_LAYOUT_H
#define CABKIT_SIM_CAB_LAYOUT_H

#include <cstdint>
#include <string>
#include <vector>

#include "slot_layout.h"

namespace cabkit::sim {

std::string cabLayoutJson();

// The slots of plug-ins without a contract of ours, for a group of their
// own: those `layout` names, by their names, and the other slots they were
// seen to use, by number.
struct OtherSlots {
    std::string plugins;  // their names, for the group's heading
    std::vector<int32_t> panel, sound;
};
// With such a group after ours, when `others` has plug-ins.
std::string cabLayoutJson(const OtherSlots& others, const SlotLayout& layout);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_CAB_LAYOUT_H
