// The host side of the plug-in interface: the libraries in their calling
// order, the shared arrays, and the order of calls a run needs
// (Load, SetVehicleSpec, Initialize, then frames with the events between
// them, Dispose). Every event goes to every plug-in, in calling order. Each
// call, and the loading and unloading of each library, is entered in a call
// record, so that a plug-in that never returns or takes the process down is
// named for it.
//
// The host also watches the arrays: they may change only in Elapse (or by
// the host's own hand). A change found before or after any other call, or a
// write in front of slot 0, is a breach: the host enters it in the call
// record and ends the process at once, so that nothing written after it
// counts. So does a copy of the process that a plug-in forked, as soon as it
// returns into the host.
#ifndef CABKIT_SIM_PLUGIN_HOST_H
#define CABKIT_SIM_PLUGIN_HOST_H

#include <array>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "call_record.h"
#include "command_combiner.h"
#include "host_records.h"
#include "plugin_lineup.h"
#include "plugin_module.h"
#include "shared_panel.h"

namespace cabkit::sim {

class PluginHost {
public:
    // `lineup` names the plug-ins (at most kMaxPlugins) in calling order;
    // their private copies go into `copyFolder`, which must exist.
    PluginHost(const std::vector<LineupEntry>& lineup, const std::filesystem::path& copyFolder, bool zeroUnwrittenPanel,
               CallRecord& calls);
    ~PluginHost();
    PluginHost(const PluginHost&) = delete;
    PluginHost& operator=(const PluginHost&) = delete;

    // Load, SetVehicleSpec and Initialize, then the driver's starting handles.
    void start(const VehicleSpec& vehicle, const DriverHandles& handles);
    void dispose();

    void setReverser(int32_t position);
    void setPower(int32_t notch);
    void setBrake(int32_t notch);
    void keyDown(int32_t key);
    void keyUp(int32_t key);
    void hornBlow(int32_t type);
    void doorOpen();
    void doorClose();
    void setSignal(int32_t aspect);
    void setBeaconData(const BeaconData& beacon);

    // The outside component's turn comes first in each frame, before elapse:
    // its slots and values, in order.
    void writeStandIns(std::span<const PanelWrite> writes);

    // Elapse of each plug-in in calling order; the commands come back in that order.
    const std::array<HandleCommand, kMaxPlugins>& elapse(const VehicleState& state);

    const int32_t* panel() const { return arrays_.panel(); }
    const int32_t* sound() const { return arrays_.sound(); }
    const SharedArrays& arrays() const { return arrays_; }
    // How many plug-ins are called.
    std::size_t count() const { return count_; }
    // Position in calling order -> the plug-in's index in RunSpec::plugins.
    int32_t pluginAt(std::size_t position) const { return order_[position]; }
    const std::string& nameAt(std::size_t position) const { return modules_[position]->name(); }
    // Position of a plug-in in calling order; count() when it is not loaded.
    std::size_t positionOf(int32_t pluginIndex) const;

private:
    template <typename Call>
    void broadcast(int32_t what, Call call);
    // The arrays must be as the host left them; `kind` tells what it means if not.
    void checkSettled(Breach kind, int32_t pluginIndex, int32_t what);
    [[noreturn]] void breach(Breach kind, int32_t pluginIndex, int32_t what, const SlotChange* change);
    void returned();
    void checkWholeFront();
    static constexpr uint32_t kWholeFrontEvery = 64;

    CallRecord& calls_;
    std::size_t count_ = 0;
    std::array<int32_t, kMaxPlugins> order_{};
    std::array<std::unique_ptr<PluginModule>, kMaxPlugins> modules_;
    SharedArrays arrays_;
    std::array<HandleCommand, kMaxPlugins> commands_{};
    bool started_ = false;
    uint32_t frames_ = 0;
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_PLUGIN_HOST_H
