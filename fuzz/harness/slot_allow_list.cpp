#include "slot_allow_list.h"

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <utility>

namespace cabkit::fuzz {
namespace {

using Range = std::pair<int, int>;  // first and last slot, both included

SlotAllowList build(std::initializer_list<Range> panel, std::initializer_list<Range> sound) {
    SlotAllowList list;
    for (const auto& [first, last] : panel) {
        for (int slot = first; slot <= last; ++slot) {
            list.panel.set(static_cast<std::size_t>(slot));
        }
    }
    for (const auto& [first, last] : sound) {
        for (int slot = first; slot <= last; ++slot) {
            list.sound.set(static_cast<std::size_t>(slot));
        }
    }
    return list;
}

// Vehicle plug-in: clock, stop alert lamp, mode lamp and mode, side values,
// the timetable block, current, date, distance, brake notch, toggle lamp,
// the mode-2 selector lamp and the train-stop cut-off; the stop alert sound.
const SlotAllowList kVelorin = build(
    {{10, 12}, {22, 22}, {73, 73}, {75, 75}, {90, 93}, {150, 158}, {159, 159}, {160, 161}, {162, 163},
     {164, 172}, {179, 190}, {192, 197}, {204, 204}, {207, 207}, {221, 221}, {233, 233}, {236, 244},
     {249, 249}},
    {{10, 10}});

// Train stop: normal lamp, alarm lamp, brake override; alarm, tone, alarm
// end and the two reminder strokes.
const SlotAllowList kSentrel = build({{0, 1}, {28, 28}}, {{0, 1}, {20, 22}});

// Cab signal: lamps 52..59, mode, code indicators and code, the mode-0 lamp
// and the train-stop cut-off; bell (two slots), chime, spare, fixed limit,
// cut-out and rollback sounds.
const SlotAllowList kCabrix = build(
    {{52, 59}, {66, 66}, {70, 72}, {74, 74}, {76, 76}, {80, 80}, {82, 82}, {84, 84}, {86, 86}, {247, 247},
     {249, 249}},
    {{4, 5}, {110, 114}});

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
