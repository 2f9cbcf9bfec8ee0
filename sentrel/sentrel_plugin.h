// The train-stop plug-in: its process-wide variables, its one supervisor and
// one operation per exported function. The library holds a single instance
// (exports.cpp); tests build fresh ones.
#ifndef CABKIT_SENTREL_SENTREL_PLUGIN_H
#define CABKIT_SENTREL_SENTREL_PLUGIN_H

#include <cstdint>
#include <string_view>

#include "ats_settings.h"
#include "ats_zq.h"
#include "host_records.h"
#include "sentrel_contract.h"

namespace cabkit::sentrel {

// Keys the train stop answers; all others are ignored.
namespace key {
inline constexpr int32_t kAcknowledge = contract::keyNumber(contract::sentrel::kKeys, "train-stop acknowledge");
inline constexpr int32_t kToneReset = contract::keyNumber(contract::sentrel::kKeys, "reminder-tone reset");
inline constexpr int32_t kEmergencyReset = contract::keyNumber(contract::sentrel::kKeys, "train-stop reset");
}  // namespace key

class SentrelPlugin {
public:
    // `libraryPath` is the full path of the library file; the settings file
    // is looked for beside it.
    explicit SentrelPlugin(std::string_view libraryPath);

    SentrelPlugin(const SentrelPlugin&) = delete;
    SentrelPlugin& operator=(const SentrelPlugin&) = delete;

    void load();
    void dispose();
    int32_t pluginVersion() const;
    void setVehicleSpec(const VehicleSpec& vehicle);
    void initialize(int32_t initialHandles);
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
    void setBeaconData(const BeaconData& data);

    // The settings as the last initialize read them; no rule uses them.
    Settings settings() const { return Settings{speedSetting, decelerationSetting}; }

private:
    void takeFrameTime(const VehicleState& state);

    int32_t brakeHandle = 0;
    int32_t powerHandle = 0;
    int32_t reverserHandle = 0;
    int32_t emergencyNotch = 0;
    int32_t checkNotch = 0;
    int32_t lastTimeMs = 0;   // never reset by initialize
    int32_t frameStepMs = 0;  // not clamped: may be 0, negative or huge
    float trainSpeed = 0.0F;
    int32_t frameCount = 0;  // frames since load; never reset
    HandleCommand handleOut{};
    int32_t brakeOverride = 0;
    SettingsPath settingsPath;
    double speedSetting = 0.0;
    double decelerationSetting = 0.0;

    CAtsZQ ats;
};

}  // namespace cabkit::sentrel

#endif  // CABKIT_SENTREL_SENTREL_PLUGIN_H
