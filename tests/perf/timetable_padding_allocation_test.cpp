// The one place a frame may allocate: the timetable pads its stop lists when
// the rows it shows reach beyond them. That padding happens only in the
// frames that first reveal such a row, grows each list at most once per
// frame, and stops at the lists' cap, beyond which nothing is allocated.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "allocation_counter.h"
#include "plugin_library.h"

namespace cabkit::test {
namespace {

using sim::validate::allocationsDuring;

constexpr int32_t kFrameStepMs = 16;
// Rows 1, 2 and 3 are revealed once the display's timer passes 400, 800 and
// 1200 ms after an advance; 100 frames reach well beyond.
constexpr int32_t kRevealFrames = 100;
// Per-stop lists: codes, first and second times, code pairs, marks, durations.
constexpr uint64_t kPerStopLists = 6;

class TimetablePadding : public ::testing::Test {
protected:
    TimetablePadding() : velorin_(std::string("Velorin")) {
        velorin_->Load();
        velorin_->SetVehicleSpec(VehicleSpec{8, 5, 1, 0, 10});
        velorin_->Initialize(0);
        arrays_.panel[201] = 1;
        velorin_->KeyDown(14);  // mode 1: the timetable is on the panel
        elapse(0.0F);
    }

    void elapse(float speedKmh) {
        timeMs_ += kFrameStepMs;
        velorin_->Elapse(stateAt(timeMs_, speedKmh), arrays_.panel.data(), arrays_.sound.data());
    }

    // Allocations of each of `frames` Elapse calls at the given speed.
    std::vector<uint64_t> countPerFrame(int32_t frames, float speedKmh) {
        std::vector<uint64_t> counts(static_cast<std::size_t>(frames));
        for (uint64_t& count : counts) {
            count = allocationsDuring([this, speedKmh] { elapse(speedKmh); });
        }
        return counts;
    }

    void showRowsFrom(int32_t rowIndex) {
        elapse(0.0F);  // the row number is taken only at a standstill
        velorin_->SetBeaconData(BeaconData{148, 0, 0.0F, rowIndex});
    }

    PluginLibrary velorin_;
    HostArrays arrays_;
    int32_t timeMs_ = 36000000;
};

// At most the three reveal frames pad, each list growing at most once.
void expectPaddingOnlyInRevealFrames(const std::vector<uint64_t>& counts) {
    int32_t allocatingFrames = 0;
    for (std::size_t frame = 0; frame < counts.size(); ++frame) {
        EXPECT_LE(counts[frame], kPerStopLists) << "frame " << frame;
        if (counts[frame] != 0) {
            ++allocatingFrames;
        }
    }
    EXPECT_LE(allocatingFrames, 3);
}

TEST_F(TimetablePadding, RowsBeyondTheListsPadOnlyWhenFirstRevealedAndNeverAfter) {
    showRowsFrom(40);
    expectPaddingOnlyInRevealFrames(countPerFrame(kRevealFrames, 0.0F));
    for (const uint64_t count : countPerFrame(kRevealFrames, 0.0F)) {
        EXPECT_EQ(count, 0U);
    }

    // Each advance moves the rows one stop further beyond the lists.
    for (int32_t advance = 0; advance < 20; ++advance) {
        velorin_->DoorOpen();
        velorin_->DoorClose();
        expectPaddingOnlyInRevealFrames(countPerFrame(kRevealFrames, 30.0F));
    }
}

TEST_F(TimetablePadding, RowsBeyondTheCapAllocateNothing) {
    for (const int32_t rowIndex : {-1, 1 << 20, INT32_MAX}) {
        showRowsFrom(rowIndex);
        uint64_t total = 0;
        for (const uint64_t count : countPerFrame(kRevealFrames, 0.0F)) {
            total += count;
        }
        EXPECT_EQ(total, 0U) << "row index " << rowIndex;
    }
}

}  // namespace
}  // namespace cabkit::test
