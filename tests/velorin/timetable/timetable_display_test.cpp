#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "display_fixture.h"
#include "sound_commands.h"

namespace cabkit::velorin::test {
namespace {

constexpr int32_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kIntMax = std::numeric_limits<int32_t>::max();
const float kJustAbove5 = std::nextafter(5.0F, 6.0F);
const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// The display with nothing revealed: header 0 / 24:60:60 / 0, durations
// 60 60, codes 0, times 24:60:60, pairs and marks 0.
constexpr std::array<int32_t, TimetableDisplay::kShownSlots> kBlank{0,  24, 60, 60, 0,  60, 60, 60, 60, 0,  0,  0,  24,
                                                                    60, 60, 24, 60, 60, 24, 60, 60, 24, 60, 60, 24, 60,
                                                                    60, 24, 60, 60, 0,  0,  0,  0,  0,  0,  0,  0,  0};

TEST_F(DisplayTest, StartsBlankWithOnePlaceholderInEachStopList) {
    EXPECT_EQ(display.shown(), kBlank);
    EXPECT_EQ(display.numberField(0), 0);
    EXPECT_EQ(display.numberField(1), 10);
    EXPECT_EQ(display.numberField(2), 10);
    EXPECT_EQ(display.extraCode(), 0);
    EXPECT_EQ(display.stopAlertLamp(), 0);
    EXPECT_EQ(display.stopAlertSound(), CABKIT_SOUND_STOP);
    EXPECT_EQ(display.distance(), 0.0);

    // Before any reset the first beacon-supplied stop is entry 1.
    appendStop(7, 93000, 93500, 512, 3);
    display.receive(12, 90);
    frame(kFullRevealMs);
    EXPECT_EQ(at(kRow1Code), 0);
    EXPECT_EQ(at(kRow1Duration), 0);
    EXPECT_EQ(at(kRow1Duration + 1), 0);
    EXPECT_EQ(at(kRow2Code), 7);
    EXPECT_EQ(at(kRow2FirstTime), 9);
    EXPECT_EQ(at(kRow2FirstTime + 1), 30);
    EXPECT_EQ(at(kRow2FirstTime + 2), 0);
    EXPECT_EQ(at(kRow2Pair), 5);
    EXPECT_EQ(at(kRow2Pair + 1), 12);
    EXPECT_EQ(at(kRow2Mark), 3);
    EXPECT_EQ(at(kRow2Duration), 1);
    EXPECT_EQ(at(kRow2Duration + 1), 30);
    EXPECT_EQ(at(kHeaderHours), 24);
}

TEST_F(DisplayTest, AfterResetBeaconStopsFollowThreePlaceholdersAndDurationsTwo) {
    display.reset();
    EXPECT_EQ(display.numberField(0), 0);
    EXPECT_EQ(display.numberField(1), 10);
    EXPECT_EQ(display.numberField(2), 10);
    EXPECT_EQ(display.numberField(3), 10);

    appendStop(7, 93000, 93500, 512, 3);
    display.receive(12, 90);
    frame(kFullRevealMs);
    for (const std::size_t slot : {kRow1Code, kRow2Code, kRow3Code, kRow1Mark, kRow3Mark}) {
        EXPECT_EQ(at(slot), 0) << slot;
    }
    EXPECT_EQ(at(kRow3FirstTime), 24);
    EXPECT_EQ(at(kRow2Duration), 0);  // entry 1: still a placeholder

    display.receive(13, 2);
    frame(0);
    EXPECT_EQ(at(kRow1Duration), 1);  // entry 2: the first beacon duration
    EXPECT_EQ(at(kRow1Duration + 1), 30);
    EXPECT_EQ(at(kRow1Code), 0);
    EXPECT_EQ(at(kRow2Code), 7);  // entry 3: the first beacon stop
    EXPECT_EQ(at(kRow2Mark), 3);
}

TEST_F(DisplayTest, RestartKeepsOnlyHeaderTimeHeaderValueAndShownMarks) {
    display.reset();
    display.receive(9, 5);
    display.receive(10, 93015);
    display.receive(11, 42);
    display.receive(5, 1500);
    display.receive(6, 1);
    display.receive(7, 9);
    display.receive(8, 1234567890);
    appendStop(1, 80000, 80100, 101, 3);
    appendStop(2, 81000, 81100, 202, 4);
    appendStop(3, 82000, 82100, 303, 5);
    display.receive(13, 3);
    display.startStopAlert();
    display.armAdvance();
    frame(kFullRevealMs, 0.0F, 400);
    ASSERT_EQ(at(kRow1Mark), 3);
    ASSERT_EQ(display.stopAlertLamp(), 1);

    display.reset();
    for (std::size_t slot = 0; slot < 36; ++slot) {
        EXPECT_EQ(at(slot), kBlank[slot]) << slot;
    }
    EXPECT_EQ(at(kRow1Mark), 3);
    EXPECT_EQ(at(kRow2Mark), 4);
    EXPECT_EQ(at(kRow3Mark), 5);
    EXPECT_EQ(display.numberField(1), 10);
    EXPECT_EQ(display.extraCode(), 0);
    EXPECT_EQ(display.distance(), 0.0);
    EXPECT_EQ(display.stopAlertLamp(), 0);
    EXPECT_EQ(display.stopAlertSound(), CABKIT_SOUND_STOP);

    // Moving off does not advance (disarmed), the alert stays down, and the
    // counter runs up again; the header keeps its time and value only.
    frame(kFullRevealMs, 36.0F, 400);
    EXPECT_EQ(display.stopAlertLamp(), 0);
    EXPECT_EQ(display.stopAlertSound(), CABKIT_SOUND_STOP);
    EXPECT_GT(display.distance(), 0.0);
    EXPECT_EQ(at(kRow1Duration), 0);  // a placeholder row, not the blank 60
    EXPECT_EQ(at(kRow1Mark), 0);      // stop 0 again
    EXPECT_EQ(at(kHeaderCode), 0);
    EXPECT_EQ(at(kHeaderHours), 9);
    EXPECT_EQ(at(kHeaderHours + 1), 30);
    EXPECT_EQ(at(kHeaderHours + 2), 15);
    EXPECT_EQ(at(kHeaderValue), 42);
}

// One beacon, shown with row 1 on the list's first beacon entry.
struct ReceiveCase {
    std::string name;
    int32_t kind;
    int32_t value;
    std::vector<std::pair<std::size_t, int32_t>> expected;  // slot, value
};

class ReceiveKind : public DisplayTest, public ::testing::WithParamInterface<ReceiveCase> {};

TEST_P(ReceiveKind, ShowsTheValueAsSplit) {
    const ReceiveCase& c = GetParam();
    display.reset();
    display.receive(c.kind, c.value);
    display.receive(13, c.kind == 12 ? 2 : 3);
    frame(kFullRevealMs);
    for (const auto& [slot, value] : c.expected) {
        EXPECT_EQ(at(slot), value) << "slot " << slot;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ReceiveKind,
    ::testing::Values(
        ReceiveCase{"StopCode", 0, 42, {{kRow1Code, 42}}},
        ReceiveCase{"FirstTime", 1, 93015, {{kRow1FirstTime, 9}, {kRow1FirstTime + 1, 30}, {kRow1FirstTime + 2, 15}}},
        ReceiveCase{
            "FirstTimeInvalid", 1, 996199, {{kRow1FirstTime, 99}, {kRow1FirstTime + 1, 61}, {kRow1FirstTime + 2, 99}}},
        ReceiveCase{"SecondTimeNegative",
                    2,
                    -93015,
                    {{kRow1SecondTime, -9}, {kRow1SecondTime + 1, -30}, {kRow1SecondTime + 2, -15}}},
        ReceiveCase{"SecondTimeMin",
                    2,
                    kIntMin,
                    {{kRow1SecondTime, -214748}, {kRow1SecondTime + 1, -36}, {kRow1SecondTime + 2, -48}}},
        ReceiveCase{"Mark", 3, 7, {{kRow1Mark, 7}}}, ReceiveCase{"Pair", 4, 512, {{kRow1Pair, 5}, {kRow1Pair + 1, 12}}},
        ReceiveCase{"PairNegative", 4, -150, {{kRow1Pair, -1}, {kRow1Pair + 1, -50}}},
        ReceiveCase{"PairMin", 4, kIntMin, {{kRow1Pair, -21474836}, {kRow1Pair + 1, -48}}},
        ReceiveCase{"HeaderCode", 9, 5, {{kHeaderCode, 5}}},
        ReceiveCase{"HeaderTime", 10, 93015, {{kHeaderHours, 9}, {kHeaderHours + 1, 30}, {kHeaderHours + 2, 15}}},
        ReceiveCase{
            "HeaderTimeNegative", 10, -93015, {{kHeaderHours, -9}, {kHeaderHours + 1, -30}, {kHeaderHours + 2, -15}}},
        ReceiveCase{"HeaderValue", 11, -3, {{kHeaderValue, -3}}},
        ReceiveCase{"Duration90", 12, 90, {{kRow1Duration, 1}, {kRow1Duration + 1, 30}}},
        ReceiveCase{"Duration120", 12, 120, {{kRow1Duration, 2}, {kRow1Duration + 1, 60}}},
        ReceiveCase{"Duration0", 12, 0, {{kRow1Duration, 0}, {kRow1Duration + 1, 60}}},
        ReceiveCase{"DurationNegative", 12, -5, {{kRow1Duration, 60}, {kRow1Duration + 1, 60}}},
        ReceiveCase{"Duration60", 12, 60, {{kRow1Duration, 1}, {kRow1Duration + 1, 60}}},
        ReceiveCase{"Duration61", 12, 61, {{kRow1Duration, 1}, {kRow1Duration + 1, 1}}},
        ReceiveCase{"DurationMin", 12, kIntMin, {{kRow1Duration, 60}, {kRow1Duration + 1, 60}}},
        ReceiveCase{"DurationMax", 12, kIntMax, {{kRow1Duration, 35791394}, {kRow1Duration + 1, 7}}}),
    [](const ::testing::TestParamInfo<ReceiveCase>& param) { return param.param.name; });

TEST_F(DisplayTest, NumberFieldTakesDigitGroupsAndIsCutToThreeEntries) {
    const struct {
        int32_t value;
        std::array<int32_t, 3> entries;
    } cases[] = {
        {1234567890, {1234, 5678, 90}}, {-1234567890, {-1234, -5678, -90}}, {7, {0, 0, 7}}, {700, {0, 7, 0}},
        {kIntMax, {2147, 4836, 47}},    {kIntMin, {-2147, -4836, -48}},
    };
    display.reset();
    EXPECT_EQ(display.numberField(3), 10);
    for (const auto& c : cases) {
        display.receive(8, c.value);
        for (std::size_t entry = 0; entry < 3; ++entry) {
            EXPECT_EQ(display.numberField(entry), c.entries[entry]) << c.value << " entry " << entry;
        }
        EXPECT_EQ(display.numberField(3), 0) << "the placeholders beyond entry 2 are gone";
    }
    display.reset();
    EXPECT_EQ(display.numberField(3), 10);
}

TEST_F(DisplayTest, ScalarKindsSetDistanceDirectionAndExtraCode) {
    display.receive(5, 987);
    EXPECT_EQ(display.distance(), 987.0);
    display.receive(5, kIntMin);
    EXPECT_EQ(display.distance(), -2147483648.0);
    display.receive(7, -4);
    EXPECT_EQ(display.extraCode(), -4);

    display.receive(5, 1000);
    display.receive(6, -7);  // any non-zero value counts down
    frame(1000, 36.0F);
    EXPECT_DOUBLE_EQ(display.distance(), 990.0);
    display.receive(6, 0);
    frame(1000, 36.0F);
    EXPECT_DOUBLE_EQ(display.distance(), 1000.0);
}

TEST_F(DisplayTest, UnknownKindsChangeNothing) {
    TimetableDisplay untouched;
    for (const int32_t kind : {-1, 14, 15, kIntMin, kIntMax}) {
        display.receive(kind, 512);
    }
    frame(kFullRevealMs, 36.0F);
    untouched.update(last);
    EXPECT_EQ(display.shown(), untouched.shown());
    EXPECT_EQ(display.distance(), untouched.distance());
    EXPECT_EQ(display.extraCode(), untouched.extraCode());
    for (std::size_t entry = 0; entry < 4; ++entry) {
        EXPECT_EQ(display.numberField(entry), untouched.numberField(entry));
    }
}

// Rows revealed after an accumulated time, taken in frames of up to 100 ms.
struct RevealCase {
    int32_t elapsedMs;
    int rowsShown;  // 0 to 3; the header comes with row 3
};

class Reveal : public DisplayTest, public ::testing::WithParamInterface<RevealCase> {};

TEST_P(Reveal, RowsAppearOnlyStrictlyPastTheirThresholds) {
    display.reset();
    display.receive(9, 5);
    appendStop(11, 80000, 80100, 101, 1);
    appendStop(12, 81000, 81100, 202, 2);
    appendStop(13, 82000, 82100, 303, 3);
    display.receive(13, 3);
    for (int32_t left = GetParam().elapsedMs; left > 0; left -= 100) {
        frame(left < 100 ? left : 100);
    }
    const int rows = GetParam().rowsShown;
    EXPECT_EQ(at(kRow1Code), rows >= 1 ? 11 : 0);
    EXPECT_EQ(at(kRow1FirstTime), rows >= 1 ? 8 : 24);
    EXPECT_EQ(at(kRow2Code), rows >= 2 ? 12 : 0);
    EXPECT_EQ(at(kRow2Pair), rows >= 2 ? 2 : 0);
    EXPECT_EQ(at(kRow3Code), rows >= 3 ? 13 : 0);
    EXPECT_EQ(at(kRow3SecondTime), rows >= 3 ? 8 : 24);
    EXPECT_EQ(at(kRow3Mark), rows >= 3 ? 3 : 0);
    EXPECT_EQ(at(kHeaderCode), rows >= 3 ? 5 : 0);
}

INSTANTIATE_TEST_SUITE_P(Thresholds, Reveal,
                         ::testing::Values(RevealCase{0, 0}, RevealCase{400, 0}, RevealCase{401, 1}, RevealCase{800, 1},
                                           RevealCase{801, 2}, RevealCase{1000, 2}, RevealCase{1200, 2},
                                           RevealCase{1201, 3}));

TEST_F(DisplayTest, RevealedRowsFollowNewEntriesAndRowChangesWithinAFrame) {
    display.reset();
    frame(kFullRevealMs);
    appendStop(11, 80000, 80100, 101, 1);
    display.receive(9, 5);
    frame(0);
    EXPECT_EQ(at(kRow3Code), 0);  // entry 2 still
    display.receive(13, 1);
    frame(0);
    EXPECT_EQ(at(kRow3Code), 11);
    EXPECT_EQ(at(kHeaderCode), 5);
}

TEST_F(DisplayTest, ReadingBeyondTheListsShowsFillValuesAndPadsThem) {
    display.reset();
    display.receive(13, 10);
    frame(kFullRevealMs);
    for (const std::size_t row : {kRow1FirstTime, kRow2FirstTime, kRow3FirstTime}) {
        EXPECT_EQ(at(row), 24);
        EXPECT_EQ(at(row + 1), 60);
        EXPECT_EQ(at(row + 2), 60);
    }
    for (const std::size_t slot : {kRow1Code, kRow3Code, kRow1Pair, kRow1Pair + 1, kRow3Pair + 1, kRow2Mark,
                                   kRow1Duration, kRow1Duration + 1, kRow2Duration, kRow2Duration + 1}) {
        EXPECT_EQ(at(slot), 0) << slot;
    }

    // The reads padded the lists: stop codes up to entry 12, durations (rows
    // 1 and 2 only) up to entry 11, so new entries land behind the padding.
    display.receive(0, 77);
    display.receive(12, 90);
    display.receive(13, 12);
    frame(0);
    EXPECT_EQ(at(kRow1Duration), 1);
    EXPECT_EQ(at(kRow1Duration + 1), 30);
    EXPECT_EQ(at(kRow1Code), 0);
    EXPECT_EQ(at(kRow2Code), 77);
}

// An armed advance and the speed of the next frame.
struct AdvanceCase {
    std::string name;
    float speedKmh;
    bool advances;
};

class Advance : public DisplayTest, public ::testing::WithParamInterface<AdvanceCase> {};

TEST_P(Advance, FiresOnlyAboveFiveKmh) {
    display.reset();
    appendStop(11, 80000, 80100, 101, 1);
    appendStop(12, 81000, 81100, 202, 2);
    display.receive(13, 3);
    frame(kFullRevealMs);
    ASSERT_EQ(at(kRow1Code), 11);

    display.doorsOpened();
    frame(20, GetParam().speedKmh);
    if (GetParam().advances) {
        // The frame of the advance publishes the blank rows.
        EXPECT_EQ(display.shown(), kBlank);
        frame(400, 0.0F);
        EXPECT_EQ(at(kRow1Code), 0);
        frame(1, 0.0F);
        EXPECT_EQ(at(kRow1Code), 12);
    } else {
        EXPECT_EQ(at(kRow1Code), 11);
        frame(20, 30.0F);  // still armed
        EXPECT_EQ(at(kRow1Code), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Speeds, Advance,
                         ::testing::Values(AdvanceCase{"Standing", 0.0F, false}, AdvanceCase{"AtFive", 5.0F, false},
                                           AdvanceCase{"JustAboveFive", kJustAbove5, true},
                                           AdvanceCase{"Backwards", -30.0F, false},
                                           AdvanceCase{"NotANumber", kNaN, false}, AdvanceCase{"Infinite", kInf, true}),
                         [](const ::testing::TestParamInfo<AdvanceCase>& param) { return param.param.name; });

TEST_F(DisplayTest, AdvanceArmedByBeaconFiresOnceThenDisarms) {
    display.reset();
    appendStop(11, 80000, 80100, 101, 1);
    appendStop(12, 81000, 81100, 202, 2);
    appendStop(13, 82000, 82100, 303, 3);
    display.receive(13, 3);
    display.armAdvance();
    frame(20, 40.0F);
    frame(kFullRevealMs, 40.0F);
    EXPECT_EQ(at(kRow1Code), 12);
    frame(kFullRevealMs, 40.0F);
    EXPECT_EQ(at(kRow1Code), 12);
}

// Two advances, the second this long after the first, with a header code.
struct HeaderBlankCase {
    int32_t headerCode;
    int32_t secondAfterMs;
    bool blanked;
};

class HeaderOnAdvance : public DisplayTest, public ::testing::WithParamInterface<HeaderBlankCase> {};

TEST_P(HeaderOnAdvance, QuickSecondAdvanceBlanksHeaderTimeAndValue) {
    display.reset();
    display.receive(9, GetParam().headerCode);
    display.receive(10, 93015);
    display.receive(11, 42);
    frame(kFullRevealMs);

    display.doorsOpened();
    frame(20, 30.0F);  // late advance: the header was revealed this cycle
    EXPECT_EQ(at(kHeaderCode), 0);
    EXPECT_EQ(at(kHeaderHours), 9);
    EXPECT_EQ(at(kHeaderValue), 42);

    display.doorsOpened();
    frame(GetParam().secondAfterMs, 30.0F);
    const std::array<int32_t, 4> blank{24, 60, 60, 0};
    const std::array<int32_t, 4> kept{9, 30, 15, 42};
    const auto& expected = GetParam().blanked ? blank : kept;
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(at(kHeaderHours + i), expected[i]) << i;
    }
    EXPECT_EQ(at(kHeaderCode), 0);
}

INSTANTIATE_TEST_SUITE_P(Timing, HeaderOnAdvance,
                         ::testing::Values(HeaderBlankCase{5, 500, true}, HeaderBlankCase{5, 1200, true},
                                           HeaderBlankCase{5, 1201, false}, HeaderBlankCase{0, 500, false}));

struct DistanceCase {
    bool countDown;
    float speedKmh;
    int32_t stepMs;
    double change;
};

class Distance : public DisplayTest, public ::testing::WithParamInterface<DistanceCase> {};

TEST_P(Distance, IntegratesSpeedOverTheFrame) {
    display.receive(5, 500);
    display.receive(6, GetParam().countDown ? 1 : 0);
    frame(GetParam().stepMs, GetParam().speedKmh);
    EXPECT_DOUBLE_EQ(display.distance(), 500.0 + GetParam().change);
}

INSTANTIATE_TEST_SUITE_P(Directions, Distance,
                         ::testing::Values(DistanceCase{false, 36.0F, 1000, 10.0},
                                           DistanceCase{true, 36.0F, 1000, -10.0},
                                           DistanceCase{true, -36.0F, 1000, 10.0},
                                           DistanceCase{false, 72.0F, 500, 10.0}, DistanceCase{false, 36.0F, 0, 0.0}));

struct AlertCase {
    int32_t timeMs;
    float speedKmh;
    int32_t lamp;
    int32_t sound;
};

class StopAlert : public DisplayTest, public ::testing::WithParamInterface<AlertCase> {};

TEST_P(StopAlert, LampFollowsTheClockAndSoundTheSpeed) {
    display.startStopAlert();
    frame(20, GetParam().speedKmh, GetParam().timeMs);
    EXPECT_EQ(display.stopAlertLamp(), GetParam().lamp);
    EXPECT_EQ(display.stopAlertSound(), GetParam().sound);
}

constexpr int32_t kPlay = CABKIT_SOUND_LOOP;
constexpr int32_t kSilent = CABKIT_SOUND_STOP;

INSTANTIATE_TEST_SUITE_P(ClockAndSpeed, StopAlert,
                         ::testing::Values(AlertCase{37400, 0.0F, 1, kSilent}, AlertCase{37600, 0.0F, 0, kSilent},
                                           AlertCase{499, 0.0F, 1, kSilent}, AlertCase{500, 0.0F, 0, kSilent},
                                           AlertCase{-600, 0.0F, 1, kSilent}, AlertCase{kIntMin, 0.0F, 1, kSilent},
                                           AlertCase{kIntMax, 0.0F, 0, kSilent}, AlertCase{0, 5.0F, 1, kSilent},
                                           AlertCase{0, kJustAbove5, 1, kPlay}, AlertCase{0, kNaN, 1, kSilent},
                                           AlertCase{0, kInf, 1, kPlay}, AlertCase{0, -30.0F, 1, kSilent}));

TEST_F(DisplayTest, StopAlertIsLoweredByDoorsAndReset) {
    frame(20, 30.0F, 400);
    EXPECT_EQ(display.stopAlertLamp(), 0);
    EXPECT_EQ(display.stopAlertSound(), kSilent);

    display.startStopAlert();
    frame(20, 30.0F, 400);
    ASSERT_EQ(display.stopAlertSound(), kPlay);
    display.doorsOpened();
    frame(20, 30.0F, 400);
    EXPECT_EQ(display.stopAlertLamp(), 0);
    EXPECT_EQ(display.stopAlertSound(), kSilent);

    display.startStopAlert();
    frame(20, 30.0F, 400);
    display.reset();
    EXPECT_EQ(display.stopAlertLamp(), 0);
    EXPECT_EQ(display.stopAlertSound(), kSilent);
    frame(20, 30.0F, 400);
    EXPECT_EQ(display.stopAlertSound(), kSilent);
}

TEST_F(DisplayTest, RevealTimerSaturatesInsteadOfWrapping) {
    display.reset();
    frame(kIntMax);
    frame(kIntMax);
    // A wrapped timer would now be negative and stop refreshing the rows.
    appendStop(11, 80000, 80100, 101, 1);
    display.receive(13, 3);
    frame(1);
    EXPECT_EQ(at(kRow1Code), 11);
}

}  // namespace
}  // namespace cabkit::velorin::test
