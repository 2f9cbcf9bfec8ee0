#include "plugin_host.h"

#include "scenario.h"

namespace cabkit::sim {
namespace {

// The export's index, found while compiling: a misspelt name does not compile.
consteval int32_t byName(std::string_view name) {
    const int32_t index = exportIndex(name);
    return index >= 0 ? index : throw "no such export";
}

}  // namespace

PluginHost::PluginHost(const std::filesystem::path& folder, const std::filesystem::path& copyFolder,
                       const std::array<int32_t, kPluginCount>& order, bool zeroUnwrittenPanel, CallRecord& calls)
    : calls_(calls), order_(order), arrays_(zeroUnwrittenPanel) {
    for (std::size_t i = 0; i < kPluginCount; ++i) {
        const CallScope loading(calls_, order_[i], kCallLoading);
        modules_[i] =
            std::make_unique<PluginModule>(folder, copyFolder, kPluginNames[static_cast<std::size_t>(order_[i])]);
    }
}

PluginHost::~PluginHost() {
    dispose();
    for (std::size_t i = 0; i < kPluginCount; ++i) {
        if (!modules_[i]) continue;
        const CallScope unloading(calls_, order_[i], kCallUnloading);
        modules_[i].reset();
    }
}

template <typename Call>
void PluginHost::broadcast(int32_t what, Call call) {
    for (std::size_t i = 0; i < kPluginCount; ++i) {
        const CallScope scope(calls_, order_[i], what);
        call(modules_[i]->api());
    }
}

void PluginHost::start(const VehicleSpec& vehicle, const DriverHandles& handles) {
    broadcast(byName("Load"), [](const CabkitPluginTable& api) { api.Load(); });
    started_ = true;
    broadcast(byName("SetVehicleSpec"), [&vehicle](const CabkitPluginTable& api) { api.SetVehicleSpec(vehicle); });
    broadcast(byName("Initialize"), [](const CabkitPluginTable& api) { api.Initialize(0); });
    // Initialize leaves each plug-in's idea of the handles its own; tell them all where the handles stand.
    setReverser(handles.reverser);
    setPower(handles.power);
    setBrake(handles.brake);
}

void PluginHost::dispose() {
    if (!started_) return;
    started_ = false;
    broadcast(byName("Dispose"), [](const CabkitPluginTable& api) { api.Dispose(); });
}

void PluginHost::setReverser(int32_t position) {
    broadcast(byName("SetReverser"), [position](const CabkitPluginTable& api) { api.SetReverser(position); });
}
void PluginHost::setPower(int32_t notch) {
    broadcast(byName("SetPower"), [notch](const CabkitPluginTable& api) { api.SetPower(notch); });
}
void PluginHost::setBrake(int32_t notch) {
    broadcast(byName("SetBrake"), [notch](const CabkitPluginTable& api) { api.SetBrake(notch); });
}
void PluginHost::keyDown(int32_t key) {
    broadcast(byName("KeyDown"), [key](const CabkitPluginTable& api) { api.KeyDown(key); });
}
void PluginHost::keyUp(int32_t key) {
    broadcast(byName("KeyUp"), [key](const CabkitPluginTable& api) { api.KeyUp(key); });
}
void PluginHost::hornBlow(int32_t type) {
    broadcast(byName("HornBlow"), [type](const CabkitPluginTable& api) { api.HornBlow(type); });
}
void PluginHost::doorOpen() {
    broadcast(byName("DoorOpen"), [](const CabkitPluginTable& api) { api.DoorOpen(); });
}
void PluginHost::doorClose() {
    broadcast(byName("DoorClose"), [](const CabkitPluginTable& api) { api.DoorClose(); });
}
void PluginHost::setSignal(int32_t aspect) {
    broadcast(byName("SetSignal"), [aspect](const CabkitPluginTable& api) { api.SetSignal(aspect); });
}
void PluginHost::setBeaconData(const BeaconData& beacon) {
    broadcast(byName("SetBeaconData"), [&beacon](const CabkitPluginTable& api) { api.SetBeaconData(beacon); });
}

const std::array<HandleCommand, kPluginCount>& PluginHost::elapse(const VehicleState& state) {
    // The outside component's writes of this frame end its turn.
    constexpr int32_t kElapse = byName("Elapse");
    for (std::size_t i = 0; i < kPluginCount; ++i) {
        const auto writer = static_cast<int32_t>(i + 1);
        arrays_.passTurn(writer - 1, writer);
        calls_.enter(order_[i], kElapse);
        commands_[i] = modules_[i]->api().Elapse(state, arrays_.panel(), arrays_.sound());
        calls_.leave();
    }
    arrays_.endTurn(static_cast<int32_t>(kPluginCount));
    return commands_;
}

std::size_t PluginHost::positionOf(int32_t pluginIndex) const {
    for (std::size_t i = 0; i < kPluginCount; ++i) {
        if (order_[i] == pluginIndex) return i;
    }
    return kPluginCount;
}

}  // namespace cabkit::sim
