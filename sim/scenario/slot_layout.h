// A cab layout file: names for the panel and sound slots of a plug-in that
// has no contract table in simhost, so that the log, the trace, the charts,
// the page and the expectations can speak of "door lamp" instead of "panel
// 12". Small on purpose:
//
//   [[panel]]
//   slot = 12
//   name = "door lamp"
//   kind = "lamp"        # "lamp" (0 dark, 1 lit) or "value", the default
//
//   [[sound]]
//   slot = 3
//   name = "door chime"
//
// Read as a scenario is: every mistake is a ScenarioError at its line.
#ifndef CABKIT_SIM_SLOT_LAYOUT_H
#define CABKIT_SIM_SLOT_LAYOUT_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace cabkit::sim {

struct LayoutSlot {
    int32_t slot = 0;
    std::string name;
    bool lamp = false;  // panel slots only
    int32_t line = 0;
};

struct SlotLayout {
    std::string file;               // printable, for messages
    std::vector<LayoutSlot> panel;  // in file order
    std::vector<LayoutSlot> sound;

    bool empty() const { return panel.empty() && sound.empty(); }
    const LayoutSlot* panelSlot(int32_t slot) const;
    const LayoutSlot* soundSlot(int32_t slot) const;
    const LayoutSlot* panelNamed(std::string_view name) const;
    const LayoutSlot* soundNamed(std::string_view name) const;
};

// A name is 1 to 40 characters of ASCII letters, digits, spaces and
// - _ . ( ) / + #, neither beginning nor ending with a space and not all
// digits: it goes into CSV headers and chart keys as it is, and "panel 12"
// must keep meaning slot 12.
SlotLayout parseSlotLayout(std::string_view text, const std::string& file);
SlotLayout readSlotLayout(const std::filesystem::path& path);

// The name as a trace column takes it: spaces as underscores.
std::string columnName(std::string_view name);

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_SLOT_LAYOUT_H
