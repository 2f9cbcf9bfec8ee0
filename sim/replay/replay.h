// One replay of a scenario through its plug-ins: each frame the host
// delivers the events that fell due since the last frame, lets the outside
// component write its panel slots, calls Elapse of every plug-in in calling
// order, combines their commands and moves the train by one step.
//
// Between two frames the events come in this order: beacons the train ran
// over (in the order it passed them), a change of the aspect ahead, driver
// actions that fell due (in file order; within one action: reverser, brake,
// power, door, key down, key up, pressed key, horn), then key releases of
// pressed keys that fell due.
#ifndef CABKIT_SIM_REPLAY_H
#define CABKIT_SIM_REPLAY_H

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "call_record.h"
#include "command_combiner.h"
#include "host_records.h"
#include "plugin_host.h"
#include "scenario.h"
#include "train_model.h"

namespace cabkit::sim {

// The state after one frame's Elapse calls.
struct Frame {
    int64_t index = 0;
    int64_t elapsedMs = 0;
    int64_t timeOfDayMs = 0;
    double location = 0.0;
    double speed = 0.0;
    DriverHandles driver;
    std::array<HandleCommand, kMaxPlugins> commands{};  // in calling order, the first `plugins`
    std::size_t plugins = kPluginNames.size();          // how many were called; a frame made by hand has our three
    TrainCommand combined;
    const int32_t* panel = nullptr;
    const int32_t* sound = nullptr;
    // False only when the array is known to hold what it held a frame
    // before, so that an observer may skip its look at it.
    bool panelMoved = true;
    bool soundMoved = true;
};

// Something the host passed to the plug-ins between frames.
struct InputEvent {
    enum class Kind { Reverser, Power, Brake, KeyDown, KeyUp, Horn, DoorOpen, DoorClose, Signal, Beacon, StandIn };
    Kind kind = Kind::Reverser;
    int32_t value = 0;    // position, notch, key, aspect or stand-in value
    int32_t slot = 0;     // StandIn: panel slot
    BeaconData beacon{};  // Beacon
    int64_t elapsedMs = 0;
    int64_t timeOfDayMs = 0;
    double location = 0.0;
    double speed = 0.0;
};

struct ReplayContext {
    const Scenario& scenario;
    const PluginHost& host;
    std::size_t vehiclePosition;  // calling-order position of the vehicle plug-in; host.count() without one
    bool hasVehicle() const { return vehiclePosition < host.count(); }
};

class ReplayObserver {
public:
    virtual ~ReplayObserver() = default;
    virtual void onStart(const ReplayContext& /*context*/) {}
    virtual void onInput(const InputEvent& /*event*/) {}
    virtual void onFrame(const Frame& /*frame*/) {}
    virtual void onEnd(const Frame& /*last*/) {}
    // Asked after each frame; true ends the run there.
    virtual bool stopRequested() const { return false; }
};

struct ReplayResult {
    int64_t frames = 0;
    bool stoppedEarly = false;  // an observer ended the run
    Frame last;
};

class Replay {
public:
    // The plug-ins are loaded from `pluginFolder` through private copies in
    // `copyFolder` (which must exist); every call into them is entered in `calls`.
    Replay(const Scenario& scenario, std::filesystem::path pluginFolder, std::filesystem::path copyFolder,
           CallRecord& calls);
    // The plug-ins `choice` names, as applyLineup() set them in the scenario.
    Replay(const Scenario& scenario, PluginChoice choice, std::filesystem::path copyFolder, CallRecord& calls);
    void addObserver(ReplayObserver& observer) { observers_.push_back(&observer); }
    // Throws PluginLoadError when a plug-in cannot be loaded. The plug-ins
    // read the wall clock: a caller that wants the scenario's time pins it first.
    ReplayResult run();

private:
    const Scenario& scenario_;
    PluginChoice choice_;
    std::filesystem::path copyFolder_;
    CallRecord& calls_;
    std::vector<ReplayObserver*> observers_;
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_REPLAY_H
