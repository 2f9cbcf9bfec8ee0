#include "plugin_host.h"

#include <algorithm>
#include <cstdlib>

#include "child_process.h"
#include "scenario.h"

namespace cabkit::sim {
namespace {

// The export's index, found while compiling: a misspelt name does not compile.
consteval int32_t byName(std::string_view name) {
    const int32_t index = exportIndex(name);
    return index >= 0 ? index : throw "no such export";
}

}  // namespace

PluginHost::PluginHost(const std::vector<LineupEntry>& lineup, const std::filesystem::path& copyFolder,
                       bool zeroUnwrittenPanel, CallRecord& calls)
    : calls_(calls), count_(std::min(lineup.size(), kMaxPlugins)), arrays_(zeroUnwrittenPanel) {
    calls_.breach.panelStart.store(reinterpret_cast<uintptr_t>(arrays_.panel()), std::memory_order_relaxed);
    calls_.breach.soundStart.store(reinterpret_cast<uintptr_t>(arrays_.sound()), std::memory_order_relaxed);
    for (std::size_t i = 0; i < count_; ++i) {
        order_[i] = lineup[i].index;
        const CallScope loading(calls_, order_[i], kCallLoading);
        modules_[i] = std::make_unique<PluginModule>(lineup[i].file, copyFolder, lineup[i].name);
    }
}

PluginHost::~PluginHost() {
    dispose();
    for (std::size_t i = 0; i < count_; ++i) {
        if (!modules_[i]) continue;
        checkSettled(Breach::WrittenBetweenCalls, -1, -1);
        calls_.enter(order_[i], kCallUnloading);
        modules_[i].reset();
        returned();
    }
}

void PluginHost::checkSettled(Breach kind, int32_t pluginIndex, int32_t what) {
    if (!arrays_.unchangedSinceSettled()) {
        const std::optional<SlotChange> change = arrays_.changeSinceSettled();
        breach(kind, pluginIndex, what, change ? &*change : nullptr);
    }
    if (!arrays_.nearFrontIntact()) breach(kind, pluginIndex, what, nullptr);
}

void PluginHost::breach(Breach kind, int32_t pluginIndex, int32_t what, const SlotChange* change) {
    BreachRecord& record = calls_.breach;
    // Between calls the last call is what can be named.
    record.plugin.store(pluginIndex >= 0 ? pluginIndex : calls_.plugin.load(std::memory_order_relaxed));
    record.call.store(pluginIndex >= 0 ? what : calls_.call.load(std::memory_order_relaxed));
    record.frame.store(calls_.frame.load(std::memory_order_relaxed));
    if (change != nullptr) {
        record.array.store(change->array);
        record.slot.store(change->slot);
        record.before.store(change->before);
        record.after.store(change->after);
    } else {
        record.slot.store(-1);
        record.array.store(arrays_.guarded().panel.frontIntact() ? 1 : 0);
    }
    record.kind.store(static_cast<int32_t>(kind), std::memory_order_release);
    std::_Exit(kBreachExit);
}

// After every call: a forked copy of the process goes before it touches
// anything the replay shares.
void PluginHost::returned() {
    if (isForkedCopy()) std::_Exit(0);
    calls_.leave();
}

template <typename Call>
void PluginHost::broadcast(int32_t what, Call call) {
    for (std::size_t i = 0; i < count_; ++i) {
        checkSettled(Breach::WrittenBetweenCalls, -1, -1);
        calls_.enter(order_[i], what);
        call(modules_[i]->api());
        returned();
        checkSettled(Breach::WrittenInOtherCall, order_[i], what);
    }
}

void PluginHost::writeStandIns(std::span<const PanelWrite> writes) {
    checkSettled(Breach::WrittenBetweenCalls, -1, -1);
    arrays_.outsideTurn(writes);
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
    checkWholeFront();
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

const std::array<HandleCommand, kMaxPlugins>& PluginHost::elapse(const VehicleState& state) {
    // The outside component's turn has ended (writeStandIns).
    constexpr int32_t kElapse = byName("Elapse");
    for (std::size_t i = 0; i < count_; ++i) {
        const auto writer = static_cast<int32_t>(i + 1);
        if (i == 0) {
            arrays_.beginTurn(writer);
        } else {
            arrays_.passTurn(writer - 1, writer);
        }
        calls_.enter(order_[i], kElapse);
        commands_[i] = modules_[i]->api().Elapse(state, arrays_.panel(), arrays_.sound());
        returned();
        if (!arrays_.nearFrontIntact()) breach(Breach::InFrontOfArray, order_[i], kElapse, nullptr);
    }
    arrays_.endLastTurn(static_cast<int32_t>(count_));
    // Further in front than the per-call look reaches: looked at every so
    // many frames (and at the end), by whom is not known.
    if (++frames_ % kWholeFrontEvery == 0) checkWholeFront();
    return commands_;
}

void PluginHost::checkWholeFront() {
    if (!arrays_.frontIntact()) breach(Breach::InFrontUnattributed, -1, -1, nullptr);
}

std::size_t PluginHost::positionOf(int32_t pluginIndex) const {
    for (std::size_t i = 0; i < count_; ++i) {
        if (order_[i] == pluginIndex) return i;
    }
    return count_;
}

}  // namespace cabkit::sim
