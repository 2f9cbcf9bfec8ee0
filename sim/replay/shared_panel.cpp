#include "shared_panel.h"

#include <algorithm>
#include <cstring>

#include "sound_commands.h"

namespace cabkit::sim {

SharedArrays::SharedArrays(bool zeroUnwritten) : zeroUnwritten_(zeroUnwritten) {
    writer_.fill(kNoWriter);
    int32_t* sound = guarded_.sound.data();
    for (std::size_t slot = 0; slot < guarded_.sound.size(); ++slot) sound[slot] = CABKIT_SOUND_STOP;
    settle();
}

namespace {

constexpr std::size_t kPanelBytes = CABKIT_PANEL_SLOTS * sizeof(int32_t);
constexpr std::size_t kSoundBytes = CABKIT_SOUND_SLOTS * sizeof(int32_t);

// Every slot that differs from `before` becomes `writer`'s. Written
// branch-free over arrays the compiler knows apart, so that it vectorises;
// returns whether any slot changed hands.
bool markWriters(const int32_t* __restrict panel, const int32_t* __restrict before, int32_t* __restrict writers,
                 int32_t writer) {
    int32_t changedHands = 0;
    for (std::size_t slot = 0; slot < CABKIT_PANEL_SLOTS; ++slot) {
        const int32_t changed = -static_cast<int32_t>(panel[slot] != before[slot]);
        const int32_t taken = changed & -static_cast<int32_t>(writers[slot] != writer);
        writers[slot] = (writer & taken) | (writers[slot] & ~taken);
        changedHands |= taken;
    }
    return changedHands != 0;
}

}  // namespace

void SharedArrays::clearSlotsOf(int32_t writer) {
    if (ownedGeneration_ != generation_) {
        ownedCount_.fill(0);
        for (std::size_t slot = 0; slot < CABKIT_PANEL_SLOTS; ++slot) {
            const int32_t holder = writer_[slot];
            if (holder < 0 || holder >= kWriters) continue;
            const auto w = static_cast<std::size_t>(holder);
            owned_[w][ownedCount_[w]++] = static_cast<uint16_t>(slot);
        }
        ownedGeneration_ = generation_;
    }
    const auto w = static_cast<std::size_t>(writer);
    int32_t* panel = guarded_.panel.data();
    for (std::size_t i = 0; i < ownedCount_[w]; ++i) panel[owned_[w][i]] = 0;
}

void SharedArrays::beginTurn(int32_t writer) {
    LastTurn& turn = turns_[static_cast<std::size_t>(writer)];
    int32_t* panel = guarded_.panel.data();
    // The same writers and the same panel as its last turn began: if it
    // leaves the panel as it did then, that turn's (no) change of hands holds.
    // The panel changes only in turns, so a turn that begins right after the
    // same turn as last time, left as it was left then, begins with the same
    // panel without a look.
    const uint64_t lastEndedVersion =
        lastEnded_ != kNoWriter ? turns_[static_cast<std::size_t>(lastEnded_)].afterVersion : 0;
    const bool cameAfterTheSame =
        lastEnded_ != kNoWriter && turn.cameAfter == lastEnded_ && turn.cameAfterVersion == lastEndedVersion;
    const bool sameWriters = turn.generation == generation_;
    if (zeroUnwritten_) {
        // Its slots cleared from the panel its last turn began from, with the
        // same slots its own, give that turn's `before` again: for a writer
        // of many slots one block copy costs less than clearing them.
        if (sameWriters && cameAfterTheSame && ownedGeneration_ == generation_ &&
            ownedCount_[static_cast<std::size_t>(writer)] >= kCopyRatherThanClear) {
            std::memcpy(panel, turn.before.data(), kPanelBytes);
        } else {
            clearSlotsOf(writer);
        }
    }
    repeats_ = sameWriters && (cameAfterTheSame || std::memcmp(turn.before.data(), panel, kPanelBytes) == 0);
    if (!repeats_) {
        std::memcpy(turn.before.data(), panel, kPanelBytes);
        turn.generation = generation_;
        turn.ended = false;
    }
    turn.cameAfter = lastEnded_;
    turn.cameAfterVersion = lastEndedVersion;
    lastEnded_ = kNoWriter;
}

void SharedArrays::endTurn(int32_t writer) {
    LastTurn& turn = turns_[static_cast<std::size_t>(writer)];
    const int32_t* panel = guarded_.panel.data();
    if (!repeats_ || !turn.ended || std::memcmp(turn.after.data(), panel, kPanelBytes) != 0) takeWrites(writer, turn);
    if (writer == kOutside) outsideWritesKnown_ = false;
    lastEnded_ = writer;
}

void SharedArrays::outsideTurn(std::span<const PanelWrite> writes) {
    beginTurn(kOutside);
    int32_t* panel = guarded_.panel.data();
    for (const PanelWrite& write : writes) panel[static_cast<std::size_t>(write.slot)] = write.value;
    LastTurn& turn = turns_[static_cast<std::size_t>(kOutside)];
    const bool sameWrites =
        outsideWritesKnown_ && std::equal(writes.begin(), writes.end(), outsideWrites_.begin(), outsideWrites_.end());
    if (!repeats_ || !turn.ended || !sameWrites) {
        takeWrites(kOutside, turn);
        if (!sameWrites) outsideWrites_.assign(writes.begin(), writes.end());
        outsideWritesKnown_ = true;
    }
    lastEnded_ = kOutside;
}

// The slow way: slot by slot, and the turn kept for the next.
void SharedArrays::takeWrites(int32_t writer, LastTurn& turn) {
    const int32_t* panel = guarded_.panel.data();
    if (markWriters(panel, turn.before.data(), writer_.data(), writer)) ++generation_;
    std::memcpy(turn.after.data(), panel, kPanelBytes);
    turn.afterVersion = ++versions_;
    turn.ended = true;
}

void SharedArrays::endLastTurn(int32_t writer) {
    endTurn(writer);
    // The panel is now that writer's last `after`; when that copy is the one
    // settled a frame ago, the panel is the settled one and nothing moved.
    const uint64_t version = turns_[static_cast<std::size_t>(writer)].afterVersion;
    panelMoved_ = version != settledVersion_;
    if (panelMoved_) {
        std::memcpy(settledPanel_.data(), guarded_.panel.data(), kPanelBytes);
        settledVersion_ = version;
    }
    soundMoved_ = std::memcmp(settledSound_.data(), guarded_.sound.data(), kSoundBytes) != 0;
    if (soundMoved_) std::memcpy(settledSound_.data(), guarded_.sound.data(), kSoundBytes);
}

void SharedArrays::settle() {
    std::memcpy(settledPanel_.data(), guarded_.panel.data(), kPanelBytes);
    std::memcpy(settledSound_.data(), guarded_.sound.data(), kSoundBytes);
    settledVersion_ = 0;
    panelMoved_ = true;
    soundMoved_ = true;
}

bool SharedArrays::unchangedSinceSettled() const {
    return std::memcmp(settledPanel_.data(), guarded_.panel.data(), kPanelBytes) == 0 &&
           std::memcmp(settledSound_.data(), guarded_.sound.data(), kSoundBytes) == 0;
}

std::optional<SlotChange> SharedArrays::changeSinceSettled() const {
    const int32_t* panel = guarded_.panel.data();
    const int32_t* sound = guarded_.sound.data();
    for (std::size_t slot = 0; slot < settledPanel_.size(); ++slot) {
        if (panel[slot] != settledPanel_[slot])
            return SlotChange{0, static_cast<int32_t>(slot), settledPanel_[slot], panel[slot]};
    }
    for (std::size_t slot = 0; slot < settledSound_.size(); ++slot) {
        if (sound[slot] != settledSound_[slot])
            return SlotChange{1, static_cast<int32_t>(slot), settledSound_[slot], sound[slot]};
    }
    return std::nullopt;
}

bool SharedArrays::nearFrontIntact() const {
    return guarded_.panel.nearFrontIntact() && guarded_.sound.nearFrontIntact();
}

void SharedArrays::passTurn(int32_t from, int32_t to) {
    endTurn(from);
    beginTurn(to);
}

}  // namespace cabkit::sim
