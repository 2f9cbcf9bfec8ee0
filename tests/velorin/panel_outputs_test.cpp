// The panel and sound: what each mode writes, what it leaves alone, and the
// block every mode writes.
#include <cmath>
#include <limits>

#include "core_fixture.h"

namespace cabkit::velorin::test {
namespace {

constexpr int32_t kUntouched = -12345;

class Panel : public Core {
protected:
    void SetUp() override {
        startRun();
        panel.fill(kUntouched);
        panel[201] = 0;
        panel[231] = 0;
        panel[232] = 0;
        panel[72] = 0;
        panel[57] = panel[58] = panel[59] = 0;
    }

    HandleCommand frameWith(int32_t timeMs, float current) {
        VehicleState state{};
        state.time = timeMs;
        state.current = current;
        return core.elapse(state, panel.data(), sound.data());
    }
};

TEST_F(Panel, ModeOneCopiesEveryDisplayValueToItsSlot) {
    DisplayDouble& display = displayDouble();
    for (std::size_t i = 0; i < display.shown.size(); ++i) {
        display.shown[i] = 1000 + static_cast<int32_t>(i);
    }
    display.extraCode = 555;
    display.stopAlertLamp = 1;
    display.numberField = {11, 7, 22};
    selectMode(1);
    lightToggleLamp();
    core.setBrake(4);
    frame(0);

    EXPECT_EQ(panel[221], 1000);
    for (int32_t k = 0; k < 8; ++k) {
        EXPECT_EQ(panel[150 + k], 1001 + k) << k;  // header time and value, durations
    }
    for (int32_t row = 0; row < 3; ++row) {
        EXPECT_EQ(panel[170 + row], 1009 + row);  // stop codes
    }
    for (int32_t k = 0; k < 6; ++k) {  // six clock times: hours, minutes, seconds
        EXPECT_EQ(panel[179 + k], 1012 + 3 * k) << k;
        EXPECT_EQ(panel[185 + k], 1013 + 3 * k) << k;
        EXPECT_EQ(panel[192 + k], 1014 + 3 * k) << k;
    }
    for (int32_t k = 0; k < 9; ++k) {
        EXPECT_EQ(panel[236 + k], 1030 + k) << k;  // code pairs and marks
    }
    EXPECT_EQ(panel[191], kUntouched);
    EXPECT_EQ(panel[158], 555);
    EXPECT_EQ(panel[22], 1);
    EXPECT_EQ(panel[164], 11);
    EXPECT_EQ(panel[169], 22);
    EXPECT_EQ(panel[207], 1);
    EXPECT_EQ(panel[233], 0);
    EXPECT_EQ(panel[204], 4);
}

TEST_F(Panel, NumberFieldShowsFourDigitsWithLeadingBlanks) {
    const struct {
        int32_t number;
        int32_t digits[4];
    } cases[] = {{7, {10, 10, 10, 7}}, {1234, {1, 2, 3, 4}}, {12345, {12, 3, 4, 5}}, {40, {10, 10, 4, 0}},
                 {100, {10, 1, 0, 0}}, {0, {10, 10, 10, 0}}, {-7, {10, 10, 10, -7}}};
    selectMode(1);
    int32_t time = 0;
    for (const auto& c : cases) {
        displayDouble().numberField = {0, c.number, 0};
        frame(time += 16);
        for (int32_t k = 0; k < 4; ++k) {
            EXPECT_EQ(panel[165 + k], c.digits[k]) << c.number << " digit " << k;
        }
    }
}

TEST_F(Panel, DistanceShowsKilometresAndTheHundredsDigitInModesOneAndTwo) {
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    const struct {
        double metres;
        int32_t km, hundreds;
    } cases[] = {{987.0, 0, 9},   {12345.6, 12, 3}, {-250.0, 0, -2}, {std::numeric_limits<double>::quiet_NaN(), 0, 0},
                 {1e13, kMax, 7}, {-1e13, kMin, -8}};
    int32_t time = 0;
    for (int32_t mode : {1, 2}) {
        selectMode(mode);
        for (const auto& c : cases) {
            displayDouble().distance = c.metres;
            frame(time += 16);
            EXPECT_EQ(panel[162], c.km) << c.metres;
            EXPECT_EQ(panel[163], c.hundreds) << c.metres;
        }
    }
}

TEST_F(Panel, ModeTwoShowsABlankTimetableAndLeavesTheAlertLamp) {
    displayDouble().shown.fill(99);
    selectMode(2);
    core.setBrake(2);
    frame(0);
    const struct {
        int32_t first, last, value;
    } blanks[] = {{164, 169, 0},  {154, 157, 60}, {158, 158, 0},  {170, 172, 0},  {179, 184, 24}, {185, 190, 60},
                  {192, 197, 60}, {221, 221, 0},  {150, 150, 24}, {151, 152, 60}, {153, 153, 0},  {236, 244, 0}};
    for (const auto& run : blanks) {
        for (int32_t slot = run.first; slot <= run.last; ++slot) {
            EXPECT_EQ(panel[slot], run.value) << slot;
        }
    }
    EXPECT_EQ(panel[22], kUntouched);
    EXPECT_EQ(panel[207], 1);
    EXPECT_EQ(panel[204], 2);

    const struct {
        int32_t slot231, slot232, shown;
    } selector[] = {{0, 0, 2}, {2, 2, 2}, {3, 0, 1}, {0, 3, 1}, {-5, 9, 1}};
    int32_t time = 0;
    for (const auto& s : selector) {
        panel[231] = s.slot231;
        panel[232] = s.slot232;
        frame(time += 16);
        EXPECT_EQ(panel[233], s.shown) << s.slot231 << " " << s.slot232;
    }
}

TEST_F(Panel, ModeZeroShowsTheSwitchedOffStateAndLeavesTheTimetable) {
    frame(0);
    EXPECT_EQ(panel[249], 4);
    EXPECT_EQ(panel[204], 0);
    EXPECT_EQ(panel[207], 0);
    EXPECT_EQ(panel[233], 0);
    EXPECT_EQ(panel[162], 200);
    EXPECT_EQ(panel[163], 200);
    for (int32_t slot : {22, 150, 158, 164, 169, 172, 179, 190, 197, 221, 236, 244}) {
        EXPECT_EQ(panel[slot], kUntouched) << slot;
    }
}

TEST_F(Panel, CommonBlockInEveryMode) {
    displayDouble().stopAlertSound = 0;
    beacon(306, 100000);
    beacon(300, 1);  // side one waiting, side two off
    int32_t time = 0;
    for (int32_t mode : {0, 1, 2}) {
        selectMode(mode);
        sound[10] = kUntouched;
        frame(time += 16);
        EXPECT_EQ(panel[75], mode);
        EXPECT_EQ(panel[73], mode == 2 ? 1 : 0);
        EXPECT_EQ(panel[90], 3);
        EXPECT_EQ(panel[91], 0);
        EXPECT_EQ(panel[92], 3);
        EXPECT_EQ(panel[93], 0);  // no timers: activity dark
        EXPECT_EQ(sound[10], 0);
    }
    core.keyDown(7);
    frame(time += 16);
    EXPECT_EQ(panel[73], 0);
}

TEST_F(Panel, ClockRunsPastTwentyFourHours) {
    frame(((25 * 60 + 1) * 60 + 1) * 1000 + 999);
    EXPECT_EQ(panel[10], 25);
    EXPECT_EQ(panel[11], 1);
    EXPECT_EQ(panel[12], 1);
}

TEST_F(Panel, DateSlotsShowMonthAndDayPlusOne) {
    const ScopedLocalTime fixed("2024-12-31T23:59:59.999");
    core.initialize(0);
    frame(0);
    EXPECT_EQ(panel[160], 13);
    EXPECT_EQ(panel[161], 32);
}

TEST_F(Panel, CurrentIndicatorNeedsMoreThanTwentyAmperesEitherWay) {
    const struct {
        float current;
        int32_t shown;
    } cases[] = {{-20.5F, 2},
                 {-20.0F, 0},
                 {0.0F, 0},
                 {20.0F, 0},
                 {20.01F, 1},
                 {500.0F, 1},
                 {std::numeric_limits<float>::quiet_NaN(), 0}};
    int32_t time = 0;
    for (const auto& c : cases) {
        frameWith(time += 16, c.current);
        EXPECT_EQ(panel[159], c.shown) << c.current;
    }
}

}  // namespace
}  // namespace cabkit::velorin::test
