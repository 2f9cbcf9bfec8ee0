// Velorin's part of the cab contract (the record types are in
// host/cab_contract.h): its own panel slots and sound slot, its keys, the
// beacon types it reads, and the speed its train operation controller
// allows for each cab-signal code. Velorin also writes the exchanged slots
// 75, 233 and 249 and reads 57, 58, 59, 72, 201, 231 and 232, which the
// shared table names.
#ifndef CABKIT_VELORIN_VELORIN_CONTRACT_H
#define CABKIT_VELORIN_VELORIN_CONTRACT_H

#include <array>
#include <cstdint>

#include "cab_contract.h"

namespace cabkit::contract::velorin {

inline constexpr auto kPanelSlots = std::to_array<PanelSlot>({
    {10, kVelorin, kNobody, Display::Value, "clock hours", kNotBlanked},
    {11, kVelorin, kNobody, Display::Value, "clock minutes", kNotBlanked},
    {12, kVelorin, kNobody, Display::Value, "clock seconds", kNotBlanked},
    {22, kVelorin, kNobody, Display::Lamp, "stop alert lamp", kNotBlanked},
    {73, kVelorin, kNobody, Display::Lamp, "mode-2 lamp", kNotBlanked},
    {90, kVelorin, kNobody, Display::State, "side two state", kNotBlanked},
    {91, kVelorin, kNobody, Display::State, "side one state", kNotBlanked},
    {92, kVelorin, kNobody, Display::Value, "side two activity", kNotBlanked},
    {93, kVelorin, kNobody, Display::Value, "side one activity", kNotBlanked},
    {150, kVelorin, kNobody, Display::Value, "timetable header hours", 24},
    {151, kVelorin, kNobody, Display::Value, "timetable header minutes", 60},
    {152, kVelorin, kNobody, Display::Value, "timetable header seconds", 60},
    {153, kVelorin, kNobody, Display::Value, "timetable header value", 0},
    {154, kVelorin, kNobody, Display::Value, "row 1 duration minutes", 60},
    {155, kVelorin, kNobody, Display::Value, "row 1 duration seconds", 60},
    {156, kVelorin, kNobody, Display::Value, "row 2 duration minutes", 60},
    {157, kVelorin, kNobody, Display::Value, "row 2 duration seconds", 60},
    {158, kVelorin, kNobody, Display::Value, "extra code", 0},
    {159, kVelorin, kNobody, Display::Value, "current indicator", kNotBlanked},
    {160, kVelorin, kNobody, Display::Value, "month", kNotBlanked},
    {161, kVelorin, kNobody, Display::Value, "day", kNotBlanked},
    {162, kVelorin, kNobody, Display::Value, "distance km", kNotBlanked},
    {163, kVelorin, kNobody, Display::Value, "distance hundreds digit", kNotBlanked},
    {164, kVelorin, kNobody, Display::Value, "number field leading code", 0},
    {165, kVelorin, kNobody, Display::Value, "number field thousands digit", 0},
    {166, kVelorin, kNobody, Display::Value, "number field hundreds digit", 0},
    {167, kVelorin, kNobody, Display::Value, "number field tens digit", 0},
    {168, kVelorin, kNobody, Display::Value, "number field units digit", 0},
    {169, kVelorin, kNobody, Display::Value, "number field trailing code", 0},
    {170, kVelorin, kNobody, Display::State, "row 1 stop code", 0},
    {171, kVelorin, kNobody, Display::State, "row 2 stop code", 0},
    {172, kVelorin, kNobody, Display::State, "row 3 stop code", 0},
    {179, kVelorin, kNobody, Display::Value, "row 1 first time hours", 24},
    {180, kVelorin, kNobody, Display::Value, "row 2 first time hours", 24},
    {181, kVelorin, kNobody, Display::Value, "row 3 first time hours", 24},
    {182, kVelorin, kNobody, Display::Value, "row 1 second time hours", 24},
    {183, kVelorin, kNobody, Display::Value, "row 2 second time hours", 24},
    {184, kVelorin, kNobody, Display::Value, "row 3 second time hours", 24},
    {185, kVelorin, kNobody, Display::Value, "row 1 first time minutes", 60},
    {186, kVelorin, kNobody, Display::Value, "row 2 first time minutes", 60},
    {187, kVelorin, kNobody, Display::Value, "row 3 first time minutes", 60},
    {188, kVelorin, kNobody, Display::Value, "row 1 second time minutes", 60},
    {189, kVelorin, kNobody, Display::Value, "row 2 second time minutes", 60},
    {190, kVelorin, kNobody, Display::Value, "row 3 second time minutes", 60},
    {192, kVelorin, kNobody, Display::Value, "row 1 first time seconds", 60},
    {193, kVelorin, kNobody, Display::Value, "row 2 first time seconds", 60},
    {194, kVelorin, kNobody, Display::Value, "row 3 first time seconds", 60},
    {195, kVelorin, kNobody, Display::Value, "row 1 second time seconds", 60},
    {196, kVelorin, kNobody, Display::Value, "row 2 second time seconds", 60},
    {197, kVelorin, kNobody, Display::Value, "row 3 second time seconds", 60},
    {204, kVelorin, kNobody, Display::Value, "brake notch", kNotBlanked},
    {207, kVelorin, kNobody, Display::Lamp, "toggle lamp", kNotBlanked},
    {221, kVelorin, kNobody, Display::State, "timetable header code", 0},
    {236, kVelorin, kNobody, Display::Value, "row 1 code pair first", 0},
    {237, kVelorin, kNobody, Display::Value, "row 1 code pair second", 0},
    {238, kVelorin, kNobody, Display::Value, "row 2 code pair first", 0},
    {239, kVelorin, kNobody, Display::Value, "row 2 code pair second", 0},
    {240, kVelorin, kNobody, Display::Value, "row 3 code pair first", 0},
    {241, kVelorin, kNobody, Display::Value, "row 3 code pair second", 0},
    {242, kVelorin, kNobody, Display::Value, "row 1 stop mark", 0},
    {243, kVelorin, kNobody, Display::Value, "row 2 stop mark", 0},
    {244, kVelorin, kNobody, Display::Value, "row 3 stop mark", 0},
});

inline constexpr auto kSoundSlots = std::to_array<SoundSlot>({
    {10, kVelorin, Play::Looping, kNoTwin, "stop alert"},
});

inline constexpr auto kKeys = std::to_array<Key>({
    {0, kVelorin, "ATO start"},
    {7, kVelorin, "mode-2 lamp"},
    {10, kVelorin, "toggle lamp"},
    {14, kVelorin, "mode selector toward 1"},
    {15, kVelorin, "mode selector toward 2"},
});

inline constexpr auto kBeacons = std::to_array<Beacon>({
    {30, kVelorin, kNoField, Taken::InVelorinModeOne, "stop alert"},
    {112, kVelorin, kOptionalField, Taken::Always, "timetable extra code"},
    {117, kVelorin, kOptionalField, Taken::Always, "timetable stop code"},
    {121, kVelorin, kOptionalField, Taken::Always, "timetable first time"},
    {125, kVelorin, kOptionalField, Taken::Always, "timetable second time"},
    {129, kVelorin, kOptionalField, Taken::Always, "timetable header code"},
    {130, kVelorin, kOptionalField, Taken::Always, "timetable header time"},
    {131, kVelorin, kOptionalField, Taken::Always, "timetable header value"},
    {139, kVelorin, kOptionalField, Taken::Always, "timetable stop mark"},
    {143, kVelorin, kOptionalField, Taken::Always, "timetable code pair"},
    {146, kVelorin, kOptionalField, Taken::Always, "timetable duration"},
    {147, kVelorin, kNoField, Taken::Always, "timetable advance"},
    {148, kVelorin, kOptionalField, Taken::AtStandstill, "timetable row"},
    {223, kVelorin, kOptionalField, Taken::Always, "number field"},
    {225, kVelorin, kOptionalField, Taken::Always, "route distance"},
    {226, kVelorin, kOptionalField, Taken::Always, "distance direction"},
    {300, kVelorin, kOptionalField, Taken::InModeTwoOrAtStandstill, "side setting"},
    {304, kVelorin, kOptionalField, Taken::Always, "door timer count"},
    {305, kVelorin, kOptionalField, Taken::Always, "side deadline"},
    {306, kVelorin, kOptionalField, Taken::Always, "side countdown"},
    {520, kVelorin, kOptionalField, Taken::Always, "ATO stop point A"},
    {521, kVelorin, kOptionalField, Taken::Always, "ATO stop point A, second type"},
    {522, kVelorin, kOptionalField, Taken::Always, "ATO stop point B"},
    {523, kVelorin, kNoField, Taken::Always, "ATO supervision off"},
    {524, kVelorin, kOptionalField, Taken::Always, "ATO speed restriction"},
});

// What the controller allows for the cab-signal code in slot 72: its own
// signal code (a column of its speed table) and that column's speed in the
// row in service. Any other value, or a cut-out (slot 59), gives its code 0.
struct AtoSignalSpeed {
    int32_t cabSignalCode;
    int32_t controllerCode;
    int32_t speed;  // km/h; -5 keeps the brake on at a standstill
};

inline constexpr auto kAtoSignalSpeeds = std::to_array<AtoSignalSpeed>({
    {0, 0, -5},
    {1, 0, -5},
    {2, 0, -5},
    {3, 1, 12},
    {4, 0, -5},
    {5, 2, 22},
    {6, 3, 42},
    {7, 4, 52},
    {8, 5, 62},
    {9, 6, 67},
});

static_assert(panelSlotsValid(kPanelSlots) && apartFromShared(kPanelSlots),
              "Velorin's slots lie on the panel, once each, apart from the exchanged ones");
static_assert(soundSlotsValid(kSoundSlots) && keysValid(kKeys) && beaconsValid(kBeacons),
              "Velorin's sound slots, keys and beacon types are named once each");

}  // namespace cabkit::contract::velorin

#endif  // CABKIT_VELORIN_VELORIN_CONTRACT_H
