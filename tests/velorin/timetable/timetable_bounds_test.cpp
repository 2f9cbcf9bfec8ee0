// Bounds of the per-stop lists: huge row numbers, endless appends, and the
// per-frame update's allocations.
#include <cstdint>
#include <iostream>
#include <limits>
#include <memory>

#include <gtest/gtest.h>

#include "allocation_counter.h"
#include "display_fixture.h"
#include "timetable_stop_list.h"

namespace cabkit::velorin::test {
namespace {

constexpr auto kCap = static_cast<int32_t>(kStopListCap);

class HugeRowIndex : public DisplayTest, public ::testing::WithParamInterface<int32_t> {};

TEST_P(HugeRowIndex, ShowsFillValuesWithoutAllocating) {
    // No reset: a beacon stop is then entry 1, where a row number of -1 plus
    // two would land if the addition wrapped.
    appendStop(11, 80000, 80100, 101, 1);
    display.receive(12, 90);
    display.receive(13, GetParam());

    const std::size_t before = cabkit::test::allocatedBytes();
    frame(kFullRevealMs);
    for (int i = 0; i < 100; ++i) {
        frame(20);
    }
    EXPECT_EQ(cabkit::test::allocatedBytes(), before);

    for (const std::size_t row : {kRow1FirstTime, kRow2FirstTime, kRow3FirstTime, kRow1SecondTime, kRow3SecondTime}) {
        EXPECT_EQ(at(row), 24) << row;
        EXPECT_EQ(at(row + 1), 60) << row;
        EXPECT_EQ(at(row + 2), 60) << row;
    }
    for (const std::size_t slot :
         {kRow1Code, kRow2Code, kRow3Code, kRow1Pair, kRow2Pair + 1, kRow3Pair, kRow3Pair + 1, kRow1Mark, kRow2Mark,
          kRow3Mark, kRow1Duration, kRow1Duration + 1, kRow2Duration, kRow2Duration + 1}) {
        EXPECT_EQ(at(slot), 0) << slot;
    }
}

INSTANTIATE_TEST_SUITE_P(RowNumbers, HugeRowIndex,
                         ::testing::Values(-1, -2, -3, std::numeric_limits<int32_t>::min(),
                                           std::numeric_limits<int32_t>::max(), kCap, kCap - 2));

TEST_F(DisplayTest, AdvancePastTheLastRowNumberWrapsToTheFirstStop) {
    appendStop(11, 80000, 80100, 101, 1);
    display.receive(13, -1);
    display.armAdvance();
    frame(20, 30.0F);
    frame(kFullRevealMs);
    EXPECT_EQ(at(kRow1Code), 0);
    EXPECT_EQ(at(kRow2Code), 11);
}

TEST_F(DisplayTest, AppendsBeyondTheCapAreDropped) {
    display.reset();
    const std::size_t before = cabkit::test::allocatedBytes();
    for (int32_t entry = 3; entry < kCap + 100; ++entry) {
        display.receive(0, entry);
    }
    EXPECT_EQ(cabkit::test::allocatedBytes(), before);

    display.receive(13, kCap - 2);
    frame(kFullRevealMs);
    EXPECT_EQ(at(kRow1Code), kCap - 2);
    EXPECT_EQ(at(kRow2Code), kCap - 1);
    EXPECT_EQ(at(kRow3Code), 0);
}

TEST_F(DisplayTest, EndlessAppendBeaconsDoNotGrowMemory) {
    display.reset();
    const std::size_t before = cabkit::test::allocatedBytes();
    constexpr int32_t kBeacons = 1000000;
    for (int32_t i = 0; i < kBeacons; ++i) {
        for (const int32_t kind : {0, 1, 2, 3, 4, 12}) {
            display.receive(kind, i);
        }
        display.receive(8, i);
    }
    EXPECT_EQ(cabkit::test::allocatedBytes(), before);
}

TEST_F(DisplayTest, UpdateAndRestartsDoNotAllocate) {
    display.reset();
    appendStop(11, 80000, 80100, 101, 1);
    const std::size_t before = cabkit::test::allocatedBytes();
    for (int32_t i = 0; i < 200; ++i) {
        display.receive(13, i % 50);  // rows within and beyond the entries
        if (i % 40 == 0) {
            display.doorsOpened();
            display.reset();
        }
        frame(500, static_cast<float>(i % 20), i * 500);
    }
    EXPECT_EQ(cabkit::test::allocatedBytes(), before);
}

TEST(TimetableDisplayMemory, WholeDisplayStaysSmall) {
    const std::size_t before = cabkit::test::allocatedBytes();
    auto display = std::make_unique<TimetableDisplay>();
    const std::size_t bytes = cabkit::test::allocatedBytes() - before;
    std::cout << "timetable display allocates " << bytes << " bytes in all\n";
    EXPECT_LT(bytes, std::size_t{256} * 1024);
}

}  // namespace
}  // namespace cabkit::velorin::test
