#include "steady_states.h"

#include <limits>
#include <stdexcept>
#include <string>

#ifndef CABKIT_NULL_PLUGIN
#error "CABKIT_NULL_PLUGIN must name the built do-nothing plug-in"
#endif

namespace cabkit::bench {
namespace {

constexpr int32_t kDayMs = 86400000;
constexpr int32_t kStartMs = 10 * 3600 * 1000;  // 10:00:00
// 45 s at the segment speed is 500 m: past every stop point and past the
// 460 m after which a restriction ends, so the next segment arms both anew.
constexpr int32_t kSegmentJumpMs = 45000;
constexpr float kSegmentSpeedKmh = 40.0F;
// Eight service notches, check notch 1: emergency notch 9.
constexpr VehicleSpec kSpec{8, 5, 1, 0, 10};

// Keys, beacon types and aspects the rigs use.
constexpr int32_t kKeyAtoEngage = 0;
constexpr int32_t kKeyVelorinModeOne = 14;
constexpr int32_t kKeyVelorinModeTwo = 15;
constexpr int32_t kKeyCabrixModeUp = 6;
constexpr int32_t kAspectCode9 = 25;  // cab-signal code 9: 75 km/h in mode 2

struct Named {
    SteadyState which;
    std::string_view name;
};
constexpr std::array<Named, kSteadyStates.size()> kNames = {{
    {SteadyState::Null, "Null"},
    {SteadyState::VelorinAto, "VelorinAto"},
    {SteadyState::VelorinTimetable, "VelorinTimetable"},
    {SteadyState::SentrelTone, "SentrelTone"},
    {SteadyState::CabrixMode2, "CabrixMode2"},
    {SteadyState::SharedPanel, "SharedPanel"},
    {SteadyState::VelorinWorstRoute, "VelorinWorstRoute"},
}};

// Panel slots the rigs write in place of what lies outside the plug-ins.
constexpr std::size_t kSlotCabSignalCode = 72;  // Cabrix's code, read by Velorin
constexpr std::size_t kSlotVelorinMode = 75;    // Velorin's mode, read by Cabrix
constexpr std::size_t kSlotPowerPermit = 201;   // written by none of the three
constexpr std::size_t kSlotTrainStopOff = 249;  // read by Sentrel

}  // namespace

std::string_view steadyStateName(SteadyState which) {
    for (const Named& named : kNames) {
        if (named.which == which) {
            return named.name;
        }
    }
    return "?";
}

bool steadyStateByName(std::string_view name, SteadyState& which) {
    for (const Named& named : kNames) {
        if (named.name == name) {
            which = named.which;
            return true;
        }
    }
    return false;
}

Rig::Rig(SteadyState which) {
    state_.time = kStartMs;
    state_.current = 150.0F;
    switch (which) {
        case SteadyState::Null:
            load(CABKIT_NULL_PLUGIN);
            warmUp(16);
            break;
        case SteadyState::VelorinAto:
            load(test::builtPlugin("Velorin"));
            setUpVelorinAto();
            break;
        case SteadyState::VelorinTimetable:
            load(test::builtPlugin("Velorin"));
            setUpVelorinTimetable();
            break;
        case SteadyState::SentrelTone:
            load(test::builtPlugin("Sentrel"));
            setUpSentrelTone();
            break;
        case SteadyState::CabrixMode2:
            load(test::builtPlugin("Cabrix"));
            setUpCabrixMode2();
            break;
        case SteadyState::SharedPanel: setUpSharedPanel(); break;
        case SteadyState::VelorinWorstRoute:
            load(test::builtPlugin("Velorin"));
            setUpVelorinWorstRoute();
            break;
    }
}

Rig::~Rig() {
    for (std::size_t i = 0; i < count_; ++i) {
        libraries_[i]->api().Dispose();
    }
}

void Rig::load(const std::filesystem::path& path) {
    if (count_ == kMaxPlugins) {
        throw std::logic_error("a rig holds at most three plug-ins");
    }
    libraries_[count_] = std::make_unique<test::PluginLibrary>(path);
    const CabkitPluginTable& api = libraries_[count_]->api();
    elapse_[count_] = api.Elapse;
    ++count_;
    api.Load();
    api.SetVehicleSpec(kSpec);
    api.Initialize(0);
}

HandleCommand Rig::frame() {
    int32_t stepMs = kFrameStepMs;
    const bool lastOfSegment = repeatsSegment_ && ++frameInSegment_ == kSegmentFrames;
    if (lastOfSegment) {
        stepMs = kSegmentJumpMs;
    }
    state_.time += stepMs;
    if (state_.time >= kDayMs) {
        state_.time -= kDayMs;  // the next day; a frame that goes back is a step of 0
    }
    state_.location += static_cast<double>(state_.speed) / 3.6 * stepMs / 1000.0;

    HandleCommand command{};
    for (std::size_t i = 0; i < count_; ++i) {
        command = elapse_[i](state_, arrays_.panel.data(), arrays_.sound.data());
    }
    if (lastOfSegment) {
        endOfSegment();
    }
    if (reopensDoors_ && ++framesSinceDoorsOpened_ == kDoorReopenFrames) {
        doorsOpen();
    }
    return command;
}

void Rig::keyPress(int32_t key) {
    for (std::size_t i = 0; i < count_; ++i) {
        libraries_[i]->api().KeyDown(key);
        libraries_[i]->api().KeyUp(key);
    }
}

void Rig::handles(int32_t brake, int32_t power, int32_t reverser) {
    for (std::size_t i = 0; i < count_; ++i) {
        libraries_[i]->api().SetBrake(brake);
        libraries_[i]->api().SetPower(power);
        libraries_[i]->api().SetReverser(reverser);
    }
}

void Rig::beacon(int32_t type, int32_t signal, int32_t optional) {
    for (std::size_t i = 0; i < count_; ++i) {
        libraries_[i]->api().SetBeaconData(BeaconData{type, signal, 0.0F, optional});
    }
}

void Rig::doorsOpen() {
    framesSinceDoorsOpened_ = 0;
    for (std::size_t i = 0; i < count_; ++i) {
        libraries_[i]->api().DoorOpen();
    }
}

void Rig::signal(int32_t aspect) {
    for (std::size_t i = 0; i < count_; ++i) {
        libraries_[i]->api().SetSignal(aspect);
    }
}

void Rig::warmUp(int32_t frames) {
    for (int32_t i = 0; i < frames; ++i) {
        frame();
    }
}

// Stop point A 110 m and B 160 m ahead, close enough at 40 km/h for both
// stop patterns to brake within the segment; restrictions to 45 and 35 km/h.
void Rig::armControllerTargets() {
    beacon(520, 0, 110);
    beacon(522, 0, 160);
    beacon(524, 0, 45);
    beacon(524, 0, 35);
}

void Rig::endOfSegment() {
    frameInSegment_ = 0;
    armControllerTargets();
}

// The cab-signal code in slot 72 is the rig's when Velorin runs alone.
void Rig::setUpVelorinAto() {
    arrays_.panel[kSlotPowerPermit] = 1;
    if (count_ == 1) {
        arrays_.panel[kSlotCabSignalCode] = 9;  // code 9: the controller allows 67 km/h
    }
    keyPress(kKeyVelorinModeTwo);  // the brake stands at the emergency notch after Initialize
    warmUp(2);
    handles(0, 0, 1);
    warmUp(2);
    keyPress(kKeyAtoEngage);
    armControllerTargets();
    state_.speed = kSegmentSpeedKmh;
    repeatsSegment_ = true;
    warmUp(Rig::kSegmentFrames + 100);
}

// A timetable of `stops` stops (codes from 100, times from 9:30 a minute
// apart), then a header, the number field and the distance counter.
void Rig::timetableRoute(int32_t stops) {
    for (int32_t stop = 0; stop < stops; ++stop) {
        beacon(117, 0, 100 + stop % 900);
        beacon(121, 0, 93000 + (stop % 30) * 100);
        beacon(125, 0, 93100 + (stop % 30) * 100);
        beacon(139, 0, stop % 3);
        beacon(143, 0, 512 + stop);
        beacon(146, 0, 90 + (stop % 60) * 30);
    }
    beacon(129, 0, 7);
    beacon(130, 0, 101500);
    beacon(131, 0, 3);
    beacon(223, 0, 12345678);
    beacon(112, 0, 4);
    beacon(225, 0, 12500);
    beacon(226, 0, 1);
}

// Four stops, a header, the number field and the distance counter, row 1 on
// the first of the stops; the stop alert raised; the rows revealed.
void Rig::setUpVelorinTimetable() {
    arrays_.panel[kSlotPowerPermit] = 1;
    keyPress(kKeyVelorinModeOne);
    timetableRoute(4);
    beacon(148, 0, 3);  // at a standstill: row 1 shows the first beacon-supplied stop
    beacon(30, 0, 0);
    handles(0, 3, 1);
    state_.speed = 60.0F;
    warmUp(100);  // 1600 ms: past the 1200 ms after which every row is shown
}

// Switching the supervisor off and on latches the reminder tone through the
// switch-on test; after the test the tone keeps sounding.
void Rig::setUpSentrelTone() {
    state_.speed = 40.0F;
    handles(0, 3, 1);
    warmUp(2);
    arrays_.panel[kSlotTrainStopOff] = 1;
    warmUp(1);
    arrays_.panel[kSlotTrainStopOff] = 0;
    warmUp(200);  // 3200 ms: the switch-on test lasts at most 2199 ms
}

void Rig::setUpCabrixMode2() {
    arrays_.panel[kSlotVelorinMode] = 2;
    keyPress(kKeyCabrixModeUp);
    keyPress(kKeyCabrixModeUp);
    signal(kAspectCode9);
    handles(0, 3, 1);
    state_.speed = 70.0F;
    warmUp(16);
}

// Velorin drives under Cabrix's code; Cabrix in a mode other than 0 switches
// Sentrel off through slot 249, as it does on a line with cab signals.
void Rig::setUpSharedPanel() {
    load(test::builtPlugin("Cabrix"));
    load(test::builtPlugin("Velorin"));
    load(test::builtPlugin("Sentrel"));
    arrays_.panel[kSlotPowerPermit] = 1;
    keyPress(kKeyVelorinModeTwo);
    warmUp(1);  // Velorin publishes its mode for Cabrix
    keyPress(kKeyCabrixModeUp);
    keyPress(kKeyCabrixModeUp);
    signal(kAspectCode9);
    setUpVelorinAto();
}

// The worst route a download could hold, as far as a frame's cost goes:
// more stops than the lists keep, the rows on the last stops and beyond,
// and a door-timer count at the int32 maximum with power cut, so that the
// most timers the plug-in keeps are running down. A frame's work must not
// grow with any of it.
void Rig::setUpVelorinWorstRoute() {
    constexpr int32_t kStopsOffered = 5000;  // more than the lists keep
    constexpr int32_t kLastRows = 4094;      // rows 1 and 2 on the last two entries kept, row 3 beyond
    arrays_.panel[kSlotPowerPermit] = 0;     // power cut: the door timers run
    keyPress(kKeyVelorinModeOne);
    timetableRoute(kStopsOffered);
    beacon(148, 0, kLastRows);
    beacon(304, 0, std::numeric_limits<int32_t>::max());
    doorsOpen();
    reopensDoors_ = true;
    handles(0, 0, 1);
    // Standing at the stop: moving off would advance the rows past the lists.
    state_.speed = 0.0F;
    warmUp(100);  // 1600 ms: every row revealed
}

}  // namespace cabkit::bench
