#include "plugin_host.h"

#include "crash_report.h"
#include "scenario.h"

namespace cabkit::sim {

PluginHost::PluginHost(const std::filesystem::path& folder, const std::array<int32_t, kPluginCount>& order,
                       bool zeroUnwrittenPanel)
    : order_(order), arrays_(zeroUnwrittenPanel) {
    for (std::size_t i = 0; i < kPluginCount; ++i) {
        modules_[i] = std::make_unique<PluginModule>(folder, kPluginNames[static_cast<std::size_t>(order_[i])]);
    }
}

PluginHost::~PluginHost() { dispose(); }

template <typename Call>
void PluginHost::broadcast(const char* function, Call call) {
    for (const auto& module : modules_) {
        enterCall(module->name().c_str(), function);
        call(module->api());
    }
    leaveCall();
}

void PluginHost::start(const VehicleSpec& vehicle, const DriverHandles& handles) {
    broadcast("Load", [](const CabkitPluginTable& api) { api.Load(); });
    started_ = true;
    broadcast("SetVehicleSpec", [&vehicle](const CabkitPluginTable& api) { api.SetVehicleSpec(vehicle); });
    broadcast("Initialize", [](const CabkitPluginTable& api) { api.Initialize(0); });
    // Initialize leaves each plug-in's idea of the handles its own; tell them all where the handles stand.
    setReverser(handles.reverser);
    setPower(handles.power);
    setBrake(handles.brake);
}

void PluginHost::dispose() {
    if (!started_) return;
    started_ = false;
    broadcast("Dispose", [](const CabkitPluginTable& api) { api.Dispose(); });
}

void PluginHost::setReverser(int32_t position) {
    broadcast("SetReverser", [position](const CabkitPluginTable& api) { api.SetReverser(position); });
}
void PluginHost::setPower(int32_t notch) {
    broadcast("SetPower", [notch](const CabkitPluginTable& api) { api.SetPower(notch); });
}
void PluginHost::setBrake(int32_t notch) {
    broadcast("SetBrake", [notch](const CabkitPluginTable& api) { api.SetBrake(notch); });
}
void PluginHost::keyDown(int32_t key) {
    broadcast("KeyDown", [key](const CabkitPluginTable& api) { api.KeyDown(key); });
}
void PluginHost::keyUp(int32_t key) {
    broadcast("KeyUp", [key](const CabkitPluginTable& api) { api.KeyUp(key); });
}
void PluginHost::hornBlow(int32_t type) {
    broadcast("HornBlow", [type](const CabkitPluginTable& api) { api.HornBlow(type); });
}
void PluginHost::doorOpen() {
    broadcast("DoorOpen", [](const CabkitPluginTable& api) { api.DoorOpen(); });
}
void PluginHost::doorClose() {
    broadcast("DoorClose", [](const CabkitPluginTable& api) { api.DoorClose(); });
}
void PluginHost::setSignal(int32_t aspect) {
    broadcast("SetSignal", [aspect](const CabkitPluginTable& api) { api.SetSignal(aspect); });
}
void PluginHost::setBeaconData(const BeaconData& beacon) {
    broadcast("SetBeaconData", [&beacon](const CabkitPluginTable& api) { api.SetBeaconData(beacon); });
}

const std::array<HandleCommand, kPluginCount>& PluginHost::elapse(const VehicleState& state) {
    arrays_.endTurn(0);  // the outside component's writes of this frame
    for (std::size_t i = 0; i < kPluginCount; ++i) {
        const auto writer = static_cast<int32_t>(i + 1);
        arrays_.beginTurn(writer);
        enterCall(modules_[i]->name().c_str(), "Elapse");
        commands_[i] = modules_[i]->api().Elapse(state, arrays_.panel(), arrays_.sound());
        arrays_.endTurn(writer);
    }
    leaveCall();
    return commands_;
}

std::size_t PluginHost::positionOf(int32_t pluginIndex) const {
    for (std::size_t i = 0; i < kPluginCount; ++i) {
        if (order_[i] == pluginIndex) return i;
    }
    return kPluginCount;
}

}  // namespace cabkit::sim
