// The train stop as the host sees it: a fresh copy of the built library,
// driven through its exports frame by frame, judged by the handle command,
// the panel lamps and the sound slots.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ats_random_times.h"
#include "fixed_local_time.h"
#include "int32_arith.h"
#include "plugin_library.h"
#include "sound_commands.h"

namespace cabkit::sentrel {
namespace {

using test::HostArrays;
using test::PluginLibrary;
using test::stateAt;

constexpr VehicleSpec kSpec{8, 5, 1, 0, 10};  // emergency notch 9, check notch 1
constexpr int32_t kEmergencyNotch = 9;
constexpr int32_t kSwitchedOff = 4;
constexpr int32_t kStop = CABKIT_SOUND_STOP;

// The lengths the plug-in draws at the fixed local time.
RandomTimes fixedTimes() {
    platform::CrtRandom random;
    return drawRandomTimes(random, kFixedSecond);
}

class SentrelRun : public ::testing::Test {
protected:
    void SetUp() override {
        lib->Load();
        lib->SetVehicleSpec(kSpec);
        lib->Initialize(0);
        frame();
    }

    void frame(int32_t stepMs = 100) {
        now = platform::wrappingAdd(now, stepMs);
        out = lib->Elapse(stateAt(now, speed), io.panel.data(), io.sound.data());
    }
    void frames(int32_t count, int32_t stepMs = 100) {
        for (int32_t i = 0; i < count; ++i) {
            frame(stepMs);
        }
    }
    void pass(int32_t type, int32_t signal, int32_t optional = 0) {
        lib->SetBeaconData(BeaconData{type, signal, 300.0F, optional});
    }
    void switchOffAndOn(int32_t switchOnStepMs = 100) {
        io.panel[249] = kSwitchedOff;
        frame();
        io.panel[249] = 0;
        frame(switchOnStepMs);
    }

    bool braking() const { return io.panel[28] == 1; }
    bool alarm() const { return io.sound[0] == 0; }
    std::pair<int32_t, int32_t> lamps() const { return {io.panel[0], io.panel[1]}; }

    FixedLocalTime fixedTime{kFixedTime};
    PluginLibrary lib{std::string("Sentrel")};
    HostArrays io;
    int32_t now = 36'000'000;
    float speed = 60.0F;
    HandleCommand out{};
};

class WarningBeacon : public SentrelRun, public ::testing::WithParamInterface<int32_t> {};

// The brake applied between two frames counts from the end of the second.
TEST_P(WarningBeacon, SoundsTheAlarmUntilAcknowledgedWithTheBrakeApplied) {
    pass(GetParam(), 0);
    frame();
    EXPECT_TRUE(alarm());
    EXPECT_EQ(io.panel[1], 1);
    lib->SetBrake(1);
    lib->KeyDown(0);
    frame();
    EXPECT_TRUE(alarm());
    frame();
    EXPECT_FALSE(alarm());
    EXPECT_EQ(io.sound[20], 1);
    lib->KeyUp(0);
    frame();
    EXPECT_EQ(io.sound[20], 2);
    frames(60);
    EXPECT_FALSE(braking());
}

INSTANTIATE_TEST_SUITE_P(Types, WarningBeacon, ::testing::Values(0, 95));

struct AckCase {
    const char* name;
    int32_t brake;
    int32_t keyBeforeFrame;  // of the 50 frames of 100 ms after the beacon
    bool trips;
};

class Acknowledgement : public SentrelRun, public ::testing::WithParamInterface<AckCase> {};

TEST_P(Acknowledgement, MustComeWithTheBrakeAndBeforeTheTimeRunsOut) {
    lib->SetBrake(GetParam().brake);
    frame();
    pass(95, 0);
    for (int32_t f = 1; f <= 50; ++f) {
        if (f == GetParam().keyBeforeFrame) {
            lib->KeyDown(0);
        }
        frame();
        ASSERT_TRUE(f == 50 || !braking()) << "frame " << f;
    }
    EXPECT_EQ(braking(), GetParam().trips);
}

INSTANTIATE_TEST_SUITE_P(Cases, Acknowledgement,
                         ::testing::Values(AckCase{"WithTimeLeft", 1, 49, false},
                                           AckCase{"InTheExpiryFrame", 1, 50, true},
                                           AckCase{"BrakeBelowTheCheckNotch", 0, 2, true}),
                         [](const ::testing::TestParamInfo<AckCase>& p) { return p.param.name; });

struct TripCase {
    const char* name;
    int32_t type;
    int32_t reverser;
    bool trips;
};

class TripBeacon : public SentrelRun, public ::testing::WithParamInterface<TripCase> {};

TEST_P(TripBeacon, ImposesTheEmergencyNotchInTheNextFrame) {
    const TripCase& c = GetParam();
    lib->SetPower(3);
    lib->SetReverser(c.reverser);
    frame();
    pass(c.type, 0);
    frame();
    if (c.trips) {
        EXPECT_EQ(out.brake, kEmergencyNotch);
        EXPECT_EQ(out.power, 0);
        EXPECT_EQ(out.reverser, 0);
        EXPECT_EQ(io.panel[28], 1);
    } else {
        EXPECT_EQ(out.brake, 0);
        EXPECT_EQ(out.power, 3);
        EXPECT_EQ(out.reverser, c.reverser);
        EXPECT_EQ(io.panel[28], 0);
    }
    EXPECT_EQ(out.constantSpeed, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, TripBeacon,
                         ::testing::Values(TripCase{"Stop", 1, 1, true}, TripCase{"DirectForward", 101, 1, true},
                                           TripCase{"DirectNeutral", 101, 0, true},
                                           TripCase{"DirectReversing", 101, -1, false}),
                         [](const ::testing::TestParamInfo<TripCase>& p) { return p.param.name; });

class EmergencyReset : public SentrelRun, public ::testing::WithParamInterface<bool> {
protected:
    void key3() {
        if (GetParam()) {
            lib->KeyUp(3);
        } else {
            lib->KeyDown(3);
        }
    }
};

// Pressing and releasing key 3 act alike, and only with the brake handle at
// the emergency notch as of the end of the previous frame.
TEST_P(EmergencyReset, NeedsTheBrakeAtTheEmergencyNotch) {
    pass(1, 0);
    frame();
    ASSERT_TRUE(braking());
    lib->SetBrake(8);
    frame();
    key3();
    frame();
    EXPECT_TRUE(braking());
    lib->SetBrake(kEmergencyNotch);
    key3();
    frame();
    EXPECT_TRUE(braking());
    key3();
    frame();
    EXPECT_FALSE(braking());
    EXPECT_FALSE(alarm());
    EXPECT_EQ(io.sound[20], 1);
}

INSTANTIATE_TEST_SUITE_P(PressOrRelease, EmergencyReset, ::testing::Bool());

class PairGap : public SentrelRun, public ::testing::WithParamInterface<std::pair<int32_t, bool>> {};

TEST_P(PairGap, TripsWhenTheSecondBeaconComesWithin500Ms) {
    pass(50, 0);
    frames(GetParam().first / 100);
    pass(55, 0);
    frame();
    EXPECT_EQ(braking(), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Gaps, PairGap,
                         ::testing::Values(std::make_pair(400, true), std::make_pair(500, false),
                                           std::make_pair(600, false)));

TEST_F(SentrelRun, ABeaconAfterACompletedPairStartsANewOne) {
    pass(55, 0);
    frames(6);
    pass(50, 0);
    frame();
    pass(50, 0);  // 100 ms after the second: first of the next pair
    frame();
    EXPECT_FALSE(braking());
    pass(55, 0);
    frame();
    EXPECT_TRUE(braking());
}

class TimingWindow : public SentrelRun, public ::testing::WithParamInterface<std::pair<int32_t, bool>> {};

TEST_P(TimingWindow, OpensAlsoAtAStandstill) {
    speed = 0.0F;
    frame();
    pass(65, 0, 3000);
    speed = 60.0F;
    frames(GetParam().first);
    pass(1, 3, 7);  // a timed stop beacon, not at a signal
    frame();
    EXPECT_EQ(braking(), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(FramesAfterOpening, TimingWindow,
                         ::testing::Values(std::make_pair(29, true), std::make_pair(30, false)));

// The speed is 0 until the next frame, so nothing is taken; had the pair
// beacon counted, its partner would trip.
TEST_F(SentrelRun, BeaconsBetweenInitializeAndTheNextFrameAreIgnored) {
    lib->Initialize(0);
    pass(1, 0);
    pass(95, 0);
    pass(101, 0);
    pass(50, 0);
    frame();
    pass(55, 0);
    frame();
    EXPECT_FALSE(braking());
    EXPECT_FALSE(alarm());
}

TEST(SentrelLoad, TheFirstFrameAfterLoadingDoesNotReadTheSwitchOffSlot) {
    PluginLibrary lib(std::string("Sentrel"));
    HostArrays io;
    io.panel[249] = kSwitchedOff;
    lib->Load();
    lib->SetVehicleSpec(kSpec);
    lib->Initialize(0);
    lib->Elapse(stateAt(5000), io.panel.data(), io.sound.data());
    EXPECT_EQ(io.panel[0], 1);
    lib->Elapse(stateAt(5100), io.panel.data(), io.sound.data());
    EXPECT_EQ(io.panel[0], 0);
    lib->Initialize(0);  // a restart reads the slot from its first frame
    lib->Elapse(stateAt(5200), io.panel.data(), io.sound.data());
    EXPECT_EQ(io.panel[0], 0);
}

// Also when the switch-on frame takes no time: the test lasts its drawn
// length of frame time all the same.
class SwitchOnTest : public SentrelRun, public ::testing::WithParamInterface<int32_t> {};

TEST_P(SwitchOnTest, SoundsForTheDrawnLength) {
    const int32_t switchOnStep = GetParam();
    switchOffAndOn(switchOnStep);
    int32_t alarmFrames = 0;
    while (alarm() && alarmFrames < 3000) {
        EXPECT_EQ(lamps(), std::make_pair(0, 1));
        ++alarmFrames;
        frame(1);
    }
    const int32_t length = fixedTimes().selfTestDurationMs;
    EXPECT_GE(length, 2000);
    EXPECT_LE(length, 2199);
    EXPECT_EQ(alarmFrames, length - switchOnStep);
    EXPECT_FALSE(braking());
}

INSTANTIATE_TEST_SUITE_P(SwitchOnStep, SwitchOnTest, ::testing::Values(0, 1));

// A warning raised during the test runs down and expires although key 0 was
// held with the brake applied.
TEST_F(SentrelRun, NoAcknowledgementDuringTheSwitchOnTest) {
    lib->SetBrake(1);
    switchOffAndOn();
    pass(95, 0);
    lib->KeyDown(0);
    frames(10);
    lib->KeyUp(0);
    frames(39);
    EXPECT_FALSE(braking());
    frame();
    EXPECT_TRUE(braking());
}

TEST_F(SentrelRun, LampsOverlapForAFrameWhenTheAlarmStartsAndAreDarkForAFrameWhenItEnds) {
    EXPECT_EQ(lamps(), std::make_pair(1, 0));
    pass(1, 0);
    frame();
    EXPECT_EQ(lamps(), std::make_pair(1, 1));
    lib->SetBrake(kEmergencyNotch);
    frame();
    EXPECT_EQ(lamps(), std::make_pair(0, 1));
    lib->KeyDown(3);
    frame();
    EXPECT_EQ(lamps(), std::make_pair(0, 0));
    frame();
    EXPECT_EQ(lamps(), std::make_pair(1, 0));
    lib->KeyDown(0);
    frame();
    EXPECT_EQ(lamps(), std::make_pair(0, 0));
}

// Strokes B, A, B, ... one every drawn period, from the first alarm on until
// key 1 is held in a frame without alarm.
TEST_F(SentrelRun, ReminderToneStrokesUntilKey1InAQuietFrame) {
    const int32_t period = fixedTimes().tonePeriodMs;
    EXPECT_EQ(io.sound[1], kStop);
    lib->SetBrake(1);
    pass(95, 0);
    frame(1);
    EXPECT_EQ(io.sound[22], 1);  // the first stroke after loading is B
    EXPECT_EQ(io.sound[21], 2);

    std::vector<int32_t> strokeSlots;
    int32_t sinceStroke = 0;
    auto run = [&](int32_t count) {
        for (int32_t i = 0; i < count; ++i) {
            frame(1);
            ++sinceStroke;
            ASSERT_EQ(io.sound[1], 0);
            ASSERT_FALSE(io.sound[21] == 1 && io.sound[22] == 1);
            if (io.sound[21] == 1 || io.sound[22] == 1) {
                strokeSlots.push_back(io.sound[21] == 1 ? 21 : 22);
                ASSERT_EQ(sinceStroke, period);
                sinceStroke = 0;
            }
        }
    };
    lib->KeyDown(1);  // held during the alarm: no effect
    run(3 * period);
    lib->KeyUp(1);
    lib->KeyDown(0);
    run(1);
    EXPECT_FALSE(alarm());
    lib->KeyUp(0);
    run(3 * period);
    ASSERT_EQ(strokeSlots.size(), 6U);
    for (std::size_t i = 0; i < strokeSlots.size(); ++i) {
        EXPECT_EQ(strokeSlots[i], i % 2 == 0 ? 21 : 22);
    }

    lib->KeyDown(1);
    frame(1);
    EXPECT_EQ(io.sound[1], kStop);
    lib->KeyUp(1);
    for (int32_t i = 0; i < 2 * period; ++i) {
        frame(1);
        ASSERT_EQ(io.sound[21] + io.sound[22], 4);
    }
}

// The host's clock going back holds the countdown instead of stretching it;
// a huge jump forward runs it out at once.
TEST_F(SentrelRun, FrameStepsBackwardsOrHugeNeitherStretchNorWrapTheWarning) {
    pass(95, 0);
    frames(20);
    frame(-10000);
    frames(29);
    EXPECT_FALSE(braking());
    frame();
    EXPECT_TRUE(braking());

    lib->Initialize(0);
    frame();
    pass(95, 0);
    frame(std::numeric_limits<int32_t>::max());
    EXPECT_TRUE(braking());
}

TEST_F(SentrelRun, RestartDropsAPendingWarning) {
    pass(95, 0);
    frame();
    ASSERT_TRUE(alarm());
    lib->Initialize(0);
    frame();
    EXPECT_FALSE(alarm());
    EXPECT_EQ(io.sound[20], kStop);
    frames(60);
    EXPECT_FALSE(braking());
    EXPECT_EQ(lamps(), std::make_pair(1, 0));
}

TEST_F(SentrelRun, RestartDuringTheSwitchOnTestEndsIt) {
    switchOffAndOn();
    ASSERT_TRUE(alarm());
    lib->Initialize(0);
    frame();
    EXPECT_FALSE(alarm());
    EXPECT_EQ(lamps(), std::make_pair(1, 0));
}

// A warning passed while off would otherwise expire at once at switch-on.
TEST_F(SentrelRun, WarningPassedWhileOffHasNoEffectAtSwitchOn) {
    io.panel[249] = kSwitchedOff;
    frame();
    io.panel[249] = 0;
    pass(95, 0);
    pass(0, 0);
    frame();
    EXPECT_FALSE(braking());
    frames(60);
    EXPECT_FALSE(braking());
    EXPECT_FALSE(alarm());
}

TEST_F(SentrelRun, SwitchingOffReleasesATripAndSilencesEverything) {
    lib->SetPower(2);
    lib->SetReverser(1);
    pass(1, 0);
    frame();
    ASSERT_TRUE(braking());
    io.panel[249] = kSwitchedOff;
    frame();
    EXPECT_EQ(out.brake, 0);
    EXPECT_EQ(out.power, 2);
    EXPECT_EQ(out.reverser, 1);
    EXPECT_EQ(io.panel[0] + io.panel[1] + io.panel[28], 0);
    EXPECT_EQ(io.sound[20], 1);
    for (const std::size_t slot : {0U, 1U, 21U, 22U}) {
        EXPECT_EQ(io.sound[slot], kStop) << slot;
    }
    pass(1, 0);
    frame();
    EXPECT_EQ(io.sound[20], kStop);
    EXPECT_FALSE(braking());
}

// Everything the host sees over a session with warnings, an expiry, a
// reset, a pair and a window, for a library with the given settings file.
std::vector<int32_t> sessionTrace(const std::optional<std::string>& settingsFile) {
    const FixedLocalTime fixedTime{kFixedTime};
    PluginLibrary lib(std::string("Sentrel"));
    if (settingsFile) {
        std::ofstream(lib.loadedPath().parent_path() / "ZQConfig.ini", std::ios::binary) << *settingsFile;
    }
    HostArrays io;
    std::vector<int32_t> trace;
    lib->Load();
    lib->SetVehicleSpec(kSpec);
    lib->Initialize(0);
    for (int32_t f = 0; f < 300; ++f) {
        switch (f) {
            case 5: lib->SetBeaconData(BeaconData{95, 0, 0.0F, 0}); break;
            case 120: lib->SetBrake(kEmergencyNotch); break;
            case 125: lib->KeyDown(3); break;
            case 130:
                lib->SetBrake(1);
                lib->SetBeaconData(BeaconData{0, 0, 0.0F, 0});
                break;
            case 140: lib->KeyDown(0); break;
            case 150:
                lib->KeyUp(0);
                lib->SetBeaconData(BeaconData{50, 0, 0.0F, 0});
                break;
            case 155: lib->SetBeaconData(BeaconData{55, 0, 0.0F, 0}); break;
            case 200: io.panel[249] = kSwitchedOff; break;
            case 210: io.panel[249] = 0; break;
            default: break;
        }
        const HandleCommand out = lib->Elapse(stateAt(1000 + f * 60, 50.0F), io.panel.data(), io.sound.data());
        trace.insert(trace.end(), {out.brake, out.power, out.reverser, out.constantSpeed, io.panel[0], io.panel[1],
                                   io.panel[28], io.sound[0], io.sound[1], io.sound[20], io.sound[21], io.sound[22]});
    }
    return trace;
}

class SettingsFile : public ::testing::TestWithParam<std::string> {};

TEST_P(SettingsFile, ChangesNoOutput) { EXPECT_EQ(sessionTrace(GetParam()), sessionTrace(std::nullopt)); }

INSTANTIATE_TEST_SUITE_P(Contents, SettingsFile,
                         ::testing::Values("[MaxSpd]\nSpeed=80\n[SetSpec]\nDeceleration=3\n",
                                           "[MaxSpd]\nSpeed=-80x\n[SetSpec]\nDeceleration=\n", "",
                                           std::string("\0\xff[[[==\n\n", 9)));

}  // namespace
}  // namespace cabkit::sentrel
