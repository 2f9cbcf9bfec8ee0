// Cabrix as the host sees it: a fresh copy of the built library per test,
// driven through its exports and observed on the panel, the sound slots and
// the returned handle command.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>

#include "plugin_library.h"

namespace cabkit::test {
namespace {

constexpr int32_t kService = 8;
constexpr int32_t kEmergency = 9;
constexpr std::initializer_list<int32_t> kIndicatorSlots = {70, 71, 74, 54, 76, 80, 82, 84, 86};

class CabrixBox : public ::testing::Test {
protected:
    CabrixBox() {
        lib->Load();
        lib->SetVehicleSpec(VehicleSpec{kService, 5, 1, 0, 10});
        lib->Initialize(0);
        arrays.panel[75] = 1;  // the vehicle lets supervision run
    }

    HandleCommand frame(float speed = 0.0F) {
        time += 100;
        return lib->Elapse(stateAt(time, speed), arrays.panel.data(), arrays.sound.data());
    }

    // Mode 2 holds only once supervision runs, so each step takes a frame.
    void selectMode(int32_t mode) {
        for (int32_t step = 0; step < mode; ++step) {
            lib->KeyDown(6);
            frame();
        }
    }

    int32_t panel(int32_t slot) const { return arrays.panel[static_cast<std::size_t>(slot)]; }
    int32_t sound(int32_t slot) const { return arrays.sound[static_cast<std::size_t>(slot)]; }
    int32_t litIndicators() const {
        int32_t lit = 0;
        for (int32_t slot : kIndicatorSlots) {
            lit += panel(slot);
        }
        return lit;
    }

    PluginLibrary lib{std::string("Cabrix")};
    HostArrays arrays;
    int32_t time = 36000000;
};

struct AspectCase {
    int32_t aspect;
    int32_t code;
    bool received;
};
std::ostream& operator<<(std::ostream& out, const AspectCase& c) { return out << "aspect " << c.aspect; }
class CabrixAspects : public CabrixBox, public ::testing::WithParamInterface<AspectCase> {};

// In mode 0 only a received code starts supervision, which shows it.
TEST_P(CabrixAspects, GiveTheCodeAndWhetherItIsReceived) {
    lib->SetSignal(GetParam().aspect);
    frame();
    EXPECT_EQ(panel(72), GetParam().code);
    EXPECT_EQ(panel(52), GetParam().received ? 1 : 0);
}
INSTANTIATE_TEST_SUITE_P(Table, CabrixAspects,
                         ::testing::Values(AspectCase{10, 1, false}, AspectCase{11, 2, true}, AspectCase{13, 3, true},
                                           AspectCase{15, 5, true}, AspectCase{19, 6, true}, AspectCase{21, 7, true},
                                           AspectCase{23, 8, true}, AspectCase{25, 9, true}, AspectCase{0, 0, false},
                                           AspectCase{12, 0, false}, AspectCase{26, 0, false},
                                           AspectCase{-11, 0, false}));

TEST_F(CabrixBox, NoAspectGivesCodeFour) {
    for (int32_t aspect = -2; aspect <= 300; ++aspect) {
        lib->SetSignal(aspect);
        frame();
        ASSERT_NE(panel(72), 4) << aspect;
    }
}

struct BellCase {
    int32_t from;
    int32_t to;
    bool rings;
};
std::ostream& operator<<(std::ostream& out, const BellCase& c) { return out << c.from << "->" << c.to; }
class CabrixBell : public CabrixBox, public ::testing::WithParamInterface<BellCase> {};

TEST_P(CabrixBell, RingsOnlyForChangesIntoOrOutOfHighAspects) {
    arrays.panel[75] = 0;  // keep supervision off so that only the aspect can ring
    lib->SetSignal(GetParam().from);
    frame();
    lib->SetSignal(GetParam().to);
    frame();
    EXPECT_EQ(sound(4), GetParam().rings ? 1 : 2);
    EXPECT_EQ(sound(5), sound(4));
}
INSTANTIATE_TEST_SUITE_P(Changes, CabrixBell,
                         ::testing::Values(BellCase{5, 7, false}, BellCase{11, 13, true}, BellCase{13, 13, false},
                                           BellCase{25, 25, false}, BellCase{8, 9, true}, BellCase{9, 8, true},
                                           BellCase{10, 0, true}));

struct KeyCase {
    int32_t startMode;
    int32_t aspect;
    int32_t brake;
    int32_t key;
    int32_t endMode;
};
std::ostream& operator<<(std::ostream& out, const KeyCase& c) {
    return out << "mode " << c.startMode << " aspect " << c.aspect << " brake " << c.brake << " key " << c.key;
}
class CabrixModeKeys : public CabrixBox, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(CabrixModeKeys, StepTheSelectorWithinItsConditions) {
    const KeyCase& c = GetParam();
    lib->SetSignal(c.aspect);
    selectMode(c.startMode);
    lib->SetBrake(c.brake);
    frame();  // settles, so that only the key can ring the bell
    ASSERT_EQ(panel(66), c.startMode);
    lib->KeyDown(c.key);
    frame();
    EXPECT_EQ(panel(66), c.endMode);
    EXPECT_EQ(panel(247), c.endMode == 0 ? 1 : 0);
    EXPECT_EQ(sound(4), c.endMode != c.startMode ? 1 : 2);
}
INSTANTIATE_TEST_SUITE_P(Table, CabrixModeKeys,
                         ::testing::Values(KeyCase{2, 0, 1, 5, 1},   // braked, no code: down
                                           KeyCase{2, 25, 1, 5, 2},  // code received: stays
                                           KeyCase{2, 0, 0, 5, 2},   // brake released: stays
                                           KeyCase{1, 25, 0, 5, 0},  // from 1 always down
                                           KeyCase{0, 25, 1, 5, 0}, KeyCase{2, 0, 1, 6, 2}, KeyCase{1, 0, 1, 7, 1},
                                           KeyCase{1, 0, 1, 14, 1}));

TEST_F(CabrixBox, FixedLimitAndCutOutKeysToggle) {
    selectMode(1);
    lib->KeyDown(12);
    lib->KeyDown(13);
    frame();
    EXPECT_EQ(panel(59), 1);
    lib->KeyDown(13);
    frame();
    EXPECT_EQ(panel(56), 1);
    EXPECT_EQ(panel(59), 0);
    lib->KeyDown(12);
    frame();
    EXPECT_EQ(panel(56), 0);
}

struct SpeedCase {
    int32_t mode;
    int32_t aspect;
    float permitted;
    int32_t indicatorSlot;  // 0: none lit
};
std::ostream& operator<<(std::ostream& out, const SpeedCase& c) {
    return out << "mode " << c.mode << " aspect " << c.aspect;
}
class CabrixPermittedSpeed : public CabrixBox, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(CabrixPermittedSpeed, BrakesFromThePermittedSpeedOn) {
    const SpeedCase& c = GetParam();
    selectMode(c.mode);
    lib->SetSignal(c.aspect);
    if (c.permitted > 0.0F) {
        EXPECT_EQ(frame(c.permitted - 0.5F).brake, 0);
        EXPECT_EQ(panel(57), 0);
    }
    const HandleCommand over = frame(c.permitted > 0.0F ? c.permitted : 0.0F);
    EXPECT_EQ(over.brake, kService);
    EXPECT_EQ(panel(57), 1);
    EXPECT_EQ(panel(58), 0);
    EXPECT_EQ(litIndicators(), c.indicatorSlot == 0 ? 0 : 1);
    if (c.indicatorSlot != 0) {
        EXPECT_EQ(panel(c.indicatorSlot), 1);
    }
}
INSTANTIATE_TEST_SUITE_P(Table, CabrixPermittedSpeed,
                         ::testing::Values(SpeedCase{2, 0, -1, 70}, SpeedCase{2, 10, 25, 0}, SpeedCase{2, 11, -1, 71},
                                           SpeedCase{2, 13, 15, 74}, SpeedCase{2, 15, 25, 76}, SpeedCase{2, 19, 45, 80},
                                           SpeedCase{2, 21, 55, 82}, SpeedCase{2, 23, 65, 84}, SpeedCase{2, 25, 75, 86},
                                           SpeedCase{1, 11, -1, 0}, SpeedCase{1, 13, 15, 0}, SpeedCase{1, 25, 25, 0},
                                           SpeedCase{0, 11, -1, 0}, SpeedCase{0, 13, 15, 0}, SpeedCase{0, 19, 25, 0}));

// Code 1 has no speed of its own in mode 1, so the last one holds.
TEST_F(CabrixBox, ModeOneKeepsTheLastSpeedForCodeOne) {
    selectMode(1);
    lib->SetSignal(13);
    EXPECT_EQ(frame(14.0F).brake, 0);
    lib->SetSignal(10);
    EXPECT_EQ(frame(14.0F).brake, 0);
    EXPECT_EQ(frame(15.0F).brake, kService);
}

TEST_F(CabrixBox, ModeOneWithoutCodeDemandsTheEmergencyBrakeUnlessFixedLimit) {
    selectMode(1);
    const HandleCommand stopped = frame();
    EXPECT_EQ(stopped.brake, kEmergency);
    EXPECT_EQ(panel(58), 1);
    lib->KeyDown(12);
    EXPECT_EQ(frame().brake, 0);
    EXPECT_EQ(panel(58), 0);
}

TEST_F(CabrixBox, FixedLimitAllowsExactly25WhateverTheCode) {
    selectMode(2);
    lib->SetSignal(11);  // permits nothing by itself
    lib->KeyDown(12);
    EXPECT_EQ(frame(25.0F).brake, 0);
    EXPECT_EQ(panel(56), 1);
    EXPECT_EQ(sound(112), 0);
    EXPECT_EQ(frame(25.1F).brake, kService);
}

TEST_F(CabrixBox, FullModeCodeNineBrakesAt75) {
    selectMode(2);
    lib->SetSignal(25);
    lib->SetPower(3);
    lib->SetReverser(1);
    HandleCommand command = frame(70.0F);
    EXPECT_EQ(command.brake, 0);
    EXPECT_EQ(command.power, 3);
    EXPECT_EQ(command.constantSpeed, 0);
    EXPECT_EQ(panel(86), 1);
    EXPECT_EQ(panel(57), 0);
    command = frame(75.0F);
    EXPECT_EQ(command.brake, kService);
    EXPECT_EQ(command.power, 0);
    EXPECT_EQ(command.reverser, 0);
    EXPECT_EQ(command.constantSpeed, 2);
    EXPECT_EQ(panel(57), 1);
    EXPECT_EQ(sound(4), 1);
}

TEST_F(CabrixBox, RollbackTripsAndClearsOnlyStandingAtTheEmergencyNotch) {
    selectMode(2);
    lib->SetSignal(25);
    lib->SetReverser(1);
    EXPECT_EQ(frame(-5.0F).brake, 0);
    EXPECT_EQ(frame(-6.0F).brake, kEmergency);
    EXPECT_EQ(panel(55), 1);
    EXPECT_EQ(sound(114), 0);
    EXPECT_EQ(frame(0.0F).brake, kEmergency);  // standing, but handle not at emergency
    lib->SetBrake(kEmergency);
    frame(1.0F);
    EXPECT_EQ(panel(55), 1);  // still moving
    frame(0.0F);
    EXPECT_EQ(panel(55), 0);
    EXPECT_EQ(panel(58), 1);  // the run check of this frame saw the trip
    EXPECT_EQ(sound(114), -10000);
    frame(0.0F);
    EXPECT_EQ(panel(58), 0);
}

// The trip looks at the driver's reverser, not at the one the brake demand
// already cut to neutral.
TEST_F(CabrixBox, RollbackTripsWhileTheServiceBrakeAlreadyHolds) {
    selectMode(2);
    lib->SetSignal(11);  // permits nothing: service brake, reverser cut
    lib->SetReverser(1);
    const HandleCommand braking = frame(0.0F);
    ASSERT_EQ(braking.brake, kService);
    ASSERT_EQ(braking.reverser, 0);
    EXPECT_EQ(frame(-6.0F).brake, kEmergency);
    EXPECT_EQ(panel(55), 1);
}

// An inactive frame forgets where the brake handle stands.
TEST_F(CabrixBox, RollbackNeedsTheHandleMovedAgainAfterAnInactiveFrame) {
    lib->SetSignal(25);
    lib->SetReverser(1);
    frame(-6.0F);
    lib->SetBrake(kEmergency);
    arrays.panel[75] = 0;
    frame(0.0F);
    arrays.panel[75] = 1;
    frame(0.0F);
    frame(0.0F);
    EXPECT_EQ(panel(55), 1);
    EXPECT_EQ(panel(58), 1);
    lib->SetBrake(kEmergency);
    frame(0.0F);
    EXPECT_EQ(panel(55), 0);
}

TEST_F(CabrixBox, CutOutBlanksIndicatorsForOneFrameAndDropsDemands) {
    selectMode(2);
    lib->SetSignal(25);
    EXPECT_EQ(frame(80.0F).brake, kService);
    lib->KeyDown(13);
    const HandleCommand cut = frame(80.0F);
    EXPECT_EQ(cut.brake, 0);
    EXPECT_EQ(cut.constantSpeed, 0);
    EXPECT_EQ(litIndicators(), 0);
    EXPECT_EQ(panel(59), 1);
    EXPECT_EQ(panel(53), 0);
    EXPECT_EQ(panel(57), 0);
    EXPECT_EQ(sound(113), 0);
    EXPECT_EQ(sound(4), 1);
    frame(80.0F);
    EXPECT_EQ(panel(86), 1);
    EXPECT_EQ(sound(4), 2);
    lib->KeyDown(13);
    EXPECT_EQ(frame(70.0F).brake, 0);
    EXPECT_EQ(panel(59), 0);
    EXPECT_EQ(sound(113), -10000);
    EXPECT_EQ(sound(4), 1);  // the end of a cut-out rings by itself
}

TEST_F(CabrixBox, VehicleModeZeroStopsSupervisionAndPassesTheHandles) {
    selectMode(2);
    lib->SetSignal(25);
    frame(80.0F);
    EXPECT_EQ(panel(249), 1);
    arrays.panel[75] = 0;
    lib->SetPower(3);
    lib->SetReverser(1);
    lib->SetBrake(2);
    const HandleCommand command = frame(80.0F);
    EXPECT_EQ(command.brake, 2);
    EXPECT_EQ(command.power, 3);
    EXPECT_EQ(command.reverser, 1);
    EXPECT_EQ(command.constantSpeed, 2);
    EXPECT_EQ(panel(66), 0);
    EXPECT_EQ(panel(247), 1);
    EXPECT_EQ(panel(249), 1);  // never cleared here
    for (int32_t slot : {52, 53, 57, 58}) {
        EXPECT_EQ(panel(slot), 0) << slot;
    }
    EXPECT_EQ(litIndicators(), 0);
    EXPECT_EQ(sound(4), 1);
    frame(80.0F);
    EXPECT_EQ(sound(4), 2);
}

TEST_F(CabrixBox, OneShotSoundsPlayOnceThenStayUnchanged) {
    frame();
    EXPECT_EQ(sound(110), -10000);  // nothing pending since the run started
    selectMode(1);
    lib->SetSignal(21);
    frame();
    EXPECT_EQ(sound(110), 1);
    frame();
    EXPECT_EQ(sound(110), 2);
    EXPECT_EQ(sound(111), 2);
    lib->KeyDown(5);  // back to mode 0: a code no longer chimes
    frame();
    lib->SetSignal(23);
    frame();
    EXPECT_EQ(sound(110), 2);
}

TEST_F(CabrixBox, SlotTwoFortyNineIsLeftAloneInModeZero) {
    arrays.panel[249] = 4;
    lib->SetSignal(25);
    frame();
    EXPECT_EQ(panel(52), 1);
    EXPECT_EQ(panel(249), 4);
}

}  // namespace
}  // namespace cabkit::test
