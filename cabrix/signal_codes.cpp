#include "signal_codes.h"

#include <array>
#include <cstddef>

#include "sound_commands.h"

namespace cabkit::cabrix {
namespace {

struct AspectEntry {
    int32_t aspect;
    CabSignal signal;
};

// Aspects not in the table carry the code of the table's first row.
constexpr CabSignal kNoCode{contract::cabrix::kCabSignalCodes[0].code, contract::cabrix::kCabSignalCodes[0].received};

// The aspects of the code table that carry a code. Aspect 10 carries code
// 1, which only the full mode acts on; it counts as no code received.
constexpr std::size_t countAspects() {
    std::size_t aspects = 0;
    for (const contract::cabrix::CabSignalCode& row : contract::cabrix::kCabSignalCodes) {
        aspects += row.aspect >= 0 ? 1U : 0U;
    }
    return aspects;
}
constexpr std::size_t kTableAspects = countAspects();

constexpr std::array<AspectEntry, kTableAspects> aspectTable() {
    std::array<AspectEntry, kTableAspects> table{};
    std::size_t next = 0;
    for (const contract::cabrix::CabSignalCode& row : contract::cabrix::kCabSignalCodes) {
        if (row.aspect >= 0 && next < table.size()) {
            table[next] = AspectEntry{row.aspect, CabSignal{row.code, row.received}};
            ++next;
        }
    }
    return table;
}
constexpr std::array<AspectEntry, kTableAspects> kAspectTable = aspectTable();

static_assert(contract::cabrix::kCabSignalCodes[0].aspect == contract::cabrix::kAnyOtherAspect,
              "the first row of the code table is the code of every other aspect");

// A received code chimes.
constexpr bool chimesForCode(int32_t code) {
    return code >= 0 && static_cast<std::size_t>(code) < contract::cabrix::kCabSignalCodes.size() &&
           contract::cabrix::kCabSignalCodes[static_cast<std::size_t>(code)].received;
}

}  // namespace

CabSignal cabSignalForAspect(int32_t aspect) {
    for (const AspectEntry& entry : kAspectTable) {
        if (entry.aspect == aspect) {
            return entry.signal;
        }
    }
    return kNoCode;
}

void receiveSignal(CCabrix& cab, int32_t aspect) {
    // The code and whether one is received.
    const CabSignal signal = cabSignalForAspect(aspect);
    cab.signalCode = signal.code;
    cab.signalReceived = signal.received;

    // A received code chimes once supervision can be selected.
    if (chimesForCode(signal.code) && cab.mode != kModeOff) {
        cab.chimeTrigger = CABKIT_SOUND_PLAY_ONCE;
    }

    // The bell marks a change into or out of the coded aspects.
    if (aspect != cab.lastAspect && (aspect >= kBellAspectFrom || cab.lastAspect >= kBellAspectFrom)) {
        cab.bellTrigger = CABKIT_SOUND_PLAY_ONCE;
    }
    cab.lastAspect = aspect;
}

}  // namespace cabkit::cabrix
