// The plug-in as the host sees it: the driver's handles, the vehicle's brake
// notches and the state object, with one operation per export. exports.cpp
// holds the process-wide instance; tests build fresh ones.
#ifndef CABKIT_CABRIX_CABRIX_PLUGIN_H
#define CABKIT_CABRIX_CABRIX_PLUGIN_H

#include <cstdint>

#include "ccabrix.h"
#include "host_records.h"

namespace cabkit::cabrix {

class CabrixPlugin {
public:
    CabrixPlugin() = default;

    CabrixPlugin(const CabrixPlugin&) = delete;
    CabrixPlugin& operator=(const CabrixPlugin&) = delete;
    CabrixPlugin(CabrixPlugin&&) = delete;
    CabrixPlugin& operator=(CabrixPlugin&&) = delete;
    ~CabrixPlugin() = default;

    void load();
    void dispose();
    int32_t pluginVersion() const;
    void setVehicleSpec(const VehicleSpec& vehicle);
    void initialize(int32_t brake);
    // panel and sound hold the host's CABKIT_PANEL_SLOTS and
    // CABKIT_SOUND_SLOTS slots.
    HandleCommand elapse(const VehicleState& state, int32_t* panel, int32_t* sound);
    void setPower(int32_t notch);
    void setBrake(int32_t notch);
    void setReverser(int32_t position);
    void keyDown(int32_t key);
    void keyUp(int32_t key);
    void hornBlow(int32_t hornType);
    void doorOpen();
    void doorClose();
    void setSignal(int32_t aspect);
    void setBeaconData(const BeaconData& beacon);

private:
    // What the plug-in keeps beside the state object.
    int32_t reverserHandle = 0;  // 1 forward, 0 neutral, -1 backward
    int32_t powerHandle = 0;
    int32_t brakeHandle = 0;
    int32_t serviceNotches = 0;
    int32_t emergencyNotch = 0;
    HandleCommand handleOut{};
    CCabrix cabrix;
};

}  // namespace cabkit::cabrix

#endif  // CABKIT_CABRIX_CABRIX_PLUGIN_H
