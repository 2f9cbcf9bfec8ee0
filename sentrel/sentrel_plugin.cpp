#include "sentrel_plugin.h"

#include "ats_beacons.h"
#include "ats_outputs.h"
#include "int32_arith.h"
#include "plugin_exports.h"

namespace cabkit::sentrel {

SentrelPlugin::SentrelPlugin(std::string_view libraryPath) : settingsPath(buildSettingsPath(libraryPath)) {}

void SentrelPlugin::load() {
    brakeHandle = 0;
    powerHandle = 0;
    reverserHandle = 0;
}

void SentrelPlugin::dispose() {}

int32_t SentrelPlugin::pluginVersion() const { return CABKIT_PLUGIN_VERSION; }

void SentrelPlugin::setVehicleSpec(const VehicleSpec& vehicle) {
    emergencyNotch = platform::wrappingAdd(vehicle.brakeNotches, 1);
    checkNotch = vehicle.checkNotch;
}

// The file is read again at every start of a run, so an edit between runs
// takes effect. The frame clock and the frame count carry on.
void SentrelPlugin::initialize(int32_t /*initialHandles*/) {
    const Settings settings = readSettings(settingsPath);
    speedSetting = settings.speedSetting;
    decelerationSetting = settings.decelerationSetting;
    ats.initialize();
    trainSpeed = 0.0F;
}

HandleCommand SentrelPlugin::elapse(const VehicleState& state, int32_t* panel, int32_t* sound) {
    takeFrameTime(state);
    trainSpeed = state.speed;
    // The very first frame after loading keeps the permission that
    // initialize gave, whatever the other plug-ins have left in the slot.
    const bool permissionRead = frameCount != 0 && panel != nullptr;
    const SentrelOutputs out = ats.update(SentrelInputs{
        .frameStepMs = frameStepMs,
        .permissionRead = permissionRead,
        .permitted = permissionRead && panel[kSwitchOffSlot] == 0,
        .driver = DriverHandles{.brake = brakeHandle, .power = powerHandle, .reverser = reverserHandle},
        .emergencyNotch = emergencyNotch,
        .checkNotch = checkNotch,
    });
    handleOut = out.handles;
    brakeOverride = out.brakeOverride;
    writePanelAndSound(out, panel, sound);
    // Count the frame, saturating: only "first frame or not" matters, and a
    // count that wrapped back to 0 would skip reading the switch-off once more.
    frameCount = platform::saturatingAdd(frameCount, 1);
    return handleOut;
}

// The host's clock may jump either way; the supervisor copes with any step.
void SentrelPlugin::takeFrameTime(const VehicleState& state) {
    frameStepMs = platform::wrappingSub(state.time, lastTimeMs);
    lastTimeMs = state.time;
}

void SentrelPlugin::setPower(int32_t notch) { powerHandle = notch; }

void SentrelPlugin::setBrake(int32_t notch) { brakeHandle = notch; }

void SentrelPlugin::setReverser(int32_t position) { reverserHandle = position; }

void SentrelPlugin::keyDown(int32_t key) {
    switch (key) {
        case key::kAcknowledge: ats.acknowledgeKey(true); return;
        case key::kToneReset: ats.toneResetKey(true); return;
        case key::kEmergencyReset: ats.OnResetKey(); return;
        default: return;
    }
}

// Releasing key 3 resets as pressing it does.
void SentrelPlugin::keyUp(int32_t key) {
    switch (key) {
        case key::kAcknowledge: ats.acknowledgeKey(false); return;
        case key::kToneReset: ats.toneResetKey(false); return;
        case key::kEmergencyReset: ats.OnResetKey(); return;
        default: return;
    }
}

void SentrelPlugin::hornBlow(int32_t /*hornType*/) {}

void SentrelPlugin::doorOpen() {}

void SentrelPlugin::doorClose() {}

void SentrelPlugin::setSignal(int32_t /*aspect*/) {}

void SentrelPlugin::setBeaconData(const BeaconData& data) {
    ats.beaconPassed(data, BeaconContext{.trainSpeed = trainSpeed, .reverserHandle = reverserHandle});
}

}  // namespace cabkit::sentrel
