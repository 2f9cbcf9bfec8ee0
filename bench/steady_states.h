// Busy steady states of the plug-ins, replayed the way a host drives them:
// each plug-in loaded from its own copy of the library file, called through
// the function pointers of its exports, once per frame, on one thread.
//
// A rig sets its state up in the constructor (events and warm-up frames)
// and from then on every frame() leaves the plug-ins in the same kind of
// state, however long it runs. Where the state would run out with distance
// (stop points and restrictions of the train operation controller), the
// replayed run is a repeating route segment: after kSegmentFrames frames one
// long frame carries the train past everything, and the segment's beacons
// are passed again. frame() itself allocates nothing.
#ifndef CABKIT_BENCH_STEADY_STATES_H
#define CABKIT_BENCH_STEADY_STATES_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "plugin_library.h"

namespace cabkit::bench {

enum class SteadyState {
    Null,               // the do-nothing plug-in: the cost of the call itself
    VelorinAto,         // mode 2, controller engaged, both stop points and both restrictions armed
    VelorinTimetable,   // mode 1, every row of the timetable revealed, stop alert raised
    SentrelTone,        // supervisor active and quiet, reminder tone sounding with its strokes
    CabrixMode2,        // mode 2 supervising a received code below the permitted speed
    SharedPanel,        // Cabrix, Velorin, Sentrel in that order on one panel (Velorin as VelorinAto)
    VelorinWorstRoute,  // mode 1 with every list full, rows at the lists' end, thousands of door timers running
};

inline constexpr std::array<SteadyState, 7> kSteadyStates = {
    SteadyState::Null,        SteadyState::VelorinAto,  SteadyState::VelorinTimetable,  SteadyState::SentrelTone,
    SteadyState::CabrixMode2, SteadyState::SharedPanel, SteadyState::VelorinWorstRoute,
};

std::string_view steadyStateName(SteadyState which);
// Finds a steady state by its name; false when there is none of that name.
bool steadyStateByName(std::string_view name, SteadyState& which);

class Rig {
public:
    // Frame step of the replayed run, ms (about 60 frames a second).
    static constexpr int32_t kFrameStepMs = 16;
    // Frames of one route segment, the last of them the long one.
    static constexpr int32_t kSegmentFrames = 512;
    static constexpr std::size_t kMaxPlugins = 3;
    // Frames between two door openings of the worst route: the thousands of
    // timers drawn at an opening take about 80,000 frames to run down, so
    // they are drawn anew before they are gone. The opening's cost (about
    // 30 us) spreads to well under 1 ns a frame.
    static constexpr int32_t kDoorReopenFrames = 65536;

    explicit Rig(SteadyState which);
    ~Rig();
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    // One frame: every loaded plug-in's Elapse in host order. Returns the
    // command of the last one.
    HandleCommand frame();

    // Panel and sound arrays the plug-ins share.
    test::HostArrays& arrays() { return arrays_; }
    // The plug-in at position i of the host's calling order.
    const CabkitPluginTable& plugin(std::size_t i) const { return libraries_[i]->api(); }
    std::size_t pluginCount() const { return count_; }

private:
    void load(const std::filesystem::path& path);
    // Host events go to every loaded plug-in, as a host broadcasts them.
    void keyPress(int32_t key);
    void handles(int32_t brake, int32_t power, int32_t reverser);
    void beacon(int32_t type, int32_t signal, int32_t optional);
    void doorsOpen();
    void signal(int32_t aspect);
    void warmUp(int32_t frames);
    void armControllerTargets();
    void timetableRoute(int32_t stops);
    void setUpVelorinAto();
    void setUpVelorinTimetable();
    void setUpSentrelTone();
    void setUpCabrixMode2();
    void setUpSharedPanel();
    void setUpVelorinWorstRoute();
    void endOfSegment();

    std::array<std::unique_ptr<test::PluginLibrary>, kMaxPlugins> libraries_;
    std::array<HandleCommand(CABKIT_CALL*)(VehicleState, int32_t*, int32_t*), kMaxPlugins> elapse_{};
    std::size_t count_ = 0;
    test::HostArrays arrays_;
    VehicleState state_{};
    bool repeatsSegment_ = false;
    int32_t frameInSegment_ = 0;
    bool reopensDoors_ = false;
    int32_t framesSinceDoorsOpened_ = 0;
};

}  // namespace cabkit::bench

#endif  // CABKIT_BENCH_STEADY_STATES_H
