// A fresh vehicle-plug-in core with host arrays, for the core's unit tests.
#ifndef CABKIT_TESTS_VELORIN_CORE_FIXTURE_H
#define CABKIT_TESTS_VELORIN_CORE_FIXTURE_H

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "display_double.h"
#include "host_arrays.h"
#include "scoped_local_time.h"
#include "velorin_contract.h"
#include "velorin_plugin.h"

namespace cabkit::velorin::test {

class Core : public ::testing::Test {
protected:
    static constexpr int32_t kEmergency = 9;  // 8 service notches

    Core() { displayDouble() = DisplayDouble{}; }

    // SetVehicleSpec and Initialize as a host starts a run.
    void startRun() {
        core.setVehicleSpec(VehicleSpec{kEmergency - 1, 5, 1, 0, 10});
        core.initialize(0);
    }

    HandleCommand frame(int32_t timeMs, float speedKmh = 0.0F) {
        VehicleState state{};
        state.time = timeMs;
        state.speed = speedKmh;
        return core.elapse(state, panel.data(), sound.data());
    }

    void beacon(int32_t type, int32_t value) { core.setBeaconData(BeaconData{type, 0, 0.0F, value}); }

    // The mode selector turned as a driver turns it, through 0 and with the
    // brake at the emergency notch; the brake handle is put back after.
    void selectMode(int32_t mode) {
        constexpr int32_t kTowardOne = contract::keyNumber(contract::velorin::kKeys, "mode selector toward 1");
        constexpr int32_t kTowardTwo = contract::keyNumber(contract::velorin::kKeys, "mode selector toward 2");
        const int32_t brake = core.brakeHandle;
        core.setBrake(core.emergencyNotch);
        for (int step = 0; step < 2 && core.operatingMode != mode; ++step) {
            const bool towardOne = mode == 1 || (mode == 0 && core.operatingMode == 2);
            core.keyDown(towardOne ? kTowardOne : kTowardTwo);
        }
        core.setBrake(brake);
    }

    // Key 10 pressed: the toggle lamp goes from dark to lit.
    void lightToggleLamp() { core.keyDown(contract::keyNumber(contract::velorin::kKeys, "toggle lamp")); }

    // Mode 2 with the handles at rest, power permitted, and key 0 accepted.
    void engageInModeTwo(int32_t timeMs) {
        core.setBrake(kEmergency);
        core.keyDown(15);
        core.setBrake(0);
        core.setReverser(1);
        panel[201] = 1;
        frame(timeMs);
        core.keyDown(0);
    }

    VelorinPlugin core;
    std::array<int32_t, CABKIT_PANEL_SLOTS> panel{};
    std::array<int32_t, CABKIT_SOUND_SLOTS> sound{};
};

}  // namespace cabkit::velorin::test

#endif  // CABKIT_TESTS_VELORIN_CORE_FIXTURE_H
