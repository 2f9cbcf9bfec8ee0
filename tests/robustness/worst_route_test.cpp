// The worst routes we can think of, fed through the exports of a fresh
// vehicle plug-in: a row number far beyond any list, millions of timetable
// beacons, a door-timer count near the int32 maximum. The plug-in runs in the
// host's process, so each must leave the heap within a stated bound, and the
// frames after it must not allocate at all (a frame that allocates or walks a
// huge list is a frame that stalls the host).
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "heap_probe.h"
#include "plugin_library.h"

namespace cabkit::test {
namespace {

constexpr std::size_t kMiB = 1U << 20U;
// Heap a whole worst route may add: the capped stop lists and the capped
// door timers, with room to spare.
constexpr std::size_t kRouteHeapBound = 16 * kMiB;
// Heap that showing a row far beyond the lists may add: none to speak of.
constexpr std::size_t kRowIndexHeapBound = 1 * kMiB;
// Peak resident set of this whole test process, plug-in included.
constexpr std::size_t kPeakResidentBoundKiB = 256 * 1024;

constexpr int32_t kServiceNotches = 8;
constexpr int32_t kEmergencyNotch = kServiceNotches + 1;
constexpr int32_t kFrameMs = 100;

BeaconData beacon(int32_t type, int32_t optional) { return BeaconData{type, 0, 0.0F, optional}; }

class WorstRoute : public ::testing::Test {
protected:
    // A run in mode 1 (the timetable on the panel), standing at 10:00.
    void SetUp() override {
        velorin->Load();
        velorin->SetVehicleSpec(VehicleSpec{kServiceNotches, 5, 1, 0, 10});
        velorin->Initialize(0);
        velorin->SetBrake(kEmergencyNotch);
        velorin->KeyDown(14);
        frames(1, 0.0F);
        heapAtStart = heapInUse();
    }

    void frames(int32_t count, float speedKmh) {
        for (int32_t i = 0; i < count; ++i) {
            static_cast<void>(velorin->Elapse(stateAt(timeMs, speedKmh), arrays.panel.data(), arrays.sound.data()));
            timeMs += kFrameMs;
        }
    }

    // Allocations made by `count` frames at a standstill, long enough for
    // every row of the display to be read and for timers to run.
    uint64_t allocationsIn(int32_t count) {
        const uint64_t before = allocationCount();
        frames(count, 0.0F);
        return allocationCount() - before;
    }

    std::size_t heapGrowth() const {
        const std::size_t now = heapInUse();
        return now > heapAtStart ? now - heapAtStart : 0;
    }

    PluginLibrary velorin{std::string("Velorin")};
    HostArrays arrays;
    int32_t timeMs = 36000000;
    std::size_t heapAtStart = 0;
};

// Panel slots of the three rows in mode 1: first and second clock time
// (hours, minutes, seconds), code, duration (rows 1 and 2), code pair, mark.
struct RowSlots {
    int first[3];
    int second[3];
    int code;
    int pair[2];
    int mark;
};
constexpr RowSlots kRows[3] = {
    {{179, 185, 192}, {182, 188, 195}, 170, {236, 237}, 242},
    {{180, 186, 193}, {183, 189, 196}, 171, {238, 239}, 243},
    {{181, 187, 194}, {184, 190, 197}, 172, {240, 241}, 244},
};
constexpr int kDurationSlots[4] = {154, 155, 156, 157};

TEST_F(WorstRoute, RowNumberFarBeyondTheListsShowsFillValuesAndGrowsNothing) {
    // Three real stops behind the three placeholders of a run start.
    for (int32_t stop = 0; stop < 3; ++stop) {
        velorin->SetBeaconData(beacon(117, 7));
        velorin->SetBeaconData(beacon(121, 93015));
        velorin->SetBeaconData(beacon(125, 93115));
        velorin->SetBeaconData(beacon(139, 1));
        velorin->SetBeaconData(beacon(143, 512));
        velorin->SetBeaconData(beacon(146, 90));
    }
    velorin->SetBeaconData(beacon(148, 3));
    frames(20, 0.0F);  // past 1200 ms: all three rows are shown
    ASSERT_EQ(arrays.panel[kRows[0].code], 7) << "the stops themselves show";
    ASSERT_EQ(arrays.panel[kRows[0].first[0]], 9);

    for (const int32_t row :
         {-1, -3, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), 4095, 4096, 1 << 20}) {
        SCOPED_TRACE(row);
        velorin->SetBeaconData(beacon(148, row));
        frames(20, 0.0F);
        for (const RowSlots& slots : kRows) {
            EXPECT_EQ(arrays.panel[slots.first[0]], 24);
            EXPECT_EQ(arrays.panel[slots.first[1]], 60);
            EXPECT_EQ(arrays.panel[slots.first[2]], 60);
            EXPECT_EQ(arrays.panel[slots.second[0]], 24);
            EXPECT_EQ(arrays.panel[slots.second[1]], 60);
            EXPECT_EQ(arrays.panel[slots.second[2]], 60);
            EXPECT_EQ(arrays.panel[slots.code], 0);
            EXPECT_EQ(arrays.panel[slots.pair[0]], 0);
            EXPECT_EQ(arrays.panel[slots.pair[1]], 0);
            EXPECT_EQ(arrays.panel[slots.mark], 0);
        }
        for (const int slot : kDurationSlots) {
            EXPECT_EQ(arrays.panel[slot], 0);
        }
        EXPECT_LT(heapGrowth(), kRowIndexHeapBound);
        EXPECT_EQ(allocationsIn(50), 0U);
    }
}

TEST_F(WorstRoute, MillionsOfTimetableBeaconsStayWithinTheListCaps) {
    constexpr int32_t kPerType = 1000000;
    for (const int32_t type : {117, 121, 125, 139, 143, 146}) {
        for (int32_t i = 0; i < kPerType; ++i) {
            velorin->SetBeaconData(beacon(type, i));
        }
    }
    RecordProperty("heap_growth_bytes", static_cast<int>(heapGrowth()));
    EXPECT_LT(heapGrowth(), kRouteHeapBound);
    velorin->SetBeaconData(beacon(148, 5000));
    frames(20, 0.0F);
    EXPECT_EQ(allocationsIn(50), 0U);
}

TEST_F(WorstRoute, DoorTimerCountNearTheInt32MaximumIsBounded) {
    for (const int32_t count : {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max() - 1}) {
        SCOPED_TRACE(count);
        velorin->SetBeaconData(beacon(304, count));
        velorin->DoorOpen();
        RecordProperty("heap_growth_bytes", static_cast<int>(heapGrowth()));
        EXPECT_LT(heapGrowth(), kRouteHeapBound);
        // Panel slot 201 is 0: the timers run down, and removing them from
        // the front of the list must neither allocate nor grow anything.
        EXPECT_EQ(allocationsIn(200), 0U);
        velorin->DoorClose();
    }
}

TEST_F(WorstRoute, AllTogetherKeepThePeakResidentSetBounded) {
    velorin->SetBeaconData(beacon(148, -1));
    for (const int32_t type : {117, 121, 125, 139, 143, 146}) {
        for (int32_t i = 0; i < 1000000; ++i) {
            velorin->SetBeaconData(beacon(type, -i));
        }
    }
    velorin->SetBeaconData(beacon(304, std::numeric_limits<int32_t>::max()));
    velorin->DoorOpen();
    frames(100, 0.0F);
    velorin->Initialize(0);
    frames(100, 0.0F);
    EXPECT_LT(heapGrowth(), kRouteHeapBound);
    if (addressSanitized()) {
        GTEST_SKIP() << "the sanitizer's shadow memory makes the resident set meaningless";
    }
    const std::size_t peak = peakResidentKiB();
    RecordProperty("peak_resident_kib", static_cast<int>(peak));
    EXPECT_LT(peak, kPeakResidentBoundKiB);
}

}  // namespace
}  // namespace cabkit::test
