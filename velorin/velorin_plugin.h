// The vehicle plug-in's core: the driver's handles, the operating-mode
// selector, the side indicators and their door timers, and what it tells the
// train operation controller and the timetable display of each event and
// frame.
//
// One instance lives for the whole life of the loaded library; each export
// forwards to the method of the same name. Tests build fresh instances.
#ifndef CABKIT_VELORIN_VELORIN_PLUGIN_H
#define CABKIT_VELORIN_VELORIN_PLUGIN_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ato_controller.h"
#include "crt_random.h"
#include "driver_handles.h"
#include "host_records.h"
#include "local_time.h"
#include "timetable_display.h"

namespace cabkit::velorin {

class VelorinPlugin {
public:
    static constexpr int32_t kPluginVersion = 0x20000;

    // DoorOpen draws at most this many timers, whatever a beacon asks for.
    // Only the first kTimersRunPerFrame run down at a time, so a longer list
    // only lengthens the time the side activity keeps flickering at a stop:
    // the usual 80 timers run out in about 25 s, 4096 in about 14 minutes
    // of standing with power cut. The whole capacity (16 KiB) is held from
    // load on, so no door opening or frame allocates.
    static constexpr std::size_t kRandomTimerCap = 4096;
    static constexpr std::size_t kTimersRunPerFrame = 24;
    // Timers lie in [kTimerFloorMs, kTimerFloorMs + kTimerSpreadMs).
    static constexpr int32_t kTimerFloorMs = 2500;
    static constexpr int32_t kTimerSpreadMs = 10000;
    // The value of a side state or activity that is switched off.
    static constexpr int32_t kSideOff = 3;

    // Load state: every core variable zero, the modules as they load.
    VelorinPlugin();
    VelorinPlugin(const VelorinPlugin&) = delete;
    VelorinPlugin& operator=(const VelorinPlugin&) = delete;
    VelorinPlugin(VelorinPlugin&&) = delete;
    VelorinPlugin& operator=(VelorinPlugin&&) = delete;
    ~VelorinPlugin() = default;

    // The exports, in the host's calling order.
    void load();
    void dispose();
    int32_t pluginVersion() const;
    void setVehicleSpec(const VehicleSpec& vehicle);
    void initialize(int32_t brake);
    // panel and sound hold CABKIT_PANEL_SLOTS and CABKIT_SOUND_SLOTS slots.
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

    // Core variables, all zero at load.
    platform::LocalDateTime startLocalTime{};
    VehicleState currentState{};
    int32_t frameStepMs = 0;
    int32_t lastTimeMs = 0;
    int32_t reverserHandle = 0;
    int32_t powerHandle = 0;
    int32_t brakeHandle = 0;
    int32_t emergencyNotch = 0;
    int32_t operatingMode = 0;  // 0, 1 or 2; only the mode keys change it
    bool toggleLamp = false;
    bool panel73Suppressed = false;  // key 7 puts the mode-2 lamp out
    bool slot201Active = false;
    std::vector<int32_t> randomTimers;  // capacity kRandomTimerCap from construction on
    int32_t randomTimerCount = 0;
    double zoneDistanceLeft = 0.0;
    int32_t sideCountdownMs = 0;
    int32_t sideCountdownStart = 0;
    int32_t sideDeadlineClock = 0;  // HHMMSS; negative: count down instead
    int32_t sideTwoState = 0;
    int32_t sideOneState = 0;
    int32_t sideTwoActivity = 0;
    int32_t sideOneActivity = 0;
    HandleCommand handleOut{};

    // This plug-in's own generator, so other libraries' draws never shift ours.
    platform::CrtRandom crtRandom;
    AtoController ato;
    // Declared last so that it is torn down before the timer list.
    TimetableDisplay display;

private:
    // DoorOpen.
    void drawRandomTimers();

    // Elapse, in step order.
    void takeFrame(const VehicleState& state);
    void readSlot201(const int32_t* panel);
    void advanceZoneDistance();
    bool runDownRandomTimers();
    void setSideActivities(int32_t value);
    void runSideCountdown();
    void raiseSideStatesWhenCountdownExpires();
    void leaveSideZoneWhenPassed();
    AtoController::FrameOutputs updateAto(const Frame& frame, const int32_t* panel);
    void computeHandleCommand(const AtoController::FrameOutputs& atoCommand);
    void writePanelAndSound(int32_t* panel, int32_t* sound) const;

    // Panel outputs, by mode, then the common block.
    void writeModeOne(int32_t* panel) const;
    void writeModeTwo(int32_t* panel) const;
    static void writeModeZero(int32_t* panel);
    void writeDistance(int32_t* panel) const;
    void writeCommon(int32_t* panel, int32_t* sound) const;

    // The driver's handles as one record, for the rules and the controller.
    DriverHandles driverHandles() const;

    // SetBeaconData.
    void applySideSetting(int32_t sides);
    bool standing() const;
};

}  // namespace cabkit::velorin

#endif  // CABKIT_VELORIN_VELORIN_PLUGIN_H
