// The panel and sound arrays the host shares with every plug-in.
//
// Panel slots written in a frame are presented to the plug-ins until their
// writer's next turn; when the writer then does not write the slot again, it
// reads 0 from there on ("zero" policy, the default). So a slot holds a value
// only while some plug-in keeps writing it: a plug-in earlier in the calling
// order still reads what a later one wrote in the previous frame, and a
// switch-off value that its writer stops sending (slot 249 after the vehicle
// plug-in leaves its mode 0) does not stick. The host recognises a write by
// the slot's change: just before a writer's turn its slots are set to 0, so a
// non-zero value afterwards is its write. When two writers put the same value
// into one slot, it counts as the first one's. A plug-in therefore reads its
// own slots as 0 at the start of its turn (no plug-in of this system reads a
// slot it writes).
//
// The "keep" policy leaves every slot as last written, the way a cab display
// holds a lamp.
//
// The sound array always keeps the last command; it starts with every sound
// stopped.
//
// Both arrays are guarded (guarded_arrays.h), and the host keeps a copy of
// them as it last left them (settle()), so that a change made while no
// plug-in's Elapse runs is found (changeSinceSettled()).
//
// Most frames repeat the one before: every writer finds the panel as it
// found it a frame ago and leaves it as it left it then. Such a turn cannot
// change who wrote what, so it costs two block compares against copies of
// that writer's last turn; only a turn that differs is looked at slot by
// slot.
#ifndef CABKIT_SIM_SHARED_PANEL_H
#define CABKIT_SIM_SHARED_PANEL_H

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "guarded_arrays.h"
#include "host_arrays.h"
#include "scenario.h"

namespace cabkit::sim {

// A value the outside component puts into a panel slot.
struct PanelWrite {
    int32_t slot = 0;
    int32_t value = 0;
    bool operator==(const PanelWrite&) const = default;
};

// A slot found changed: in which array (0 the panel, 1 the sound array), and how.
struct SlotChange {
    int32_t array = 0;
    int32_t slot = 0;
    int32_t before = 0;
    int32_t after = 0;
};

class SharedArrays {
public:
    // Writer numbers: 0 is the outside component, 1.. the plug-ins in calling order.
    static constexpr int32_t kNoWriter = -1;
    static constexpr int32_t kOutside = 0;
    static constexpr int32_t kWriters = 1 + static_cast<int32_t>(kMaxPlugins);

    explicit SharedArrays(bool zeroUnwritten);

    // Around each writer's turn within a frame.
    void beginTurn(int32_t writer);
    void endTurn(int32_t writer);
    // endTurn(from) then beginTurn(to): a frame hands the panel on three times.
    void passTurn(int32_t from, int32_t to);
    // The outside component's whole turn: `writes` in order between its
    // beginTurn and endTurn. The host knows what it writes, so a turn that
    // begins as its last did and writes the same ends as that one did,
    // without a look at the panel.
    void outsideTurn(std::span<const PanelWrite> writes);

    int32_t* panel() { return guarded_.panel.data(); }
    int32_t* sound() { return guarded_.sound.data(); }
    const int32_t* panel() const { return guarded_.panel.data(); }
    const int32_t* sound() const { return guarded_.sound.data(); }
    // Who last wrote a panel slot (kNoWriter before anyone did).
    int32_t writerOf(std::size_t slot) const { return writer_[slot]; }

    // endTurn() of a frame's last writer and settle() at once.
    void endLastTurn(int32_t writer);

    // Takes both arrays as they are now as the host's.
    void settle();
    // Whether the panel and the sound array were found different from the
    // settle before the last one (an observer's cue to look at them). Exact
    // for the sound array; for the panel it may say moved when nothing did
    // (a turn that began differently), never the other way round.
    bool panelMoved() const { return panelMoved_; }
    bool soundMoved() const { return soundMoved_; }
    // Whether both arrays are as settled; cheap enough for every call.
    bool unchangedSinceSettled() const;
    // The first slot that differs from the settled copy.
    std::optional<SlotChange> changeSinceSettled() const;
    // Whether the bytes in front of both arrays are untouched: all of them,
    // or only the few nearest slot 0 (cheap enough for every call).
    bool frontIntact() const { return guarded_.frontIntact(); }
    bool nearFrontIntact() const;
    const GuardedHostArrays& guarded() const { return guarded_; }

private:
    using PanelSlots = std::array<int32_t, CABKIT_PANEL_SLOTS>;
    // A writer's last turn: the panel as the turn began (its slots cleared)
    // and as it ended, and the writers' generation when it began.
    struct LastTurn {
        PanelSlots before{};
        PanelSlots after{};
        uint64_t generation = 0;  // never a current generation before the first turn
        bool ended = false;
        uint64_t afterVersion = 0;  // changes whenever `after` is taken anew
        // The turn that ended right before it began, and that turn's `after`
        // then: the panel it began with, unless the writer's slots differed.
        int32_t cameAfter = kNoWriter;
        uint64_t cameAfterVersion = 0;
    };

    void clearSlotsOf(int32_t writer);
    // A writer holding this many slots has its turn's panel restored by one
    // block copy where it can be: the copy costs about what clearing a few
    // dozen slots one by one does.
    static constexpr std::size_t kCopyRatherThanClear = 32;
    void takeWrites(int32_t writer, LastTurn& turn);

    bool zeroUnwritten_;
    GuardedHostArrays guarded_;
    // Same width as the slots, so the pass over them vectorises.
    PanelSlots writer_{};
    std::array<LastTurn, kWriters> turns_{};
    // Whether the turn under way began as the same writer's last turn did,
    // with the same writers.
    bool repeats_ = false;
    // Raised whenever a slot changes writer.
    uint64_t generation_ = 1;
    uint64_t versions_ = 0;
    // The turn that ended last, while no turn has begun since.
    int32_t lastEnded_ = kNoWriter;
    // The slots each writer holds, as of ownedGeneration_ (zero policy).
    std::array<std::array<uint16_t, CABKIT_PANEL_SLOTS>, kWriters> owned_{};
    std::array<std::size_t, kWriters> ownedCount_{};
    uint64_t ownedGeneration_ = 0;
    PanelSlots settledPanel_{};
    std::array<int32_t, CABKIT_SOUND_SLOTS> settledSound_{};
    // What the outside component's last turn wrote through outsideTurn();
    // not known once a turn of it went through endTurn().
    std::vector<PanelWrite> outsideWrites_;
    bool outsideWritesKnown_ = false;
    // The `afterVersion` the settled panel was copied from; 0 when it was
    // not copied from a turn's `after`.
    uint64_t settledVersion_ = 0;
    bool panelMoved_ = true;
    bool soundMoved_ = true;
};

}  // namespace cabkit::sim

#endif  // CABKIT_SIM_SHARED_PANEL_H
