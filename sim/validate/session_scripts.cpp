#include "session_scripts.h"

#include <array>
#include <cmath>
#include <limits>

#include "plugin_exports.h"

namespace cabkit::sim::validate {
namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr int32_t kFrameMs = 16;
constexpr int32_t kHourMs = 3600 * 1000;
constexpr VehicleSpec kVehicle{8, 5, 1, 0, 10};

// Appends calls on plug-in 0 and keeps the train moving between frames.
class Builder {
public:
    Builder& call(Call which, int32_t value = 0) {
        HostCall c;
        c.call = which;
        c.plugin = 0;
        c.value = value;
        script_.push_back(c);
        return *this;
    }
    Builder& open(const VehicleSpec& record = kVehicle) {
        call(Call::Load);
        HostCall described;
        described.call = Call::SetVehicleSpec;
        described.plugin = 0;
        described.vehicle = record;
        script_.push_back(described);
        return initialize();
    }
    Builder& initialize() {
        HostCall init;
        init.call = Call::Initialize;
        init.plugin = 0;
        init.localTime = kFixedLocalTime;
        script_.push_back(init);
        return *this;
    }
    Builder& beacon(int32_t type, int32_t signal, float distance, int32_t optional) {
        HostCall c;
        c.call = Call::SetBeaconData;
        c.plugin = 0;
        c.beacon = BeaconData{type, signal, distance, optional};
        script_.push_back(c);
        return *this;
    }
    // `count` frames of `stepMs`, the speed changing by `accelerate` km/h a frame.
    Builder& frames(int32_t count, int32_t stepMs = kFrameMs, float accelerate = 0.0F) {
        for (int32_t i = 0; i < count; ++i) {
            state.time += stepMs;
            state.speed = std::max(0.0F, state.speed + accelerate);
            state.location += static_cast<double>(state.speed) / 3.6 * stepMs / 1000.0;
            frame();
        }
        return *this;
    }
    // One frame of the state as it stands.
    Builder& frame() {
        HostCall c;
        c.call = Call::Elapse;
        c.plugin = 0;
        c.state = state;
        script_.push_back(c);
        return *this;
    }
    Builder& close() { return call(Call::Dispose); }
    Script take() { return std::move(script_); }

    VehicleState state{0.0, 0.0F, 8 * kHourMs, 0.0F, 800.0F, 0.0F, 0.0F, 0.0F, 0.0F};

private:
    Script script_;
};

}  // namespace

Script documentedOrder() {
    Builder b;
    b.call(Call::GetPluginVersion).open().call(Call::SetReverser, 1).call(Call::SetBrake, kVehicle.brakeNotches);
    b.frames(60).call(Call::DoorOpen).frames(120).call(Call::DoorClose).frames(30);
    b.call(Call::SetBrake, 0).call(Call::SetPower, 3).frames(200, kFrameMs, 0.4F);
    for (int32_t key = 0; key < CABKIT_KEYS; key += 5)
        b.call(Call::KeyDown, key).frames(3).call(Call::KeyUp, key).frames(3);
    b.beacon(0, 2, 300.0F, 0).frames(20).call(Call::SetSignal, 2).frames(20).call(Call::HornBlow, 0).frames(5);
    b.call(Call::SetPower, 0).call(Call::SetBrake, 4).frames(300, kFrameMs, -0.4F);
    b.call(Call::SetBrake, kVehicle.brakeNotches).frames(30).call(Call::GetPluginVersion);
    return b.close().take();
}

Script restarts() {
    Builder b;
    b.open().call(Call::SetReverser, 1).call(Call::SetPower, 4).frames(120, kFrameMs, 0.5F);
    // A jump to a station: the train elsewhere, later, standing.
    b.state.location += 5000.0;
    b.state.time += kHourMs / 2;
    b.state.speed = 0.0F;
    b.initialize().frames(120).initialize().initialize().frames(60, kFrameMs, 0.5F);
    b.close().call(Call::Reload);
    b.open().frames(120, kFrameMs, 0.3F);
    return b.close().take();
}

Script timeTravel() {
    Builder b;
    b.open().call(Call::SetReverser, 1).call(Call::SetPower, 2).frames(60, kFrameMs, 0.5F);
    b.frames(30, 0);                      // time standing still
    b.frames(10, -1000).frames(30);       // going back
    b.state.time -= kHourMs;              // an hour back
    b.frames(30).frames(3, 5 * kHourMs);  // hours ahead
    b.state.time = 24 * kHourMs - 100;    // across midnight
    b.frames(30);
    for (const int32_t edge : {kMin, kMax, 0, -1, kMax - 1000}) {
        b.state.time = edge;
        b.frames(3, 0).frame();
    }
    b.state.time = 9 * kHourMs;
    b.frames(60);
    return b.close().take();
}

Script earlyEvents() {
    Builder b;
    b.open();
    for (int32_t key = 0; key < CABKIT_KEYS; ++key) b.call(Call::KeyDown, key).call(Call::KeyUp, key);
    b.call(Call::SetPower, 1).call(Call::SetBrake, 2).call(Call::SetReverser, 1).call(Call::HornBlow, 1);
    b.call(Call::DoorOpen).call(Call::DoorClose).call(Call::SetSignal, 0).beacon(0, 0, 100.0F, 0);
    b.frames(120, kFrameMs, 0.2F);
    return b.close().take();
}

Script keys() {
    Builder b;
    b.open().frames(10);
    for (int32_t key = -1; key <= CABKIT_KEYS; ++key) {
        b.call(Call::KeyDown, key).frames(3).call(Call::KeyUp, key).frames(3);
    }
    for (int32_t key = 0; key < CABKIT_KEYS; ++key) b.call(Call::KeyDown, key);
    b.frames(30);
    for (int32_t key = 0; key < CABKIT_KEYS; ++key) b.call(Call::KeyUp, key).call(Call::KeyUp, key);
    for (const int32_t key : {kMin, -1000, 255, 256, 1000, kMax}) {
        b.call(Call::KeyDown, key).frame().call(Call::KeyUp, key).frame();
    }
    b.frames(30);
    return b.close().take();
}

Script beacons() {
    Builder b;
    b.open().call(Call::SetReverser, 1).call(Call::SetPower, 2).frames(60, kFrameMs, 0.5F);
    constexpr std::array<float, 6> distances{0.0F, -1.0F, 1.0e30F, kNaN, kInf, -kInf};
    constexpr std::array<int32_t, 6> values{0, -1, 1, 255, kMin, kMax};
    int32_t round = 0;
    const auto pass = [&](int32_t type) {
        for (std::size_t i = 0; i < distances.size(); i += 2) {
            const std::size_t value = static_cast<std::size_t>(round++) % values.size();
            b.beacon(type, values[value], distances[i + static_cast<std::size_t>(round % 2)],
                     values[(value + 3) % values.size()]);
        }
        if (type % 8 == 0) b.frame();
    };
    for (int32_t type = -1; type <= 1100; ++type) pass(type);
    for (const int32_t type : {kMin, kMin + 1, -1000, 65535, 65536, kMax - 1, kMax}) pass(type);
    b.frames(300, kFrameMs, -0.1F);
    return b.close().take();
}

Script oddStates() {
    Builder b;
    b.open().call(Call::SetReverser, 1).call(Call::SetPower, 2).frames(30, kFrameMs, 0.5F);
    const VehicleState normal = b.state;
    for (const float speed : {kNaN, kInf, -kInf, -300.0F, 1.0e30F, -0.0F, std::numeric_limits<float>::max(),
                              std::numeric_limits<float>::denorm_min(), 2147483648.0F}) {
        b.state.speed = speed;
        b.frame().frame().frame();
    }
    b.state = normal;
    for (const double location : {std::nan(""), std::numeric_limits<double>::infinity(), -1.0e300, 1.0e300}) {
        b.state.location = location;
        b.frame().frame();
    }
    b.state = normal;
    for (const float value : {kNaN, kInf, -kInf, -1.0e30F}) {
        b.state.bcPressure = b.state.mrPressure = b.state.erPressure = value;
        b.state.bpPressure = b.state.sapPressure = b.state.current = value;
        b.frame().frame();
    }
    b.state = normal;
    b.frames(60);
    return b.close().take();
}

Script notches() {
    Builder b;
    constexpr std::array<VehicleSpec, 5> vehicles{{{0, 0, 0, 0, 0},
                                                   {1000000, 1000000, 1000000, 1000000, 1000000},
                                                   {kMax, kMax, kMax, kMax, kMax},
                                                   {-1, -1, -1, -1, -1},
                                                   {kMin, kMin, kMin, kMin, kMin}}};
    for (const VehicleSpec& vehicle : vehicles) {
        b.open(vehicle).frames(5);
        for (const int32_t notch :
             {0, 1, -1, vehicle.brakeNotches, vehicle.brakeNotches + (vehicle.brakeNotches < kMax), kMin, kMax}) {
            b.call(Call::SetPower, notch).call(Call::SetBrake, notch).call(Call::SetReverser, notch).frames(3);
        }
        b.frames(20).close().call(Call::Reload);
    }
    return b.take();
}

Script steadyRun(int32_t frames) {
    Builder b;
    b.open().call(Call::SetReverser, 1).call(Call::SetPower, 3).frames(200, kFrameMs, 0.3F);
    b.call(Call::SetPower, 0).frames(frames);
    return b.close().take();
}

Script busyRun(int32_t frames) {
    Builder b;
    b.open().call(Call::SetReverser, 1).call(Call::SetPower, 3).frames(100, kFrameMs, 0.4F);
    for (int32_t frame = 0; frame < frames; ++frame) {
        const int32_t key = frame % CABKIT_KEYS;
        switch (frame % 6) {
            case 0: b.call(Call::KeyDown, key); break;
            case 1: b.call(Call::KeyUp, key); break;
            case 2: b.beacon(frame % 256, frame % 7, 50.0F + static_cast<float>(frame % 600), frame % 130); break;
            case 3: b.call(Call::SetSignal, frame % 7); break;
            case 4: b.call(Call::SetPower, frame % 4); break;
            default: b.call(Call::SetBrake, frame % 3); break;
        }
        b.frames(1);
    }
    return b.close().take();
}

}  // namespace cabkit::sim::validate
