#include "slot_names.h"

#include <array>

namespace cabkit::sim {
namespace {

constexpr std::array<NamedSlot, 22> kPanel = {{
    {0, "Sentrel", "normal lamp", true},
    {1, "Sentrel", "alarm lamp", true},
    {28, "Sentrel", "brake-override lamp", true},
    {52, "Cabrix", "active lamp", true},
    {53, "Cabrix", "supervising lamp", true},
    {55, "Cabrix", "rollback lamp", true},
    {56, "Cabrix", "fixed-limit lamp", true},
    {57, "Cabrix", "service-brake lamp", true},
    {58, "Cabrix", "emergency-brake lamp", true},
    {59, "Cabrix", "cut-out lamp", true},
    {66, "Cabrix", "mode", false},
    {72, "Cabrix", "cab-signal code", false},
    {73, "Velorin", "mode-2 lamp", true},
    {75, "Velorin", "mode", false},
    {90, "Velorin", "side two state", false},
    {91, "Velorin", "side one state", false},
    {170, "Velorin", "timetable row 1 stop code", false},
    {171, "Velorin", "timetable row 2 stop code", false},
    {207, "Velorin", "toggle lamp", true},
    {221, "Velorin", "timetable header code", false},
    {233, "Velorin", "slot 233", false},
    {249, "panel", "train-stop switch-off (slot 249)", false},
}};

constexpr std::array<NamedSound, 13> kSound = {{
    {0, "Sentrel", "alarm", false},
    {1, "Sentrel", "reminder tone", false},
    {4, "Cabrix", "bell", false},
    {5, "Cabrix", "bell (second slot)", true},
    {10, "Velorin", "stop alert", false},
    {20, "Sentrel", "alarm end", false},
    {21, "Sentrel", "reminder stroke A", true},
    {22, "Sentrel", "reminder stroke B", true},
    {110, "Cabrix", "chime", false},
    {111, "Cabrix", "spare sound", false},
    {112, "Cabrix", "fixed-limit sound", false},
    {113, "Cabrix", "cut-out sound", false},
    {114, "Cabrix", "rollback sound", false},
}};

}  // namespace

std::span<const NamedSlot> narratedPanelSlots() { return kPanel; }
std::span<const NamedSound> namedSounds() { return kSound; }

const NamedSound* findSound(int32_t slot) {
    for (const NamedSound& sound : namedSounds()) {
        if (sound.slot == slot) return &sound;
    }
    return nullptr;
}

}  // namespace cabkit::sim
