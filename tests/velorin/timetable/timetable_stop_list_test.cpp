#include "timetable_stop_list.h"

#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

namespace cabkit::velorin {
namespace {

TEST(StopList, ReadingPastTheEndPadsToExactlyThatEntryAndNeverShortens) {
    StopList<int32_t> list(246060, 1);
    list.append(93000);
    EXPECT_EQ(list.read(1), 93000);
    EXPECT_EQ(list.size(), 2U);

    EXPECT_EQ(list.read(5), 246060);
    EXPECT_EQ(list.size(), 6U);
    EXPECT_EQ(list.read(3), 246060);
    EXPECT_EQ(list.size(), 6U);

    // An entry appended after padding goes behind the padding.
    list.append(101500);
    EXPECT_EQ(list.read(6), 101500);
}

TEST(StopList, PairsPadWithTheirOwnFill) {
    StopList<IntPair> list(IntPair{0, 0}, 2);
    list.append(IntPair{1, 30});
    EXPECT_EQ(list.read(2), (IntPair{1, 30}));
    EXPECT_EQ(list.read(4), (IntPair{0, 0}));
    EXPECT_EQ(list.size(), 5U);
}

TEST(StopList, NeverHoldsMoreThanTheCap) {
    StopList<int32_t> list(0, 1);
    EXPECT_EQ(list.read(kStopListCap - 1), 0);
    EXPECT_EQ(list.size(), kStopListCap);

    // At or beyond the cap a read answers the fill value and grows nothing.
    for (const uint64_t index :
         {uint64_t{kStopListCap}, uint64_t{kStopListCap} + 1, uint64_t{std::numeric_limits<uint32_t>::max()} + 2,
          std::numeric_limits<uint64_t>::max()}) {
        EXPECT_EQ(list.read(index), 0) << index;
        EXPECT_EQ(list.size(), kStopListCap) << index;
    }

    list.append(7);
    EXPECT_EQ(list.size(), kStopListCap);
    EXPECT_EQ(list.read(kStopListCap - 1), 0);

    list.refill(kStopListCap * 2);
    EXPECT_EQ(list.size(), kStopListCap);
}

TEST(StopList, RefillDropsEveryEarlierEntry) {
    StopList<int32_t> list(0, 1);
    for (int32_t value = 1; value <= 10; ++value) {
        list.append(value);
    }
    list.refill(3);
    EXPECT_EQ(list.size(), 3U);
    EXPECT_EQ(list.read(1), 0);
    list.append(42);
    EXPECT_EQ(list.read(3), 42);
}

}  // namespace
}  // namespace cabkit::velorin
