#include "cab_layout.h"

#include <string>

#include <nlohmann/json.hpp>

#include "host_arrays.h"
#include "slot_names.h"
#include "sound_commands.h"

namespace cabkit::sim {
namespace {

using nlohmann::ordered_json;

std::string panelId(int32_t slot) { return "p" + std::to_string(slot); }
std::string soundId(int32_t slot) { return "s" + std::to_string(slot); }

ordered_json cell(int32_t slot, const std::string& name, const char* format = "int") {
    return {{"slot", panelId(slot)}, {"name", name}, {"format", format}};
}
ordered_json blankCell(int32_t slot, const std::string& name, const char* format, int32_t blank) {
    ordered_json c = cell(slot, name, format);
    c["blank"] = blank;
    return c;
}

ordered_json lampsOf(const char* owner) {
    ordered_json lamps = ordered_json::array();
    for (const NamedSlot& slot : narratedPanelSlots()) {
        if (slot.lamp && std::string(slot.owner) == owner) lamps.push_back({{"slot", panelId(slot.slot)}, {"name", slot.label}});
    }
    return lamps;
}
ordered_json soundsOf(const char* owner) {
    ordered_json sounds = ordered_json::array();
    for (const NamedSound& sound : namedSounds()) {
        if (std::string(sound.owner) == owner) sounds.push_back({{"slot", soundId(sound.slot)}, {"name", sound.label}});
    }
    return sounds;
}

}  // namespace

std::string cabLayoutJson() {
    ordered_json groups = ordered_json::array();
    groups.push_back({{"plugin", "Velorin"},
                      {"role", "vehicle"},
                      {"instruments",
                       {{{"type", "states"}, {"caption", "mode"}, {"slot", panelId(75)},
                         {"states", {{{"value", 0}, {"label", "0"}}, {{"value", 1}, {"label", "1"}}, {{"value", 2}, {"label", "2"}}}}},
                        {{"type", "digits"}, {"caption", "clock"}, {"separator", ":"},
                         {"cells", {cell(10, "hours"), cell(11, "minutes", "two"), cell(12, "seconds", "two")}}},
                        {{"type", "digits"}, {"caption", "row 1 stop"}, {"cells", {blankCell(170, "row 1 stop code", "int", 0)}}}}},
                      {"lamps", lampsOf("Velorin")},
                      {"sounds", soundsOf("Velorin")}});
    groups.push_back({{"plugin", "Cabrix"},
                      {"role", "cab-signal speed control"},
                      {"instruments",
                       {{{"type", "speedometer"}, {"caption", "speed"}, {"maxKmh", 120},
                         {"code", {{"slot", panelId(72)}, {"name", "code"}}}}}},
                      {"lamps", lampsOf("Cabrix")},
                      {"sounds", soundsOf("Cabrix")}});
    groups.push_back({{"plugin", "Sentrel"},
                      {"role", "train stop"},
                      {"lamps", lampsOf("Sentrel")},
                      {"sounds", soundsOf("Sentrel")}});
    ordered_json root;
    root["groups"] = groups;
    root["soundCommands"] = {{"stop", CABKIT_SOUND_STOP},
                             {"loop", CABKIT_SOUND_LOOP},
                             {"once", CABKIT_SOUND_PLAY_ONCE},
                             {"unchanged", CABKIT_SOUND_UNCHANGED}};
    root["permitted"] = nullptr;
    return root.dump();
}

}  // namespace cabkit::sim
