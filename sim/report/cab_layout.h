// The cab as the replay page draws it: for each plug-in its lamps, displays
// and sounds with their names and slots, and the instruments that combine
// several slots (speedometer, clock, timetable). JSON, made from the cab
// contract so that the page holds no slot number of its own.
#ifndef CABKIT_SIM_CAB_LAYOUT_H
#define CABKIT_SIM_CAB_LAYOUT_H

#include <string>

namespace cabkit::sim {

std::string cabLayoutJson();

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_CAB_LAYOUT_H
