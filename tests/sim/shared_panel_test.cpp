// The panel policy decides whether a switch-off value sticks once its writer
// stops sending it; a reader earlier in the calling order must still see what
// a later writer wrote in the previous frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "guarded_arrays.h"
#include "shared_panel.h"
#include "sound_commands.h"

namespace cabkit::sim {
namespace {

constexpr int32_t kOutside = 0, kFirst = 1, kSecond = 2;

// One frame: the outside component, then two plug-ins in order. `second`
// writes slot 249 with `value` when it is not 0. Returns what `first` read.
int32_t frame(SharedArrays& arrays, int32_t value) {
    arrays.beginTurn(kOutside);
    arrays.panel()[201] = 1;
    arrays.endTurn(kOutside);
    arrays.beginTurn(kFirst);
    const int32_t seen = arrays.panel()[249];
    arrays.endTurn(kFirst);
    arrays.beginTurn(kSecond);
    if (value != 0) arrays.panel()[249] = value;
    arrays.endTurn(kSecond);
    return seen;
}

TEST(SharedPanel, ZeroPolicyHoldsAValueOnlyWhileItsWriterKeepsWritingIt) {
    SharedArrays arrays(true);
    EXPECT_EQ(frame(arrays, 4), 0);
    EXPECT_EQ(arrays.panel()[249], 4);
    EXPECT_EQ(frame(arrays, 4), 4);  // the earlier plug-in reads last frame's write
    EXPECT_EQ(frame(arrays, 4), 4);  // and it keeps being read while rewritten
    EXPECT_EQ(arrays.writerOf(249), kSecond);
    EXPECT_EQ(frame(arrays, 0), 4);  // the writer stops: gone after its turn
    EXPECT_EQ(arrays.panel()[249], 0);
    EXPECT_EQ(frame(arrays, 0), 0);
    EXPECT_EQ(arrays.panel()[201], 1);  // the outside component's slot, rewritten each frame
}

TEST(SharedPanel, KeepPolicyLeavesTheLastValueForGood) {
    SharedArrays arrays(false);
    frame(arrays, 4);
    frame(arrays, 0);
    EXPECT_EQ(frame(arrays, 0), 4);
    EXPECT_EQ(arrays.panel()[249], 4);
}

TEST(SharedPanel, ASlotTakenOverByAnotherWriterFollowsTheNewWriter) {
    SharedArrays arrays(true);
    frame(arrays, 4);
    // The first plug-in now writes 1 into the same slot; the second stops.
    arrays.beginTurn(kFirst);
    arrays.panel()[249] = 1;
    arrays.endTurn(kFirst);
    arrays.beginTurn(kSecond);
    arrays.endTurn(kSecond);
    EXPECT_EQ(arrays.writerOf(249), kFirst);
    EXPECT_EQ(arrays.panel()[249], 1);
    arrays.beginTurn(kFirst);  // and when the first stops too, the slot falls to 0
    arrays.endTurn(kFirst);
    EXPECT_EQ(arrays.panel()[249], 0);
}

TEST(SharedPanel, SoundsStartStoppedAndKeepTheirLastCommand) {
    SharedArrays arrays(true);
    EXPECT_EQ(arrays.sound()[0], CABKIT_SOUND_STOP);
    arrays.beginTurn(kFirst);
    arrays.sound()[0] = CABKIT_SOUND_LOOP;
    arrays.endTurn(kFirst);
    arrays.beginTurn(kFirst);
    arrays.endTurn(kFirst);
    EXPECT_EQ(arrays.sound()[0], CABKIT_SOUND_LOOP);
}

// The host hands the panel on with one pass; it must leave what the two
// calls it stands for leave, under both policies and any writes.
TEST(SharedPanel, PassingTheTurnEqualsEndingOneAndBeginningTheNext) {
    for (const bool zero : {true, false}) {
        SharedArrays stepwise(zero);
        SharedArrays passed(zero);
        uint32_t seed = 22;
        for (int frameIndex = 0; frameIndex < 200; ++frameIndex) {
            for (int32_t writer = 0; writer <= 3; ++writer) {
                if (writer == 0) {
                    stepwise.beginTurn(0);
                    passed.beginTurn(0);
                } else {
                    stepwise.endTurn(writer - 1);
                    stepwise.beginTurn(writer);
                    passed.passTurn(writer - 1, writer);
                }
                for (int write = 0; write < 8; ++write) {  // a few slots, some of them again
                    seed = seed * 1664525U + 1013904223U;
                    const std::size_t slot = (seed >> 8U) % 16U;
                    const auto value = static_cast<int32_t>((seed >> 20U) % 3U);
                    stepwise.panel()[slot] = value;
                    passed.panel()[slot] = value;
                }
            }
            stepwise.endTurn(3);
            passed.endTurn(3);
            for (std::size_t slot = 0; slot < 16; ++slot) {
                ASSERT_EQ(passed.panel()[slot], stepwise.panel()[slot]) << frameIndex << " " << slot;
                ASSERT_EQ(passed.writerOf(slot), stepwise.writerOf(slot)) << frameIndex << " " << slot;
            }
        }
    }
}

// The host's own writes are known, so a repeating turn of it is not looked
// at; one that writes something else must still count, also for the turns
// after it that take their own shortcut.
TEST(SharedPanel, AnOutsideTurnThatWritesSomethingElseIsTakenInFull) {
    SharedArrays arrays(true);
    const auto frame = [&arrays](int32_t value) {
        const PanelWrite outside[] = {{201, value}};
        arrays.outsideTurn(outside);
        arrays.beginTurn(kFirst);
        const int32_t seen = arrays.panel()[201];
        for (int32_t slot = 100; slot < 140; ++slot) arrays.panel()[slot] = 3;  // a writer of many slots
        arrays.endLastTurn(kFirst);
        return seen;
    };
    for (int i = 0; i < 3; ++i) EXPECT_EQ(frame(1), 1);
    EXPECT_FALSE(arrays.panelMoved());
    EXPECT_EQ(frame(2), 2);
    EXPECT_TRUE(arrays.panelMoved());
    EXPECT_EQ(frame(2), 2);
    EXPECT_EQ(frame(0), 0);
    EXPECT_EQ(arrays.panel()[201], 0);
    EXPECT_EQ(arrays.panel()[120], 3);
}

// The slot-by-slot rule, as plainly as it can be said.
struct PlainPanel {
    explicit PlainPanel(bool zeroPolicy) : zero(zeroPolicy) { writer.fill(SharedArrays::kNoWriter); }
    void begin(int32_t w) {
        for (std::size_t s = 0; s < panel.size(); ++s) {
            if (zero && writer[s] == w) panel[s] = 0;
        }
        before = panel;
    }
    void end(int32_t w) {
        for (std::size_t s = 0; s < panel.size(); ++s) {
            if (panel[s] != before[s]) writer[s] = w;
        }
    }
    bool zero;
    std::array<int32_t, CABKIT_PANEL_SLOTS> panel{}, before{}, writer{};
};

// Frames mostly repeat their predecessor; the host takes its shortcut then
// and must still agree with the plain rule when a writer changes a value,
// drops or takes over a slot, or writes what another wrote, and afterwards.
// A frame it calls unmoved must leave the arrays as the frame before did.
TEST(SharedPanel, RepeatedFramesAgreeWithTheSlotBySlotRule) {
    // Contended: two writers write different values into slot 249 every
    // frame, so it changes hands every frame and no frame repeats.
    for (const auto& [zero, contended] :
         {std::pair{true, true}, std::pair{false, true}, std::pair{true, false}, std::pair{false, false}}) {
        SharedArrays arrays(zero);
        PlainPanel plain(zero);
        // Each writer's writes of a frame: (slot, value); value -1 copies what it read in slot 0.
        std::array<std::vector<std::pair<std::size_t, int32_t>>, 4> writes{{
            {{201, 1}},
            {{57, 1}, {72, 9}, {contended ? std::size_t{249} : std::size_t{248}, 1}},
            {{0, 1}, {1, 0}, {21, -1}},
            {{75, 2}, {249, 4}, {150, 7}, {151, 7}},
        }};
        // One writer of many slots, as a vehicle plug-in is.
        for (std::size_t slot = 100; slot < 140; ++slot) writes[1].emplace_back(slot, 3);
        std::array<int32_t, CABKIT_PANEL_SLOTS> lastPanel{};
        std::array<int32_t, CABKIT_SOUND_SLOTS> lastSound{};
        int unmoved = 0;
        uint32_t seed = 7;
        for (int frameIndex = 0; frameIndex < 400; ++frameIndex) {
            if (frameIndex % 23 == 22) {  // one writer changes one of its writes
                seed = seed * 1664525U + 1013904223U;
                auto& list = writes[(seed >> 8U) % 4U];
                const std::size_t slots[] = {0, 1, 57, 72, 75, 120, 150, 201, 249};
                const auto value = static_cast<int32_t>((seed >> 16U) % 4U);
                const std::size_t slot = slots[(seed >> 20U) % 9U];
                if (!list.empty() && value == 3) {
                    list.pop_back();
                } else {
                    list.emplace_back(slot, value);
                }
            }
            // The outside component's turn as the host takes it: its writes known.
            plain.begin(0);
            std::vector<PanelWrite> outside;
            for (const auto& [slot, value] : writes[0]) {
                outside.push_back(PanelWrite{static_cast<int32_t>(slot), value >= 0 ? value : plain.panel[0]});
                plain.panel[slot] = outside.back().value;
            }
            arrays.outsideTurn(outside);
            plain.end(0);
            for (int32_t w = 1; w < 4; ++w) {
                if (w == 1) {
                    arrays.beginTurn(1);
                } else {
                    arrays.passTurn(w - 1, w);
                }
                plain.begin(w);
                ASSERT_TRUE(std::equal(plain.panel.begin(), plain.panel.end(), arrays.panel())) << frameIndex;
                for (const auto& [slot, value] : writes[static_cast<std::size_t>(w)]) {
                    const int32_t written = value >= 0 ? value : arrays.panel()[0];
                    arrays.panel()[slot] = written;
                    plain.panel[slot] = written;
                }
                if (w == 2 && frameIndex % 40 == 0) arrays.sound()[3] = frameIndex % 80 == 0 ? 1 : 2;
                plain.end(w);
            }
            arrays.endLastTurn(3);
            for (std::size_t slot = 0; slot < CABKIT_PANEL_SLOTS; ++slot) {
                ASSERT_EQ(arrays.writerOf(slot), plain.writer[slot]) << zero << " " << frameIndex << " " << slot;
            }
            ASSERT_TRUE(arrays.unchangedSinceSettled());
            const bool panelSame = std::equal(lastPanel.begin(), lastPanel.end(), arrays.panel());
            const bool soundSame = std::equal(lastSound.begin(), lastSound.end(), arrays.sound());
            ASSERT_TRUE(arrays.panelMoved() || panelSame) << zero << " " << frameIndex;
            ASSERT_EQ(arrays.soundMoved(), !soundSame) << zero << " " << frameIndex;
            unmoved += arrays.panelMoved() ? 0 : 1;
            std::copy(arrays.panel(), arrays.panel() + CABKIT_PANEL_SLOTS, lastPanel.begin());
            std::copy(arrays.sound(), arrays.sound() + CABKIT_SOUND_SLOTS, lastSound.begin());
        }
        if (!contended) {
            EXPECT_GT(unmoved, 0) << zero;  // steady stretches are known to repeat
        }
    }
}

// A byte `offset` bytes from slot 0, reached the way a stray plug-in would.
volatile unsigned char* byteAt(GuardedSlots& slots, std::ptrdiff_t offset) {
    return reinterpret_cast<volatile unsigned char*>(reinterpret_cast<std::uintptr_t>(slots.data()) + offset);
}

TEST(GuardedArrays, AWriteInFrontOfSlotZeroIsSeenAndOneBehindTheLastSlotFaults) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer meets the stray write itself, before the canary can";
#endif
    for (const std::ptrdiff_t offset : {-1, -4, -64, -1000}) {
        GuardedSlots slots(CABKIT_PANEL_SLOTS);
        slots[0] = 1;
        slots[CABKIT_PANEL_SLOTS - 1] = 2;
        EXPECT_TRUE(slots.frontIntact());
        *byteAt(slots, offset) = 0;
        EXPECT_FALSE(slots.frontIntact()) << offset;
        EXPECT_EQ(slots.nearFrontIntact(), offset < -64) << offset;  // the look after every call
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            GuardedSlots slots(CABKIT_SOUND_SLOTS);
            *byteAt(slots, CABKIT_SOUND_SLOTS * sizeof(int32_t)) = 0;
        },
        "");
}

}  // namespace
}  // namespace cabkit::sim
